# SPDX-License-Identifier: Apache-2.0
"""The exceptions of the package and the diagnostics they carry."""
from __future__ import annotations

from dataclasses import dataclass
from typing import Any


@dataclass(frozen=True)
class Diagnostic:
    """One finding of the model's check: where it is and what is wrong.

    ``pointer`` is the JSON Pointer of the value in the model document ("" for
    the whole model), ``line`` and ``column`` its place in the file checked
    (None when the finding has no place, as for the engine's own refusals).
    """

    severity: str
    pointer: str
    line: int | None
    column: int | None
    message: str

    @classmethod
    def from_json(cls, item: dict[str, Any]) -> "Diagnostic":
        return cls(severity=str(item.get("severity", "error")),
                   pointer=str(item.get("pointer", "")),
                   line=item.get("line"), column=item.get("column"),
                   message=str(item.get("message", "")))

    def __str__(self) -> str:
        where = self.pointer or "the model"
        return f"{self.severity}: {self.message} (at {where})"


class PyloraError(Exception):
    """Something the package could not do: no program, an unreadable file, a
    run that ended without its results."""


class ModelError(PyloraError):
    """The model was refused: ``diagnostics`` says what is wrong and where."""

    def __init__(self, message: str, diagnostics: list[Diagnostic] | None = None):
        self.diagnostics: list[Diagnostic] = list(diagnostics or [])
        text = message
        if self.diagnostics:
            shown = "\n".join(f"  {d}" for d in self.diagnostics[:10])
            more = len(self.diagnostics) - 10
            text += "\n" + shown + (f"\n  ... and {more} more" if more > 0 else "")
        super().__init__(text)
        self.message = message

    def __reduce__(self):
        # Pickled whole, diagnostics and all, so that it crosses to and from
        # the processes of a study.
        return (type(self), (self.message, self.diagnostics))


class RunTimeout(PyloraError, TimeoutError):
    """A run outlived its timeout and was stopped; ``results`` holds what it
    finished (None when it wrote no results file)."""

    def __init__(self, message: str, results: Any = None):
        super().__init__(message)
        self.results = results

    def __reduce__(self):
        return (type(self), (str(self), self.results))


class RunCancelled(PyloraError):
    """A run was cancelled (Model.run's cancel event) and stopped in order;
    ``results`` holds what it finished (None when it wrote no results file)."""

    def __init__(self, message: str, results: Any = None):
        super().__init__(message)
        self.results = results

    def __reduce__(self):
        return (type(self), (str(self), self.results))
