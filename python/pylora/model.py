# SPDX-License-Identifier: Apache-2.0
"""Models: reading, writing, checking and running a model document.

A model is its model document (docs/model-document.md), held as a plain dict
that a script may edit. Reading and writing the YAML form and the input data
file (.dat), checking and running all go through the pylora program, so that
the package reads and checks exactly as the program does.
"""
from __future__ import annotations

import copy
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time
import weakref
from pathlib import Path
from typing import Any, Callable

from ._program import program, run_program
from .errors import Diagnostic, ModelError, PyloraError, RunCancelled, RunTimeout
from .pointer import get_value, set_value
from .results import Results

#: The forms of a model the package reads and writes, by suffix.
SUFFIXES = (".dat", ".json", ".yaml", ".yml")

# Return codes of a model the engine refused, or could not read.
_REFUSED = {101, 102, 103, 104}
# How often a run's progress file is looked at, in seconds.
_PROGRESS_INTERVAL = 0.05


def _suffix(path: Path) -> str:
    suffix = path.suffix.lower()
    if suffix not in SUFFIXES:
        raise PyloraError(f"{path}: a model is a .dat, .json, .yaml or .yml file, not {suffix or 'a file without suffix'}")
    return suffix


def _check_file(path: Path) -> list[Diagnostic]:
    """The diagnostics of `pylora check PATH --format json`."""
    done = run_program(["check", str(path), "--format", "json"])
    try:
        report = json.loads(done.stdout)
    except ValueError:
        raise PyloraError(f"pylora check {path} answered no diagnostics: {done.stderr.strip()}") from None
    return [Diagnostic.from_json(item) for item in report.get("diagnostics", [])]


def _refusal(message: str, path: Path, stderr: str) -> ModelError:
    """A ModelError for a file the program refused, with its diagnostics (or
    the program's own words when the check finds nothing to say)."""
    diagnostics = [d for d in _check_file(path) if d.severity == "error"] if path.exists() else []
    if not diagnostics and stderr.strip():
        diagnostics = [Diagnostic("error", "", None, None, line.strip())
                       for line in stderr.strip().splitlines() if line.strip()]
    return ModelError(message, diagnostics)


def load(path: str | os.PathLike[str]) -> "Model":
    """Reads the model at path: a model document (.json, .yaml, .yml) or an
    input data file (.dat). Raises ModelError with the diagnostics when the
    program refuses it, PyloraError when it cannot be read at all."""
    path = Path(path)
    suffix = _suffix(path)
    if not path.is_file():
        raise PyloraError(f"{path}: no such model file")
    name = path.name[: -len(path.suffix)] or "model"
    if suffix == ".json":
        try:
            document = json.loads(path.read_text(encoding="utf-8"))
        except ValueError as e:
            raise ModelError(f"{path} is not JSON", [Diagnostic("error", "", None, None, str(e))]) from None
        if not isinstance(document, dict) or "pylora" not in document:
            raise ModelError(f"{path} is not a model document (it has no \"pylora\" version key)")
        return Model(document, name=name, source=path)
    with tempfile.TemporaryDirectory(prefix="pylora-load-") as folder:
        target = Path(folder) / "model.json"
        done = run_program(["convert", str(path), "-o", str(target)])
        if done.returncode != 0 or not target.is_file():
            raise _refusal(f"{path} was refused (code {done.returncode})", path, done.stderr)
        document = json.loads(target.read_text(encoding="utf-8"))
    return Model(document, name=name, source=path)


class Model:
    """A pile-group model: its model document, editable as a plain dict.

    >>> model = pylora.load("examples/group3d/model.yaml")
    >>> model.document["soilLayers"][0]["top"]["undrainedShearStrength"] *= 0.8
    >>> results = model.run()
    """

    def __init__(self, document: dict[str, Any], *, name: str = "model",
                 source: str | os.PathLike[str] | None = None):
        if not isinstance(document, dict):
            raise TypeError(f"a model document is a dict, not {type(document).__name__}")
        #: The model document (docs/model-document.md).
        self.document: dict[str, Any] = document
        #: The base name of the run's files (model.out, model.results.json, ...).
        self.name = name
        #: The file the model was read from, if any.
        self.source = Path(source) if source is not None else None
        #: The values a study gave this variant, by JSON Pointer (vary, sample).
        self.parameters: dict[str, Any] = {}

    # -- what it is ---------------------------------------------------------

    @property
    def title(self) -> str:
        return str(self.document.get("title", ""))

    def __repr__(self) -> str:
        d = self.document
        parts = [str(d.get("analysis", "threeDimensional"))]
        for key, word in (("pileGroups", "pile group"), ("loadCases", "load case"),
                          ("combinations", "combination")):
            n = len(d.get(key) or [])
            parts.append(f"{n} {word}{'' if n == 1 else 's'}")
        return f"<pylora.Model {self.title!r} ({', '.join(parts)})>"

    def copy(self) -> "Model":
        """A deep copy: editing it leaves this model alone."""
        twin = Model(copy.deepcopy(self.document), name=self.name, source=self.source)
        twin.parameters = dict(self.parameters)
        return twin

    def get(self, pointer: str) -> Any:
        """The value at a JSON Pointer of the document ("/soilLayers/0/type")."""
        return get_value(self.document, pointer)

    def set(self, pointer: str, value: Any) -> None:
        """Sets the value at a JSON Pointer of the document."""
        set_value(self.document, pointer, value)

    # -- files --------------------------------------------------------------

    def _write_json(self, path: Path) -> Path:
        path.write_text(json.dumps(self.document, indent=2) + "\n", encoding="utf-8")
        return path

    def save(self, path: str | os.PathLike[str]) -> Path:
        """Writes the model to path in the form of its suffix: .json or
        .yaml/.yml (the model document) or .dat (the input data file). Raises
        ModelError when the program refuses the model."""
        path = Path(path)
        suffix = _suffix(path)
        if suffix == ".json":
            return self._write_json(path)
        with tempfile.TemporaryDirectory(prefix="pylora-save-") as folder:
            source = self._write_json(Path(folder) / f"{self.name}.json")
            done = run_program(["convert", str(source), "-o", str(path)])
            if done.returncode != 0:
                raise _refusal(f"the model could not be written to {path} (code {done.returncode})",
                               source, done.stderr)
        return path

    def check(self) -> list[Diagnostic]:
        """The findings of the program's check, without running: an empty
        list for a model that is valid. Pointers name the values of the
        document; lines and columns are left out (a dict has none)."""
        with tempfile.TemporaryDirectory(prefix="pylora-check-") as folder:
            found = _check_file(self._write_json(Path(folder) / f"{self.name}.json"))
        return [Diagnostic(d.severity, d.pointer, None, None, d.message) for d in found]

    # -- running ------------------------------------------------------------

    def run(self, threads: int | None = None, workdir: str | os.PathLike[str] | None = None,
            progress: Callable[[str], None] | None = None,
            timeout: float | None = None, cancel: threading.Event | None = None) -> Results:
        """Runs the analysis and returns its Results.

        threads: threads of the per-pile analyses (default: the program's,
        every core). workdir: the folder of the run's files (created; default
        a temporary folder that lives as long as the Results). progress: called
        with each progress message of the run as it comes (the case, step and
        iteration). timeout: seconds after which the run is stopped in order
        and RunTimeout raised. cancel: an event another thread may set to stop
        the run in order; RunCancelled is then raised.

        A refused model raises ModelError with the diagnostics; a run that
        stops with a stop code returns Results with that return_code,
        completed False and the analyses that finished.
        """
        if threads is not None and (not isinstance(threads, int) or threads < 1):
            raise ValueError(f"threads is a whole number from 1, not {threads!r}")
        temporary = workdir is None
        folder = Path(tempfile.mkdtemp(prefix="pylora-run-") if temporary else workdir)
        folder.mkdir(parents=True, exist_ok=True)
        try:
            results = self._run_in(folder, threads, progress, timeout, cancel)
        except BaseException:
            if temporary:
                shutil.rmtree(folder, ignore_errors=True)
            raise
        if temporary:
            weakref.finalize(results, shutil.rmtree, str(folder), True)
        return results

    def _run_in(self, folder: Path, threads: int | None, progress: Callable[[str], None] | None,
                timeout: float | None, cancel: threading.Event | None) -> Results:
        document = self._write_json(folder / f"{self.name}.json")
        console = folder / f"{self.name}.console"
        args = [str(program()), str(document), "-o", str(folder), "--quiet"]
        if threads is not None:
            args += ["--threads", str(threads)]
        progress_file = folder / f"{self.name}.prg"
        deadline = None if timeout is None else time.monotonic() + timeout
        timed_out = cancelled = False
        with open(console, "w", encoding="utf-8") as err:
            process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=err)
            try:
                last = ""
                while True:
                    wait = _PROGRESS_INTERVAL if progress or cancel else None
                    if deadline is not None:
                        left = max(deadline - time.monotonic(), 0.0)
                        wait = left if wait is None else min(wait, left)
                    try:
                        process.wait(timeout=wait)
                        break
                    except subprocess.TimeoutExpired:
                        pass
                    if progress:
                        last = _report_progress(progress_file, last, progress)
                    cancelled = cancel is not None and cancel.is_set()
                    timed_out = deadline is not None and time.monotonic() >= deadline
                    if cancelled or timed_out:
                        process.terminate()  # the program ends the run in order
                        try:
                            process.wait(timeout=30)
                        except subprocess.TimeoutExpired:
                            process.kill()
                            process.wait()
                        break
            except BaseException:
                process.kill()
                process.wait()
                raise
        code = process.returncode
        stderr = console.read_text(encoding="utf-8", errors="replace")
        results_file = folder / f"{self.name}.results.json"
        results = Results.from_run(folder, self.name, code) if results_file.is_file() else None
        if cancelled:
            raise RunCancelled(f"the run of {self.title!r} was cancelled", results)
        if timed_out:
            raise RunTimeout(f"the run of {self.title!r} took longer than {timeout} s and was stopped",
                             results)
        if results is None:
            if code in _REFUSED:
                raise _refusal(f"the model {self.title!r} was refused (code {code})", document, stderr)
            raise PyloraError(f"the run of {self.title!r} ended without results (exit status {code}): "
                              + " / ".join(line for line in stderr.splitlines()[-3:] if line.strip()))
        if results.return_code in _REFUSED:
            raise ModelError(f"the model {self.title!r} was refused (code {results.return_code})",
                             results.errors() or _check_file(document))
        return results


def _report_progress(path: Path, last: str, progress: Callable[[str], None]) -> str:
    """Calls progress with the run's latest progress message when it changed."""
    try:
        text = path.read_text(encoding="utf-8", errors="replace").strip()
    except OSError:
        return last
    if text and text != last:
        progress(text)
        return text
    return last
