# SPDX-License-Identifier: Apache-2.0
"""The browser application of pylora-web in a headless Chromium (Selenium).

A server (`python3 -m pylora.web`) runs as a subprocess for the module; the
application must have been built first (`cd web && npm ci && npm run build`).
The values the pages show are compared with the results fetched from the
API with urllib, not with what the application computes. Screenshots of each
view go to $PYLORA_WEB_ARTEFACTS (default: a temporary folder)."""
from __future__ import annotations

import csv
import io
import json
import math
import os
import select
import subprocess
import sys
import tempfile
import time
import urllib.request
from pathlib import Path

import pytest

selenium = pytest.importorskip("selenium")
from selenium import webdriver  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import Select, WebDriverWait  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
# The built application: web/dist, or the folder PYLORA_WEB_ASSETS names (as the server reads it).
DIST = Path(os.environ.get("PYLORA_WEB_ASSETS") or ROOT / "web" / "dist") / "index.html"
TOKEN = "TESTTOKEN"
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
PYTHON = "/usr/bin/python3" if Path("/usr/bin/python3").exists() else sys.executable


# ---------------------------------------------------------------- fixtures

@pytest.fixture(scope="module")
def artefacts() -> Path:
    folder = Path(os.environ.get("PYLORA_WEB_ARTEFACTS") or tempfile.mkdtemp(prefix="pylora-web-artefacts-"))
    folder.mkdir(parents=True, exist_ok=True)
    return folder


@pytest.fixture(scope="module")
def server():
    if not DIST.is_file():
        pytest.fail(f"{DIST} is missing: build the application first (cd web && npm ci && npm run build)")
    if not os.environ.get("PYLORA_PROGRAM"):
        pytest.fail("PYLORA_PROGRAM must name the pylora program of the build")
    env = dict(os.environ)
    env.setdefault("PYTHONPATH", str(ROOT / "python"))
    # Standard error goes to a file: a pipe nobody reads could fill and stop the server.
    errors = tempfile.TemporaryFile(mode="w+")
    process = subprocess.Popen(
        [PYTHON, "-m", "pylora.web", "--port", "0", "--token", TOKEN, "--max-runs", "2"],
        stdout=subprocess.PIPE, stderr=errors, env=env, text=True)
    try:
        ready, _, _ = select.select([process.stdout], [], [], 30)
        line = process.stdout.readline().strip() if ready else ""
        prefix = "pylora-web: "
        if not line.startswith(prefix):
            process.kill()
            process.wait(10)
            errors.seek(0)
            pytest.fail(f"the server did not start: {line!r} {errors.read()[-2000:]!r}")
        address = line[len(prefix):]
        assert address.endswith(f"?token={TOKEN}")
        yield address.split("?")[0].rstrip("/")
    finally:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
        errors.close()


@pytest.fixture(scope="module")
def downloads() -> Path:
    return Path(tempfile.mkdtemp(prefix="pylora-web-downloads-"))


@pytest.fixture(scope="module")
def browser(downloads):
    for path in (CHROMIUM, CHROMEDRIVER):
        if not Path(path).exists():
            pytest.skip(f"{path} is not installed")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for arg in ("--headless=new", "--no-sandbox", "--window-size=1280,900", "--disable-gpu",
                "--disable-dev-shm-usage"):
        options.add_argument(arg)
    options.add_experimental_option("prefs", {
        "download.default_directory": str(downloads),
        "download.prompt_for_download": False,
        "profile.default_content_setting_values.automatic_downloads": 1,
    })
    service = webdriver.ChromeService(executable_path=CHROMEDRIVER) if hasattr(webdriver, "ChromeService") \
        else webdriver.chrome.service.Service(executable_path=CHROMEDRIVER)
    driver = webdriver.Chrome(service=service, options=options)
    try:
        driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": str(downloads)})
    except Exception:  # noqa: BLE001 - older drivers: the preference above does it
        pass
    driver.set_page_load_timeout(30)
    yield driver
    driver.quit()


# ---------------------------------------------------------------- helpers

def api(base: str, path: str, data: bytes | None = None, content_type: str | None = None):
    request = urllib.request.Request(base + path, data=data, headers={"Authorization": f"token {TOKEN}"})
    if content_type:
        request.add_header("Content-Type", content_type)
    try:
        with urllib.request.urlopen(request, timeout=30) as response:
            body = response.read()
            status = response.status
    except urllib.error.HTTPError as e:
        body = e.read()
        status = e.code
    try:
        return status, json.loads(body)
    except ValueError:
        return status, body.decode("utf-8", "replace")


def wait(driver, condition, timeout=30, message=""):
    return WebDriverWait(driver, timeout, poll_frequency=0.1).until(condition, message)


def find(driver, css):
    return driver.find_element(By.CSS_SELECTOR, css)


def finds(driver, css):
    return driver.find_elements(By.CSS_SELECTOR, css)


def shot(driver, artefacts: Path, name: str) -> None:
    driver.save_screenshot(str(artefacts / f"{name}.png"))


def click(driver, element) -> None:
    driver.execute_script("arguments[0].scrollIntoView({block: 'center'});", element)
    element.click()


def number(text: str) -> float:
    return float(text.replace("−", "-").replace("–", "nan"))


def latest_run(base: str) -> dict:
    status, runs = api(base, "/api/runs")
    assert status == 200 and runs
    return max(runs, key=lambda r: r["created"])


def downloaded(folder: Path, name: str, timeout: float = 15) -> Path:
    end = time.time() + timeout
    while time.time() < end:
        path = folder / name
        if path.is_file() and not (folder / (name + ".crdownload")).exists() and path.stat().st_size > 0:
            return path
        time.sleep(0.1)
    raise AssertionError(f"{name} did not arrive in {folder}: {sorted(p.name for p in folder.iterdir())}")


# ---------------------------------------------------------------- the tests (in order: one session)

class TestGroup3d:
    """Open the example group3d, run it, read its results."""

    state: dict = {}

    def test_open_example_and_show_model(self, server, browser, artefacts):
        browser.get(f"{server}/?token={TOKEN}")
        wait(browser, lambda d: finds(d, "#example-group3d"), message="the examples are not listed")
        # The token is kept out of the address bar, but the API still answers.
        assert "token=" not in browser.current_url
        shot(browser, artefacts, "1-open")
        status, example = api(server, "/api/examples/group3d")
        assert status == 200
        document = example["document"]
        click(browser, find(browser, "#example-group3d"))
        wait(browser, lambda d: finds(d, "#view-model #model-plan svg"), message="the model view did not show")
        assert find(browser, "#model-title").text == document["title"]
        piles = finds(browser, "#model-plan g.pile")
        assert sorted(int(p.get_attribute("data-group")) for p in piles) == list(range(1, len(document["pileGroups"]) + 1))
        # Battered piles carry the batter line, vertical ones none.
        battered = {int(p.get_attribute("data-group")) for p in piles if p.find_elements(By.CSS_SELECTOR, "line.batter")}
        expected = {i + 1 for i, g in enumerate(document["pileGroups"])
                    if g.get("batter", {}).get("beta", 90.0) != 90.0}
        assert battered == expected
        assert len(finds(browser, "#soil-profile .soil-layer")) == len(document["soilLayers"])
        assert len(finds(browser, "#combinations tbody tr")) == len(document["combinations"])
        assert "[kN]" in find(browser, "#load-cases thead").text
        shot(browser, artefacts, "2-model")

    def test_run_progress_and_cap_displacement(self, server, browser, artefacts):
        click(browser, find(browser, "#run-button"))
        wait(browser, lambda d: finds(d, "#progress"), message="the run view did not show")
        shot(browser, artefacts, "3-run-progress")
        # The run view goes on to the results when the run has completed.
        wait(browser, lambda d: finds(d, "[data-testid=cap-ux]"), timeout=120, message="no results shown")
        run = latest_run(server)
        assert run["state"] == "completed"
        self.state["id"] = run["id"]
        status, results = api(server, f"/api/runs/{run['id']}/results")
        assert status == 200
        self.state["results"] = results
        expected = results["analyses"][0]["capDisplacement"]
        for key, value in expected.items():
            cell = find(browser, f"[data-testid=cap-{key}]")
            assert float(cell.get_attribute("data-value")) == value, key
            assert math.isclose(number(cell.text), value, rel_tol=1e-4, abs_tol=1e-12), (key, cell.text, value)
        assert "[M]" in find(browser, "#cap").text
        # The run view shows the end of the run.
        click(browser, find(browser, "#tab-run"))
        wait(browser, lambda d: find(d, "#run-state").get_attribute("data-state") == "completed")
        assert float(find(browser, "#progress").get_attribute("value")) == 1.0
        assert not find(browser, "#cancel").is_enabled()
        warnings = finds(browser, "#run-warnings li:not(.none)")
        assert len(warnings) == len(results["warnings"])
        shot(browser, artefacts, "3-run-end")

    def test_pile_table_matches_results_and_sorts(self, server, browser, artefacts):
        results = self.state["results"]
        click(browser, find(browser, "#tab-results"))
        wait(browser, lambda d: finds(d, "#pile-table tbody tr[data-group]"))
        heads = {p["group"]: p["head"]["global"] for p in results["analyses"][0]["piles"]}
        rows = finds(browser, "#pile-table tbody tr[data-group]")
        assert len(rows) == len(heads)
        for row in rows:
            group = int(row.get_attribute("data-group"))
            fx = row.find_element(By.CSS_SELECTOR, "td[data-key=Fx]").get_attribute("data-value")
            assert float(fx) == heads[group]["Fx"]
        # Sorted by Mz, descending after a second click.
        header = find(browser, "#pile-table button.sort[data-key=Mz]")
        click(browser, header)
        click(browser, find(browser, "#pile-table button.sort[data-key=Mz]"))
        order = [int(r.get_attribute("data-group")) for r in finds(browser, "#pile-table tbody tr[data-group]")]
        assert order == sorted(heads, key=lambda g: (-heads[g]["Mz"], g))
        shot(browser, artefacts, "4-results")

    def test_pile_table_csv(self, server, browser, downloads):
        results = self.state["results"]
        click(browser, find(browser, "#pile-table-csv"))
        path = downloaded(downloads, "pile-heads-analysis-1-global.csv")
        table = list(csv.reader(io.StringIO(path.read_text())))
        header, rows = table[0], table[1:]
        assert header[:2] == ["group", "property"]
        assert "Fx [KN]" in header and "ux [M]" in header
        piles = {p["group"]: p["head"]["global"] for p in results["analyses"][0]["piles"]}
        assert sorted(int(r[0]) for r in rows) == sorted(piles)
        for row in rows:
            head = piles[int(row[0])]
            for name, value in zip(header[2:], row[2:]):
                key = name.split(" ")[0]
                assert float(value) == head[key], (row[0], key)

    def test_pile_profile(self, server, browser, artefacts, downloads):
        results = self.state["results"]
        group = 2
        # By the keyboard: the row takes the focus and Enter opens the pile.
        row = find(browser, f"#pile-table tbody tr[data-group='{group}']")
        browser.execute_script("arguments[0].scrollIntoView({block: 'center'}); arguments[0].focus();", row)
        row.send_keys(Keys.ENTER)
        charts = ["deflection", "moment", "shear", "soilReaction"]
        for name in charts:
            wait(browser, lambda d, n=name: d.find_elements(By.CSS_SELECTOR, f"[data-testid=chart-{n}] canvas, [data-testid=chart-{n}] svg"),
                 message=f"no {name} chart")
        assert find(browser, "#pile-detail-title").get_attribute("data-group") == str(group)
        # The curves come a frame after the profiles.
        curves = ["load-settlement"] + (["py"] if any(c["pileGroup"] == group for c in results["pyCurves"]) else [])
        for name in curves:
            wait(browser, lambda d, n=name: d.find_elements(By.CSS_SELECTOR, f"[data-testid=chart-{n}] canvas, [data-testid=chart-{n}] svg"),
                 message=f"no {name} chart")
        # The plan marks the pile picked.
        assert "selected" in find(browser, f"#result-plan g.pile[data-group='{group}']").get_attribute("class")
        browser.execute_script("document.getElementById('pile-detail').scrollIntoView()")
        shot(browser, artefacts, "5-pile-profile")
        # The profile's CSV holds the pile's own profile of the results.
        click(browser, find(browser, "#profile-csv"))
        path = downloaded(downloads, f"pile-{group}-analysis-1-profile.csv")
        table = list(csv.reader(io.StringIO(path.read_text())))
        header, rows = table[0], table[1:]
        profile = next(p for p in results["analyses"][0]["piles"] if p["group"] == group)["profile"]
        assert len(rows) == len(profile["depth"])
        depth = header.index("depth [M]")
        moment = header.index("moment xz [M-KN]")
        assert [float(r[depth]) for r in rows] == profile["depth"]
        assert [float(r[moment]) for r in rows] == profile["moment"]["xz"]

    def test_envelope(self, server, browser, artefacts, downloads):
        results = self.state["results"]
        envelope = results["envelopes"][0]
        Select(find(browser, "#result-select")).select_by_value("e:0")
        wait(browser, lambda d: finds(d, "[data-testid=cap-ux-max]"))
        for key, value in envelope["cap"]["displacementMax"].items():
            assert float(find(browser, f"[data-testid=cap-{key}-max]").get_attribute("data-value")) == value
        for key, value in envelope["cap"]["displacementMin"].items():
            assert float(find(browser, f"[data-testid=cap-{key}-min]").get_attribute("data-value")) == value
        rows = finds(browser, "#pile-table tbody tr[data-group]")
        assert len(rows) == len(envelope["piles"])
        # The pile picked before stays picked: its bands are drawn.
        wait(browser, lambda d: finds(d, "[data-testid=chart-moment] canvas, [data-testid=chart-moment] svg"))
        assert find(browser, "#pile-detail-title").get_attribute("data-group") == "2"
        # The band of the moment in plane xz spans the envelope's min and max.
        csv_button = find(browser, "#profile-csv")
        click(browser, csv_button)
        path = downloaded(downloads, "pile-2-envelope-1-profile.csv")
        table = list(csv.reader(io.StringIO(path.read_text())))
        header, rows = table[0], table[1:]
        profile = next(p for p in envelope["piles"] if p["group"] == 2)["profile"]
        for side in ("min", "max"):
            column = header.index(f"moment xz {side} [M-KN]")
            assert [float(r[column]) for r in rows] == profile[side]["moment"]["xz"]
        browser.execute_script("document.getElementById('pile-detail').scrollIntoView()")
        shot(browser, artefacts, "6-envelope-profile")
        # The charts drawn as SVG instead of on a canvas (saved as SVG images).
        Select(find(browser, "#renderer")).select_by_value("svg")
        wait(browser, lambda d: finds(d, "[data-testid=chart-moment] svg"))
        assert not finds(browser, "[data-testid=chart-moment] canvas")
        Select(find(browser, "#renderer")).select_by_value("canvas")
        wait(browser, lambda d: finds(d, "[data-testid=chart-moment] canvas"))
        browser.execute_script("window.scrollTo(0, 0)")
        shot(browser, artefacts, "6-envelope")

    def test_report_download_and_search(self, server, browser, artefacts):
        run_id = self.state["id"]
        status, report = api(server, f"/api/runs/{run_id}/files/out")
        assert status == 200 and isinstance(report, str) and report
        link = find(browser, "#download-out").get_attribute("href")
        assert TOKEN in link
        with urllib.request.urlopen(link, timeout=30) as response:
            assert response.read().decode("utf-8", "replace") == report
        # The report's search counts what the report holds.
        term = "WARNING"
        search = find(browser, "#report-search")
        click(browser, search)
        search.send_keys(term)
        count = report.lower().count(term.lower())
        wait(browser, lambda d: find(d, "#report-count").text.startswith(f"1 of {count}") if count
             else find(d, "#report-count").text == "not found")
        assert len(finds(browser, "#report mark")) == count
        shot(browser, artefacts, "7-report")


def test_refused_model_shows_diagnostics(server, browser, artefacts, tmp_path):
    text = (ROOT / "examples" / "group3d" / "model.yaml").read_text()
    assert "type: softClay" in text
    bad = tmp_path / "muddy.yaml"
    bad.write_text(text.replace("type: softClay", "type: mud", 1))
    status, check = api(server, "/api/check?format=yaml", bad.read_bytes(), "text/plain")
    assert status == 200 and check["valid"] is False
    errors = [d for d in check["diagnostics"] if d["severity"] == "error"]
    assert errors
    browser.get(f"{server}/?token={TOKEN}")
    wait(browser, lambda d: finds(d, "#file-input"))
    find(browser, "#file-input").send_keys(str(bad))
    wait(browser, lambda d: finds(d, "#diagnostics li"), message="no diagnostics shown")
    items = finds(browser, "#diagnostics li")
    assert len(items) == len(check["diagnostics"])
    pointers = [i.get_attribute("data-pointer") for i in items]
    assert [d["pointer"] for d in check["diagnostics"]] == pointers
    first = items[pointers.index(errors[0]["pointer"])]
    assert errors[0]["message"] in first.text
    assert f"line {errors[0]['line']}" in first.text
    shot(browser, artefacts, "8-refused")
