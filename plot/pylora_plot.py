# SPDX-License-Identifier: Apache-2.0
"""pylora-plot: pictures of a pylora results file (RESULTS.json).

Per analysis that has pile results: one small-multiples figure of every pile
group (deflection, moment, shear and soil reaction against depth, both planes
in three dimensions, ground line and layer boundaries marked) and a plan view
of the pile heads (axial force as colour, lateral force as an arrow). Once per
file: the printed p-y curves, the load-settlement curves and the envelopes
drawn as bands.
"""
import argparse
import json
import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import matplotlib.ticker  # noqa: E402,F401

QUANTITIES = [("deflection", "Deflection", "deflection"),
              ("moment", "Bending moment", "moment"),
              ("shear", "Shear", "shear"),
              ("soilReaction", "Soil reaction", "soilReaction")]
PLANE_STYLE = {"xy": ("tab:blue", "x-y plane"), "xz": ("tab:orange", "x-z plane")}


def unit(doc, key):
    return doc["model"]["quantityUnits"].get(key, "")


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
    fig, axes = plt.subplots(len(piles), 4, figsize=(13, 3.2 * len(piles)), squeeze=False)
    fig.suptitle(f"{analysis['series'].capitalize()} {analysis['number']}: {analysis['name']}")
    for row, pile in zip(axes, piles):
        profile = pile["profile"]
        depth = profile["depth"]
        for ax, (key, title, ukey) in zip(row, QUANTITIES):
            for plane, values in profile[key].items():
                color, label = PLANE_STYLE[plane]
                ax.plot(values, depth, color=color, label=label)
            ax.axvline(0.0, color="k", lw=0.5)
            style_profile_axis(ax, doc, title, ukey, pile, groups)
        row[0].legend(fontsize="small")
    fig.tight_layout(rect=(0, 0, 1, 0.97))
    return fig


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


def plot_results(doc, out_dir, case=None, fmt="png"):
    """Writes the figures; returns (written paths, messages on analyses not plotted)."""
    os.makedirs(out_dir, exist_ok=True)
    written, skipped = [], []

    def save(fig, name):
        path = os.path.join(out_dir, f"{name}.{fmt}")
        fig.savefig(path, dpi=110)
        plt.close(fig)
        written.append(path)

    for i, a in enumerate(doc["analyses"], start=1):
        if case is not None and i != case:
            continue
        tag = ("case" if a["series"] == "load case" else "combination") + f"{a['number']}"
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
    for message in skipped:
        print(f"pylora-plot: {message}", file=sys.stderr)
    print(f"pylora-plot: {len(written)} pictures in {out}")
    return 1 if skipped and not written else 0


if __name__ == "__main__":
    sys.exit(main())
