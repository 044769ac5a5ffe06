# SPDX-License-Identifier: Apache-2.0
"""The large foundation of the engine's benchmark (benchmarks/cap_bench.cpp,
largeFoundation(2000)) as a model document, for the tests of the web
application with many piles.

2000 vertical piles with fixed heads on a grid of 50 rows (along Y) by 40
columns (along Z) at three diameters (1.8 m), centred on the cap origin; one
pile property (0.6 m solid circular section, 15 m long in 100 increments,
EI = 2.5E7 kPa times I); three layers of soft clay (0-3 m, 3-9 m, 9-18 m);
reduction factors computed from the layout; one user load-settlement curve
and one user torque-rotation curve that every pile uses; one load case of
2000 times the load of one pile (600 kN down, 15 kN along Y, 7.5 kN along Z,
moments 100 kN m about X, 5 about Y and -10 about Z), applied in a single
increment, with the results printed along the piles at every node.

Where the document and the benchmark's store differ:

- the benchmark sets no cap size and no cross-section name; the document
  leaves the cap out and names the cross section;
- the benchmark fills the engine's store directly (its torsional stiffness
  GJ and shear modulus stay 0, as here); the document goes through the
  input reader, which computes what the reader always computes from the
  values given (the soil profile, the multipliers from the layout).
"""
from __future__ import annotations

import math
from typing import Any

DIAMETER = 0.6  # m
SPACING = 3.0 * DIAMETER  # m
ROWS = 50  # along Y
COLUMNS = 40  # along Z
PILES = ROWS * COLUMNS
LENGTH = 15.0  # m
INCREMENTS = 100
YOUNGS_MODULUS = 2.5e7  # kPa

#: The load of one pile: Fx (down), Fy, Fz in kN; Mx, My, Mz in kN m.
PILE_LOAD = {"Fx": 600.0, "Fy": 15.0, "Fz": 7.5, "Mx": 100.0, "My": 5.0, "Mz": -10.0}

#: Soft clay: top and bottom X (m), effective unit weight (kN/m3),
#: undrained shear strength (kPa), eps50; constant over each layer.
CLAY = ((0.0, 3.0, 8.0, 15.0, 0.02),
        (3.0, 9.0, 8.5, 25.0, 0.01),
        (9.0, 18.0, 9.0, 40.0, 0.007))

#: Load-settlement curve: (settlement m, axial load kN).
LOAD_SETTLEMENT = ((-0.05, -1500.0), (-0.0025, -750.0), (0.0, 0.0), (0.0025, 1500.0),
                   (0.0125, 3000.0), (0.1, 4500.0))
#: Torque-rotation curve: (rotation rad, torque kN m).
TORQUE_ROTATION = ((-1.0, -1.0e5), (1.0, 1.0e5))


def grid_heads(rows: int = ROWS, columns: int = COLUMNS) -> list[tuple[float, float]]:
    """The (y, z) of the pile heads, row by row, as the benchmark numbers
    them (pile group i * columns + j + 1 at row i, column j)."""
    return [((i - 0.5 * (rows - 1)) * SPACING, (j - 0.5 * (columns - 1)) * SPACING)
            for i in range(rows) for j in range(columns)]


def grid_model() -> dict[str, Any]:
    """The model document of the 2000-pile grid foundation."""
    area = math.pi * 0.25 * DIAMETER ** 2
    inertia = math.pi * DIAMETER ** 4 / 64.0

    def clay(top: float, bottom: float, gamma: float, c: float, eps50: float) -> dict[str, Any]:
        values = {"effectiveUnitWeight": gamma, "undrainedShearStrength": c, "eps50": eps50}
        return {"type": "softClay", "top": {"x": top, **values}, "bottom": {"x": bottom, **values}}

    return {
        "pylora": 1,
        "title": f"Grid of {PILES} piles, 0.6 m at 1.8 m, in soft clay",
        "units": "metric",
        "analysis": "threeDimensional",
        "groupFactors": "fromLayout",
        "loadCases": [{
            "name": "Per-pile load times 2000",
            "iterations": {"cap": 100, "pile": 100},
            "tolerances": {"reaction": 1.0e-3, "deflection": 1.0e-6},
            "increments": {"factor": 1.0, "minimum": 0.01},
            "print": "alongPiles",
            "nodeStep": 1,
            "loads": [{key: value * PILES for key, value in PILE_LOAD.items()}],
        }],
        "pileGroups": [{
            "connection": "fixed",
            "pileProperty": 1,
            "loadSettlementCurve": {"userCurve": 1},
            "torqueRotationCurve": {"userCurve": 1},
            "head": {"y": y, "z": z},
        } for y, z in grid_heads()],
        "pileProperties": [{
            "length": LENGTH,
            "increments": INCREMENTS,
            "youngsModulus": YOUNGS_MODULUS,
            "sections": [{"to": LENGTH, "crossSection": 1}],
        }],
        "crossSections": [{
            "name": "Solid 0.6 m",
            "shape": "general",
            "diameter": DIAMETER,
            "area": area,
            "inertia": {"z": inertia, "y": inertia},
        }],
        "soilLayers": [clay(*layer) for layer in CLAY],
        "userLoadSettlementCurves": [{"number": 1, "points": [[load, s] for s, load in LOAD_SETTLEMENT]}],
        "userTorqueRotationCurves": [{"number": 1, "points": [[t, r] for r, t in TORQUE_ROTATION]}],
    }


if __name__ == "__main__":
    import json
    import sys

    json.dump(grid_model(), sys.stdout, indent=1)
