# SPDX-License-Identifier: Apache-2.0
"""A large model in the browser application: the 2000-pile grid of the
engine's benchmark (tests/web/grid_model.py), opened as a file, run through
the application and looked at in its Results view.

Two figures are measured, the targets being 2 s and 200 ms:

(a) from the run's end (the time the server gives as the run's "finished",
    on the same clock as the page's Date.now()) until the Results view's
    plan shows all 2000 piles;
(b) from a click on one pile of the plan (the time of the click event in
    the page) until its profile charts are drawn.

Both are printed and written to figures.txt in $PYLORA_WEB_ARTEFACTS, with
screenshots of the results view of the grid. They are figures to read, not
to assert: on a machine busy with other tests a time says nothing of the
application. The test asserts what the views show, and fails only when a
figure is so far beyond its target (ten times) that something is broken."""
from __future__ import annotations

import json
import sys
import time
from datetime import datetime
from pathlib import Path

import pytest
from selenium.webdriver.common.by import By

sys.path.insert(0, str(Path(__file__).resolve().parent))

from grid_model import PILES, grid_heads, grid_model  # noqa: E402
from test_browser import (TOKEN, api, artefacts, browser, downloads, find, finds, server,  # noqa: E402,F401
                          shot, wait)

PLAN_TARGET_MS = 2000.0
PICK_TARGET_MS = 200.0
BROKEN = 10.0  # times a target beyond which the view is taken for broken
RUN_TIMEOUT = 300  # s: the engine takes some 10 to 20 s on this model

# Watches the page from a frame to the next: when the Results view's plan
# holds all the piles, the time (Date.now() to compare with the server's
# clock, performance.now() for the page's own), and when the run view first
# showed the run as completed.
WATCH_PLAN = """
const want = arguments[0];
window.__large = {};
const look = () => {
  const t = window.__large;
  const state = document.querySelector('#run-state');
  if (t.completedSeen === undefined && state && state.dataset.state === 'completed')
    t.completedSeen = performance.now();
  const plan = document.querySelector('#result-plan [data-testid=plan]');
  const shown = plan ? Number(plan.getAttribute('data-piles') ||
                              plan.querySelectorAll('g.pile').length) : 0;
  if (shown >= want) {
    t.planShown = performance.now();
    t.planShownDate = Date.now();
    t.piles = shown;
    return;
  }
  requestAnimationFrame(look);
};
requestAnimationFrame(look);
"""

# The time of the next click in the page, and the frame in which the
# profile charts of that pile are all drawn.
WATCH_PICK = """
const group = String(arguments[0]);
window.__pick = {};
document.addEventListener('click', (e) => {
  if (window.__pick.clicked === undefined) window.__pick.clicked = performance.now();
}, {capture: true, once: true});
const look = () => {
  const t = window.__pick;
  const title = document.querySelector('#pile-detail-title');
  const charts = Array.from(document.querySelectorAll('#profile-charts .chart'));
  const names = ['deflection', 'moment', 'shear', 'soilReaction'];
  const drawn = t.clicked !== undefined && title && title.dataset.group === group &&
    names.every((n) => charts.some((c) => c.dataset.chart === n)) &&
    charts.length > 0 && charts.every((c) => c.dataset.ready === 'true' &&
                                             c.querySelector('canvas, svg'));
  if (drawn) {
    t.drawn = performance.now();
    t.charts = charts.length;
    return;
  }
  requestAnimationFrame(look);
};
requestAnimationFrame(look);
"""


def iso_ms(text: str) -> float:
    """Milliseconds since the epoch of an ISO 8601 time in UTC ("...Z")."""
    return datetime.fromisoformat(text.replace("Z", "+00:00")).timestamp() * 1000.0


@pytest.fixture(scope="module")
def grid_file(tmp_path_factory) -> Path:
    path = tmp_path_factory.mktemp("grid") / "grid2000.json"
    path.write_text(json.dumps(grid_model()))
    return path


def test_grid_of_2000_piles_stays_quick(server, browser, artefacts, grid_file):  # noqa: F811
    document = grid_model()
    # The document is the benchmark's foundation, checked by the server first.
    assert len(document["pileGroups"]) == PILES == 2000
    status, check = api(server, "/api/check", grid_file.read_bytes(), "application/json")
    assert status == 200 and check["valid"], check
    heads = grid_heads()
    assert len(set(heads)) == PILES
    assert min(abs(a[0] - b[0]) + abs(a[1] - b[1]) for a, b in zip(heads, heads[1:])) == pytest.approx(1.8)

    begun = time.monotonic()
    browser.set_script_timeout(30)
    browser.get(f"{server}/?token={TOKEN}")
    wait(browser, lambda d: finds(d, "#file-input"))
    find(browser, "#file-input").send_keys(str(grid_file))
    wait(browser, lambda d: finds(d, "#view-model #run-button"), timeout=60, message="the model view did not show")

    browser.execute_script(WATCH_PLAN, PILES)
    browser.execute_script("document.querySelector('#run-button').click()")
    # The run view part-way: the engine's iterations on the grid take seconds.
    try:
        wait(browser, lambda d: "ITERATION" in (d.find_element(By.ID, "progress-details").text or ""),
             timeout=20, message="")
        shot(browser, artefacts, "large-0-run-progress")
    except Exception:  # noqa: BLE001 - a run too quick to be seen part-way is no fault
        pass
    wait(browser, lambda d: d.execute_script("return window.__large && window.__large.planShown !== undefined"),
         timeout=RUN_TIMEOUT, message="the plan of the results never showed all the piles")
    seen = browser.execute_script("return window.__large")
    assert seen["piles"] == PILES

    status, runs = api(server, "/api/runs")
    assert status == 200
    run = max(runs, key=lambda r: r["created"])
    status, info = api(server, f"/api/runs/{run['id']}")
    assert status == 200 and info["state"] == "completed", info
    assert info["returnCode"] == 0, info
    plan_ms = seen["planShownDate"] - iso_ms(info["finished"])
    page_ms = seen["planShown"] - seen["completedSeen"] if seen.get("completedSeen") is not None else None
    run_s = (datetime.fromisoformat(info["finished"].replace("Z", "+00:00"))
             - datetime.fromisoformat(info["started"].replace("Z", "+00:00"))).total_seconds()

    # The results hold every pile's profile, and the table every pile.
    status, one = api(server, f"/api/runs/{run['id']}/results/analyses/0/piles/{PILES}")
    assert status == 200 and one["group"] == PILES and len(one["profile"]["depth"]) == 101
    assert len(finds(browser, "#pile-table tbody tr[data-group]")) + int(
        find(browser, "#pile-table").get_attribute("data-hidden-rows") or 0) == PILES
    browser.execute_script("window.scrollTo(0, 0)")
    shot(browser, artefacts, "large-1-results")

    # (b) a pile of the plan, clicked.
    group = 1021  # row 26, column 21: near the middle of the grid
    # The head's circle (the bounding box of the pile's drawing holds its arrow too).
    target = find(browser, f"#result-plan [data-group='{group}'] circle")
    browser.execute_script("arguments[0].scrollIntoView({block: 'center'});", target)
    browser.execute_script(WATCH_PICK, group)
    target.click()
    wait(browser, lambda d: d.execute_script("return window.__pick && window.__pick.drawn !== undefined"),
         timeout=30, message="the pile's profile charts were not drawn")
    pick = browser.execute_script("return window.__pick")
    pick_ms = pick["drawn"] - pick["clicked"]
    assert find(browser, "#pile-detail-title").get_attribute("data-group") == str(group)
    browser.execute_script("document.getElementById('pile-detail').scrollIntoView()")
    shot(browser, artefacts, "large-2-pile")
    browser.execute_script("window.scrollTo(0, 0)")
    shot(browser, artefacts, "large-3-plan-picked")

    total_s = time.monotonic() - begun
    figures = (f"piles: {PILES}\n"
               f"engine run (started to finished): {run_s:.1f} s\n"
               f"(a) run finished -> plan shows all piles: {plan_ms:.0f} ms (target {PLAN_TARGET_MS:.0f} ms)\n"
               f"    (the page's own: run view shows completed -> plan: "
               f"{'n/a' if page_ms is None else f'{page_ms:.0f} ms'})\n"
               f"(b) click on pile {group} -> its profile charts drawn: {pick_ms:.0f} ms "
               f"(target {PICK_TARGET_MS:.0f} ms)\n"
               f"test from page load to the end: {total_s:.1f} s\n")
    print("\n" + figures)
    (artefacts / "figures.txt").write_text(figures)
    assert plan_ms <= BROKEN * PLAN_TARGET_MS, figures
    assert pick_ms <= BROKEN * PICK_TARGET_MS, figures
