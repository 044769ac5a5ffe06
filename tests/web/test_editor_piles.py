# SPDX-License-Identifier: Apache-2.0
"""The Properties and Piles pages of the model editor in a headless Chromium,
against a server started for the module as in test_browser.py.

One session, in order: a new model, whose pipe 600 x 12 mm is given a slipped
area (0.22167 for 0.022167 m²: A = π/4 (0.6² − 0.576²)); then a 2 x 3 grid of
piles, two of them picked in the plan and pinned together, and one undo that
makes them fixed again."""
from __future__ import annotations

import sys
from pathlib import Path

import pytest

selenium = pytest.importorskip("selenium")
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402

sys.path.insert(0, str(Path(__file__).resolve().parent))
from test_browser import TOKEN, artefacts, browser, click, downloads, find, finds, server, shot, wait  # noqa: E402,F401
from test_editor import new_model, tab, value  # noqa: E402

AREA = '#editor-body [data-pointer="/crossSections/0/area"]'


class TestPropertiesAndPiles:
    def test_slipped_area_is_marked(self, server, browser, artefacts):
        new_model(browser, server)
        tab(browser, "properties")
        area = find(browser, AREA)
        assert "mismatch" not in area.get_attribute("class")
        click(browser, area)
        area.send_keys(Keys.CONTROL, "a")
        area.send_keys("0.22167")
        row = '#edit-cross-sections fieldset[data-section="1"] tr[data-quantity="area"]'
        wait(browser, lambda d: "mismatch" in find(d, AREA).get_attribute("class"), message="the slipped area is not marked")
        assert find(browser, f"{row} td.computed").text == "0.022167"
        assert find(browser, f"{row} .mismatch-note").text == "≠ +900.0 %"
        shot(browser, artefacts, "editor-properties-mismatch")
        click(browser, find(browser, f"{row} button.use-computed"))
        wait(browser, lambda d: value(d, "/crossSections/0/area") == "0.022167", message="the computed area was not put in")
        assert "mismatch" not in find(browser, AREA).get_attribute("class")
        assert not finds(browser, f"{row} .mismatch-note")

    def test_pick_in_plan_and_pin_together(self, server, browser, artefacts):
        tab(browser, "piles")
        click(browser, find(browser, "#grid-add"))
        wait(browser, lambda d: len(finds(d, "#edit-piles tbody tr")) == 6, message="the grid was not added")
        for group in (1, 2):
            click(browser, find(browser, f'#edit-plan g.pile[data-group="{group}"]'))
            wait(browser, lambda d: len(finds(d, "#edit-piles tbody tr.picked")) == group, message=f"pile {group} was not picked")
        assert {int(g.get_attribute("data-group")) for g in finds(browser, "#edit-plan g.pile.selected")} == {1, 2}
        assert find(browser, "#piles-picked").get_attribute("data-count") == "2"
        Select(find(browser, "#bulk-connection")).select_by_value("pinned")
        connection = lambda d, i: Select(find(d, f'#editor-body select[data-pointer="/pileGroups/{i}/connection"]')).first_selected_option.get_attribute("value")
        wait(browser, lambda d: [connection(d, i) for i in range(3)] == ["pinned", "pinned", "fixed"], message="the connections were not set together")
        shot(browser, artefacts, "editor-piles-picked")
        click(browser, find(browser, "#undo"))
        wait(browser, lambda d: [connection(d, i) for i in range(6)] == ["fixed"] * 6, message="one undo did not restore both")
        # The selection outlives the edit and its undo; it is cleared on demand.
        assert len(finds(browser, "#edit-plan g.pile.selected")) == 2
        click(browser, find(browser, "#piles-pick-none"))
        wait(browser, lambda d: not finds(d, "#edit-plan g.pile.selected") and not finds(d, "#piles-bulk"), message="the selection was not cleared")

    def test_one_group_in_full_and_moved(self, server, browser, artefacts):
        click(browser, find(browser, '#edit-plan g.pile[data-group="3"]'))
        wait(browser, lambda d: finds(d, '#pile-detail[data-group="3"]'), message="the detail of pile group 3 did not show")
        dy = find(browser, "#bulk-dy")
        dy.send_keys("0.5")
        click(browser, find(browser, "#bulk-move"))
        wait(browser, lambda d: value(d, "/pileGroups/2/head/y") == "2.3", message="pile group 3 was not moved")
        assert value(browser, "/pileGroups/5/head/y") == "1.8"
        shot(browser, artefacts, "editor-piles-detail")
