#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""What the Python package costs and what a sweep gains.

Runs N small models (a single pile of 50 increments, its clay strength
varied) three ways, side by side in one session: the pylora program called
directly on the prepared documents (the engine's own time, with its process
start), Model.run one after another, and pylora.sweep on W local workers.
Prints the package's time per run over the program's, and the sweep's time
over the sequential runs'.

    PYTHONPATH=python /usr/bin/python3 benchmarks/python_sweep.py [--runs 200] [--workers 2]
"""
from __future__ import annotations

import argparse
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import pylora


# A single fixed-head pile of 50 increments in one clay layer, the small
# model of the package's tests.
SINGLE_PILE = Path(__file__).resolve().parents[1] / "tests" / "python" / "data" / "single-pile.json"


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=200)
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--repeats", type=int, default=3, help="each way is timed this often; medians")
    args = parser.parse_args()
    models = pylora.vary(pylora.load(SINGLE_PILE), "/soilLayers/0/top/undrainedShearStrength",
                         [15.0 + 15.0 * i / max(args.runs - 1, 1) for i in range(args.runs)])
    program = str(pylora.program())

    with tempfile.TemporaryDirectory(prefix="pylora-bench-") as folder:
        documents = []
        for i, m in enumerate(models):
            run = Path(folder) / f"direct-{i:04d}"
            run.mkdir()
            documents.append(m.save(run / "pile.json"))

        def direct() -> None:
            for doc in documents:
                subprocess.run([program, str(doc), "-o", str(doc.parent), "--quiet", "--threads", "1"],
                               check=True, capture_output=True)

        def sequential() -> None:
            for m in models:
                assert m.run(threads=1).completed

        def sweep() -> None:
            assert all(isinstance(r, pylora.Results) for r in pylora.sweep(models, workers=args.workers))

        times: dict[str, list[float]] = {"program": [], "Model.run": [], "sweep": []}
        for _ in range(args.repeats):
            for name, work in (("program", direct), ("Model.run", sequential), ("sweep", sweep)):
                start = time.perf_counter()
                work()
                times[name].append(time.perf_counter() - start)

    median = {name: statistics.median(t) for name, t in times.items()}
    for name, t in median.items():
        print(f"{name:10s} {t:8.2f} s for {args.runs} runs, {1000 * t / args.runs:7.1f} ms a run")
    print(f"package over the program: {1000 * (median['Model.run'] - median['program']) / args.runs:+.1f} ms a run")
    print(f"sweep on {args.workers} workers / one after another: {median['sweep'] / median['Model.run']:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
