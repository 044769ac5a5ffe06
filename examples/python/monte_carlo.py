#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""A Monte Carlo study of the six-pile group of examples/group3d.

The undrained strength of its soft clay (the top layer) is uncertain: here it
is lognormal about the model's values with a coefficient of variation of 0.3,
the same factor at the top and the bottom of the layer. 200 samples are run
with pylora.sweep, on this machine or on a Dask cluster, and for the design
combination the distribution of the cap's horizontal displacement and of the
largest bending moment in any pile is plotted, with the 5 % and 95 % values
printed. The same seed gives the same numbers wherever the runs go.

Run from the project's root (after building pylora):

    PYTHONPATH=python /usr/bin/python3 examples/python/monte_carlo.py
    PYTHONPATH=python /usr/bin/python3 examples/python/monte_carlo.py --dask 2
    PYTHONPATH=python /usr/bin/python3 examples/python/monte_carlo.py --scheduler tcp://host:8786
"""
from __future__ import annotations

import argparse
import math
import sys
from pathlib import Path

import numpy as np

import pylora

HERE = Path(__file__).resolve().parent
MODEL = HERE.parent / "group3d" / "model.yaml"
TOP = "/soilLayers/0/top/undrainedShearStrength"
BOTTOM = "/soilLayers/0/bottom/undrainedShearStrength"
COV = 0.3


def variants(n: int, seed: int) -> list[pylora.Model]:
    """n samples of the model, the soft clay's strength scaled by a lognormal
    factor of mean 1 and coefficient of variation COV."""
    base = pylora.load(MODEL)
    sigma = math.sqrt(math.log(1.0 + COV * COV))
    # A factor at the top; the bottom follows it, so the layer keeps its
    # increase of strength with depth.
    models = pylora.sample(base, {TOP: ("lognormal", {"mean": -0.5 * sigma * sigma, "sigma": sigma})},
                           n, seed)
    top, bottom = base.get(TOP), base.get(BOTTOM)
    for model in models:
        factor = model.get(TOP)
        model.set(TOP, top * factor)
        model.set(BOTTOM, bottom * factor)
        model.parameters = {"strength factor": factor}
    return models


def largest_moment(analysis: dict) -> float:
    """The largest bending moment in any pile of an analysis (the resultant
    of both planes)."""
    largest = 0.0
    for pile in analysis["piles"]:
        moment = pile["profile"]["moment"]
        xy = np.asarray(moment["xy"], dtype=float)
        xz = np.asarray(moment.get("xz", np.zeros_like(xy)), dtype=float)
        largest = max(largest, float(np.nanmax(np.hypot(xy, xz))))
    return largest


def study(n: int = 200, seed: int = 2026, client=None, workers: int | None = None):
    """Runs the samples and returns (strength factors, horizontal cap
    displacements, largest moments, units) for the design combination; a
    sample that failed is left out and named on standard error."""
    models = variants(n, seed)
    results = pylora.sweep(models, workers=workers, client=client)
    factors, displacements, moments = [], [], []
    units = {}
    for model, r in zip(models, results):
        if isinstance(r, Exception):
            print(f"sample {model.parameters}: {r}", file=sys.stderr)
            continue
        combination = r.cap[r.cap.series == "combination"].iloc[0]
        analysis = next(a for a in r.analyses if a["series"] == "combination")
        if not analysis["succeeded"]:
            print(f"sample {model.parameters}: {combination.meaning}", file=sys.stderr)
            continue
        factors.append(model.parameters["strength factor"])
        displacements.append(math.hypot(combination.uy, combination.uz))
        moments.append(largest_moment(analysis))
        units = r.units
    return np.array(factors), np.array(displacements), np.array(moments), units


def plot(displacements, moments, units, path: Path) -> None:
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, axes = plt.subplots(1, 2, figsize=(11, 4))
    for ax, values, label in ((axes[0], displacements, f"Horizontal cap displacement [{units.get('uy', '')}]"),
                              (axes[1], moments, f"Largest pile moment [{units.get('moment', '')}]")):
        ax.hist(values, bins=25, color="tab:blue", alpha=0.8)
        for q, style in ((5, "--"), (95, "--"), (50, "-")):
            ax.axvline(np.percentile(values, q), color="k", ls=style, lw=1)
        ax.set_xlabel(label)
        ax.set_ylabel("samples")
    fig.suptitle(f"{len(displacements)} samples of the soft clay's strength (lognormal, CoV {COV})")
    fig.tight_layout()
    fig.savefig(path, dpi=110)
    plt.close(fig)


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--samples", type=int, default=200)
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--workers", type=int, help="local runs at a time (default: one per core)")
    parser.add_argument("--dask", type=int, metavar="N", help="run on a local Dask cluster of N worker processes")
    parser.add_argument("--scheduler", help="run on the Dask cluster of this scheduler address")
    parser.add_argument("--plot", type=Path, default=Path("monte_carlo.png"), help="the picture (default: %(default)s)")
    args = parser.parse_args(argv)

    client = cluster = None
    if args.dask or args.scheduler:
        from distributed import Client, LocalCluster
        if args.scheduler:
            client = Client(args.scheduler)
        else:
            cluster = LocalCluster(n_workers=args.dask, threads_per_worker=1, dashboard_address=None)
            client = Client(cluster)
    try:
        _, displacements, moments, units = study(args.samples, args.seed, client, args.workers)
    finally:
        if client is not None:
            client.close()
        if cluster is not None:
            cluster.close()
    if len(displacements) == 0:
        print("no sample converged", file=sys.stderr)
        return 1
    for name, values, unit in (("horizontal cap displacement", displacements, units.get("uy", "")),
                               ("largest pile moment", moments, units.get("moment", ""))):
        low, high = np.percentile(values, [5, 95])
        print(f"{name}: 5 % {low:.6g} {unit}, 95 % {high:.6g} {unit} ({len(values)} samples)")
    plot(displacements, moments, units, args.plot)
    print(f"picture: {args.plot}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
