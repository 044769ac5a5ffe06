# SPDX-License-Identifier: Apache-2.0
"""The results of a run, as the results file (docs/results-json.md) holds
them and as pandas tables.

Every table carries the units of its columns in ``df.attrs["units"]`` (a
column without a unit, such as a name or a count, has none there).
"""
from __future__ import annotations

import json
import os
from dataclasses import dataclass
from functools import cached_property
from pathlib import Path
from typing import Any, Iterable

import numpy as np
import pandas as pd

from .errors import Diagnostic, PyloraError

# The files of a run by role, after their suffixes.
_FILE_ROLES = {"report": ".out", "summary": ".sum", "plot": ".plt", "runtime": ".rtm",
               "status": ".sta", "resultsData": ".res", "progress": ".prg", "curves": ".crv",
               "pileData": ".pile", "warnings": ".warn", "results": ".results.json",
               "input": ".json.dat", "document": ".json", "console": ".console"}
_LOADS = ["Fx", "Fy", "Fz", "Mx", "My", "Mz"]
_DISPLACEMENTS = ["ux", "uy", "uz", "tx", "ty", "tz"]
_PROFILE_PER_PLANE = ["deflection", "slope", "moment", "shear", "soilReaction", "EI"]
_PROFILE_SINGLE = ["stress", "ultimateResistance", "mobilisation", "bendingDC", "shearDC"]


@dataclass(frozen=True)
class RunWarning:
    """A warning block of the run and the analysis it came from (series and
    number; None for a warning of the run as a whole)."""

    text: str
    series: str | None
    number: int | None

    def __str__(self) -> str:
        return self.text


def _number(value: Any) -> float:
    """A number of the file; null (not a finite number) as NaN."""
    return np.nan if value is None else value


def _frame(rows: list[dict[str, Any]], columns: list[str], units: dict[str, str]) -> pd.DataFrame:
    df = pd.DataFrame(rows, columns=columns)
    df.attrs["units"] = {c: units[c] for c in columns if c in units}
    return df


class Results:
    """What a run found: its return code, its files, the results document and
    tables made from it.

    ``json`` is the results document; ``cap``, ``pile_heads``, ``envelopes``,
    ``py_curves`` and ``load_settlement`` are pandas DataFrames built from it
    when first asked for; ``profile(analysis, group)`` gives one pile's
    values along its length.
    """

    def __init__(self, document: dict[str, Any], return_code: int | None = None,
                 files: dict[str, Path] | None = None):
        #: The results document (docs/results-json.md).
        self.json: dict[str, Any] = document
        #: What the engine returned: 0 when every analysis ran.
        self.return_code: int = int(document.get("returnCode", return_code if return_code is not None else -1))
        #: The run's files by role (report, summary, results, ...), where they are.
        self.files: dict[str, Path] = dict(files or {})

    @classmethod
    def from_run(cls, folder: Path, name: str, exit_status: int) -> "Results":
        """The results of the run of model `name` in folder."""
        path = folder / f"{name}.results.json"
        try:
            document = json.loads(path.read_text(encoding="utf-8"))
        except (OSError, ValueError) as e:
            raise PyloraError(f"the results file {path} cannot be read: {e}") from None
        files = {role: folder / f"{name}{suffix}" for role, suffix in _FILE_ROLES.items()
                 if (folder / f"{name}{suffix}").is_file()}
        return cls(document, exit_status, files)

    @classmethod
    def read(cls, path: str | os.PathLike[str]) -> "Results":
        """The results of an earlier run, from its results file (and the
        run's other files beside it, when it is MODEL.results.json)."""
        path = Path(path)
        if path.name.endswith(".results.json"):
            return cls.from_run(path.parent, path.name[: -len(".results.json")], -1)
        try:
            document = json.loads(path.read_text(encoding="utf-8"))
        except (OSError, ValueError) as e:
            raise PyloraError(f"the results file {path} cannot be read: {e}") from None
        return cls(document, None, {"results": path})

    # -- what it is ---------------------------------------------------------

    @property
    def completed(self) -> bool:
        """Whether every load case and combination was analysed."""
        return self.return_code == 0

    @property
    def meaning(self) -> str:
        """What the return code means."""
        return str(self.json.get("returnMeaning", ""))

    @property
    def title(self) -> str:
        return str(self.json.get("model", {}).get("title", ""))

    @property
    def units(self) -> dict[str, str]:
        """The unit of every quantity of the tables, by column name."""
        return dict(self.json.get("model", {}).get("quantityUnits", {}))

    @property
    def analyses(self) -> list[dict[str, Any]]:
        """The analyses of the run in the order they ran (the results
        document's entries)."""
        return list(self.json.get("analyses", []))

    @property
    def warnings(self) -> list[RunWarning]:
        out = []
        for w in self.json.get("warnings", []):
            analysis = w.get("analysis") or {}
            out.append(RunWarning(w.get("text", ""), analysis.get("series"), analysis.get("number")))
        return out

    def __repr__(self) -> str:
        done = sum(1 for a in self.analyses if a.get("succeeded"))
        state = "completed" if self.completed else f"code {self.return_code}: {self.meaning}"
        return (f"<pylora.Results {self.title!r}: {done} of {len(self.analyses)} analyses, "
                f"{len(self.warnings)} warnings, {state}>")

    def errors(self) -> list[Diagnostic]:
        """The input and fatal errors the report holds, one diagnostic per
        block (the engine's refusals, which have no place in the document):
        the records that follow each "**** ... ERROR ****" line."""
        report = self.files.get("report")
        if report is None:
            return []
        lines = [l.strip() for l in report.read_text(encoding="utf-8", errors="replace").splitlines()]
        found = []
        for i, line in enumerate(lines):
            if "ERROR ****" not in line:
                continue
            block = []
            for text in lines[i + 1:i + 4]:
                if not text or "****" in text:
                    break
                block.append(text)
            if block:
                found.append(Diagnostic("error", "", None, None, " ".join(block)))
        return found

    # -- tables -------------------------------------------------------------

    def _analysis(self, analysis: int | str | tuple[str, int]) -> dict[str, Any]:
        """The analysis named by its index in the run (0-based), its name, or
        (series, number) such as ("load case", 2)."""
        entries = self.analyses
        if isinstance(analysis, int):
            if not 0 <= analysis < len(entries):
                raise IndexError(f"the run has {len(entries)} analyses; there is no analysis {analysis}")
            return entries[analysis]
        for a in entries:
            if (isinstance(analysis, tuple) and (a["series"], a["number"]) == analysis) or a["name"] == analysis:
                return a
        raise KeyError(f"no analysis {analysis!r}; the run has "
                       + ", ".join(f"{a['series']} {a['number']} ({a['name']})" for a in entries))

    @cached_property
    def cap(self) -> pd.DataFrame:
        """One row per analysis: series, number, name, completion code and
        meaning, load factor, global iterations, the cap load and the cap
        displacement (NaN for an analysis without results)."""
        plane = self.json.get("model", {}).get("analysisType") == 2
        loads = ["Fx", "Fy", "Mz"] if plane else _LOADS
        displacements = ["ux", "uy", "tz"] if plane else _DISPLACEMENTS
        rows = []
        for a in self.analyses:
            completion = a.get("completion") or {}
            row = {"series": a["series"], "number": a["number"], "name": a["name"],
                   "completion": completion.get("code"), "meaning": completion.get("meaning"),
                   "loadFactor": completion.get("loadFactor"), "iterations": a.get("globalIterations")}
            for key in loads:
                row[key] = _number((a.get("capLoad") or {}).get(key))
            for key in displacements:
                row[key] = _number((a.get("capDisplacement") or {}).get(key))
            rows.append(row)
        return _frame(rows, ["series", "number", "name", "completion", "meaning", "loadFactor",
                             "iterations", *loads, *displacements], self.units)

    @cached_property
    def pile_heads(self) -> pd.DataFrame:
        """One row per analysis, pile group and frame ("cap" axes or "pile" axes): the
        pile-head displacements, forces and stress."""
        rows, keys = [], []
        for a in self.analyses:
            for pile in a.get("piles", []):
                for frame, values in (("cap", pile["head"]["global"]), ("pile", pile["head"]["local"])):
                    keys = keys or list(values)
                    rows.append({"series": a["series"], "number": a["number"], "name": a["name"],
                                 "group": pile["group"], "frame": frame,
                                 **{k: _number(v) for k, v in values.items()}})
        return _frame(rows, ["series", "number", "name", "group", "frame", *keys], self.units)

    def profile(self, analysis: int | str | tuple[str, int], group: int) -> pd.DataFrame:
        """The values along pile group `group` (1-based) of an analysis (its
        index in the run, its name, or (series, number)): depth along the pile
        from its head and, per plane (suffix _xy, and _xz in three
        dimensions), deflection, slope, moment, shear, soil reaction and EI;
        then stress, the ultimate soil resistance and its mobilisation, and
        for combinations the demand/capacity ratios."""
        entry = self._analysis(analysis)
        pile = next((p for p in entry.get("piles", []) if p["group"] == group), None)
        if pile is None:
            raise KeyError(f"{entry['series']} {entry['number']} has no results of pile group {group}"
                           + (" (its pile results were left out of the file)" if entry.get("pileResultsOmitted") else ""))
        return self._profile_frame(pile["profile"])

    def _profile_frame(self, profile: dict[str, Any]) -> pd.DataFrame:
        data: dict[str, Any] = {"depth": profile["depth"]}
        units = dict(self.units)
        for key in _PROFILE_PER_PLANE:
            for plane, values in (profile.get(key) or {}).items():
                data[f"{key}_{plane}"] = [_number(v) for v in values]
                if key in units:
                    units[f"{key}_{plane}"] = units[key]
        for key in _PROFILE_SINGLE:
            if key in profile:
                data[key] = [_number(v) for v in profile[key]]
        units.setdefault("ultimateResistance", units.get("soilReaction", ""))
        units.setdefault("mobilisation", "1")
        df = pd.DataFrame(data)
        df.attrs["units"] = {c: units[c] for c in df.columns if c in units}
        return df

    @cached_property
    def envelopes(self) -> pd.DataFrame:
        """The cap envelopes: one row per series ("load cases",
        "combinations") and bound ("min", "max"), with the load and the
        displacement components."""
        rows = []
        for e in self.json.get("envelopes", []):
            cap = e.get("cap") or {}
            for bound in ("min", "max"):
                row: dict[str, Any] = {"series": e["series"], "bound": bound}
                row.update({k: _number(v) for k, v in (cap.get(f"load{bound.title()}") or {}).items()})
                row.update({k: _number(v) for k, v in (cap.get(f"displacement{bound.title()}") or {}).items()})
                rows.append(row)
        columns = ["series", "bound"] + [k for k in _LOADS + _DISPLACEMENTS if any(k in r for r in rows)]
        return _frame(rows, columns, self.units)

    @cached_property
    def py_curves(self) -> pd.DataFrame:
        """The printed p-y curves, one row per point: request, pile group,
        layer, soil type, depth, diameter, ultimate resistance, y and p."""
        rows = []
        for c in self.json.get("pyCurves", []):
            for y, p in zip(c["y"], c["p"]):
                rows.append({"request": c["request"], "group": c["pileGroup"], "layer": c["layer"],
                             "soilType": c["soilTypeName"], "depth": c["depth"],
                             "diameter": c["diameter"], "ultimate": _number(c["ultimate"]),
                             "y": y, "p": p})
        return _frame(rows, ["request", "group", "layer", "soilType", "depth", "diameter",
                             "ultimate", "y", "p"], self.units)

    @cached_property
    def load_settlement(self) -> pd.DataFrame:
        """The generated load-settlement curves, one row per point: pile
        property, settlement and load."""
        rows = [{"pileProperty": c["pileProperty"], "settlement": s, "load": q}
                for c in self.json.get("loadSettlementCurves", [])
                for s, q in zip(c["settlement"], c["load"])]
        return _frame(rows, ["pileProperty", "settlement", "load"], self.units)

    # -- pictures -----------------------------------------------------------

    def plot(self, out_dir: str | os.PathLike[str] | None = None, case: int | None = None,
             fmt: str = "png", piles: Iterable[int] = ()) -> list[Path]:
        """Draws the pictures of pylora-plot into out_dir (default: a folder
        "plots" beside the results file, or "pylora-plots" in the current
        folder) and returns their paths; case limits them to the N-th
        analysis (1-based), piles names pile groups to draw besides the
        governing ones (pylora-plot --piles). A picture that cannot be drawn
        is named in a warning."""
        import warnings

        from . import plot as plotting
        if out_dir is None:
            results = self.files.get("results")
            out_dir = results.parent / "plots" if results else Path("pylora-plots")
        written, skipped = plotting.plot_results(self.json, str(out_dir), case, fmt, piles)
        paths, not_drawn = plotting.plot_load_paths(self.json, str(out_dir), case, fmt)
        for message in skipped + not_drawn:
            warnings.warn(f"pylora: not drawn: {message}", stacklevel=2)
        return [Path(p) for p in written + paths]
