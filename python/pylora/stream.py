# SPDX-License-Identifier: Apache-2.0
"""Reading a results file for the pictures without holding all of it.

The profiles along the piles make up nearly the whole of a results file (a
foundation of 2000 piles gives some 90 MB of them). The reader keeps every
profile as a few arrays of floats while an analysis or envelope is read,
notes the extremes of each pile group, and at the end of the analysis drops
the profiles of the groups that no picture draws: those of a model with many
groups but the governing ones and those the user names. The file is streamed
with ijson when Python has it, and read whole with json otherwise.
"""
from __future__ import annotations

import json
import math
from typing import Any, Callable, Iterable

import numpy as np

try:
    import ijson
    _JSON_ERRORS: tuple[type[Exception], ...] = (ijson.JSONError,)
except ImportError:  # the json module then reads the file whole
    ijson = None
    _JSON_ERRORS = ()

FORMAT = "pylora-results"
#: The format versions the pictures read (2 only added keys to 1).
VERSIONS = (1, 2)
#: Up to this many pile groups an analysis keeps today's pictures: every
#: group's profiles in one figure and a plan with every number.
FEW_GROUPS = 12
#: The profile quantities the pictures draw.
DRAWN = ("deflection", "moment", "shear", "soilReaction")


class ResultsError(Exception):
    """A results file the pictures cannot use; the message names why."""


def _floats(values: Iterable[Any]) -> np.ndarray:
    """A list of the file's numbers as floats, null as NaN."""
    return np.array([math.nan if v is None else v for v in values], dtype=float)


def _resultant(planes: dict[str, Any]) -> np.ndarray:
    """The resultant of both planes at every node (the one plane in two
    dimensions)."""
    arrays = [np.abs(np.asarray(v, dtype=float)) for v in planes.values()]
    return np.hypot(*arrays) if len(arrays) == 2 else arrays[0]


def _largest(values: np.ndarray) -> float:
    finite = values[np.isfinite(values)]
    return float(finite.max()) if finite.size else math.nan


def _value(head: dict[str, Any], key: str) -> float:
    v = head.get(key, 0.0)
    return math.nan if v is None else float(v)


def pile_extremes(pile: dict[str, Any]) -> dict[str, float]:
    """The values that rank a pile group of an analysis: its head forces in
    pile axes (axial force Fx, compression positive; the lateral force and
    the moment as resultants of both planes) and the largest resultant
    deflection and moment along the pile: those the reader kept in the pile
    (as "extremes") when it dropped the profile, or computed."""
    if "extremes" in pile:
        return pile["extremes"]
    head = pile["head"].get("local") or pile["head"]["global"]
    profile = pile.get("profile") or {}
    extremes = {
        "axial": _value(head, "Fx"),
        "lateral": math.hypot(_value(head, "Fy"), _value(head, "Fz")),
        "headMoment": math.hypot(_value(head, "My"), _value(head, "Mz")),
        "deflection": _largest(_resultant(profile["deflection"])) if profile else math.nan,
        "moment": _largest(_resultant(profile["moment"])) if profile else math.nan,
    }
    return extremes


def envelope_extremes(pile: dict[str, Any]) -> dict[str, float]:
    """The values that rank a pile group of an envelope: the largest and
    smallest axial force at the head (pile axes), the largest magnitude of
    each head force and moment component, and the largest magnitude of the
    deflection and moment along the pile in either plane."""
    if "extremes" in pile:
        return pile["extremes"]
    low = pile["head"]["min"].get("local") or pile["head"]["min"]["global"]
    high = pile["head"]["max"].get("local") or pile["head"]["max"]["global"]

    def size(key: str) -> float:
        return max(abs(_value(low, key)), abs(_value(high, key))) if key in low else math.nan

    profile = pile.get("profile") or {}

    def along(key: str) -> float:
        if not profile:
            return math.nan
        parts = [np.abs(np.asarray(profile[bound][key][plane], dtype=float))
                 for bound in ("min", "max") for plane in profile[bound][key]]
        return _largest(np.concatenate(parts)) if parts else math.nan

    extremes = {"axialMax": _value(high, "Fx"), "axialMin": _value(low, "Fx"),
                "Fy": size("Fy"), "Fz": size("Fz"), "My": size("My"), "Mz": size("Mz"),
                "deflection": along("deflection"), "moment": along("moment")}
    return extremes


def governing(piles: list[dict[str, Any]], named: Iterable[int] = (),
              envelope: bool = False) -> list[tuple[int, list[str]]]:
    """The pile groups whose profiles a model of many groups draws, each with
    why: largest compression, largest tension (when a group is in tension),
    largest lateral deflection, largest moment, then the groups named.
    A group that governs twice is listed once with both reasons."""
    if not piles:
        return []
    rank = envelope_extremes if envelope else pile_extremes
    table = [(p["group"], rank(p)) for p in piles]
    compression, tension = ("axialMax", "axialMin") if envelope else ("axial", "axial")

    def pick(key: str, sign: float) -> tuple[int, float] | None:
        best = None
        for group, e in table:
            v = sign * e[key]
            if math.isfinite(v) and (best is None or v > best[1]):
                best = (group, v)
        return best

    reasons: dict[int, list[str]] = {}
    for key, sign, why in ((compression, 1.0, "largest compression"),
                           (tension, -1.0, "largest tension"),
                           ("deflection", 1.0, "largest lateral deflection"),
                           ("moment", 1.0, "largest moment")):
        best = pick(key, sign)
        # no group in compression (or tension) governs as one
        if best is None or (key in (compression, tension) and best[1] <= 0.0):
            continue
        reasons.setdefault(best[0], []).append(why)
    for group in named:
        reasons.setdefault(group, []).append("named")
    return list(reasons.items())


def _compact_profile(profile: dict[str, Any]) -> dict[str, Any]:
    """The quantities the pictures draw as arrays; the rest is dropped."""
    if "min" in profile:  # an envelope's
        return {"depth": _floats(profile["depth"]),
                **{bound: {key: {plane: _floats(v) for plane, v in profile[bound][key].items()}
                           for key in DRAWN if key in profile[bound]}
                   for bound in ("min", "max")}}
    compact = {"depth": _floats(profile["depth"])}
    for key in DRAWN:
        compact[key] = {plane: _floats(v) for plane, v in profile[key].items()}
    if "mobilisation" in profile:
        compact["mobilisation"] = _floats(profile["mobilisation"])
    return compact


class Reduction:
    """What the reader keeps of each object of the file as it completes
    (json's object_hook): a pile's profile as arrays with its extremes, and
    of an analysis or envelope of many groups only the profiles drawn."""

    def __init__(self, named: Iterable[int] = ()) -> None:
        self.named = sorted(set(named))

    def __call__(self, obj: dict[str, Any]) -> dict[str, Any]:
        profile = obj.get("profile")
        if isinstance(profile, dict) and "group" in obj and "depth" in profile:
            obj["profile"] = _compact_profile(profile)
            obj["extremes"] = (envelope_extremes if "min" in profile else pile_extremes)(obj)
        elif "series" in obj and isinstance(obj.get("piles"), list):
            self.drop_undrawn(obj)
        return obj

    def drop_undrawn(self, obj: dict[str, Any]) -> None:
        piles = obj["piles"]
        if len(piles) <= FEW_GROUPS:
            return
        keep = {g for g, _ in governing(piles, (), envelope="cap" in obj)} | set(self.named)
        for pile in piles:
            if pile["group"] not in keep:
                pile["profile"] = None


def _build(events: Iterable[tuple[str, Any]], hook: Callable[[dict[str, Any]], Any],
           check: Callable[[str, Any], None]) -> Any:
    """The document of ijson's basic events, hook applied to every object as
    it completes (innermost first) and check to every top-level member."""
    stack: list[Any] = []
    keys: list[Any] = []
    root = None
    for event, value in events:
        if event == "map_key":
            keys[-1] = value
            continue
        if event == "start_map":
            stack.append({})
            keys.append(None)
            continue
        if event == "start_array":
            stack.append([])
            keys.append(None)
            continue
        if event == "end_map":
            keys.pop()
            value = hook(stack.pop())
        elif event == "end_array":
            keys.pop()
            value = stack.pop()
        if not stack:
            root = value
        elif keys[-1] is None:
            stack[-1].append(value)
        else:
            stack[-1][keys[-1]] = value
            if len(stack) == 1:
                check(keys[-1], value)
    return root


def _check(name: str) -> Callable[[str, Any], None]:
    def check(key: str, value: Any) -> None:
        if key == "format" and value != FORMAT:
            raise ResultsError(f"{name} is not a pylora results file (its format is {value!r})")
        if key == "formatVersion" and value not in VERSIONS:
            raise ResultsError(f"{name} has results format version {value}; pylora-plot "
                               f"reads versions {', '.join(map(str, VERSIONS))}")
    return check


def read_results(path: str, named: Iterable[int] = ()) -> dict[str, Any]:
    """The results file at path with the profiles the pictures do not draw
    left out (see Reduction); named are the pile groups the user asked for.
    Raises ResultsError, with a message of one line, for a file that cannot
    be read, is not complete JSON, or is not a results file of a version
    read here."""
    hook = Reduction(named)
    check = _check(path)
    try:
        with open(path, "rb") as f:
            if ijson is not None:
                doc = _build(ijson.basic_parse(f, use_float=True), hook, check)
            else:
                doc = json.load(f, object_hook=hook)
    except OSError as e:
        raise ResultsError(f"cannot read {path}: {e.strerror or e}") from None
    except (ValueError, *_JSON_ERRORS) as e:
        raise ResultsError(f"{path} is not complete JSON (truncated or damaged): "
                           f"{str(e).splitlines()[0] if str(e) else type(e).__name__}") from None
    except MemoryError:
        raise ResultsError(f"not enough memory to read {path}") from None
    if not isinstance(doc, dict):
        raise ResultsError(f"{path} is not a pylora results file (not a JSON object)")
    for key in ("format", "formatVersion"):
        if key not in doc:
            raise ResultsError(f"{path} is not a pylora results file (no {key!r})")
        check(key, doc[key])
    return doc
