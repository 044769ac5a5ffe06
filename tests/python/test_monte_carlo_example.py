# SPDX-License-Identifier: Apache-2.0
"""The Monte Carlo example gives the same numbers for the same seed, run
locally or on a Dask cluster, and its samples follow the lognormal it names."""
from __future__ import annotations

import importlib.util
import math
import os
import sys
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "python"))
os.environ["PYTHONPATH"] = os.pathsep.join(filter(None, [str(ROOT / "python"), os.environ.get("PYTHONPATH")]))

spec = importlib.util.spec_from_file_location("monte_carlo", ROOT / "examples" / "python" / "monte_carlo.py")
monte_carlo = importlib.util.module_from_spec(spec)
spec.loader.exec_module(monte_carlo)


def test_the_strength_factors_are_lognormal_with_mean_one_and_the_layer_keeps_its_gradient():
    models = monte_carlo.variants(2000, seed=5)
    factors = np.array([m.parameters["strength factor"] for m in models])
    assert abs(factors.mean() - 1.0) < 0.02
    assert abs(factors.std() / factors.mean() - monte_carlo.COV) < 0.02
    base = monte_carlo.variants(1, seed=5)[0]
    ratio = [m.get(monte_carlo.BOTTOM) / m.get(monte_carlo.TOP) for m in models[:5]]
    assert ratio == pytest.approx([base.get(monte_carlo.BOTTOM) / base.get(monte_carlo.TOP)] * 5)


def test_local_and_dask_runs_give_the_same_numbers_for_the_same_seed(tmp_path):
    distributed = pytest.importorskip("distributed")
    local = monte_carlo.study(6, seed=11, workers=2)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        remote = monte_carlo.study(6, seed=11, client=client)
    for a, b in zip(local[:3], remote[:3]):
        np.testing.assert_array_equal(a, b)
    assert len(local[1]) == 6 and all(math.isfinite(v) for v in local[2])
    # A stronger clay never lets the cap move further.
    order = np.argsort(local[0])
    assert list(np.diff(local[1][order]) <= 1e-12).count(False) == 0
    assert monte_carlo.main(["--samples", "3", "--seed", "2", "--plot", str(tmp_path / "mc.png")]) == 0
    assert (tmp_path / "mc.png").stat().st_size > 1000
