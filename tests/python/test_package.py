# SPDX-License-Identifier: Apache-2.0
"""The pylora Python package: reading and writing models, their checks, runs
and their tables against the results file, progress, stop codes, timeouts,
and parameter studies run locally and on a Dask cluster."""
from __future__ import annotations

import json
import math
import os
import sys
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[2]
PYTHON = ROOT / "python"
sys.path.insert(0, str(PYTHON))
# The worker processes of a Dask cluster import the package too.
os.environ["PYTHONPATH"] = os.pathsep.join(filter(None, [str(PYTHON), os.environ.get("PYTHONPATH")]))

import pylora  # noqa: E402

GROUP3D = ROOT / "examples" / "group3d"


@pytest.fixture(scope="module")
def group3d() -> pylora.Model:
    return pylora.load(GROUP3D / "model.yaml")


@pytest.fixture(scope="module")
def group3d_results(group3d: pylora.Model) -> pylora.Results:
    return group3d.run()


def single_pile() -> pylora.Model:
    """A single fixed-head pile of 50 increments in one clay layer under a
    lateral load: the small model of the studies (and of the benchmark)."""
    return pylora.load(Path(__file__).parent / "data" / "single-pile.json")


def refused(model: pylora.Model) -> pylora.Model:
    bad = model.copy()
    bad.document["soilLayers"][0]["type"] = "mud"
    return bad


# -- models ----------------------------------------------------------------

def test_every_form_round_trips_to_the_same_document(group3d, tmp_path):
    for source in (GROUP3D / "model.yaml", GROUP3D / "model.dat"):
        model = pylora.load(source)
        assert model.name == "model" and model.source == source
        for suffix in (".json", ".yaml", ".dat"):
            path = model.save(tmp_path / f"copy{suffix}")
            assert pylora.load(path).document == model.document, (source, suffix)
    # The document and the input data file describe the same model.
    assert pylora.load(GROUP3D / "model.dat").run().cap.equals(group3d.run().cap)


def test_a_copy_is_independent_and_pointers_reach_into_the_document(group3d):
    twin = group3d.copy()
    twin.set("/soilLayers/0/top/undrainedShearStrength", 1.0)
    assert group3d.get("/soilLayers/0/top/undrainedShearStrength") != 1.0
    assert twin.document["soilLayers"][0]["top"]["undrainedShearStrength"] == 1.0
    with pytest.raises(KeyError, match="past the end"):
        group3d.get("/soilLayers/9/type")
    assert "pylora.Model" in repr(group3d) and "6 pile groups" in repr(group3d)


def test_a_refused_model_raises_with_its_diagnostics(group3d, tmp_path):
    bad = refused(group3d)
    [finding] = bad.check()
    assert finding.pointer == "/soilLayers/0/type" and "mud" in finding.message
    assert group3d.check() == []
    for action in (bad.run, lambda: bad.save(tmp_path / "bad.dat")):
        with pytest.raises(pylora.ModelError) as caught:
            action()
        assert [d.pointer for d in caught.value.diagnostics] == ["/soilLayers/0/type"]
        assert "mud" in str(caught.value)
    (tmp_path / "bad.json").write_text(json.dumps(bad.document))
    with pytest.raises(pylora.ModelError):
        bad.save(tmp_path / "bad.yaml")
    with pytest.raises(pylora.PyloraError, match="not a model document"):
        (tmp_path / "other.json").write_text("{}")
        pylora.load(tmp_path / "other.json")


def test_an_engine_refusal_is_a_model_error_with_the_reports_words(group3d):
    # A pushover-free refusal of the engine itself, which the document's
    # check lets through: a pile group on a pile property that is not there.
    bad = group3d.copy()
    bad.document["pileGroups"][0]["pileProperty"] = 7
    with pytest.raises(pylora.ModelError) as caught:
        bad.run()
    assert caught.value.diagnostics and all(d.message for d in caught.value.diagnostics)


# -- runs and their tables -------------------------------------------------

def test_the_cap_table_holds_every_analysis_of_the_results_file(group3d_results):
    r = group3d_results
    assert r.completed and r.return_code == 0
    doc = r.json
    cap = r.cap
    assert list(zip(cap.series, cap.number)) == [("load case", 1), ("load case", 2), ("combination", 1)]
    for row, analysis in zip(cap.itertuples(), doc["analyses"]):
        for key, value in analysis["capLoad"].items():
            assert getattr(row, key) == value
        for key, value in analysis["capDisplacement"].items():
            assert getattr(row, key) == value
        assert row.completion == analysis["completion"]["code"]
    assert cap.attrs["units"]["ux"] == "M" and cap.attrs["units"]["Mz"] == "M-KN"
    assert r.files["report"].is_file() and r.files["results"].name == "model.results.json"
    assert [w.series for w in r.warnings] == [w["analysis"]["series"] for w in doc["warnings"]]


def test_pile_heads_profiles_and_envelopes_are_those_of_the_results_file(group3d_results):
    r = group3d_results
    doc = r.json
    heads = r.pile_heads
    assert len(heads) == 2 * sum(len(a["piles"]) for a in doc["analyses"])
    for analysis in doc["analyses"]:
        for pile in analysis["piles"]:
            for frame, key in (("cap", "global"), ("pile", "local")):
                row = heads[(heads.series == analysis["series"]) & (heads.number == analysis["number"])
                            & (heads.group == pile["group"]) & (heads.frame == frame)]
                assert len(row) == 1
                for name, value in pile["head"][key].items():
                    assert row[name].iloc[0] == value
    pile = doc["analyses"][2]["piles"][1]
    for selector in (2, "combination", ("combination", 1)):
        if selector == "combination":
            selector = doc["analyses"][2]["name"]
        profile = r.profile(selector, 2)
        assert list(profile.depth) == pile["profile"]["depth"]
        assert list(profile.moment_xz) == pile["profile"]["moment"]["xz"]
        assert list(profile.bendingDC) == pile["profile"]["bendingDC"]
        mobilisation = [math.nan if v is None else v for v in pile["profile"]["mobilisation"]]
        np.testing.assert_array_equal(profile.mobilisation.to_numpy(), np.array(mobilisation))
    assert profile.attrs["units"]["moment_xy"] == "M-KN"
    with pytest.raises(KeyError, match="pile group 99"):
        r.profile(0, 99)

    envelopes = r.envelopes
    assert list(zip(envelopes.series, envelopes.bound)) == [
        (e["series"], b) for e in doc["envelopes"] for b in ("min", "max")]
    first = doc["envelopes"][0]["cap"]
    assert envelopes.iloc[0].Fx == first["loadMin"]["Fx"] and envelopes.iloc[1].ux == first["displacementMax"]["ux"]
    curves = r.py_curves
    assert len(curves) == sum(len(c["y"]) for c in doc["pyCurves"])
    assert list(curves.p[: len(doc["pyCurves"][0]["p"])]) == doc["pyCurves"][0]["p"]
    ls = r.load_settlement
    assert list(ls.load) == [q for c in doc["loadSettlementCurves"] for q in c["load"]]


def test_an_envelope_along_a_pile_is_the_extreme_of_its_analyses_node_for_node(group3d_results):
    """The envelope of a series holds, at every node, the least and the
    largest value of the analyses of that series (the report prints them so)."""
    doc = group3d_results.json
    compared = 0
    for envelope in doc["envelopes"]:
        series = "load case" if envelope["series"] == "load cases" else "combination"
        analyses = [a for a in doc["analyses"] if a["series"] == series]
        for pile in envelope["piles"]:
            profiles = [next(p for p in a["piles"] if p["group"] == pile["group"])["profile"] for a in analyses]
            assert pile["profile"]["depth"] == profiles[0]["depth"]
            for bound, extreme in (("min", min), ("max", max)):
                for quantity in ("deflection", "moment", "shear", "soilReaction"):
                    for plane, values in pile["profile"][bound][quantity].items():
                        series_values = [p[quantity][plane] for p in profiles]
                        assert values == [extreme(v[i] for v in series_values) for i in range(len(values))], \
                            (envelope["series"], pile["group"], bound, quantity, plane)
                        compared += 1
    assert compared == 2 * 6 * 2 * 4 * 2


def test_progress_comes_as_the_run_goes_and_the_files_live_with_the_results(tmp_path):
    model = pylora.load(GROUP3D / "model.yaml")
    model.document["loadCases"][0]["increments"] = {"factor": 0.002, "minimum": 0.001}
    messages: list[str] = []
    r = model.run(progress=messages.append)
    assert r.completed
    # The run's progress messages, the first perhaps the start of the run itself.
    assert any("ANALYSIS FOR LOAD" in m for m in messages)
    assert all(m.startswith("- ANALYSIS") for m in messages), messages
    folder = r.files["report"].parent
    assert folder.is_dir()
    del r
    import gc
    gc.collect()
    assert not folder.exists()  # a temporary run folder goes with its results
    kept = model.run(workdir=tmp_path / "kept")
    assert kept.files["report"] == tmp_path / "kept" / "model.out"


def test_a_stop_code_returns_the_results_it_has(group3d):
    stopped = group3d.copy()
    stopped.document["soilLayers"][-1]["bottom"]["x"] = 10.0  # above the pile tips
    r = stopped.run()
    assert r.return_code == 23 and not r.completed
    assert "below" in r.meaning
    assert r.cap.empty or not r.cap.completion.eq(1).all()


def test_a_run_past_its_timeout_is_stopped():
    slow = pylora.load(GROUP3D / "model.yaml")
    for case in slow.document["loadCases"]:
        case["increments"] = {"factor": 0.0005, "minimum": 0.0001}
    with pytest.raises(pylora.RunTimeout) as caught:
        slow.run(timeout=0.3)
    assert isinstance(caught.value, TimeoutError)


# -- studies -----------------------------------------------------------------

def test_vary_and_sample_make_the_same_variants_from_the_same_seed():
    base = single_pile()
    pointer = "/soilLayers/0/top/undrainedShearStrength"
    variants = pylora.vary(base, pointer, [10.0, 20.0, 30.0])
    assert [v.get(pointer) for v in variants] == [10.0, 20.0, 30.0]
    assert variants[1].parameters == {pointer: 20.0} and base.get(pointer) == 20.0
    lognormal = ("lognormal", {"mean": math.log(20.0), "sigma": 0.3})
    one = pylora.sample(base, {pointer: lognormal}, 5, seed=7)
    two = pylora.sample(base, {pointer: lognormal}, 5, seed=7)
    other = pylora.sample(base, {pointer: lognormal}, 5, seed=8)
    assert [m.document for m in one] == [m.document for m in two]
    assert [m.get(pointer) for m in one] != [m.get(pointer) for m in other]
    drawn = np.random.default_rng(7).lognormal(math.log(20.0), 0.3, size=5)
    assert [m.get(pointer) for m in one] == list(drawn)
    assert type(one[0].get(pointer)) is float
    by_callable = pylora.sample(base, {pointer: lambda rng, n: rng.uniform(10, 30, n)}, 3, seed=1)
    assert [m.get(pointer) for m in by_callable] == list(np.random.default_rng(1).uniform(10, 30, 3))
    with pytest.raises(KeyError):
        pylora.sample(base, {"/soilLayers/4/type": lognormal}, 2, seed=1)


def study() -> list[pylora.Model]:
    """Four strengths of the single pile and a refused model in the middle."""
    models = pylora.vary(single_pile(), "/soilLayers/0/top/undrainedShearStrength", [15.0, 20.0, 25.0, 30.0])
    return models[:2] + [refused(single_pile())] + models[2:]


def check_study(results: list, sequential: list) -> None:
    assert len(results) == 5
    assert isinstance(results[2], pylora.ModelError)
    assert [d.pointer for d in results[2].diagnostics] == ["/soilLayers/0/type"]
    for got, expected in zip(results[:2] + results[3:], sequential):
        assert isinstance(got, pylora.Results) and got.completed
        assert got.cap.equals(expected.cap)
    uy = [r.cap.uy[0] for r in results if isinstance(r, pylora.Results)]
    assert uy == sorted(uy, reverse=True)  # stronger clay, smaller deflection


@pytest.fixture(scope="module")
def sequential() -> list[pylora.Results]:
    return [m.run(threads=1) for m in study() if m.get("/soilLayers/0/type") != "mud"]


def test_sweep_on_local_processes_equals_the_runs_one_after_another(sequential):
    check_study(pylora.sweep(study(), workers=2), sequential)


def test_sweep_on_a_dask_cluster_equals_the_runs_one_after_another(sequential):
    distributed = pytest.importorskip("distributed")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        results = pylora.sweep(study(), client=client)
    check_study(results, sequential)
    assert all(r.files == {} for r in results if isinstance(r, pylora.Results))


def test_plot_draws_the_pictures_of_pylora_plot_and_an_earlier_run_reads_back(group3d_results, tmp_path):
    pytest.importorskip("matplotlib")
    paths = group3d_results.plot(tmp_path / "plots")
    names = sorted(p.name for p in paths)
    assert "case1-piles.png" in names and "combination1-plan.png" in names
    assert all(p.stat().st_size > 1000 for p in paths)
    again = pylora.Results.read(group3d_results.files["results"])
    assert again.cap.equals(group3d_results.cap) and again.files["report"] == group3d_results.files["report"]


def test_a_cancelled_run_is_stopped_in_order():
    import threading
    slow = pylora.load(GROUP3D / "model.yaml")
    for case in slow.document["loadCases"]:
        case["increments"] = {"factor": 0.0005, "minimum": 0.0001}
    cancel = threading.Event()
    threading.Timer(0.3, cancel.set).start()
    with pytest.raises(pylora.RunCancelled):
        slow.run(cancel=cancel)
