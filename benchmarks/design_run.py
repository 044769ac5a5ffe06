# SPDX-License-Identifier: Apache-2.0
"""A large design run, timed whole: 2000 piles, 20 load cases, 100 combinations.

The foundation is that of cap_bench's largeCapLoadCase: a 50 x 40 grid of
vertical 0.6 m steel pipe piles, 15 m long in 100 increments, at 1.8 m (three
diameters), fixed into the cap, in three layers of soft clay, with the group
reduction factors computed from the layout. The 20 load cases share the
vertical load of the single case (600 kN a pile) and turn their horizontal
load (10 to 20 kN a pile) and moments round the compass; the 100 combinations
add two cases each with factors that keep the vertical load within a tenth of
a case's. Results are printed for the cap and the pile heads.

    benchmarks/design_run.py [--program PYLORA] [--threads 2] [--keep DIR]
                             [--cases 20] [--combinations 100]

Prints the model's size, the wall time of the run, the program's statistics
line and its exit code. The run is the command-line program's, files and all.
"""
from __future__ import annotations

import argparse
import json
import math
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import Any

ROOT = Path(__file__).resolve().parent.parent
ROWS, COLUMNS = 50, 40
SPACING = 1.8
PILE_LOAD = 600.0


def soft_clay(top: float, bottom: float, gamma: float, c_top: float, c_bottom: float,
              eps50: float) -> dict[str, Any]:
    """A soft clay layer whose strength grows linearly from top to bottom."""
    def boundary(x: float, c: float) -> dict[str, float]:
        return {"x": x, "effectiveUnitWeight": gamma, "undrainedShearStrength": c, "eps50": eps50,
                "unitSideFriction": 0.8 * c, "unitTipResistance": 9.0 * c}
    return {"type": "softClay", "top": boundary(top, c_top), "bottom": boundary(bottom, c_bottom)}


def load_case(i: int, count: int, piles: int) -> dict[str, Any]:
    """Case i of count: the horizontal load and the moments turned by 360 i / count degrees."""
    angle = 2.0 * math.pi * i / count
    horizontal = (10.0 + 10.0 * (i % 5) / 4.0) * piles
    moment = 50.0 * piles
    return {
        "name": f"Case {i + 1}",
        "print": "pileHeads",
        "loads": [{
            "Fx": PILE_LOAD * piles,
            "Fy": round(horizontal * math.cos(angle), 3),
            "Fz": round(horizontal * math.sin(angle), 3),
            "Mx": round(0.1 * moment * math.sin(2.0 * angle), 3),
            "My": round(0.05 * moment * math.sin(angle), 3),
            "Mz": round(-0.05 * moment * math.cos(angle), 3),
        }],
    }


def combination(j: int, cases: int) -> dict[str, Any]:
    """Combination j: two cases, a leading one and a companion, with factors
    that sum to between 1.0 and 1.1."""
    first = j % cases
    second = (first + 1 + j // cases) % cases
    if second == first:
        second = (first + 1) % cases
    lead = 0.6 + 0.05 * (j % 5)
    return {
        "name": f"Combination {j + 1}",
        "print": "pileHeads",
        "cases": [{"case": f"Case {first + 1}", "factor": round(lead, 3)},
                  {"case": f"Case {second + 1}", "factor": round(1.0 + 0.025 * (j % 4) - lead, 3)}],
    }


def model(cases: int, combinations: int) -> dict[str, Any]:
    """The model document of the design run."""
    piles = ROWS * COLUMNS
    groups = []
    for r in range(ROWS):
        for c in range(COLUMNS):
            groups.append({"head": {"y": round((r - (ROWS - 1) / 2.0) * SPACING, 4),
                                    "z": round((c - (COLUMNS - 1) / 2.0) * SPACING, 4)},
                           "connection": "fixed"})
    return {
        "pylora": 1,
        "title": f"Design run: {piles} piles, {cases} load cases, {combinations} combinations",
        "units": "metric",
        "analysis": "threeDimensional",
        "groupFactors": "fromLayout",
        "cap": {"length": ROWS * SPACING, "width": COLUMNS * SPACING, "thickness": 2.0},
        "loadCases": [load_case(i, cases, piles) for i in range(cases)],
        "combinations": [combination(j, cases) for j in range(combinations)],
        "pileGroups": groups,
        "pileProperties": [{
            "length": 15.0, "increments": 100, "youngsModulus": 2.0e8,
            "sections": [{"to": 15.0, "crossSection": "PIPE600x12"}],
        }],
        "crossSections": [{
            "name": "PIPE600x12", "shape": "circularPipe", "diameter": 0.6, "innerDiameter": 0.576,
            "shearModulus": 7.7e7, "area": 0.022167, "inertia": {"z": 0.00095842, "y": 0.00095842},
            "torsionalStiffness": 147600.0, "capacity": {"moment": 1431.6, "shear": 2294.3},
        }],
        "soilLayers": [soft_clay(0.0, 3.0, 8.0, 15.0, 20.0, 0.02),
                       soft_clay(3.0, 9.0, 8.5, 25.0, 35.0, 0.01),
                       soft_clay(9.0, 18.0, 9.0, 40.0, 55.0, 0.007)],
    }


def program(given: str | None) -> str:
    """The pylora program: the one given, else the release build's."""
    if given:
        return given
    candidate = ROOT / "build" / "release" / "cli" / "pylora"
    if not candidate.is_file():
        sys.exit("no build/release/cli/pylora: build it with "
                 "scripts/build build/release -DCMAKE_BUILD_TYPE=Release, or pass --program")
    return str(candidate)


def main() -> int:
    """Writes the model, runs it once and prints the figures."""
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program")
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--cases", type=int, default=20)
    parser.add_argument("--combinations", type=int, default=100)
    parser.add_argument("--keep", type=Path, help="run in this folder and keep its files")
    parser.add_argument("--stiffness-start", choices=("initial", "converged", "condensed"))
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="pylora-design-") as tmp:
        work = args.keep or Path(tmp)
        work.mkdir(parents=True, exist_ok=True)
        document = work / "design.json"
        document.write_text(json.dumps(model(args.cases, args.combinations)), encoding="utf-8")
        command = [program(args.program), str(document), "-o", str(work / "out"), "--quiet",
                   "--stats", "--threads", str(args.threads)]
        if args.stiffness_start:
            command += ["--stiffness-start", args.stiffness_start]
        begin = time.perf_counter()
        result = subprocess.run(command, capture_output=True, text=True)
        seconds = time.perf_counter() - begin
        stats = [line for line in (result.stdout + result.stderr).splitlines() if "global iterations" in line]
        print(f"{ROWS * COLUMNS} piles, {args.cases} load cases, {args.combinations} combinations, "
              f"{args.threads} threads: {seconds:.1f} s, exit code {result.returncode}")
        for line in stats:
            print(line.strip())
        if result.returncode != 0:
            print(result.stdout[-2000:] + result.stderr[-2000:])
        return result.returncode


if __name__ == "__main__":
    sys.exit(main())
