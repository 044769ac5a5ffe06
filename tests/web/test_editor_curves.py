# SPDX-License-Identifier: Apache-2.0
"""The Curves page of the model editor in a headless Chromium (Selenium),
against a server started for the module as in test_browser.py.

One session, in order: a new model, a user load-settlement curve pasted as
tab-separated rows and drawn, a settlement typed out of order flagged at its
field at once, and a value that is no number shown at its point by the
server's check. The points are those of the pasted text; the check's answer
is the server's own."""
from __future__ import annotations

import json
import sys
from pathlib import Path

import pytest

selenium = pytest.importorskip("selenium")
from selenium.webdriver.common.keys import Keys  # noqa: E402

sys.path.insert(0, str(Path(__file__).resolve().parent))
from test_browser import TOKEN, artefacts, browser, click, downloads, find, finds, server, shot, wait  # noqa: E402,F401
from test_editor import new_model  # noqa: E402

# A header in the other order than the table's, as a spreadsheet may have it.
PASTED = "Settlement [m]\tAxial load [kN]\n0\t0\n0.004\t400\n0.010\t800\n0.025\t1000\n"
POINTS = [[0, 0], [0.004, 400], [0.01, 800], [0.025, 1000]]
BASE = "/userLoadSettlementCurves/0/points"


def cell(driver, pointer: str):
    return find(driver, f'#editor-body [data-pointer="{pointer}"]')


def type_into(driver, element, text: str) -> None:
    click(driver, element)
    element.send_keys(Keys.CONTROL, "a")
    element.send_keys(text)


def plotted(driver) -> list:
    return json.loads(find(driver, "#curve-chart").get_attribute("data-points") or "[]")


class TestCurves:
    def test_paste_and_plot_a_load_settlement_curve(self, server, browser, artefacts):
        new_model(browser, server)
        click(browser, find(browser, "#edit-tab-curves"))
        click(browser, find(browser, "#curves-kind-ls"))
        click(browser, find(browser, "#curves-use"))
        click(browser, wait(browser, lambda d: finds(d, "#curve-item-add") and find(d, "#curve-item-add")))
        area = wait(browser, lambda d: finds(d, "#curve-paste") and find(d, "#curve-paste"))
        browser.execute_script("arguments[0].value = arguments[1];", area, PASTED)
        click(browser, find(browser, "#curve-paste-apply"))
        wait(browser, lambda d: len(finds(d, "#curve-points tbody tr")) == 4, message="the points were not pasted")
        assert [[cell(browser, f"{BASE}/{i}/{j}").get_attribute("value") for j in (0, 1)] for i in range(4)] == \
            [["0", "0"], ["400", "0.004"], ["800", "0.01"], ["1000", "0.025"]]
        heads = find(browser, "#curve-points thead").text
        assert "Axial load [kN]" in heads and "Settlement [m]" in heads
        # The plot: settlement across, load up, every point.
        wait(browser, lambda d: find(d, "#curve-chart").get_attribute("data-ready") == "true", message="no chart")
        assert plotted(browser) == POINTS
        assert not finds(browser, "#curve-problems li")

    def test_point_out_of_order_is_flagged_at_its_field(self, server, browser, artefacts):
        field = cell(browser, f"{BASE}/2/1")
        type_into(browser, field, "0.002")
        wait(browser, lambda d: "flagged" in cell(d, f"{BASE}/2/1").get_attribute("class"), message="not flagged")
        problem = find(browser, "#curve-problems li").text
        assert "settlement 0.002 of point 3 is below the 0.004 of point 2" in problem
        # The plot follows the typing: the line turns back at point 3.
        assert plotted(browser)[2] == [0.002, 800]
        # Restored, the flag goes.
        type_into(browser, cell(browser, f"{BASE}/2/1"), "0.01")
        wait(browser, lambda d: "flagged" not in cell(d, f"{BASE}/2/1").get_attribute("class"), message="still flagged")
        # A value that is no number: flagged at once, and the server's check
        # shows its diagnostic at the point.
        type_into(browser, cell(browser, f"{BASE}/3/0"), "1,5")
        cell(browser, f"{BASE}/3/0").send_keys(Keys.TAB)
        wait(browser, lambda d: "invalid" in cell(d, f"{BASE}/3/0").get_attribute("class"), message="the check did not mark the point")
        assert "flagged" in cell(browser, f"{BASE}/3/0").get_attribute("class")
        assert "pair of numbers" in cell(browser, f"{BASE}/3/0").get_attribute("title")
        assert plotted(browser) == POINTS[:3]
        shot(browser, artefacts, "editor-curves")
