# SPDX-License-Identifier: Apache-2.0
"""The Loads and Combinations pages of the model editor in a headless
Chromium, one session in order: a distributed-load set pasted as
tab-separated text and used by a distributed load (so it cannot be
deleted), the server's diagnostic shown at the load's field, a second load
case, a combination of the two with factors 1.2 and 1.6 built through the
page, a renamed case followed by the combination, and envelopes. The
document is read back from the editor's store and checked at the pointers."""
from __future__ import annotations

import json
import sys
from pathlib import Path

import pytest

selenium = pytest.importorskip("selenium")
from selenium.webdriver.support.ui import Select  # noqa: E402

sys.path.insert(0, str(Path(__file__).resolve().parent))
from test_browser import TOKEN, api, browser, click, downloads, find, finds, server, wait  # noqa: E402,F401
from test_editor import new_model, tab, type_into  # noqa: E402

SET = "depth [m]\tload [kN/m]\n0\t10\n5\t4\n12\t0\n"


def document(driver) -> dict:
    return driver.execute_script("return JSON.parse(localStorage.getItem('pylora-web-editor')).doc")


def at(driver, pointer: str):
    return find(driver, f'#editor-body [data-pointer="{pointer}"]')


def paste_set(driver, text: str) -> None:
    driver.execute_script("arguments[0].value = arguments[1];", find(driver, "#set-paste"), text)
    click(driver, find(driver, "#set-paste-apply"))


class TestLoadsAndCombinations:
    def test_distributed_load_set(self, server, browser):
        new_model(browser, server)
        tab(browser, "loads")
        click(browser, find(browser, "#set-add"))
        paste_set(browser, SET)
        wait(browser, lambda d: len(finds(d, "#set-points tbody tr")) == 3, message="the points were not pasted")
        assert document(browser)["distributedLoadSets"] == [{"points": [[0, 10], [5, 4], [12, 0]]}]
        assert at(browser, "/distributedLoadSets/0/points/1/1").get_attribute("value") == "4"
        # A bad cell is named by its row and column; the set is unchanged.
        paste_set(browser, "0\t1\nx\t2\n")
        wait(browser, lambda d: finds(d, "#set-paste-errors li"))
        assert find(browser, "#set-paste-errors li").text.startswith("row 2, column 1")
        assert len(document(browser)["distributedLoadSets"][0]["points"]) == 3

        # A distributed load takes the set; the set cannot go while it is named.
        click(browser, find(browser, "#distributed-add"))
        wait(browser, lambda d: finds(d, "#edit-distributed tbody tr"))
        assert document(browser)["loadCases"][0]["distributedLoads"] == [{"piles": {"first": 1}, "y": {"set": 1}}]
        Select(at(browser, "/loadCases/0/distributedLoads/0/axis")).select_by_value("global")
        type_into(browser, at(browser, "/loadCases/0/distributedLoads/0/y/factor"), "1.5")
        click(browser, find(browser, "#set-delete"))
        refused = find(browser, "#set-delete-refused").text
        assert "load case 1" in refused and "distributed load 1" in refused
        assert len(document(browser)["distributedLoadSets"]) == 1
        # The new model has no pile groups: the server says so at the field.
        first = "/loadCases/0/distributedLoads/0/piles/first"
        wait(browser, lambda d: "invalid" in (at(d, first).get_attribute("class") or ""), message="no diagnostic at the field")
        assert "pile group" in at(browser, first).get_attribute("data-message")
        load = document(browser)["loadCases"][0]["distributedLoads"][0]
        assert load == {"piles": {"first": 1}, "y": {"set": 1, "factor": 1.5}, "axis": "global"}
        browser.save_screenshot("/tmp/helperB-loads.png")
        # Taken out again, the model is valid.
        click(browser, find(browser, '#edit-distributed input.pick'))
        click(browser, find(browser, "#distributed-delete"))
        wait(browser, lambda d: not finds(d, "#edit-distributed"))

    def test_combination_of_two_cases(self, server, browser):
        click(browser, find(browser, "#case-add"))
        wait(browser, lambda d: finds(d, "#case-1.active"))
        type_into(browser, at(browser, "/loadCases/1/name"), "Wind")
        wait(browser, lambda d: document(d)["loadCases"][1].get("name") == "Wind")
        tab(browser, "combinations")
        click(browser, find(browser, "#comb-add"))
        click(browser, wait(browser, lambda d: finds(d, "#comb-case-add"))[0])
        click(browser, wait(browser, lambda d: len(finds(d, "#comb-cases tbody tr")) == 1 and finds(d, "#comb-case-add"))[0])
        wait(browser, lambda d: len(finds(d, "#comb-cases tbody tr")) == 2)
        # The rows start with the cases not yet combined; swap them through the choosers.
        assert [c["case"] for c in document(browser)["combinations"][0]["cases"]] == ["Load case 1", "Wind"]
        Select(at(browser, "/combinations/0/cases/0/case")).select_by_visible_text("2. Wind")
        Select(at(browser, "/combinations/0/cases/1/case")).select_by_visible_text("1. Load case 1")
        type_into(browser, at(browser, "/combinations/0/cases/0/factor"), "1.6")
        type_into(browser, at(browser, "/combinations/0/cases/1/factor"), "1.2")
        type_into(browser, at(browser, "/combinations/0/resistanceFactors/bending"), "0.9")
        Select(at(browser, "/combinations/0/print")).select_by_value("pileHeads")
        click(browser, find(browser, "#envelope-combinations"))
        wait(browser, lambda d: "envelopes" in document(d))
        doc = document(browser)
        assert doc["combinations"] == [{
            "name": "Combination 1", "print": "pileHeads", "resistanceFactors": {"bending": 0.9},
            "cases": [{"case": "Wind", "factor": 1.6}, {"case": "Load case 1", "factor": 1.2}],
        }]
        assert doc["envelopes"] == {"combinations": {}}
        assert "1.6 × Wind + 1.2 × Load case 1" in find(browser, "#comb-formula").text
        browser.save_screenshot("/tmp/helperB-combinations.png")

        # Renamed on the Loads page, the case is still the one combined.
        tab(browser, "loads")
        click(browser, find(browser, "#case-1"))
        type_into(browser, at(browser, "/loadCases/1/name"), "Wind load")
        wait(browser, lambda d: document(d)["combinations"][0]["cases"][0]["case"] == "Wind load")
        status, answer = api(server, "/api/check", json.dumps(document(browser)).encode(), "application/json")
        assert status == 200 and answer["valid"] is True, answer
