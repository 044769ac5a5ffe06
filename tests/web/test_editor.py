# SPDX-License-Identifier: Apache-2.0
"""The model editor in a headless Chromium (Selenium), against a server
started for the module as in test_browser.py.

One session, in order: a new model, its title, a 2 x 3 grid of piles, a load
case pasted as tab-separated text, an invalid value shown at its field with
the run blocked, corrected, undone and redone, and a reload that keeps the
work. The expected layout is the one examples/group3d describes in
docs/model-document.md; the expected diagnostics come from the server's own
POST /api/check. Screenshots of each page of the editor go to
$PYLORA_WEB_ARTEFACTS."""
from __future__ import annotations

import json
import math
import sys
from pathlib import Path

import pytest

selenium = pytest.importorskip("selenium")
from selenium.common.exceptions import NoAlertPresentException  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402

sys.path.insert(0, str(Path(__file__).resolve().parent))
from test_browser import (TOKEN, api, artefacts, browser, click, downloads, find, finds, server,  # noqa: E402,F401
                          shot, wait)

# examples/group3d: two rows of three at 1.8 m, the outer piles of each row
# battered 1:6 outward along Y (BETA 80.54, ALPHA 180 towards -Y, 0 towards +Y).
HEADS = [(-1.8, -0.9), (0.0, -0.9), (1.8, -0.9), (-1.8, 0.9), (0.0, 0.9), (1.8, 0.9)]
BATTERS = [(180.0, 80.54), (None, None), (None, 80.54), (180.0, 80.54), (None, None), (None, 80.54)]
PASTED = "Fx [kN]\tFy [kN]\tMz [kN·m]\tx [m]\n6000\t150\t-350\t\n\t35\t\t-0.6\n"
FX = '#editor-body [data-pointer="/loadCases/0/loads/0/Fx"]'


def new_model(driver, server: str) -> None:
    """Opens the application and starts a new model from the first template."""
    driver.get(f"{server}/?token={TOKEN}")
    wait(driver, lambda d: finds(d, "#new-model"))
    click(driver, find(driver, "#new-model"))
    wait(driver, lambda d: finds(d, "#editor-body"), message="the editor did not show")


def tab(driver, name: str) -> None:
    click(driver, find(driver, f"#edit-tab-{name}"))
    wait(driver, lambda d: finds(d, f"#edit-{name}"), message=f"the {name} page did not show")


def type_into(driver, element, text: str) -> None:
    click(driver, element)
    element.send_keys(Keys.CONTROL, "a")
    element.send_keys(text)
    element.send_keys(Keys.TAB)


def value(driver, pointer: str) -> str:
    return find(driver, f'#editor-body [data-pointer="{pointer}"]').get_attribute("value")


def checked(driver) -> None:
    """Waits for the check of the latest document to come back."""
    wait(driver, lambda d: find(d, "#check-status").text not in ("", "Checking…"), message="no check")


class TestEditor:
    def test_new_model_and_title(self, server, browser, artefacts):
        new_model(browser, server)
        checked(browser)
        assert find(browser, "#check-status").text.startswith("The model is valid")
        # A model without piles is valid, but there is nothing to run.
        assert not find(browser, "#run-button").is_enabled()
        assert "no piles" in find(browser, "#run-blocked").text
        tab(browser, "general")
        type_into(browser, find(browser, '#editor-body [data-pointer="/title"]'), "Editor test group")
        wait(browser, lambda d: find(d, "#model-title").text == "Editor test group")
        # Each switch is a named choice with its explanation.
        units = finds(browser, "#switch-units label.choice")
        assert [u.find_element(By.TAG_NAME, "input").get_attribute("value") for u in units] == ["english", "metric", "open"]
        assert find(browser, "#switch-units-metric").is_selected()
        assert "converted" in find(browser, "#switch-units").text
        shot(browser, artefacts, "editor-1-general")

    def test_grid_of_piles(self, server, browser, artefacts):
        tab(browser, "piles")
        for field, text in (("rows", "2"), ("columns", "3"), ("sy", "1.8"), ("sz", "1.8"), ("batter", "6")):
            type_into(browser, find(browser, f"#grid-{field}"), text)
        Select(find(browser, "#grid-origin")).select_by_value("centre")
        if find(browser, "#grid-outer-rows").is_selected():
            click(browser, find(browser, "#grid-outer-rows"))
        if not find(browser, "#grid-outer-columns").is_selected():
            click(browser, find(browser, "#grid-outer-columns"))
        click(browser, find(browser, "#grid-add"))
        wait(browser, lambda d: len(finds(d, "#edit-piles tbody tr")) == 6, message="the grid was not added")
        for i, (y, z) in enumerate(HEADS):
            assert float(value(browser, f"/pileGroups/{i}/head/y")) == y
            assert float(value(browser, f"/pileGroups/{i}/head/z")) == z
            alpha, beta = BATTERS[i]
            got_alpha = value(browser, f"/pileGroups/{i}/batter/alpha")
            got_beta = value(browser, f"/pileGroups/{i}/batter/beta")
            assert (float(got_alpha) if got_alpha else None) == alpha
            assert (round(float(got_beta), 2) if got_beta else None) == beta
        # The plan beside the table shows the six piles, the battered ones with their line.
        piles = finds(browser, "#edit-plan g.pile")
        assert len(piles) == 6
        battered = {int(p.get_attribute("data-group")) for p in piles if p.find_elements(By.CSS_SELECTOR, "line.batter")}
        assert battered == {1, 3, 4, 6}
        checked(browser)
        wait(browser, lambda d: find(d, "#run-button").is_enabled(), message="the run stays blocked")
        shot(browser, artefacts, "editor-2-piles")

    def test_paste_a_load_case(self, server, browser, artefacts):
        tab(browser, "loads")
        area = find(browser, "#loads-paste")
        click(browser, area)
        # The text goes in as it is (send_keys would turn the tabs into focus moves).
        browser.execute_script("arguments[0].value = arguments[1];", area, PASTED)
        click(browser, find(browser, "#loads-paste-apply"))
        wait(browser, lambda d: len(finds(d, "#edit-loads tbody tr")) == 2, message="the rows were not pasted")
        assert [value(browser, f"/loadCases/0/loads/0/{k}") for k in ("Fx", "Fy", "Mz", "at/x", "Fz")] == ["6000", "150", "-350", "", ""]
        assert [value(browser, f"/loadCases/0/loads/1/{k}") for k in ("Fx", "Fy", "at/x")] == ["", "35", "-0.6"]
        heads = find(browser, "#edit-loads thead").text
        assert "Fx [kN]" in heads and "Mz [kN·m]" in heads and "at x [m]" in heads
        # A bad cell is named by its row and column, and nothing is added.
        browser.execute_script("arguments[0].value = arguments[1];", find(browser, "#loads-paste"), "1\t2\n3\tx4\n")
        click(browser, find(browser, "#loads-paste-apply"))
        wait(browser, lambda d: finds(d, "#paste-errors li"))
        assert find(browser, "#paste-errors li").text.startswith("row 2, column 2")
        assert len(finds(browser, "#edit-loads tbody tr")) == 2
        shot(browser, artefacts, "editor-3-loads")

    def test_invalid_value_blocks_the_run(self, server, browser, artefacts):
        type_into(browser, find(browser, FX), "abc")
        wait(browser, lambda d: "invalid" in find(d, FX).get_attribute("class"), message="no diagnostic at the field")
        # What the field says is what the server says of this document.
        document = browser.execute_script("return JSON.parse(localStorage.getItem('pylora-web-editor')).doc")
        status, answer = api(server, "/api/check", json.dumps(document).encode(), "application/json")
        assert status == 200 and answer["valid"] is False
        errors = [d for d in answer["diagnostics"] if d["severity"] == "error"]
        assert [d["pointer"] for d in errors] == ["/loadCases/0/loads/0/Fx"]
        assert errors[0]["message"] in find(browser, FX).get_attribute("data-message")
        assert not find(browser, "#run-button").is_enabled()
        assert "1 error" in find(browser, "#run-blocked").text
        items = finds(browser, "#edit-diagnostics li")
        assert [i.get_attribute("data-pointer") for i in items] == ["/loadCases/0/loads/0/Fx"]
        shot(browser, artefacts, "editor-4-diagnostic")
        # The list leads to the field from another page.
        tab(browser, "soil")
        click(browser, find(browser, "#edit-diagnostics li button"))
        wait(browser, lambda d: finds(d, "#edit-loads"))
        assert browser.switch_to.active_element.get_attribute("data-pointer") == "/loadCases/0/loads/0/Fx"
        # Corrected, the run may start.
        type_into(browser, find(browser, FX), "6100")
        wait(browser, lambda d: "invalid" not in find(d, FX).get_attribute("class"), message="the diagnostic stays")
        wait(browser, lambda d: find(d, "#run-button").is_enabled())

    def test_undo_and_redo(self, server, browser):
        click(browser, find(browser, "#undo"))
        wait(browser, lambda d: find(d, FX).get_attribute("value") == "abc")
        wait(browser, lambda d: "invalid" in find(d, FX).get_attribute("class") and not find(d, "#run-button").is_enabled())
        click(browser, find(browser, "#undo"))
        wait(browser, lambda d: find(d, FX).get_attribute("value") == "6000")
        click(browser, find(browser, "#redo"))
        click(browser, find(browser, "#redo"))
        wait(browser, lambda d: find(d, FX).get_attribute("value") == "6100")
        wait(browser, lambda d: find(d, "#run-button").is_enabled())
        # Undo by the keyboard, outside a field.
        browser.execute_script("document.activeElement.blur()")
        find(browser, "body").send_keys(Keys.CONTROL, "z")
        wait(browser, lambda d: find(d, FX).get_attribute("value") == "abc")
        find(browser, "body").send_keys(Keys.CONTROL, "y")
        wait(browser, lambda d: find(d, FX).get_attribute("value") == "6100")

    def test_soil_fields_follow_the_type(self, server, browser, artefacts):
        tab(browser, "soil")
        keys = lambda d: {th.get_attribute("title") for th in finds(d, "#edit-soil fieldset.layer th[title]")}  # noqa: E731
        assert keys(browser) == {"effectiveUnitWeight", "undrainedShearStrength", "eps50", "unitSideFriction", "unitTipResistance"}
        assert len(finds(browser, "#edit-soil-column .soil-layer")) == 1
        shot(browser, artefacts, "editor-5-soil")
        Select(find(browser, '#editor-body [data-pointer="/soilLayers/0/type"]')).select_by_value("sand")
        wait(browser, lambda d: "frictionAngle" in keys(d), message="the sand fields did not show")
        assert "sand" in find(browser, "#edit-soil-column .soil-layer").text
        click(browser, find(browser, "#undo"))
        wait(browser, lambda d: "frictionAngle" not in keys(d))

    def test_reload_keeps_the_work(self, server, browser, artefacts):
        tab(browser, "overview")
        assert find(browser, "#unsaved").text == "unsaved changes"
        # Leaving with unsaved changes asks first.
        asks = browser.execute_script(
            "const e = new Event('beforeunload', {cancelable: true}); window.dispatchEvent(e); return e.defaultPrevented;")
        assert asks is True
        browser.refresh()
        try:
            browser.switch_to.alert.accept()
        except NoAlertPresentException:
            pass
        wait(browser, lambda d: finds(d, "#continue-editing"), message="the edited model is not offered after the reload")
        click(browser, find(browser, "#tab-model"))
        wait(browser, lambda d: finds(d, "#editor-body"))
        assert find(browser, "#model-title").text == "Editor test group"
        assert len(finds(browser, "#model-plan g.pile")) == 6
        shot(browser, artefacts, "editor-0-overview")
        tab(browser, "loads")
        assert value(browser, "/loadCases/0/loads/0/Fx") == "6100"
        assert value(browser, "/loadCases/0/loads/1/at/x") == "-0.6"
        # The history came back too.
        click(browser, find(browser, "#undo"))
        wait(browser, lambda d: find(d, FX).get_attribute("value") == "abc")
        click(browser, find(browser, "#redo"))
        wait(browser, lambda d: find(d, FX).get_attribute("value") == "6100")
        assert math.isclose(float(value(browser, "/loadCases/0/loads/0/Mz")), -350.0)

    def test_open_an_example_over_unsaved_work(self, server, browser):
        click(browser, find(browser, "#tab-open"))
        wait(browser, lambda d: finds(d, "#example-group3d"))
        click(browser, find(browser, "#example-group3d"))
        # The edited model has unsaved changes: the page asks before it gives way.
        wait(browser, lambda d: d.switch_to.alert, message="no question before the work is replaced")
        browser.switch_to.alert.accept()
        wait(browser, lambda d: find(d, "#model-title").text.startswith("Six-pile group"))
        assert find(browser, "#unsaved").text == ""
        assert len(finds(browser, "#model-plan g.pile")) == 6

    def test_load_case_in_a_combination_is_kept(self, server, browser):
        tab(browser, "loads")
        click(browser, find(browser, "#case-delete"))
        wait(browser, lambda d: find(d, "#case-delete-refused").text)
        assert "1.2 DL + 1.6 (LL + WN)" in find(browser, "#case-delete-refused").text
        assert len(finds(browser, ".case-picker [data-case]")) == 2

    def test_rows_pasted_into_a_cell(self, server, browser):
        click(browser, find(browser, "#case-1"))
        wait(browser, lambda d: len(finds(d, "#edit-loads tbody tr")) == 2)
        cell = find(browser, '#editor-body [data-pointer="/loadCases/1/loads/1/Fy"]')
        browser.execute_script("""
            const data = new DataTransfer();
            data.setData('text/plain', arguments[1]);
            arguments[0].dispatchEvent(new ClipboardEvent('paste', {clipboardData: data, bubbles: true, cancelable: true}));
        """, cell, "1\t2\n3\t4\n")
        wait(browser, lambda d: len(finds(d, "#edit-loads tbody tr")) == 3, message="the pasted rows did not arrive")
        # From the cell on: Fy and Fz of the second load, a third load below it.
        assert [value(browser, f"/loadCases/1/loads/1/{k}") for k in ("Fy", "Fz", "Mx", "at/x")] == ["1", "2", "", "-0.6"]
        assert [value(browser, f"/loadCases/1/loads/2/{k}") for k in ("Fx", "Fy", "Fz")] == ["", "3", "4"]
        click(browser, find(browser, "#undo"))
        wait(browser, lambda d: len(finds(d, "#edit-loads tbody tr")) == 2)
        assert [value(browser, f"/loadCases/1/loads/1/{k}") for k in ("Fy", "Fz")] == ["35", "20"]
