# SPDX-License-Identifier: Apache-2.0
"""examples/group3d built from nothing in the editor, as an engineer would:
a new model from the template, the title, the switch and the cap; the pile
property with its two sections and their cross sections; a 2 x 3 grid whose
outer piles are battered 1:6 and then set to the example's angle together;
three clay layers; two load cases pasted as tab-separated rows; a
combination, the envelopes and two printed p-y curves.

The saved YAML is compared with the document written out below by hand (the
example's, with the names the editor writes), the saved input data file
with the program's own conversion of the example, and the run of the built
model with the run of the example: the same results, number for number. The
run view leads back to the editor with the model unchanged."""
from __future__ import annotations

import json
import subprocess
import sys
import time
from pathlib import Path

import pytest
import yaml

selenium = pytest.importorskip("selenium")
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402

sys.path.insert(0, str(Path(__file__).resolve().parent))
from test_browser import (ROOT, TOKEN, api, artefacts, browser, click, downloads, find, finds, server,  # noqa: E402,F401
                          shot, wait)
from test_editor import checked, tab, type_into  # noqa: E402

import os  # noqa: E402

GROUP3D = ROOT / "examples" / "group3d"

SOFT = {"x": 0.0, "effectiveUnitWeight": 7.0, "undrainedShearStrength": 15.0, "eps50": 0.02,
        "unitSideFriction": 12.0, "unitTipResistance": 135.0}

# The document the editor is to hold at the end: the example's model, field
# for field (written out here, not read from the example).
EXPECTED = {
    "pylora": 1,
    "title": "Six-pile group of 0.6 m steel pipe piles in soft over stiff clay",
    "units": "metric",
    "analysis": "threeDimensional",
    "groupFactors": "fromLayout",
    "cap": {"length": 4.8, "width": 3.0, "thickness": 1.2},
    "loadCases": [
        {"name": "Dead load", "nodeStep": 5, "loads": [{"Fx": 6000.0, "Fy": 150.0}]},
        {"name": "Live load and wind", "type": "wind", "nodeStep": 5, "loads": [
            {"Fx": 1800.0, "Fy": 420.0, "Mz": -350.0, "Fz": 260.0, "My": 180.0, "Mx": 95.0},
            {"Fy": 35.0, "Fz": 20.0, "at": {"x": -0.6, "y": 2.4}}]},
    ],
    "combinations": [{
        "name": "1.2 DL + 1.6 (LL + WN)", "nodeStep": 5, "resistanceFactors": {"bending": 0.9, "shear": 0.9},
        "cases": [{"case": "Dead load", "factor": 1.2}, {"case": "Live load and wind", "factor": 1.6}]}],
    "envelopes": {"loadCases": {"nodeStep": 5}, "combinations": {"print": "pileHeads"}},
    "pileGroups": [
        {"head": {"y": -1.8, "z": -0.9}, "batter": {"alpha": 180.0, "beta": 80.54}, "connection": "fixed"},
        {"head": {"y": 0.0, "z": -0.9}, "connection": "fixed"},
        {"head": {"y": 1.8, "z": -0.9}, "batter": {"beta": 80.54}, "connection": "fixed"},
        {"head": {"y": -1.8, "z": 0.9}, "batter": {"alpha": 180.0, "beta": 80.54}, "connection": "fixed"},
        {"head": {"y": 0.0, "z": 0.9}, "connection": "fixed"},
        {"head": {"y": 1.8, "z": 0.9}, "batter": {"beta": 80.54}, "connection": "fixed"},
    ],
    "pileProperties": [{"length": 22.0, "increments": 44, "youngsModulus": 2.0e8, "sections": [
        {"to": 6.0, "crossSection": "PIPE 600 x 20, top 6 m"}, {"to": 22.0, "crossSection": "PIPE600x12"}]}],
    "crossSections": [
        {"name": "PIPE600x12", "shape": "circularPipe", "diameter": 0.6, "innerDiameter": 0.576, "shearModulus": 7.7e7,
         "area": 0.022167, "inertia": {"z": 0.00095842, "y": 0.00095842}, "torsionalStiffness": 147600.0,
         "capacity": {"moment": 1431.6, "shear": 2294.3}},
        {"name": "PIPE 600 x 20, top 6 m", "shape": "circularPipe", "diameter": 0.6, "innerDiameter": 0.56,
         "shearModulus": 7.7e7, "area": 0.036443, "inertia": {"z": 0.0015342, "y": 0.0015342},
         "torsionalStiffness": 236270.0, "capacity": {"moment": 2322.1, "shear": 3771.8}},
    ],
    "soilLayers": [
        {"type": "softClay", "top": SOFT,
         "bottom": {**SOFT, "x": 5.0, "undrainedShearStrength": 25.0, "unitSideFriction": 20.0, "unitTipResistance": 225.0}},
        {"type": "stiffClayBelowWaterTable",
         "top": {"x": 5.0, "effectiveUnitWeight": 9.0, "undrainedShearStrength": 60.0, "subgradeModulus": 136000.0,
                 "eps50": 0.007, "unitSideFriction": 40.0, "unitTipResistance": 540.0},
         "bottom": {"x": 12.0, "effectiveUnitWeight": 9.0, "undrainedShearStrength": 90.0, "subgradeModulus": 136000.0,
                    "eps50": 0.005, "unitSideFriction": 55.0, "unitTipResistance": 810.0}},
        {"type": "stiffClayBelowWaterTable",
         "top": {"x": 12.0, "effectiveUnitWeight": 10.0, "undrainedShearStrength": 110.0, "subgradeModulus": 271000.0,
                 "eps50": 0.005, "unitSideFriction": 60.0, "unitTipResistance": 990.0},
         "bottom": {"x": 30.0, "effectiveUnitWeight": 10.0, "undrainedShearStrength": 160.0, "subgradeModulus": 271000.0,
                    "eps50": 0.004, "unitSideFriction": 75.0, "unitTipResistance": 1440.0}},
    ],
    "printPyCurves": [{"pileGroup": 2, "x": 2.0}, {"pileGroup": 2, "x": 8.0}],
}


# The YAML the program writes leaves out what is at its default: the heads' Y of 0.
SAVED = EXPECTED | {"pileGroups": [g | {"head": {k: v for k, v in g["head"].items() if not (k == "y" and v == 0)}}
                                   for g in EXPECTED["pileGroups"]]}


def document(driver) -> dict:
    return driver.execute_script("return JSON.parse(localStorage.getItem('pylora-web-editor')).doc")


def at(doc, pointer: str):
    for token in pointer.strip("/").split("/"):
        doc = doc[int(token)] if isinstance(doc, list) else doc.get(token)
        if doc is None:
            return None
    return doc


def same(driver, pointer: str, expected, timeout: float = 30) -> None:
    """Waits for the document to hold expected at pointer; says what it holds when it does not."""
    try:
        wait(driver, lambda d: at(document(d), pointer) == expected, timeout=timeout)
    except Exception:  # noqa: BLE001 - the assertion below says what differs
        assert at(document(driver), pointer) == expected, pointer


def field(driver, pointer: str):
    return wait(driver, lambda d: d.find_element(By.CSS_SELECTOR, f'#editor-body [data-pointer="{pointer}"]'),
                message=f"no field for {pointer}")


def put(driver, pointer: str, text: str) -> None:
    """Types text into the field of pointer and waits for the document to hold it."""
    type_into(driver, field(driver, pointer), text)
    expected = float(text) if text.lstrip("-").replace(".", "", 1).replace("e", "", 1).replace("+", "").isdigit() else text
    wait(driver, lambda d: at(document(d), pointer) == expected, message=f"{pointer} did not become {text}")


def choose(driver, pointer: str, value: str) -> None:
    Select(field(driver, pointer)).select_by_value(value)


def paste(driver, area: str, button: str, text: str) -> None:
    box = find(driver, area)
    click(driver, box)
    driver.execute_script("arguments[0].value = arguments[1];", box, text)
    click(driver, find(driver, button))


def saved(folder: Path, name: str, since: float) -> Path:
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        path = folder / name
        if path.is_file() and path.stat().st_mtime >= since and not (folder / (name + ".crdownload")).exists():
            return path
        time.sleep(0.1)
    raise AssertionError(f"{name} was not downloaded")


def save(driver, folder: Path, form: str, name: str) -> Path:
    since = time.time() - 1
    for old in folder.glob(name + "*"):
        old.unlink()
    Select(find(driver, "#save-format")).select_by_value(form)
    click(driver, find(driver, "#save"))
    return saved(folder, name, since)


@pytest.fixture(scope="module")
def reference(tmp_path_factory) -> dict:
    """The results of the example, run by the program of this build."""
    folder = tmp_path_factory.mktemp("group3d")
    done = subprocess.run([os.environ["PYLORA_PROGRAM"], str(GROUP3D / "model.yaml"), "-o", str(folder), "-q"],
                          capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stderr
    return json.loads((folder / "model.results.json").read_text(encoding="utf-8"))


def test_the_example_is_written_out_right():
    """The document above is the example's: a typo there would test nothing."""
    example = yaml.safe_load((GROUP3D / "model.yaml").read_text(encoding="utf-8"))
    assert {k: v for k, v in EXPECTED.items() if k != "pileGroups"} == \
        {k: v for k, v in example.items() if k != "pileGroups"}
    # The example leaves Y out where it is 0; the grid writes it.
    assert len(EXPECTED["pileGroups"]) == len(example["pileGroups"])
    for mine, theirs in zip(EXPECTED["pileGroups"], example["pileGroups"]):
        assert mine == theirs | {"head": {"y": 0.0, **theirs["head"]}}


class TestGroup3dFromNothing:
    def test_general(self, server, browser):
        browser.get(f"{server}/?token={TOKEN}")
        wait(browser, lambda d: finds(d, "#new-model"))
        Select(find(browser, "#new-template")).select_by_value("threeDimensional")
        click(browser, find(browser, "#new-model"))
        wait(browser, lambda d: finds(d, "#editor-body"), message="the editor did not show")
        tab(browser, "general")
        put(browser, "/title", EXPECTED["title"])
        click(browser, find(browser, "#switch-groupFactors-fromLayout"))
        wait(browser, lambda d: document(d).get("groupFactors") == "fromLayout")
        for key, text in (("length", "4.8"), ("width", "3.0"), ("thickness", "1.2")):
            put(browser, f"/cap/{key}", text)

    def test_property_and_cross_sections(self, server, browser, artefacts):
        tab(browser, "properties")
        put(browser, "/crossSections/0/name", "PIPE600x12")
        click(browser, find(browser, "#cross-section-add"))
        wait(browser, lambda d: len(document(d)["crossSections"]) == 2)
        put(browser, "/crossSections/1/name", "PIPE 600 x 20, top 6 m")
        choose(browser, "/crossSections/1/shape", "circularPipe")
        wait(browser, lambda d: at(document(d), "/crossSections/1/shape") == "circularPipe")
        for key, text in (("diameter", "0.6"), ("innerDiameter", "0.56"), ("shearModulus", "7.7e7"),
                          ("area", "0.036443"), ("inertia/z", "0.0015342"), ("inertia/y", "0.0015342"),
                          ("torsionalStiffness", "236270"), ("capacity/moment", "2322.1"),
                          ("capacity/shear", "3771.8")):
            put(browser, f"/crossSections/1/{key}", text)
        put(browser, "/pileProperties/0/length", "22")
        put(browser, "/pileProperties/0/increments", "44")
        # The top 6 m in the heavy wall, the rest in the standard one.
        put(browser, "/pileProperties/0/sections/0/to", "6")
        choose(browser, "/pileProperties/0/sections/0/crossSection", "1")
        click(browser, find(browser, "#editor-body .section-add"))
        wait(browser, lambda d: len(document(d)["pileProperties"][0]["sections"]) == 2)
        put(browser, "/pileProperties/0/sections/1/to", "22")
        choose(browser, "/pileProperties/0/sections/1/crossSection", "0")
        same(browser, "/pileProperties/0/sections", EXPECTED["pileProperties"][0]["sections"])
        assert document(browser)["crossSections"] == EXPECTED["crossSections"]
        shot(browser, artefacts, "editor-6-properties")

    def test_grid_and_batter(self, server, browser, artefacts):
        tab(browser, "piles")
        for key, text in (("rows", "2"), ("columns", "3"), ("sy", "1.8"), ("sz", "1.8"), ("batter", "6")):
            type_into(browser, find(browser, f"#grid-{key}"), text)
        if find(browser, "#grid-outer-rows").is_selected():
            click(browser, find(browser, "#grid-outer-rows"))
        if not find(browser, "#grid-outer-columns").is_selected():
            click(browser, find(browser, "#grid-outer-columns"))
        click(browser, find(browser, "#grid-add"))
        wait(browser, lambda d: len(document(d).get("pileGroups", [])) == 6, message="the grid was not added")
        # The grid's 1:6 is 80.5377°; the example rounds it to 80.54: the four
        # battered piles, picked in the plan, take it together.
        for group in (1, 3, 4, 6):
            click(browser, find(browser, f'#edit-plan g.pile[data-group="{group}"]'))
        wait(browser, lambda d: finds(d, "#piles-bulk"), message="no panel for the picked piles")
        type_into(browser, find(browser, "#bulk-batter-beta"), "80.54")
        click(browser, find(browser, '#piles-bulk button[data-for="bulk-batter-beta"]'))
        wait(browser, lambda d: document(d)["pileGroups"] == EXPECTED["pileGroups"],
             message="the piles are not the example's")
        shot(browser, artefacts, "editor-7-piles-picked")

    def test_soil(self, server, browser):
        tab(browser, "soil")
        put(browser, "/soilLayers/0/bottom/x", "5")
        put(browser, "/soilLayers/0/bottom/undrainedShearStrength", "25")
        for side, (friction, tip) in (("top", ("12", "135")), ("bottom", ("20", "225"))):
            put(browser, f"/soilLayers/0/{side}/unitSideFriction", friction)
            put(browser, f"/soilLayers/0/{side}/unitTipResistance", tip)
        for i in (1, 2):
            click(browser, find(browser, "#layer-add"))
            wait(browser, lambda d: len(document(d)["soilLayers"]) == i + 1)
            choose(browser, f"/soilLayers/{i}/type", "stiffClayBelowWaterTable")
            wait(browser, lambda d: at(document(d), f"/soilLayers/{i}/type") == "stiffClayBelowWaterTable")
            for side in ("top", "bottom"):
                for key, value in EXPECTED["soilLayers"][i][side].items():
                    put(browser, f"/soilLayers/{i}/{side}/{key}", repr(value))
        wait(browser, lambda d: document(d)["soilLayers"] == EXPECTED["soilLayers"], message="the layers differ")

    def test_loads(self, server, browser):
        tab(browser, "loads")
        put(browser, "/loadCases/0/name", "Dead load")
        put(browser, "/loadCases/0/nodeStep", "5")
        paste(browser, "#loads-paste", "#loads-paste-apply", "Fx\tFy\n6000\t150\n")
        wait(browser, lambda d: at(document(d), "/loadCases/0/loads") == EXPECTED["loadCases"][0]["loads"])
        click(browser, find(browser, "#case-add"))
        wait(browser, lambda d: len(document(d)["loadCases"]) == 2)
        put(browser, "/loadCases/1/name", "Live load and wind")
        choose(browser, "/loadCases/1/type", "wind")
        put(browser, "/loadCases/1/nodeStep", "5")
        paste(browser, "#loads-paste", "#loads-paste-apply",
              "Fx\tFy\tMz\tFz\tMy\tMx\tat x\tat y\n1800\t420\t-350\t260\t180\t95\t\t\n\t35\t\t20\t\t\t-0.6\t2.4\n")
        wait(browser, lambda d: document(d)["loadCases"] == EXPECTED["loadCases"], message="the load cases differ")

    def test_combination_envelopes_and_printed_curves(self, server, browser, artefacts):
        tab(browser, "combinations")
        click(browser, find(browser, "#comb-add"))
        wait(browser, lambda d: len(document(d).get("combinations", [])) == 1)
        put(browser, "/combinations/0/name", EXPECTED["combinations"][0]["name"])
        click(browser, find(browser, "#comb-case-add"))
        click(browser, find(browser, "#comb-case-add"))
        wait(browser, lambda d: len(at(document(d), "/combinations/0/cases") or []) == 2)
        put(browser, "/combinations/0/cases/0/factor", "1.2")
        put(browser, "/combinations/0/cases/1/factor", "1.6")
        put(browser, "/combinations/0/nodeStep", "5")
        put(browser, "/combinations/0/resistanceFactors/bending", "0.9")
        put(browser, "/combinations/0/resistanceFactors/shear", "0.9")
        for key in ("loadCases", "combinations"):
            click(browser, find(browser, f"#envelope-{key}"))
            wait(browser, lambda d: at(document(d), f"/envelopes/{key}") is not None)
        put(browser, "/envelopes/loadCases/nodeStep", "5")
        choose(browser, "/envelopes/combinations/print", "pileHeads")
        wait(browser, lambda d: document(d).get("envelopes") == EXPECTED["envelopes"])
        assert document(browser)["combinations"] == EXPECTED["combinations"]
        shot(browser, artefacts, "editor-8-combinations")

        tab(browser, "curves")
        click(browser, find(browser, "#curves-kind-print"))
        wait(browser, lambda d: finds(d, "#print-use"))
        click(browser, find(browser, "#print-use"))
        for k, x in enumerate(("2", "8")):
            wait(browser, lambda d: finds(d, "#print-add"))
            click(browser, find(browser, "#print-add"))
            wait(browser, lambda d: len(document(d).get("printPyCurves", [])) == k + 1)
            put(browser, f"/printPyCurves/{k}/pileGroup", "2")
            put(browser, f"/printPyCurves/{k}/x", x)
        checked(browser)
        assert document(browser) == EXPECTED
        assert find(browser, "#check-status").text.startswith("The model is valid")
        shot(browser, artefacts, "editor-9-curves")

    def test_saved_files(self, server, browser, downloads):
        # The YAML document: the expected one.
        text = save(browser, downloads, "yaml", "new-model.yaml").read_text(encoding="utf-8")
        assert yaml.safe_load(text) == SAVED
        assert find(browser, "#unsaved").text == ""
        # The input data file: record for record the example's, as the
        # program writes it (the comment lines name the source).
        dat = save(browser, downloads, "dat", "new-model.dat").read_text(encoding="utf-8")
        example = subprocess.run([os.environ["PYLORA_PROGRAM"], "convert", str(GROUP3D / "model.yaml"), "-o",
                                  str(downloads / "example.dat")], capture_output=True, text=True, timeout=60)
        assert example.returncode == 0, example.stderr
        mine = dat.splitlines()
        theirs = (downloads / "example.dat").read_text(encoding="utf-8").splitlines()
        assert len(mine) == len(theirs)
        assert [a for a, b in zip(mine, theirs) if a != b and not a.startswith("Written by pylora")] == []
        # And the JSON document.
        assert json.loads(save(browser, downloads, "json", "new-model.json").read_text(encoding="utf-8")) == EXPECTED

    def test_run_gives_the_example_results(self, server, browser, reference, artefacts):
        wait(browser, lambda d: find(d, "#run-button").is_enabled(), message="the run stays blocked")
        click(browser, find(browser, "#run-button"))
        # The run view goes on to the results when the run has completed.
        wait(browser, lambda d: finds(d, "[data-testid=cap-ux]"), timeout=300, message="no results shown")
        status, runs = api(server, "/api/runs")
        assert status == 200 and runs[-1]["state"] == "completed"
        run_id = runs[-1]["id"]
        shot(browser, artefacts, "editor-10-results")
        status, results = api(server, f"/api/runs/{run_id}/results")
        assert status == 200
        assert results["returnCode"] == reference["returnCode"] == 0
        assert len(results["analyses"]) == len(reference["analyses"]) == 3
        for mine, theirs in zip(results["analyses"], reference["analyses"]):
            assert mine["name"] == theirs["name"]
            assert mine["capDisplacement"] == theirs["capDisplacement"]
            assert [p["head"] for p in mine["piles"]] == [p["head"] for p in theirs["piles"]]
        assert results["envelopes"] == reference["envelopes"]
        assert results["pyCurves"] == reference["pyCurves"]
        # Back in the editor, the model is as it was.
        click(browser, find(browser, "#tab-model"))
        wait(browser, lambda d: finds(d, "#editor-body"))
        assert document(browser) == EXPECTED
        assert find(browser, "#model-title").text == EXPECTED["title"]

    def test_pictures_of_every_page(self, server, browser, artefacts):
        """Each page of the editor on the finished model, for the documentation."""
        browser.set_window_size(1280, 1500)
        try:
            for name in ("overview", "general", "piles", "properties", "soil", "loads", "combinations", "curves"):
                tab(browser, name)
                checked(browser)
                browser.execute_script("window.scrollTo(0, 0)")
                shot(browser, artefacts, f"editor-page-{name}")
        finally:
            browser.set_window_size(1280, 900)
