# SPDX-License-Identifier: Apache-2.0
"""The Soil page of the model editor in a headless Chromium: two clay layers
typed into a new model, the strength plotted at the typed depths, and a gap
between the layers flagged at the lower one. The fixtures are those of
test_browser.py; screenshots go to $PYLORA_WEB_ARTEFACTS."""
from __future__ import annotations

import json
import sys
from pathlib import Path

import pytest

selenium = pytest.importorskip("selenium")
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402

sys.path.insert(0, str(Path(__file__).resolve().parent))
from test_browser import TOKEN, artefacts, browser, click, downloads, find, finds, server, shot, wait  # noqa: E402,F401
from test_editor import new_model  # noqa: E402


def field(pointer: str) -> str:
    return f'#editor-body [data-pointer="{pointer}"]'


def type_into(driver, pointer: str, text: str) -> None:
    element = find(driver, field(pointer))
    click(driver, element)
    element.send_keys(Keys.CONTROL, "a")
    element.send_keys(text)
    element.send_keys(Keys.TAB)


def series(driver) -> dict:
    return json.loads(find(driver, "#soil-plot").get_attribute("data-series") or "{}")


def test_two_clay_layers_plotted_and_a_gap_flagged(server, browser, artefacts):
    new_model(browser, server)
    click(browser, find(browser, "#edit-tab-soil"))
    wait(browser, lambda d: finds(d, "#edit-soil fieldset.layer"), message="the soil page did not show")

    # The new model's soft clay, 0 to 30 m, cut at 6 m; a second layer below it.
    type_into(browser, "/soilLayers/0/bottom/x", "6")
    type_into(browser, "/soilLayers/0/bottom/undrainedShearStrength", "25")
    click(browser, find(browser, "#layer-add"))
    wait(browser, lambda d: len(finds(d, "#edit-soil fieldset.layer")) == 2, message="no second layer")
    # Carried down from the layer above: its top at 6 m, as thick as it.
    assert find(browser, field("/soilLayers/1/top/x")).get_attribute("value") == "6"
    assert find(browser, field("/soilLayers/1/bottom/x")).get_attribute("value") == "12"
    Select(find(browser, field("/soilLayers/1/type"))).select_by_value("stiffClayBelowWaterTable")
    wait(browser, lambda d: finds(d, field("/soilLayers/1/top/subgradeModulus")), message="k of stiff clay did not show")
    # ε50 carried from the soft clay is kept under the new type.
    assert find(browser, field("/soilLayers/1/top/eps50")).get_attribute("value") == "0.02"
    type_into(browser, "/soilLayers/1/top/undrainedShearStrength", "60")
    type_into(browser, "/soilLayers/1/bottom/undrainedShearStrength", "90")

    # The strength as typed: 15 -> 25 kPa over 0-6 m, 60 -> 90 kPa over 6-12 m.
    wait(browser, lambda d: series(d).get("c") == [[[15, 0], [25, 6]], [[60, 6], [90, 12]]],
         message=f"the plotted strength is {series(browser).get('c')}")
    wait(browser, lambda d: find(d, "#soil-plot").get_attribute("data-ready") == "true", message="no chart")
    assert not find(browser, "#edit-soil fieldset.layer[data-layer='2'] .layer-joint").text
    rows = finds(browser, "#soil-table tbody tr")
    assert [r.find_elements("css selector", "td")[3].text for r in rows] == ["soft clay", "stiff clay below water table"]
    # The 20 m pile reaches below the 12 m profile.
    assert "below the last layer" in find(browser, "#soil-reach").text

    # The second layer moved down to 8 m: a gap of 2 m, flagged at it.
    type_into(browser, "/soilLayers/1/top/x", "8")
    wait(browser, lambda d: "gap of 2 m" in find(d, "#edit-soil fieldset.layer[data-layer='2'] .layer-joint").text,
         message="the gap is not flagged")
    assert "flagged" in finds(browser, "#soil-table tbody tr")[1].get_attribute("class")
    assert series(browser)["c"][1] == [[60, 8], [90, 12]]
    shot(browser, artefacts, "editor-soil")
