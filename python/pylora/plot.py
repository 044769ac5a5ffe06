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

An analysis or envelope of more than stream.FEW_GROUPS pile groups draws
instead its plan scaled to the layout, the distribution of the pile-head
forces and of the largest deflection and moment along the piles over all
groups, and the profiles of the governing groups (largest compression,
tension, lateral deflection and moment) and of those named, a few a figure.
"""
import argparse
import math
import os
import sys

import matplotlib
import matplotlib.collections
import matplotlib.pyplot as plt
import matplotlib.ticker  # noqa: F401
import matplotlib.transforms
import numpy as np

from . import stream

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

def row_title(ax, pile, reasons):
    why = ", ".join("named with --piles" if r == "named" else r for r in reasons[pile["group"]])
    ax.set_title(f"Pile group {pile['group']}: {why}", loc="left", fontsize="medium")


def profile_figure(doc, analysis, piles=None, reasons=None, title=None):
    """The profiles of the pile groups of an analysis, one row each: every
    group, or piles alone, each row titled with why it is drawn (reasons, by
    group) when given."""
    piles = analysis["piles"] if piles is None else piles
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
    fig.suptitle(title or
                 f"{analysis['series'].capitalize()} {analysis['number']}: {analysis['name']}")
    for row, pile in zip(rows, piles):
        if reasons:
            row_title(row[0], pile, reasons)
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


def envelope_figure(doc, envelope, piles=None, reasons=None, title=None):
    """The bands of the envelope's profiles, one row per pile group: every
    group, or piles alone with why each is drawn (reasons, by group)."""
    piles = envelope["piles"] if piles is None else piles
    groups = {g["group"]: g for g in doc["model"]["pileGroups"]}
    fig, axes = plt.subplots(len(piles), 4, figsize=(13, 3.2 * len(piles)), squeeze=False)
    fig.suptitle(title or f"Envelope of the {envelope['series']}")
    for row, pile in zip(axes, piles):
        if reasons:
            row_title(row[0], pile, reasons)
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


def nearest_spacing(ys, zs):
    """The smallest distance between two pile heads in plan (0 for heads
    that coincide, the extent for one pile)."""
    points = np.column_stack([ys, zs])
    if len(points) < 2:
        return 1.0
    best = math.inf
    for start in range(0, len(points), 256):  # blocks bound the memory
        block = points[start:start + 256]
        d = np.hypot(block[:, None, 0] - points[None, :, 0], block[:, None, 1] - points[None, :, 1])
        d[np.arange(len(block)), np.arange(start, start + len(block))] = math.inf
        best = min(best, float(d.min()))
    return best


def large_plan_figure(doc, analysis, chosen):
    """The plan of a layout of many pile groups: each head a disc of
    the axial force's colour, sized to the spacing of the layout, the lateral
    force as an arrow; the numbers of every group where they stay legible,
    else those of the governing groups (chosen: (group, reasons)), ringed."""
    groups = {g["group"]: g for g in doc["model"]["pileGroups"]}
    piles = analysis["piles"]
    ys = np.array([number(groups[p["group"]]["head"]["y"]) for p in piles])
    zs = np.array([number(groups[p["group"]]["head"].get("z", 0.0)) for p in piles])
    axial = np.array([number(p["head"]["global"]["Fx"]) for p in piles])
    fy = np.array([number(p["head"]["global"]["Fy"]) for p in piles])
    fz = np.array([number(p["head"]["global"].get("Fz", 0.0)) for p in piles])
    width, height = max(np.ptp(ys), 1e-9), max(np.ptp(zs), 1e-9)
    spacing = nearest_spacing(ys, zs) if len(piles) <= 20000 else math.sqrt(
        width * height / len(piles))
    spacing = spacing if spacing > 0.0 else max(width, height) / math.sqrt(len(piles))
    # The plot follows the layout's proportions, 10 inches along its longer
    # side and at least 2 along the other (a row of piles), with room for the
    # colour bar and the labels.
    shape = (width + 2 * spacing) / (height + 2 * spacing)
    fig, ax = plt.subplots(figsize=(max(10.0 * min(shape, 1.0), 2.0) + 3.5,
                                    max(10.0 * min(1.0 / shape, 1.0), 2.0) + 2.5))
    discs = matplotlib.collections.EllipseCollection(
        0.8 * spacing, 0.8 * spacing, 0.0, units="xy", offsets=np.column_stack([ys, zs]),
        offset_transform=ax.transData, cmap="viridis", edgecolors="k", linewidths=0.3, zorder=3)
    discs.set_array(axial)
    ax.add_collection(discs)
    fig.colorbar(discs, ax=ax, shrink=0.8,
                 label=f"Axial force at pile head [{unit(doc, 'Fx')}]")
    ax.quiver(ys, zs, fy, fz, color="tab:red", zorder=4, width=0.0015, label="lateral force")
    ax.set_xlim(ys.min() - spacing, ys.max() + spacing)
    ax.set_ylim(zs.min() - spacing, zs.max() + spacing)
    ax.set_aspect("equal")
    ax.set_xlabel(f"Y [{unit(doc, 'headY')}]")
    ax.set_ylabel(f"Z [{unit(doc, 'headZ')}]")
    ax.set_title(f"Plan view of {len(piles)} pile groups, {analysis['series']} "
                 f"{analysis['number']}: {analysis['name']}")
    fig.tight_layout(rect=(0, 0.04, 1, 1))
    # The numbers of all groups when the widest fits in a disc at 6 points.
    box = ax.get_window_extent()
    points_per_unit = min(box.width / (np.ptp(ys) + 2 * spacing),
                          box.height / (np.ptp(zs) + 2 * spacing)) * 72.0 / fig.dpi
    digits = len(str(max(p["group"] for p in piles)))
    if 0.8 * spacing * points_per_unit >= 0.65 * 6.0 * digits + 2.0:
        for y, z, pile in zip(ys, zs, piles):
            ax.text(y, z, str(pile["group"]), ha="center", va="center", fontsize=6, zorder=5)
    where = {p["group"]: (y, z) for p, y, z in zip(piles, ys, zs)}
    marked = [(g, r) for g, r in chosen if g in where]
    if marked:
        rings = matplotlib.collections.EllipseCollection(
            1.3 * spacing, 1.3 * spacing, 0.0, units="xy",
            offsets=np.array([where[g] for g, _ in marked]), offset_transform=ax.transData,
            facecolors="none", edgecolors="tab:red", linewidths=1.8, zorder=6)
        ax.add_collection(rings)
        for g, reasons in marked:
            ax.annotate(str(g), where[g], textcoords="offset points", xytext=(10, 10),
                        fontsize=9, weight="bold", zorder=7,
                        bbox={"boxstyle": "round,pad=0.2", "fc": "white", "ec": "tab:red"},
                        arrowprops={"arrowstyle": "-", "color": "tab:red"})
        ax.plot([], [], "o", mfc="none", mec="tab:red", mew=1.8, label="governing (numbered)")
    fig.legend(loc="lower center", ncol=2, fontsize="small")
    return fig


def histogram_panel(ax, title, series, marks):
    """A histogram of one quantity over the pile groups (series: (label,
    values), several overlaid) and a line at each governing group's value
    (marks: (group, value))."""
    finite = [(label, v[np.isfinite(v)]) for label, v in series]
    finite = [(label, v) for label, v in finite if v.size]
    if not finite:
        ax.text(0.5, 0.5, "no values", ha="center", va="center", transform=ax.transAxes)
    else:
        allv = np.concatenate([v for _, v in finite])
        bins = np.histogram_bin_edges(allv, bins=int(min(50, max(10, math.sqrt(allv.size)))))
        for label, v in finite:
            ax.hist(v, bins=bins, alpha=0.6 if len(finite) > 1 else 0.9, label=label)
        if len(finite) > 1:
            ax.legend(fontsize="small")
    for group, value in marks:
        if math.isfinite(value):
            ax.axvline(value, color="tab:red", lw=1.0, ls="--")
            ax.text(value, 0.98, f" {group}", color="tab:red", ha="left", va="top", rotation=90,
                    fontsize="small", transform=matplotlib.transforms.blended_transform_factory(
                        ax.transData, ax.transAxes))
    ax.set_xlabel(title)
    ax.set_ylabel("Pile groups")
    ax.ticklabel_format(axis="x", style="sci", scilimits=(-3, 4), useOffset=False)
    ax.grid(alpha=0.3)


# The histogram panels of an analysis: (extreme, title, unit key) and the
# reason whose group each marks.
ANALYSIS_PANELS = [("axial", "Axial force at pile head", "Fx",
                    ("largest compression", "largest tension")),
                   ("lateral", "Lateral force at pile head (resultant)", "Fx", ()),
                   ("headMoment", "Moment at pile head (resultant)", "moment", ()),
                   ("deflection", "Largest lateral deflection along the pile", "deflection",
                    ("largest lateral deflection",)),
                   ("moment", "Largest moment along the pile (resultant)", "moment",
                    ("largest moment",))]
ENVELOPE_PANELS = [(("axialMax", "axialMin"), "Axial force at pile head, largest and smallest",
                    "Fx", ("largest compression", "largest tension")),
                   (("Fy", "Fz"), "Lateral force at pile head, largest magnitude", "Fx", ()),
                   (("My", "Mz"), "Moment at pile head, largest magnitude", "moment", ()),
                   (("deflection",), "Largest deflection along the pile, either plane",
                    "deflection", ("largest lateral deflection",)),
                   (("moment",), "Largest moment along the pile, either plane", "moment",
                    ("largest moment",))]
SERIES_LABEL = {"axialMax": "largest", "axialMin": "smallest", "Fy": "Fy", "Fz": "Fz",
                "My": "My", "Mz": "Mz"}


def distribution_figure(doc, title, piles, chosen, envelope=False):
    """Histograms of the pile-head forces and of the largest deflection and
    moment along the piles over every pile group, the governing groups
    marked, and a list of the governing groups with their values."""
    rank = stream.envelope_extremes if envelope else stream.pile_extremes
    table = {p["group"]: rank(p) for p in piles}
    fig, axes = plt.subplots(2, 3, figsize=(15, 8.5))
    axes = axes.ravel()
    panels = ENVELOPE_PANELS if envelope else ANALYSIS_PANELS
    for ax, (keys, name, ukey, marked_by) in zip(axes, panels):
        keys = keys if isinstance(keys, tuple) else (keys,)
        keys = tuple(k for k in keys if any(math.isfinite(e[k]) for e in table.values()))
        series = [(SERIES_LABEL.get(k, k), np.array([e[k] for e in table.values()]))
                  for k in keys]
        marks = []
        for group, reasons in chosen:
            for why in reasons:
                if why in marked_by:
                    key = keys[0] if why != "largest tension" else keys[-1]
                    marks.append((group, table[group][key]))
        histogram_panel(ax, f"{name} [{unit(doc, ukey)}]", series, marks)
    lines = ["Governing pile groups", ""]
    value_of = {"largest compression": ("axialMax" if envelope else "axial", "Fx"),
                "largest tension": ("axialMin" if envelope else "axial", "Fx"),
                "largest lateral deflection": ("deflection", "deflection"),
                "largest moment": ("moment", "moment")}
    for group, reasons in chosen:
        for why in reasons:
            if why in value_of:
                key, ukey = value_of[why]
                lines.append(f"{group:>6}  {why}: {table[group][key]:.4g} {unit(doc, ukey)}")
            else:
                lines.append(f"{group:>6}  named with --piles")
    axes[-1].axis("off")
    axes[-1].text(0.0, 1.0, "\n".join(lines), va="top", ha="left", family="monospace",
                  fontsize="small", transform=axes[-1].transAxes)
    fig.suptitle(f"{title}: {len(piles)} pile groups")
    fig.tight_layout(rect=(0, 0, 1, 0.96))
    return fig


#: Pile groups per figure of governing profiles.
PER_FIGURE = 3
#: The most pile groups --piles may name in a model of many groups.
MOST_NAMED = 60


def chunks(items, size):
    return [items[i:i + size] for i in range(0, len(items), size)]


def save_figure(fig, out_dir, name, fmt, written):
    path = os.path.join(out_dir, f"{name}.{fmt}")
    fig.savefig(path, dpi=110)
    plt.close(fig)
    written.append(path)


def analysis_tag(analysis):
    """case1, combination2: how the pictures of one analysis are named."""
    return ("case" if analysis["series"] == "load case" else "combination") + f"{analysis['number']}"


def plot_results(doc, out_dir, case=None, fmt="png", named=()):
    """Writes the figures of the analyses' final states and of the file (the
    load paths are plot_load_paths'); returns (written paths, messages on
    analyses not plotted). An analysis or envelope of up to
    stream.FEW_GROUPS pile groups draws the profiles of every group (of the
    named groups alone when named holds some); one of more draws its plan,
    the distribution of the forces over the groups and the profiles of the
    governing groups and the named ones, PER_FIGURE groups a figure."""
    os.makedirs(out_dir, exist_ok=True)
    written, skipped = [], []
    named = sorted(set(named))

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
        title = f"{a['series'].capitalize()} {a['number']}: {a['name']}"
        if len(a["piles"]) <= stream.FEW_GROUPS:
            piles = [p for p in a["piles"] if p["group"] in named] if named else None
            if piles != []:
                save(profile_figure(doc, a, piles), f"{tag}-piles")
            save(plan_figure(doc, a), f"{tag}-plan")
            continue
        chosen = stream.governing(a["piles"], named)
        save(large_plan_figure(doc, a, chosen), f"{tag}-plan")
        save(distribution_figure(doc, title, a["piles"], chosen), f"{tag}-distribution")
        drawn = governing_piles(a["piles"], chosen)
        for n, part in enumerate(chunks(drawn, PER_FIGURE), start=1):
            save(profile_figure(doc, a, part, dict(chosen), f"{title}: governing pile groups"),
                 f"{tag}-governing-{n}")
    if case is None:
        if doc["pyCurves"]:
            save(py_figure(doc), "py-curves")
        if doc["loadSettlementCurves"]:
            save(ls_figure(doc), "load-settlement")
        for e in doc["envelopes"]:
            if not e["piles"]:
                continue
            name = "envelope-" + e["series"].replace(" ", "-")
            if len(e["piles"]) <= stream.FEW_GROUPS:
                piles = [p for p in e["piles"] if p["group"] in named] if named else None
                if piles != []:
                    save(envelope_figure(doc, e, piles), name)
                continue
            title = f"Envelope of the {e['series']}"
            chosen = stream.governing(e["piles"], named, envelope=True)
            save(distribution_figure(doc, title, e["piles"], chosen, envelope=True),
                 f"{name}-distribution")
            drawn = governing_piles(e["piles"], chosen)
            for n, part in enumerate(chunks(drawn, PER_FIGURE), start=1):
                save(envelope_figure(doc, e, part, dict(chosen), f"{title}: governing pile groups"),
                     f"{name}-governing-{n}")
    return written, skipped


def governing_piles(piles, chosen):
    """The piles of the chosen groups that hold a profile, in chosen order."""
    by_group = {p["group"]: p for p in piles}
    return [by_group[g] for g, _ in chosen if by_group.get(g, {}).get("profile")]


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


def pile_list(text):
    """The pile groups of --piles: numbers and ranges, "12,40-45"."""
    groups = set()
    for part in text.split(","):
        first, dash, last = part.strip().partition("-")
        try:
            low, high = int(first), int(last) if dash else int(first)
        except ValueError:
            raise argparse.ArgumentTypeError(
                f"{part.strip()!r} is not a pile group number or a range like 40-45") from None
        if low < 1 or high < low:
            raise argparse.ArgumentTypeError(f"{part.strip()!r} is not a range of pile groups "
                                             "from 1 upwards")
        if high - low >= 100000:
            raise argparse.ArgumentTypeError(f"{part.strip()!r} names too many pile groups")
        groups.update(range(low, high + 1))
    return sorted(groups)


class Parser(argparse.ArgumentParser):
    """Errors of the command line in one line."""

    def error(self, message):
        self.exit(2, f"{self.prog}: {message} (see {self.prog} -h)\n")


def check_named(doc, named, results):
    """None when every named group is in the model and a model of many
    groups names no more than MOST_NAMED, else the message saying why not."""
    known = {g["group"] for g in doc["model"]["pileGroups"]}
    missing = [g for g in named if g not in known]
    if missing:
        return (f"--piles: {results} has no pile group {missing[0]}"
                f"{f' (nor {len(missing) - 1} more)' if len(missing) > 1 else ''}; "
                f"its groups are {min(known, default=0)} to {max(known, default=0)}")
    if len(named) > MOST_NAMED and len(known) > stream.FEW_GROUPS:
        return (f"--piles names {len(named)} pile groups; at most {MOST_NAMED} get profiles "
                f"in a model of {len(known)} groups")
    return None


def main(argv=None):
    parser = Parser(prog="pylora-plot", description=__doc__.splitlines()[0])
    parser.add_argument("results", help="the results file RESULTS.json of a pylora run")
    parser.add_argument("-o", dest="out", help="folder of the pictures (default: RESULTS-plots)")
    parser.add_argument("--case", type=int, help="only the N-th analysis (1-based, cases first)")
    parser.add_argument("--format", choices=["png", "svg"], default="png")
    parser.add_argument("--piles", type=pile_list, default=[], metavar="LIST",
                        help="pile groups whose profiles to draw, e.g. 12,40-45: beside the "
                             f"governing ones in a model of more than {stream.FEW_GROUPS} "
                             "groups, instead of every group in a smaller one")
    args = parser.parse_args(argv)
    try:
        doc = stream.read_results(args.results, args.piles)
    except stream.ResultsError as e:
        print(f"pylora-plot: {e}", file=sys.stderr)
        return 2
    message = check_named(doc, args.piles, args.results)
    if message:
        print(f"pylora-plot: {message}", file=sys.stderr)
        return 2
    if args.case is not None and not 1 <= args.case <= len(doc["analyses"]):
        print(f"pylora-plot: --case {args.case}: {args.results} holds "
              f"{len(doc['analyses'])} analyses", file=sys.stderr)
        return 2
    out = args.out or os.path.splitext(args.results)[0] + "-plots"
    try:
        written, skipped = plot_results(doc, out, args.case, args.format, args.piles)
        paths, not_drawn = plot_load_paths(doc, out, args.case, args.format)
    except OSError as e:
        print(f"pylora-plot: cannot write the pictures in {out}: {e.strerror or e}",
              file=sys.stderr)
        return 2
    except (KeyError, TypeError, IndexError, ValueError, AttributeError) as e:
        print(f"pylora-plot: {args.results} lacks what the pictures need "
              f"({type(e).__name__}: {str(e).splitlines()[0] if str(e) else ''})",
              file=sys.stderr)
        return 2
    except MemoryError:
        print(f"pylora-plot: not enough memory to draw the pictures of {args.results}",
              file=sys.stderr)
        return 2
    written += paths
    skipped += not_drawn
    for message in skipped:
        print(f"pylora-plot: {message}", file=sys.stderr)
    print(f"pylora-plot: {len(written)} pictures in {out}")
    return 1 if skipped and not written else 0


if __name__ == "__main__":
    sys.exit(main())
