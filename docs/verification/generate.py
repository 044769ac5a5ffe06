# SPDX-License-Identifier: Apache-2.0
"""Runs the engine on the verification models and writes one page per comparison.

Every page holds the model, the independent reference, a table and a plot of
the computed values against the reference, so that the verification report is
always of the code that was built. Usage: generate.py OUTPUT_FOLDER; the engine
is PYLORA_PROGRAM, or the first of build/*/cli/pylora.
"""
from __future__ import annotations

import json
import math
import os
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Callable

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]

# The elastic pile of the closed-form comparisons: EI = 1e6 kN m2 on soil of
# modulus k = 250000 kN/m2, lambda = (k / 4 EI)^(1/4) = 0.5 /m; at 30 m long
# (lambda L = 15) it is a semi-infinite beam to within exp(-15).
EI = 2.0e8 * 0.005
K_SOIL = 250000.0
LAMBDA = (K_SOIL / (4.0 * EI)) ** 0.25
LENGTH = 30.0


def program() -> str:
    """The pylora program to run."""
    given = os.environ.get("PYLORA_PROGRAM")
    if given:
        return given
    for folder in ("release", "test", "debug", "."):
        candidate = ROOT / "build" / folder / "cli" / "pylora"
        if candidate.is_file():
            return str(candidate)
    found = sorted((ROOT / "build").glob("*/cli/pylora"))
    if found:
        return str(found[0])
    raise SystemExit("no pylora program: build it (scripts/build build/release) or set PYLORA_PROGRAM")


def run(model: dict[str, Any], work: Path, name: str) -> dict[str, Any]:
    """Runs model and returns its results file."""
    path = work / f"{name}.json"
    path.write_text(json.dumps(model, indent=1), encoding="utf-8")
    out = work / name
    result = subprocess.run([program(), str(path), "-o", str(out), "-q", "-q"], capture_output=True, text=True)
    results = out / f"{name}.results.json"
    if result.returncode != 0 or not results.is_file():
        raise SystemExit(f"model {name} did not run (code {result.returncode}):\n{result.stdout}{result.stderr}")
    return json.loads(results.read_text(encoding="utf-8"))


def elastic_pile_model(loads: list[dict[str, float]], increments: int = 100, groups: list[dict[str, Any]] | None = None,
                       axial_stiffness: float = 1.0e6) -> dict[str, Any]:
    """A model of piles on linear p-y curves p = k y and a linear load-settlement curve."""
    pile = {"connection": "fixed", "piles": 1, "userPySet": 1, "loadSettlementCurve": {"userCurve": 1}}
    line = [[0.0, 0.0], [K_SOIL * 1.0, 1.0]]
    return {
        "pylora": 1, "title": "Elastic pile", "units": "metric", "analysis": "twoDimensional",
        "loadCases": [{"name": "load", "loads": loads, "tolerances": {"reaction": 1e-6, "deflection": 1e-9}}],
        "pileGroups": [dict(pile, **g) for g in (groups or [{}])],
        "pileProperties": [{"length": LENGTH, "increments": increments, "youngsModulus": 2.0e8,
                            "sections": [{"to": LENGTH, "crossSection": "P"}]}],
        "crossSections": [{"name": "P", "shape": "general", "diameter": 0.6, "area": 0.2827,
                           "inertia": {"z": 0.005, "y": 0.005}}],
        "userPyCurves": [{"curves": [{"x": 0.0, "points": line}, {"x": LENGTH, "points": line}]}],
        "userLoadSettlementCurves": [{"points": [[-axial_stiffness * 0.1, -0.1], [0.0, 0.0], [axial_stiffness * 0.1, 0.1]]}],
        "soilLayers": [{"type": "userCurves", "top": {"x": 0.0}, "bottom": {"x": LENGTH}}],
    }


@dataclass
class Comparison:
    """One comparison: what is checked, against what, and the numbers."""

    slug: str
    title: str
    model: str
    reference: str
    source: str
    columns: tuple[str, str, str]
    rows: list[tuple[float, float, float]] = field(default_factory=list)
    tolerance: str = ""
    xlabel: str = ""
    ylabel: str = ""
    plot: str = "profile"  # profile: value against depth, downward; curve: y against x; loglog


def fmt(value: float) -> str:
    """A number for a table."""
    return f"{value:.6g}"


def write_page(c: Comparison, out: Path, number: int) -> None:
    """Writes the page of one comparison and its plot."""
    figure = out / f"{c.slug}.png"
    xs = [r[0] for r in c.rows]
    computed = [r[1] for r in c.rows]
    reference = [r[2] for r in c.rows]
    fig, ax = plt.subplots(figsize=(6.0, 4.2), dpi=100)
    if c.plot == "profile":
        ax.plot(reference, xs, "-", color="0.4", label="reference")
        ax.plot(computed, xs, "o", markersize=3, label="pylora")
        ax.invert_yaxis()
        ax.set_xlabel(c.ylabel)
        ax.set_ylabel(c.xlabel)
    else:
        ax.plot(xs, reference, "-", color="0.4", label="reference")
        ax.plot(xs, computed, "o", markersize=3, label="pylora")
        if c.plot == "loglog":
            ax.set_xscale("log")
            ax.set_yscale("log")
        ax.set_xlabel(c.xlabel)
        ax.set_ylabel(c.ylabel)
    ax.grid(True, color="0.9")
    ax.legend()
    ax.set_title(c.title, fontsize=10)
    fig.tight_layout()
    fig.savefig(figure)
    plt.close(fig)

    worst = max((abs(a - b) for _x, a, b in c.rows), default=0.0)
    scale = max((abs(b) for _x, _a, b in c.rows), default=1.0) or 1.0
    step = max(1, len(c.rows) // 15)
    table = [f"| {c.columns[0]} | {c.columns[1]} | {c.columns[2]} | difference |", "|---:|---:|---:|---:|"]
    for x, a, b in c.rows[::step]:
        table.append(f"| {fmt(x)} | {fmt(a)} | {fmt(b)} | {fmt(a - b)} |")
    text = [
        "% SPDX-License-Identifier: Apache-2.0",
        "% Written by docs/verification/generate.py when the manual is built.",
        "",
        f"# V{number}. {c.title}",
        "",
        f"**Model.** {c.model}",
        "",
        f"**Reference.** {c.reference}",
        "",
        f"**Source.** {c.source}",
        "",
        f"**Result.** The largest difference is {fmt(worst)}, {100.0 * worst / scale:.3g} % of the largest "
        f"reference value. {c.tolerance}",
        "",
        f"![{c.title}]({figure.name})",
        "",
        *table,
        "",
    ]
    (out / f"v{number:02d}-{c.slug}.md").write_text("\n".join(text), encoding="utf-8")


def profile(results: dict[str, Any], key: str, group: int = 0) -> tuple[list[float], list[float]]:
    """Depths and the values of key in the X-Y plane of pile group group of the first analysis."""
    p = results["analyses"][0]["piles"][group]["profile"]
    return p["depth"], p[key]["xy"]


HETENYI = ("M. Hetényi, *Beams on Elastic Foundation*, University of Michigan Press, 1946: "
           "the semi-infinite beam loaded at its end.")


def elastic_pile(work: Path) -> list[Comparison]:
    """Closed forms of the semi-infinite beam on an elastic foundation."""
    lam, k = LAMBDA, K_SOIL
    about = (f"One vertical pile, 30 m long, EI = {EI:g} kN m², 100 increments, on linear p-y curves "
             f"p = k y with k = {k:g} kN/m², so λ = (k / 4EI)^(1/4) = {lam:g} /m and λL = {lam * LENGTH:g}; "
             "fixed to a cap that is otherwise free, so that the cap carries the head load to the pile.")
    out = []
    H = 100.0
    res = run(elastic_pile_model([{"Fy": H}]), work, "free-force")
    depth, y = profile(res, "deflection")
    out.append(Comparison(
        "free-head-force-deflection", "Free head, lateral force: deflection", about + f" A force H = {H:g} kN at the head.",
        r"$y(x) = \dfrac{2H\lambda}{k} e^{-\lambda x}\cos\lambda x$.", HETENYI, ("depth (m)", "pylora y (m)", "reference y (m)"),
        [(x, v, 2 * H * lam / k * math.exp(-lam * x) * math.cos(lam * x)) for x, v in zip(depth, y)],
        "The difference is that of the central differences, about (λh)² / 4 with λh = 0.15 (see the convergence page).",
        "depth (m)", "deflection (m)"))
    _, m = profile(res, "moment")
    out.append(Comparison(
        "free-head-force-moment", "Free head, lateral force: bending moment", about + f" A force H = {H:g} kN at the head.",
        r"$M(x) = \dfrac{H}{\lambda} e^{-\lambda x}\sin\lambda x$ (the report's sign).", HETENYI,
        ("depth (m)", "pylora M (kN m)", "reference M (kN m)"),
        [(x, v, H / lam * math.exp(-lam * x) * math.sin(lam * x)) for x, v in zip(depth, m)],
        "", "depth (m)", "bending moment (kN m)"))
    M0 = 100.0
    res = run(elastic_pile_model([{"Mz": M0}]), work, "free-moment")
    depth, y = profile(res, "deflection")
    _, slope = profile(res, "slope")
    sign = 1.0
    ref = [2 * M0 * lam * lam / k * math.exp(-lam * x) * (math.cos(lam * x) - math.sin(lam * x)) for x in depth]
    if y[0] * ref[0] < 0:  # the cap's moment Mz turns the head the other way round than the beam's M
        ref = [-v for v in ref]
        sign = -1.0
    out.append(Comparison(
        "free-head-moment-deflection", "Free head, moment: deflection", about + f" A moment M = {M0:g} kN m on the cap.",
        r"$y(x) = \dfrac{2M\lambda^2}{k} e^{-\lambda x}(\cos\lambda x - \sin\lambda x)$, with the sign of the cap's Mz"
        + (" (a positive Mz is a negative beam moment)." if sign < 0 else "."), HETENYI,
        ("depth (m)", "pylora y (m)", "reference y (m)"),
        [(x, v, r) for x, v, r in zip(depth, y, ref)], "", "depth (m)", "deflection (m)"))
    # A fixed head: the moment H / (2 lambda) on the cap holds its rotation at zero.
    Mfix = -sign * H / (2 * lam)
    res = run(elastic_pile_model([{"Fy": H, "Mz": Mfix}]), work, "fixed-force")
    depth, y = profile(res, "deflection")
    out.append(Comparison(
        "fixed-head-force-deflection", "Fixed head, lateral force: deflection",
        about + f" A force H = {H:g} kN and the moment H/(2λ) = {abs(Mfix):g} kN m that holds the head's "
        "rotation at zero (the fixed head).",
        r"$y(x) = \dfrac{H\lambda}{k} e^{-\lambda x}(\cos\lambda x + \sin\lambda x)$, with zero head rotation.", HETENYI,
        ("depth (m)", "pylora y (m)", "reference y (m)"),
        [(x, v, H * lam / k * math.exp(-lam * x) * (math.cos(lam * x) + math.sin(lam * x))) for x, v in zip(depth, y)],
        f"The head rotates by {res['analyses'][0]['capDisplacement']['tz']:.3g} rad (zero in the reference).",
        "depth (m)", "deflection (m)"))
    # Convergence of the head deflection with the number of increments.
    rows = []
    for n in (25, 50, 75, 100):
        r = run(elastic_pile_model([{"Fy": H}], increments=n), work, f"free-force-{n}")
        y0 = r["analyses"][0]["capDisplacement"]["uy"]
        exact = 2 * H * lam / k
        h = LENGTH / n
        rows.append((lam * h, abs(y0 - exact) / exact, (lam * h) ** 2 / 4.0))
    out.append(Comparison(
        "difference-convergence", "Free head: convergence of the head deflection",
        about.replace("100 increments", "25 to 100 increments") + f" A force H = {H:g} kN at the head.",
        r"The relative error of the head deflection against $2H\lambda/k$ should fall as $h^2$; the third column "
        r"is the second-order line $(\lambda h)^2 / 4$ that the error should follow as $h$ falls.", HETENYI,
        ("λh", "relative error", "(λh)²/4"), rows,
        "Below λh = 0.4 the error lies on the line: it falls as the square of the spacing.",
        "λh", "relative error of the head deflection", plot="loglog"))
    return out


def group_stiffness(work: Path) -> list[Comparison]:
    """Two pinned vertical piles: the cap's movements by the stiffness method."""
    ka = 1.0e6
    s = 2.0
    lam, k = LAMBDA, K_SOIL
    kl = k / (2 * lam)  # lateral head stiffness of a pinned (free-head) semi-infinite pile
    rows = []
    loads = [{"Fx": 1000.0}, {"Fy": 100.0}, {"Mz": 500.0}, {"Fx": 800.0, "Fy": 50.0, "Mz": -300.0}]
    for i, load in enumerate(loads):
        model = elastic_pile_model([load], groups=[{"head": {"y": -s}, "connection": "pinned"}, {"head": {"y": s}, "connection": "pinned"}], axial_stiffness=ka)
        res = run(model, work, f"group-{i}")
        d = res["analyses"][0]["capDisplacement"]
        fx, fy, mz = load.get("Fx", 0.0), load.get("Fy", 0.0), load.get("Mz", 0.0)
        rows.append((i + 1, d["ux"], fx / (2 * ka)))
        rows.append((i + 1 + 0.25, d["uy"], fy / (2 * kl)))
        rows.append((i + 1 + 0.5, abs(d["tz"]), abs(mz) / (2 * ka * s * s)))
    return [Comparison(
        "group-stiffness-method", "Two pinned piles: cap movements by the stiffness method",
        f"Two vertical piles as in V1, pinned, at y = ±{s:g} m, each with the linear load-settlement curve "
        f"K = {ka:g} kN/m; four load cases: Fx = 1000 kN; Fy = 100 kN; Mz = 500 kN m; Fx = 800, Fy = 50, Mz = -300. "
        "The first column is the load case, .0 for ux, .25 for uy, .5 for |tz|.",
        r"The cap's stiffness is the sum of the piles' head stiffnesses carried to the cap origin: "
        r"$u_x = F_x / 2K$, $u_y = F_y / 2k_h$ with the pinned head's lateral stiffness $k_h = k / 2\lambda$, "
        r"$\theta_z = M_z / (2 K s^2)$ (a pinned head carries no moment).",
        "The stiffness method for pile groups with linear piles; " + HETENYI,
        ("case.component", "pylora", "reference"), rows,
        "The lateral terms differ by the finite-difference error of V1.", "case.component", "displacement", plot="curve")]


# --- The p-y criteria against their published formulas ----------------------

B = 0.6      # pile diameter (m)
X_CURVE = 3.0  # depth of the printed curve (m): x / b = 5


def criterion_model(layer_type: str, props: dict[str, float], deflections: list[float]) -> dict[str, Any]:
    """One pile in one layer of the criterion, with the curve at X_CURVE printed."""
    model = elastic_pile_model([{"Fy": 1.0}])
    model["pileGroups"][0].pop("userPySet")
    model.pop("userPyCurves")
    model["crossSections"][0]["diameter"] = B
    boundary = dict(props)
    model["soilLayers"] = [{"type": layer_type, "top": dict(boundary, x=0.0), "bottom": dict(boundary, x=40.0)}]
    model["printPyCurves"] = [{"pileGroup": 1, "x": X_CURVE, "deflections": deflections}]
    return model


def printed_curve(results: dict[str, Any]) -> tuple[list[float], list[float]]:
    """The deflections and resistances of the first printed p-y curve."""
    curve = results["pyCurves"][0]
    return curve["y"], curve["p"]


def geometric(first: float, last: float, count: int = 30) -> list[float]:
    """count deflections from first to last in geometric progression."""
    return [first * (last / first) ** (i / (count - 1)) for i in range(count)]


SOURCES = {
    "softClay": "H. Matlock (1970), Correlations for design of laterally loaded piles in soft clay, "
                "Proceedings of the Second Offshore Technology Conference, paper OTC 1204.",
    "stiffClayAbove": "R. C. Welch and L. C. Reese (1972), Laterally Loaded Behavior of Drilled Shafts, "
                      "Research Report 3-5-65-89, Center for Highway Research, The University of Texas at Austin.",
    "stiffClayBelow": "L. C. Reese, W. R. Cox and F. D. Koop (1975), Field testing and analysis of laterally loaded "
                      "piles in stiff clay, Proceedings of the Seventh Offshore Technology Conference, paper OTC 2312.",
    "sand": "L. C. Reese, W. R. Cox and F. D. Koop (1974), Analysis of laterally loaded piles in sand, "
            "Proceedings of the Sixth Offshore Technology Conference, paper OTC 2080.",
    "apiSand": "M. W. O'Neill and J. M. Murchison (1983), An Evaluation of p-y Relationships in Sands, "
               "report PRAC 82-41-1, University of Houston.",
    "weakRock": "L. C. Reese (1997), Analysis of laterally loaded piles in weak rock, Journal of Geotechnical "
                "and Geoenvironmental Engineering, ASCE, 123(11), 1010-1017.",
    "vuggy": "L. C. Reese and K. J. Nyman (1978), Field Load Tests of Instrumented Drilled Shafts at Islamorada, "
             "Florida, report, The University of Texas at Austin.",
    "liquefied": "K. M. Rollins, T. M. Gerber, J. D. Lane and S. A. Ashford (2005), Lateral resistance of a "
                 "full-scale pile group in liquefied sand, Journal of Geotechnical and Geoenvironmental "
                 "Engineering, ASCE, 131(1), 115-125.",
}


def wedge(phi_deg: float) -> tuple[float, float, float, float, float]:
    """alpha, beta, Ka, K0, phi in radians of the wedge of friction angle phi."""
    phi = math.radians(phi_deg)
    alpha = phi / 2.0
    beta = math.pi / 4.0 + phi / 2.0
    ka = math.tan(math.pi / 4.0 - phi / 2.0) ** 2
    return alpha, beta, ka, 0.4, phi


def criteria(work: Path) -> list[Comparison]:
    """Each criterion's printed curve against its published formula, evaluated here."""
    out = []
    x, b = X_CURVE, B
    about = (f"One pile of diameter b = {b:g} m in a single layer of the criterion, from the ground down; "
             f"the engine's printed p-y curve at x = {x:g} m (x / b = {x / b:g}), static loading.")

    def add(slug: str, title: str, layer: str, props: dict[str, float], ys: list[float],
            formula: str, source: str, reference: Callable[[float], float], note: str = "") -> None:
        res = run(criterion_model(layer, props, ys), work, slug)
        y, p = printed_curve(res)
        text = ", ".join(f"{k} = {v:g}" for k, v in props.items())
        out.append(Comparison(slug, title, f"{about} Layer: {text} (kN, m).", formula, source,
                              ("y (m)", "pylora p (kN/m)", "reference p (kN/m)"),
                              [(yy, pp, reference(yy)) for yy, pp in zip(y, p)],
                              note or "The curve agrees with the formula to round-off.",
                              "deflection y (m)", "soil resistance p (kN/m)", plot="curve"))

    # Soft clay.
    c, g, e50 = 20.0, 8.0, 0.02
    pu = min(3.0 + g * x / c + 0.5 * x / b, 9.0) * c * b
    y50 = 2.5 * e50 * b
    add("py-soft-clay", "Soft clay: p-y curve", "softClay",
        {"effectiveUnitWeight": g, "undrainedShearStrength": c, "eps50": e50}, geometric(1e-4, 0.5),
        r"$p_u = \min(3 + \gamma' x/c + 0.5x/b,\ 9)\,c b$, $y_{50} = 2.5\varepsilon_{50} b$, "
        r"$p = 0.5 p_u (y/y_{50})^{1/3}$ up to $8y_{50}$, $p_u$ beyond.", SOURCES["softClay"],
        lambda y: pu if y > 8 * y50 else 0.5 * pu * (y / y50) ** (1 / 3))

    # Stiff clay above the water table, and with the initial modulus.
    c, g, e50, k = 100.0, 10.0, 0.005, 135000.0
    pu2 = min(3 * c * b + g * b * x + 0.5 * c * x, 9 * c * b)
    y50b = 2.5 * e50 * b
    def welch(y: float) -> float:
        return pu2 if y > 16 * y50b else 0.5 * pu2 * (y / y50b) ** 0.25
    add("py-stiff-clay-above-water", "Stiff clay above the water table: p-y curve", "stiffClayAboveWaterTable",
        {"effectiveUnitWeight": g, "undrainedShearStrength": c, "eps50": e50}, geometric(1e-5, 0.5),
        r"$p_u = \min(3cb + \gamma' b x + 0.5cx,\ 9cb)$, $y_{50} = 2.5\varepsilon_{50} b$, "
        r"$p = 0.5 p_u (y/y_{50})^{1/4}$ up to $16 y_{50}$.", SOURCES["stiffClayAbove"], welch)
    add("py-stiff-clay-initial-k", "Stiff clay with an initial modulus: p-y curve", "stiffClayWithInitialK",
        {"effectiveUnitWeight": g, "undrainedShearStrength": c, "eps50": e50, "subgradeModulus": k},
        geometric(1e-6, 0.5),
        r"The curve of stiff clay above the water table, bounded by the initial line $p = k x\,y$.",
        SOURCES["stiffClayAbove"], lambda y: min(welch(y), k * x * y))

    # Stiff clay below the water table, static.
    c, g, e50, k = 100.0, 10.0, 0.005, 270000.0
    pc = min(2 * c * b + g * b * x + 2.83 * c * x, 11 * c * b)
    y50c = e50 * b
    As = 0.6  # x / b = 5
    def below(y: float) -> float:
        a = As * y50c
        if y <= a:
            p = 0.5 * pc * math.sqrt(y / y50c)
        elif y <= 6 * a:
            p = 0.5 * pc * math.sqrt(y / y50c) - 0.055 * pc * ((y - a) / a) ** 1.25
        elif y <= 18 * a:
            p = 0.5 * pc * math.sqrt(6 * As) - 0.411 * pc - 0.0625 / y50c * pc * (y - 6 * a)
        else:
            p = 0.5 * pc * math.sqrt(6 * As) - 0.411 * pc - 0.75 * As * pc
        return min(p, k * x * y)
    add("py-stiff-clay-below-water", "Stiff clay below the water table: p-y curve (static)",
        "stiffClayBelowWaterTable",
        {"effectiveUnitWeight": g, "undrainedShearStrength": c, "eps50": e50, "subgradeModulus": k},
        geometric(1e-5, 0.1),
        r"$p_c = \min(2c_a b + \gamma' b x + 2.83 c_a x,\ 11cb)$, $A_s = 0.6$ at $x/b = 5$, the four static "
        r"branches, bounded by $k x\,y$.", SOURCES["stiffClayBelow"], below)

    # Sand.
    phi_deg, g, k = 35.0, 10.0, 16300.0
    alpha, beta, ka, k0, phi = wedge(phi_deg)
    tb, ta, tp = math.tan(beta), math.tan(alpha), math.tan(phi)
    pst = g * x * (k0 * x * tp * math.sin(beta) / (math.tan(beta - phi) * math.cos(alpha))
                   + tb / math.tan(beta - phi) * (b + x * tb * ta)
                   + k0 * x * tb * (tp * math.sin(beta) - ta) - ka * b)
    psd = ka * b * g * x * (tb ** 8 - 1) + k0 * b * g * x * tp * tb ** 4
    ps = min(pst, psd)
    pu_s, pm_s = 0.88 * ps, 0.5 * ps  # A and B at x / b = 5
    ym, yu = b / 60, 3 * b / 80
    m = (pu_s - pm_s) / (yu - ym)
    n = pm_s / (m * ym)
    C = pm_s / ym ** (1 / n)
    def sand(y: float) -> float:
        if y >= yu:
            p = pu_s
        elif y >= ym:
            p = pm_s + m * (y - ym)
        else:
            p = C * y ** (1 / n)
        return min(p, k * x * y)
    add("py-sand", "Sand: p-y curve (static)", "sand",
        {"effectiveUnitWeight": g, "frictionAngle": phi_deg, "subgradeModulus": k}, geometric(1e-5, 0.1),
        r"$p_s = \min(p_{st}, p_{sd})$ of the wedge and flow models, $p_u = \bar A p_s$ at $3b/80$, "
        r"$p_m = \bar B p_s$ at $b/60$ ($\bar A = 0.88$, $\bar B = 0.5$ at $x/b = 5$), the parabola "
        r"$C y^{1/n}$ and the line $k x\,y$.", SOURCES["sand"], sand)

    # Silt: the sand's frictional part and the soft clay's cohesive part.
    c_s, phi_s = 10.0, 30.0
    al, be, ka_s, k0_s, ph = wedge(phi_s)
    tb_s, ta_s, tp_s = math.tan(be), math.tan(al), math.tan(ph)
    pst_s = g * x * (k0_s * x * tp_s * math.sin(be) / (math.tan(be - ph) * math.cos(al))
                     + tb_s / math.tan(be - ph) * (b + x * tb_s * ta_s)
                     + k0_s * x * tb_s * (tp_s * math.sin(be) - ta_s) - ka_s * b)
    psd_s = ka_s * b * g * x * (tb_s ** 8 - 1) + k0_s * b * g * x * tp_s * tb_s ** 4
    pphi = max(min(pst_s, psd_s), 0.0)
    pcoh = min(g * x / c_s + 3.0 + 0.5 * x / b, 9.0) * c_s * b
    pu_t, pm_t = 0.88 * pphi + pcoh, 1.5 * (pphi + pcoh)
    m_t = (pu_t - pm_t) / (yu - ym)
    n_t = pm_t / (m_t * ym)
    C_t = pm_t / ym ** (1 / n_t)
    def silt(y: float) -> float:
        if y >= yu:
            p = pu_t
        elif y >= ym:
            p = pm_t + m_t * (y - ym)
        else:
            p = C_t * y ** (1 / n_t)
        return min(p, k * x * y)
    add("py-silt", "Silt (cohesion and friction): p-y curve (static)", "silt",
        {"effectiveUnitWeight": g, "frictionAngle": phi_s, "undrainedShearStrength": c_s, "subgradeModulus": k},
        geometric(1e-5, 0.1),
        r"$p_u = \bar A p_\varphi + p_c$ at $3b/80$, $p_m = 1.5(p_\varphi + p_c)$ at $b/60$, with $p_\varphi$ of the "
        r"sand criterion and $p_c = \min(3 + \gamma' x/c + 0.5x/b, 9)\,cb$; the branches of the sand criterion.",
        "L. C. Reese and W. F. Van Impe (2001), Single Piles and Pile Groups Under Lateral Loading, A. A. Balkema, "
        "Rotterdam.", silt)

    # API sand.
    kp = tb ** 2
    c1 = tb ** 2 * ta / math.tan(beta - phi) + k0 * (tp * math.sin(beta) / (math.cos(alpha) * math.tan(beta - phi))
                                                    + tb * (tp * math.sin(beta) - ta))
    c2 = tb / math.tan(beta - phi) - ka
    c3 = ka * (tb ** 8 - 1) + k0 * tp * tb ** 4
    pu_api = min((c1 * x + c2 * b) * g * x, c3 * b * g * x)
    A = max(3 - 0.8 * x / b, 0.9)
    add("py-api-sand", "API sand: p-y curve (static)", "apiSand",
        {"effectiveUnitWeight": g, "frictionAngle": phi_deg, "subgradeModulus": k}, geometric(1e-5, 0.1),
        r"$C_1, C_2, C_3$ of the friction angle, $p_u = \min((C_1 x + C_2 b)\gamma' x,\ C_3 b \gamma' x)$, "
        r"$p = A p_u \tanh(k x y / A p_u)$, $A = \max(3 - 0.8x/b, 0.9)$.", SOURCES["apiSand"],
        lambda y: A * pu_api * math.tanh(k * x * y / (A * pu_api)))
    del kp

    # Weak rock.
    qu, er, krm, rqd = 3000.0, 500000.0, 0.0005, 50.0
    alpha_r = 1 - rqd / 150
    pur = 5.2 * alpha_r * qu * b if x > 3 * b else alpha_r * qu * b * (1 + 1.4 * x / b)
    mir = (500.0 if x > 3 * b else 100 + 400 * x / (3 * b)) * er
    yrm = krm * b
    ya = (pur / (2 * yrm ** 0.25 * mir)) ** (4 / 3)
    def rock(y: float) -> float:
        p = mir * y if y <= ya else 0.5 * pur * (y / yrm) ** 0.25
        return min(p, pur)
    add("py-weak-rock", "Weak rock: p-y curve", "weakRock",
        {"compressiveStrength": qu, "rockModulus": er, "krm": krm, "rqd": rqd}, geometric(1e-6, 0.05),
        r"$p_{ur} = 5.2\,\alpha_r q_{ur} b$ below $3b$ ($\alpha_r = 1 - \mathrm{RQD}/150$), $M_{ir} = 500 E_{ir}$, "
        r"$y_{rm} = k_{rm} b$, the line $M_{ir} y$ to $y_A$, then $\tfrac12 p_{ur}(y/y_{rm})^{1/4}$ up to $p_{ur}$; "
        r"$q_{ur}$ the compressive strength given for the layer.", SOURCES["weakRock"], rock,
        "The engine keeps the initial line $M_{ir} y$ up to the small-deflection threshold of rock, "
        f"$2 \\times 10^{{-5}} b$ = {2e-5 * b:g} m, which lies beyond $y_A$ = {ya:.3g} m here: between the two "
        "its curve lies above the published one (the differences in the table). From the threshold on it "
        "agrees to round-off.")

    # Vuggy limestone.
    qu_v = 10000.0
    su = qu_v / 2.0  # the criterion works with su = qu / 2
    y1 = 0.0004 * b
    y2 = y1 + (su * b - 2000 * su * y1) / (100 * su)
    def vuggy(y: float) -> float:
        if y < y1:
            return 2000 * su * y
        if y < y2:
            return 2000 * su * y1 + 100 * su * (y - y1)
        return su * b
    add("py-vuggy-limestone", "Vuggy limestone: p-y curve", "vuggyLimestone",
        {"compressiveStrength": qu_v}, geometric(1e-5, 0.05),
        r"$s_u = q_u/2$ of the compressive strength $q_u$ given; $p = 2000 s_u y$ to $y_1 = 0.0004b$, "
        r"then slope $100 s_u$ up to $p_u = s_u b$.",
        SOURCES["vuggy"], vuggy)

    # Liquefied sand.
    z1 = x + 1.0
    a_, b_, c_ = 3e-7 * z1 ** 6.05, 2.80 * z1 ** 0.11, 2.85 * z1 ** -0.41
    pd = max(3.81 * math.log(b) + 5.6, 0.0)
    def liquefied(y: float) -> float:
        mm = min(y * 1000.0, 150.0)
        return min(pd * a_ * (b_ * mm) ** c_, 15.0)
    add("py-liquefied-sand", "Liquefied sand: p-y curve", "liquefiedSand", {}, geometric(1e-3, 0.2),
        r"$p = P_d A (B y)^C$ in kN/m and mm, $A = 3\times10^{-7}(z+1)^{6.05}$, $B = 2.80(z+1)^{0.11}$, "
        r"$C = 2.85(z+1)^{-0.41}$, $P_d = 3.81\ln b + 5.6$, at most 15 kN/m, constant beyond 150 mm.",
        SOURCES["liquefied"], liquefied)
    return out


def distributed_and_plate(work: Path) -> list[Comparison]:
    """A uniform load on a pile held at its head, and the plate's rigid-cap limit."""
    out = []
    lam, k = LAMBDA, K_SOIL
    w = 10.0
    held = 10000
    model = elastic_pile_model([{"Fx": 1.0}], groups=[{}, {"head": {"y": 5.0}, "piles": held}])
    model["loadCases"][0]["distributedLoads"] = [{"piles": {"first": 1, "last": 1}, "y": {"set": 1}}]
    model["distributedLoadSets"] = [{"points": [[0.0, w], [LENGTH, w]]}]
    res = run(model, work, "distributed")
    depth, y = profile(res, "deflection")
    out.append(Comparison(
        "fixed-head-uniform-load", "Fixed head, uniform distributed load: deflection",
        f"The elastic pile of V1 with a uniform load w = {w:g} kN/m along its whole length, fixed to a cap "
        f"that a second pile group of {held} unloaded piles holds still (it moves by "
        f"{abs(res['analyses'][0]['capDisplacement']['uy']):.2g} m).",
        r"$y(x) = \dfrac{w}{k}\left(1 - e^{-\lambda x}(\cos\lambda x + \sin\lambda x)\right)$, the semi-infinite "
        r"beam with its end held against deflection and rotation; head force $-w/\lambda$.", HETENYI,
        ("depth (m)", "pylora y (m)", "reference y (m)"),
        [(x, v, w / k * (1 - math.exp(-lam * x) * (math.cos(lam * x) + math.sin(lam * x)))) for x, v in zip(depth, y)],
        "", "depth (m)", "deflection (m)"))

    # The flexible cap of examples/flexcap with a plate far stiffer than its piles against the rigid cap.
    import yaml  # Debian's python3-yaml

    base = yaml.safe_load((ROOT / "examples" / "flexcap" / "model.yaml").read_text(encoding="utf-8"))
    base["loadCases"] = base["loadCases"][:1]
    base.pop("combinations", None)
    base.pop("envelopes", None)
    stiff = json.loads(json.dumps(base))
    stiff["cap"]["flexible"]["youngsModulus"] = 3.0e11
    rigid = json.loads(json.dumps(base))
    rigid["cap"].pop("flexible")
    fs = run(stiff, work, "plate-stiff")["analyses"][0]["piles"]
    fr = run(rigid, work, "plate-rigid")["analyses"][0]["piles"]
    rows = []
    for g, (a, r) in enumerate(zip(fs, fr), start=1):
        rows.append((g, a["head"]["global"]["Fx"], r["head"]["global"]["Fx"]))
    out.append(Comparison(
        "plate-rigid-limit", "Flexible cap: the rigid-cap limit",
        "The nine-pile cap of `examples/flexcap` (12 m square, 1.5 m thick, 6 x 6 elements, its first load case) "
        "with the plate's Young's modulus raised to 3e11 kPa, against the same model with a rigid cap. The first "
        "column is the pile group.",
        "A plate far stiffer than its piles moves as a rigid body: the axial forces at the pile heads are those "
        "of the rigid-cap analysis.", "The rigid-cap analysis of the same model (the test suite's "
        "`FlexibleCapAnalysis.VeryStiffPlateGivesTheRigidCapsPileForces` checks all six components within 1 %).",
        ("pile group", "plate: Fx (kN)", "rigid cap: Fx (kN)"), rows, "", "pile group", "axial head force (kN)",
        plot="curve"))
    return out


def envelopes(work: Path) -> list[Comparison]:
    """The envelope of the load cases of examples/row2d against the maxima of its cases."""
    import yaml  # Debian's python3-yaml

    model = yaml.safe_load((ROOT / "examples" / "row2d" / "model.yaml").read_text(encoding="utf-8"))
    res = run(model, work, "envelope")
    env = next(e for e in res["envelopes"] if e["series"] == "load cases")["piles"][0]["profile"]
    cases = [a["piles"][0]["profile"] for a in res["analyses"] if a["series"] == "load case"]
    rows = []
    for i, depth in enumerate(env["depth"]):
        values = []
        for c in cases:
            for j, d in enumerate(c["depth"]):
                if abs(d - depth) <= 1e-9 * max(1.0, abs(depth)):
                    values.append(c["moment"]["xy"][j])
        if values:
            rows.append((depth, env["max"]["moment"]["xy"][i], max(values)))
    return [Comparison(
        "envelope-moment", "Envelope of the load cases: largest bending moment",
        "The abutment of `examples/row2d` (three rows of H piles in sand, two load cases); the envelope of the "
        "load cases for the front row, at its printed nodes.",
        "The largest of the bending moments of the load cases at the same depth, taken here from each case's "
        "own profile in the results file.", "The load cases' own results.",
        ("depth (in)", "envelope max M (lbs-in)", "max over the cases (lbs-in)"), rows,
        "", "depth (in)", "bending moment (lbs-in)")]


def main(argv: list[str]) -> int:
    """Writes every comparison's page into the folder argv[0]."""
    out = Path(argv[0])
    out.mkdir(parents=True, exist_ok=True)
    for old in out.glob("v*.md"):
        old.unlink()
    with tempfile.TemporaryDirectory(prefix="pylora-verification-") as tmp:
        work = Path(tmp)
        comparisons: list[Comparison] = []
        for make in (elastic_pile, group_stiffness, distributed_and_plate, envelopes, criteria):
            comparisons += make(work)
    summary = ["% SPDX-License-Identifier: Apache-2.0", "% Written by docs/verification/generate.py.", "",
               "# Summary of the comparisons", "",
               "The largest difference of each comparison, relative to the largest reference value.", "",
               "| page | comparison | largest difference |", "|---|---|---:|"]
    for number, c in enumerate(comparisons, start=1):
        write_page(c, out, number)
        worst = max((abs(a - b) for _x, a, b in c.rows), default=0.0)
        scale = max((abs(b) for _x, _a, b in c.rows), default=1.0) or 1.0
        summary.append(f"| {{doc}}`V{number} <v{number:02d}-{c.slug}>` | {c.title} | {100.0 * worst / scale:.3g} % |")
    (out / "v00-summary.md").write_text("\n".join(summary) + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
