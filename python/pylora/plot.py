# SPDX-License-Identifier: Apache-2.0
"""Pictures of a pylora results file (RESULTS.json), for pylora-plot and
Results.plot.

Per analysis that has pile results: one small-multiples figure of every pile
group (deflection, moment, shear and soil reaction against depth, both planes
in three dimensions, ground line and layer boundaries marked, and beside them
the mobilisation of the soil, the share |p| / pu of its ultimate resistance
that the soil reaction takes) and a plan view of the pile heads (axial force
as colour, lateral force as an arrow). Per analysis with at least two
converged load increments: its load path, the load factor against the cap
displacements and rotations that move. Once per file: the printed p-y curves,
the load-settlement curves, the envelopes drawn as bands and, for a pushover,
the load path of the pushed analysis with the events that limit the
foundation (pile capacities reached, soil at its ultimate resistance) and the
capacity factor.
"""
import argparse
import json
import math
import os
import sys

import matplotlib
import matplotlib.pyplot as plt
import matplotlib.ticker  # noqa: F401
import matplotlib.transforms
import numpy as np

QUANTITIES = [("deflection", "Deflection", "deflection"),
              ("moment", "Bending moment", "moment"),
              ("shear", "Shear", "shear"),
              ("soilReaction", "Soil reaction", "soilReaction")]
PLANE_STYLE = {"xy": ("tab:blue", "x-y plane"), "xz": ("tab:orange", "x-z plane")}
# The cap moves along and about X (vertical, downward), Y and Z (horizontal).
TRANSLATIONS = [("ux", "settlement, along X"), ("uy", "along Y"), ("uz", "along Z")]
ROTATIONS = [("tx", "twist about X"), ("ty", "about Y"), ("tz", "about Z")]
COMPONENT_COLOUR = {"ux": "tab:blue", "uy": "tab:orange", "uz": "tab:green",
                    "tx": "tab:purple", "ty": "tab:brown", "tz": "tab:pink"}
# A component whose largest movement stays below this share of the largest
# movement of the cap draws no line on the load path (see moving_components).
MOVES = 1e-3
# One marker per kind of event on the pushover curve; other kinds get "X".
EVENT_STYLE = {"moment capacity": ("s", "tab:red"),
               "axial capacity in compression": ("v", "tab:purple"),
               "axial capacity in pull-out": ("^", "tab:brown"),
               "soil at ultimate resistance": ("D", "tab:olive")}


def unit(doc, key, fallback=None):
    units = doc["model"]["quantityUnits"]
    return units.get(key) or (units.get(fallback, "") if fallback else "")


def number(value):
    """A value of the file as a float; null (not a finite number) as NaN."""
    return math.nan if value is None else float(value)


def mark_soil(ax, group):
    """Ground line and layer boundaries along the pile."""
    for depth in group.get("layerBoundaryDepths", []):
        if depth is not None:
            ax.axhline(depth, color="0.6", lw=0.7, ls="--")
    ax.axhline(group.get("groundBelowHead", 0.0), color="saddlebrown", lw=1.5)



def style_profile_axis(ax, doc, title, ukey, pile, groups):
    """Soil marks, labels with units and ticks of one profile against depth."""
    mark_soil(ax, groups.get(pile["group"], {}))
    ax.set_xlabel(f"{title} [{unit(doc, ukey)}]")
    ax.set_ylabel(f"Pile group {pile['group']}: depth [{unit(doc, 'depth')}]")
    ax.invert_yaxis()
    ax.xaxis.set_major_locator(matplotlib.ticker.MaxNLocator(4))
    ax.ticklabel_format(axis="x", style="sci", scilimits=(-3, 4))
    ax.grid(alpha=0.3)

def profile_figure(doc, analysis):
    piles = analysis["piles"]
    groups = {g["group"]: g for g in doc["model"]["pileGroups"]}
    shares = any("mobilisation" in pile["profile"] for pile in piles)
    extra = 1 if shares else 0
    fig = plt.figure(figsize=(13 + 2.6 * extra, 3.2 * len(piles)))
    grid = fig.add_gridspec(len(piles), len(QUANTITIES) + extra,
                            width_ratios=[1.0] * len(QUANTITIES) + [0.8] * extra)
    # The quantity panels row by row first, then the mobilisation column:
    # fig.axes lists each pile group's four quantity panels together.
    rows = [[fig.add_subplot(grid[r, c]) for c in range(len(QUANTITIES))]
            for r in range(len(piles))]
    fig.suptitle(f"{analysis['series'].capitalize()} {analysis['number']}: {analysis['name']}")
    for row, pile in zip(rows, piles):
        profile = pile["profile"]
        depth = profile["depth"]
        for ax, (key, title, ukey) in zip(row, QUANTITIES):
            for plane, values in profile[key].items():
                color, label = PLANE_STYLE[plane]
                ax.plot(values, depth, color=color, label=label)
            ax.axvline(0.0, color="k", lw=0.5)
            style_profile_axis(ax, doc, title, ukey, pile, groups)
        row[0].legend(fontsize="small")
    if shares:
        for r, pile in enumerate(piles):
            mobilisation_panel(fig.add_subplot(grid[r, len(QUANTITIES)]), pile, groups,
                               rows[r][-1])
    fig.tight_layout(rect=(0, 0, 1, 0.97))
    return fig


def mobilisation_panel(ax, pile, groups, beside):
    """The share of the ultimate resistance the soil takes along the pile.

    Nodes without an ultimate resistance (above the ground, the user's own
    p-y curves) break the line rather than join their neighbours across a
    layer; 1.0 marks the soil at failure. The depth axis follows the soil
    reaction panel beside it.
    """
    profile = pile["profile"]
    depth = np.array([number(d) for d in profile["depth"]])
    share = np.array([number(v) for v in profile.get("mobilisation", [])])
    known = np.isfinite(share)
    mark_soil(ax, groups.get(pile["group"], {}))
    if known.any():
        ax.fill_betweenx(depth, 0.0, np.where(known, share, 0.0), where=known,
                         color="tab:green", alpha=0.3, lw=0)
        ax.plot(share, depth, color="tab:green", label="|p| / pu")
    else:
        ax.text(0.5, 0.5, "no ultimate resistance\n(user p-y curves)", ha="center",
                va="center", fontsize="small", transform=ax.transAxes)
    ax.axvline(1.0, color="tab:red", lw=1.0, ls="--")
    ax.set_xlim(0.0, 1.05)
    ax.set_ylim(beside.get_ylim())
    ax.set_xlabel("Mobilisation |p| / pu [-]")
    ax.grid(alpha=0.3)


def plan_figure(doc, analysis):
    groups = {g["group"]: g for g in doc["model"]["pileGroups"]}
    fig, ax = plt.subplots(figsize=(7, 6))
    ys, zs, axial, fy, fz = [], [], [], [], []
    for pile in analysis["piles"]:
        head = groups[pile["group"]]["head"]
        g = pile["head"]["global"]
        ys.append(head["y"])
        zs.append(head["z"])
        axial.append(g["Fx"])
        fy.append(g["Fy"])
        fz.append(g.get("Fz", 0.0))
    sc = ax.scatter(ys, zs, c=axial, cmap="viridis", s=200, edgecolors="k", zorder=3)
    fig.colorbar(sc, ax=ax, label=f"Axial force at pile head [{unit(doc, 'Fx')}]")
    ax.quiver(ys, zs, fy, fz, color="tab:red", zorder=4, label="lateral force")
    for y, z, pile in zip(ys, zs, analysis["piles"]):
        ax.annotate(str(pile["group"]), (y, z), textcoords="offset points", xytext=(8, 8))
    ax.set_xlabel(f"Y [{unit(doc, 'headY')}]")
    ax.set_ylabel(f"Z [{unit(doc, 'headZ')}]")
    ax.set_aspect("equal", adjustable="datalim")
    ax.margins(0.3)
    ax.legend(loc="upper right")
    ax.set_title(f"Plan view, {analysis['series']} {analysis['number']}: {analysis['name']}")
    fig.tight_layout()
    return fig


def py_figure(doc):
    fig, ax = plt.subplots(figsize=(7, 5))
    for c in doc["pyCurves"]:
        ax.plot(c["y"], c["p"], marker=".",
                label=f"curve {c['request']}, group {c['pileGroup']}, depth {c['depth']:.3g}")
    ax.set_xlabel(f"Deflection y [{unit(doc, 'y')}]")
    ax.set_ylabel(f"Soil resistance p [{unit(doc, 'p')}]")
    ax.set_title("Printed p-y curves")
    ax.grid(alpha=0.3)
    ax.legend(fontsize="small")
    fig.tight_layout()
    return fig


def ls_figure(doc):
    fig, ax = plt.subplots(figsize=(7, 5))
    for c in doc["loadSettlementCurves"]:
        ax.plot(c["settlement"], c["load"], marker="o", label=f"pile property {c['pileProperty']}")
    ax.set_xlabel(f"Settlement [{unit(doc, 'settlement')}]")
    ax.set_ylabel(f"Load at pile head [{unit(doc, 'load')}]")
    ax.set_title("Load-settlement curves")
    ax.grid(alpha=0.3)
    ax.legend()
    fig.tight_layout()
    return fig


def envelope_figure(doc, envelope):
    piles = envelope["piles"]
    groups = {g["group"]: g for g in doc["model"]["pileGroups"]}
    fig, axes = plt.subplots(len(piles), 4, figsize=(13, 3.2 * len(piles)), squeeze=False)
    fig.suptitle(f"Envelope of the {envelope['series']}")
    for row, pile in zip(axes, piles):
        p = pile["profile"]
        for ax, (key, title, ukey) in zip(row, QUANTITIES):
            for plane in p["min"][key]:
                color, label = PLANE_STYLE[plane]
                ax.fill_betweenx(p["depth"], p["min"][key][plane], p["max"][key][plane],
                                 color=color, alpha=0.35, label=label)
            style_profile_axis(ax, doc, title, ukey, pile, groups)
        row[0].legend(fontsize="small")
    fig.tight_layout(rect=(0, 0, 1, 0.97))
    return fig


def rotation_lever(doc):
    """The lever arm of a cap rotation: the distance of the farthest pile head
    from the cap origin, and no less than the widest pile section (a single
    pile under the origin still turns its own width)."""
    lever = 0.0
    for group in doc["model"]["pileGroups"]:
        head = [number(group["head"].get(k, 0.0)) for k in ("x", "y", "z")]
        if all(math.isfinite(v) for v in head):
            lever = max(lever, math.hypot(*head))
    for prop in doc["model"]["pileProperties"]:
        for section in prop["sections"]:
            diameter = number(section.get("diameter"))
            if math.isfinite(diameter):
                lever = max(lever, diameter)
    return lever


def moving_components(doc, steps):
    """The cap displacement components that get a line on the load path:
    (translations, rotations), each a list of keys.

    Every component is measured by its largest magnitude over the steps, a
    rotation by the movement it gives the farthest pile head (the rotation
    times rotation_lever), so that settlement, sway and rotation compare in
    one length. A component moves when this exceeds MOVES times the largest:
    what stays below is round-off, or the trace of a symmetric group (the
    twist of a cap loaded along an axis of symmetry), and would only draw a
    line on the load axis. Comparing in one length rather
    than rotations among themselves keeps a group loaded vertically from
    showing its round-off rotations as a second panel.
    """
    lever = rotation_lever(doc)
    size = {}
    for keys, arm in ((TRANSLATIONS, 1.0), (ROTATIONS, lever)):
        for key, _ in keys:
            values = [abs(number(s["capDisplacement"].get(key))) for s in steps
                      if key in s["capDisplacement"]]
            values = [v for v in values if math.isfinite(v)]
            if values:
                size[key] = max(values) * arm
    largest = max(size.values(), default=0.0)
    if largest <= 0.0:
        return [], []
    moving = {key for key, v in size.items() if v > MOVES * largest}
    return ([k for k, _ in TRANSLATIONS if k in moving], [k for k, _ in ROTATIONS if k in moving])


def load_path_axes(doc, analysis):
    """The load factor against the moving cap displacements (one axes) and
    rotations (a second axes, when one moves), a marker at every step.
    Returns the figure and, per axes, (axes, the component keys drawn on it)."""
    steps = analysis["steps"]
    factors = [number(s["loadFactor"]) for s in steps]
    translations, rotations = moving_components(doc, steps)
    names = dict(TRANSLATIONS + ROTATIONS)
    panels = [(keys, title, unit(doc, keys[0], fallback)) for keys, title, fallback in
              ((translations, "Cap displacement", "length"),
               (rotations, "Cap rotation", "rotation")) if keys]
    fig, axes = plt.subplots(1, max(len(panels), 1), figsize=(6.5 * max(len(panels), 1), 5),
                             sharey=True, squeeze=False)
    axes = list(axes[0])
    drawn = []
    for ax, (keys, title, u) in zip(axes, panels):
        for key in keys:
            ax.plot([number(s["capDisplacement"][key]) for s in steps], factors, marker="o",
                    ms=4, color=COMPONENT_COLOUR[key], label=f"{key}: {names[key]}")
        ax.axvline(0.0, color="k", lw=0.5)
        ax.set_xlabel(f"{title} [{u}]")
        ax.ticklabel_format(axis="x", style="sci", scilimits=(-3, 4))
        ax.grid(alpha=0.3)
        ax.legend(fontsize="small")
        drawn.append((ax, keys))
    if not panels:
        axes[0].text(0.5, 0.5, "the cap does not move", ha="center", va="center",
                     transform=axes[0].transAxes)
    axes[0].set_ylabel("Load factor [-]")
    title = f"Load path, {analysis['series']} {analysis['number']}: {analysis['name']}"
    if not analysis["succeeded"] and factors:
        title += f" (no convergence beyond load factor {factors[-1]:.4g})"
    fig.suptitle(title)
    fig.tight_layout(rect=(0, 0, 1, 0.95))
    return fig, drawn


def load_path_figure(doc, analysis):
    return load_path_axes(doc, analysis)[0]


def pushover_figure(doc, pushover):
    """The load path of the pushed analysis with its events and capacity.

    Each event is marked at its load factor on every component drawn, at the
    displacement of the step it happened in; the capacity factor, the last
    load factor that converged, is a dashed line labelled with its value.
    """
    analysis = doc["analyses"][pushover["analysis"]]
    steps = analysis["steps"]
    fig, drawn = load_path_axes(doc, analysis)
    capacity = pushover.get("capacityFactor")
    for n, (ax, keys) in enumerate(drawn):
        for event in pushover.get("events") or []:
            step = event.get("step")
            if step is None or not 0 <= step < len(steps):
                continue
            marker, colour = EVENT_STYLE.get(event["kind"], ("X", "k"))
            label = f"{event['kind']}, pile group {event['pileGroup']}"
            if event.get("depth") is not None:
                label += f" at depth {event['depth']:.3g} {unit(doc, 'depth', 'length')}"
            label += f", load factor {event['loadFactor']:.4g}"
            ax.plot([number(steps[step]["capDisplacement"][k]) for k in keys],
                    [number(event["loadFactor"])] * len(keys), ls="none", marker=marker,
                    ms=9, mfc=colour, mec="k", zorder=5, label=label if n == 0 else "_nolegend_")
        if capacity is not None:
            ax.axhline(capacity, color="k", ls="--", lw=1.0,
                       label=f"capacity factor {capacity:.4g}" if n == 0 else "_nolegend_")
            ax.text(0.99, capacity, f"capacity factor {capacity:.4g}", ha="right", va="bottom",
                    fontsize="small", transform=matplotlib.transforms.blended_transform_factory(
                        ax.transAxes, ax.transData))
        ax.legend(fontsize="small")
    title = f"Pushover of {analysis['series']} {analysis['number']}: {analysis['name']}"
    if pushover.get("stopped"):
        title += f"\nstopped: {pushover['stopped']}"
    fig.suptitle(title)
    fig.tight_layout(rect=(0, 0, 1, 0.93))
    return fig


def save_figure(fig, out_dir, name, fmt, written):
    path = os.path.join(out_dir, f"{name}.{fmt}")
    fig.savefig(path, dpi=110)
    plt.close(fig)
    written.append(path)


def analysis_tag(analysis):
    """case1, combination2: how the pictures of one analysis are named."""
    return ("case" if analysis["series"] == "load case" else "combination") + f"{analysis['number']}"


def plot_results(doc, out_dir, case=None, fmt="png"):
    """Writes the figures of the analyses' final states and of the file (the
    load paths are plot_load_paths'); returns (written paths, messages on
    analyses not plotted)."""
    os.makedirs(out_dir, exist_ok=True)
    written, skipped = [], []

    def save(fig, name):
        save_figure(fig, out_dir, name, fmt, written)

    for i, a in enumerate(doc["analyses"], start=1):
        if case is not None and i != case:
            continue
        tag = analysis_tag(a)
        if not a["succeeded"] or not a["piles"]:
            code = a["completion"]["meaning"] if a["completion"] else f"stop code {a['stopCode']}"
            skipped.append(f"{a['series']} {a['number']} ({a['name']}) has no results: {code}")
            continue
        save(profile_figure(doc, a), f"{tag}-piles")
        save(plan_figure(doc, a), f"{tag}-plan")
    if case is None:
        if doc["pyCurves"]:
            save(py_figure(doc), "py-curves")
        if doc["loadSettlementCurves"]:
            save(ls_figure(doc), "load-settlement")
        for e in doc["envelopes"]:
            if e["piles"]:
                save(envelope_figure(doc, e), "envelope-" + e["series"].replace(" ", "-"))
    return written, skipped


def plot_load_paths(doc, out_dir, case=None, fmt="png"):
    """Writes the load path of every analysis with at least two converged
    increments (an analysis that stopped short too: the path shows where) and
    the pushover curve when the file holds one; returns (written paths,
    messages on what could not be drawn)."""
    os.makedirs(out_dir, exist_ok=True)
    written, skipped = [], []
    for i, a in enumerate(doc["analyses"], start=1):
        if (case is None or i == case) and len(a.get("steps") or []) >= 2:
            save_figure(load_path_figure(doc, a), out_dir, f"{analysis_tag(a)}-load-path", fmt,
                        written)
    pushover = doc.get("pushover")
    if pushover:
        index = pushover.get("analysis")
        if not isinstance(index, int) or not 0 <= index < len(doc["analyses"]):
            skipped.append(f"the pushover names analysis {index}, which the file does not hold")
        elif not doc["analyses"][index].get("steps"):
            skipped.append("the pushover's analysis has no converged load increment")
        elif case is None or case == index + 1:
            save_figure(pushover_figure(doc, pushover), out_dir, "pushover", fmt, written)
    return written, skipped


def main(argv=None):
    parser = argparse.ArgumentParser(prog="pylora-plot", description=__doc__.splitlines()[0])
    parser.add_argument("results", help="the results file RESULTS.json of a pylora run")
    parser.add_argument("-o", dest="out", help="folder of the pictures (default: RESULTS-plots)")
    parser.add_argument("--case", type=int, help="only the N-th analysis (1-based, cases first)")
    parser.add_argument("--format", choices=["png", "svg"], default="png")
    args = parser.parse_args(argv)
    try:
        with open(args.results, encoding="utf-8") as f:
            doc = json.load(f)
    except (OSError, ValueError) as e:
        print(f"pylora-plot: cannot read {args.results}: {e}", file=sys.stderr)
        return 2
    out = args.out or os.path.splitext(args.results)[0] + "-plots"
    written, skipped = plot_results(doc, out, args.case, args.format)
    paths, not_drawn = plot_load_paths(doc, out, args.case, args.format)
    written += paths
    skipped += not_drawn
    for message in skipped:
        print(f"pylora-plot: {message}", file=sys.stderr)
    print(f"pylora-plot: {len(written)} pictures in {out}")
    return 1 if skipped and not written else 0


if __name__ == "__main__":
    sys.exit(main())
