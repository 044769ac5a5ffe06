# SPDX-License-Identifier: Apache-2.0
"""The API of pylora-web against real runs of the program of this build
(PYLORA_PROGRAM): runs, their events, results and files, the queue, and the
rules that keep other sites and users out."""
from __future__ import annotations

import asyncio
import copy
import json
import math
import os
import signal
import subprocess
import sys
import time
import urllib.request
from pathlib import Path

import pytest
import yaml

import pylora
from pylora.web import make_app

ROOT = Path(__file__).resolve().parents[2]
GROUP3D = ROOT / "examples" / "group3d"
TOKEN = "test-token-1234"
AUTH = {"Authorization": f"token {TOKEN}"}

@pytest.fixture(scope="module")
def document() -> dict:
    """The group3d model document, read from its YAML file directly."""
    return yaml.safe_load((GROUP3D / "model.yaml").read_text(encoding="utf-8"))


@pytest.fixture(scope="module")
def reference(tmp_path_factory) -> pylora.Results:
    """The results of group3d run through the package, outside the server."""
    return pylora.load(GROUP3D / "model.yaml").run(workdir=tmp_path_factory.mktemp("reference"))


@pytest.fixture
def serve(aiohttp_client, tmp_path):
    """A client of a fresh server with the test token; keyword arguments go
    to make_app."""
    async def start(**options):
        options.setdefault("assets", tmp_path / "no-application")
        return await aiohttp_client(make_app(token=TOKEN, data=tmp_path / "data", **options))
    return start


def slow(document: dict) -> dict:
    """The model with load steps so small that a run takes a minute."""
    slowed = copy.deepcopy(document)
    for case in slowed["loadCases"]:
        case["increments"] = {"factor": 0.0005, "minimum": 0.0001}
    return slowed


async def submit(client, document: dict) -> str:
    response = await client.post("/api/runs", json=document, headers=AUTH)
    assert response.status == 201, await response.text()
    answer = await response.json()
    assert answer["state"] == "queued"
    return answer["id"]


async def state_of(client, run_id: str) -> dict:
    response = await client.get(f"/api/runs/{run_id}", headers=AUTH)
    assert response.status == 200
    return await response.json()


async def wait_for(client, run_id: str, states: set[str], timeout: float = 30) -> dict:
    deadline = time.monotonic() + timeout
    while True:
        run = await state_of(client, run_id)
        if run["state"] in states:
            return run
        assert time.monotonic() < deadline, f"the run is still {run['state']}"
        await asyncio.sleep(0.1)


async def read_events(client, run_id: str) -> list[tuple[str, dict]]:
    response = await client.get(f"/api/runs/{run_id}/events?token={TOKEN}")
    assert response.status == 200
    assert response.headers["Content-Type"].startswith("text/event-stream")
    events, name, data = [], None, []
    async for raw in response.content:
        line = raw.decode().rstrip("\n")
        if line.startswith("event: "):
            name = line[len("event: "):]
        elif line.startswith("data: "):
            data.append(line[len("data: "):])
        elif not line and name:
            events.append((name, json.loads("\n".join(data))))
            name, data = None, []
    return events


def cap_displacements(analyses: list[dict]) -> list[dict]:
    return [a["capDisplacement"] for a in analyses]


def assert_same_displacements(found: list[dict], reference: pylora.Results) -> None:
    expected = reference.cap
    assert len(found) == len(expected)
    for row, (_, want) in zip(found, expected.iterrows()):
        for key in ("ux", "uy", "uz", "tx", "ty", "tz"):
            assert math.isclose(row[key], want[key], rel_tol=1e-9, abs_tol=1e-15), key


# -- a run from start to end -------------------------------------------------------------------


@pytest.mark.asyncio
async def test_events_follow_the_run_to_its_end(serve, document, reference):
    client = await serve()
    run_id = await submit(client, document)
    events = await read_events(client, run_id)
    names = [name for name, _ in events]
    assert names[0] == "state" and names[-1] == "end"
    assert events[-1][1] == {"state": "completed", "returnCode": 0}
    assert "progress" in names and names.index("progress") < len(names) - 1
    progress = [data for name, data in events if name == "progress"]
    last = progress[-1]
    assert last["series"] == "combination" and (last["analysis"], last["count"]) == (1, 1)
    assert "FINISHED" in last["message"]
    lines = [line for name, data in events if name == "runtime" for line in data["lines"]]
    assert any("LOAD CASE :     1" in line for line in lines)
    # The warnings the results file holds are those the runtime file showed.
    shown = {data["text"].splitlines()[0] for name, data in events if name == "warning"}
    assert {w.text.splitlines()[0] for w in reference.warnings} <= shown
    states = [data["state"] for name, data in events if name == "state"]
    assert states[-1] == "completed" and len(states) == len(set(states))
    # After its end, a stream tells the same end at once.
    again = await read_events(client, run_id)
    assert again[0] == ("state", {"state": "completed", "returnCode": 0}) and again[-1][0] == "end"


@pytest.mark.asyncio
async def test_results_piles_and_files_of_a_run(serve, document, reference):
    client = await serve()
    run_id = await submit(client, document)
    run = await wait_for(client, run_id, {"completed", "failed"})
    assert run["state"] == "completed" and run["returnCode"] == 0 and run["error"] is None
    assert run["title"] == document["title"] and run["started"] and run["finished"]
    assert run["progress"]["series"] == "combination"
    listing = await (await client.get("/api/runs", headers=AUTH)).json()
    assert [(r["id"], r["state"]) for r in listing] == [(run_id, "completed")]

    results = await (await client.get(f"/api/runs/{run_id}/results", headers=AUTH)).json()
    assert_same_displacements(cap_displacements(results["analyses"]), reference)

    summary = await (await client.get(f"/api/runs/{run_id}/results/summary", headers=AUTH)).json()
    assert_same_displacements(cap_displacements(summary["analyses"]), reference)
    piles = [p for key in ("analyses", "envelopes") for entry in summary[key] for p in entry["piles"]]
    assert piles and all(set(p) == {"group", "head"} for p in piles)
    assert len(summary["analyses"][0]["piles"]) == len(document["pileGroups"])

    pile = await (await client.get(f"/api/runs/{run_id}/results/analyses/1/piles/2", headers=AUTH)).json()
    assert pile["group"] == 2
    assert pile["profile"]["deflection"]["xy"] == list(reference.profile(1, 2)["deflection_xy"])
    envelope = await client.get(f"/api/runs/{run_id}/results/envelopes/0/piles/3", headers=AUTH)
    assert envelope.status == 200 and (await envelope.json())["group"] == 3
    for path in ("analyses/3/piles/1", "analyses/0/piles/7", "envelopes/9/piles/1", "analyses/x/piles/1"):
        response = await client.get(f"/api/runs/{run_id}/results/{path}", headers=AUTH)
        assert response.status == 404, path
        assert "error" in await response.json()

    for suffix, start in (("out", None), ("results.json", "{"), ("json", "{"), ("dat", document["title"])):
        response = await client.get(f"/api/runs/{run_id}/files/{suffix}?token={TOKEN}")
        assert response.status == 200, suffix
        assert response.headers["Content-Disposition"] == f'attachment; filename="model.{suffix}"'
        text = await response.text()
        assert text.startswith(start or ""), suffix
    document_file = await client.get(f"/api/runs/{run_id}/files/json", headers=AUTH)
    assert await document_file.json() == document
    for suffix in ("prg", "console", "exe", "..%2F..%2F..%2Fetc%2Fpasswd", "..%2Fmodel.out", "out%00"):
        response = await client.get(f"/api/runs/{run_id}/files/{suffix}", headers=AUTH)
        assert response.status == 404, suffix
    response = await client.get(f"/api/runs/{run_id}/files/../../../etc/passwd", headers=AUTH)
    assert response.status in (403, 404)

    # A run that has ended stays as it ended.
    response = await client.delete(f"/api/runs/{run_id}", headers=AUTH)
    assert response.status == 200 and (await response.json())["state"] == "completed"


@pytest.mark.asyncio
async def test_model_file_texts_run_like_documents(serve, reference):
    client = await serve()
    text = (GROUP3D / "model.dat").read_bytes()
    response = await client.post("/api/runs?format=dat", data=text, headers=AUTH)
    assert response.status == 201
    run_id = (await response.json())["id"]
    assert (await wait_for(client, run_id, {"completed", "failed"}))["state"] == "completed"
    results = await (await client.get(f"/api/runs/{run_id}/results", headers=AUTH)).json()
    assert_same_displacements(cap_displacements(results["analyses"]), reference)


# -- checks and refusals -----------------------------------------------------------------------


@pytest.mark.asyncio
async def test_check(serve, document):
    client = await serve()

    async def check(body, query=""):
        options = {"json": body} if isinstance(body, dict) else {"data": body}
        response = await client.post(f"/api/check{query}", headers=AUTH, **options)
        assert response.status == 200
        return await response.json()

    assert await check(document) == {"valid": True, "diagnostics": []}
    assert (await check((GROUP3D / "model.yaml").read_bytes(), "?format=yaml"))["valid"] is True
    assert (await check((GROUP3D / "model.dat").read_bytes(), "?format=dat"))["valid"] is True
    assert (await check(json.dumps(document).encode(), "?format=json"))["valid"] is True

    muddy = copy.deepcopy(document)
    muddy["soilLayers"][0]["type"] = "mud"
    found = await check(muddy)
    assert found["valid"] is False
    assert [d["pointer"] for d in found["diagnostics"]] == ["/soilLayers/0/type"]
    assert set(found["diagnostics"][0]) == {"severity", "pointer", "line", "column", "message"}
    # In a file's text, the diagnostic also says where it is.
    text = (GROUP3D / "model.yaml").read_text(encoding="utf-8").replace("type: softClay", "type: mud", 1)
    found = await check(text.encode(), "?format=yaml")
    assert found["valid"] is False and found["diagnostics"][0]["line"] is not None


@pytest.mark.asyncio
async def test_convert(serve, document):
    """A model goes to each form and back unchanged; a refused one is 422 with its diagnostics."""
    client = await serve()

    async def convert(body, to, query=""):
        options = {"json": body} if isinstance(body, dict) else {"data": body}
        return await client.post(f"/api/convert?to={to}{query}", headers=AUTH, **options)

    for to in ("yaml", "dat"):
        response = await convert(document, to)
        assert response.status == 200, await response.text()
        text = (await response.json())["text"]
        back = await convert(text.encode(), "json", f"&format={to}")
        assert back.status == 200
        assert (await back.json())["document"] == document, to
    # The input data file of the example, read for the editor: the example's document.
    response = await convert((GROUP3D / "model.dat").read_bytes(), "json", "&format=dat")
    assert (await response.json())["document"] == document

    assert (await convert(document, "xml")).status == 400
    muddy = copy.deepcopy(document)
    muddy["soilLayers"][0]["type"] = "mud"
    response = await convert(muddy, "dat")
    assert response.status == 422
    assert (await response.json())["diagnostics"][0]["pointer"] == "/soilLayers/0/type"


@pytest.mark.asyncio
async def test_refused_models(serve, document):
    client = await serve()
    muddy = copy.deepcopy(document)
    muddy["soilLayers"][0]["type"] = "mud"
    response = await client.post("/api/runs", json=muddy, headers=AUTH)
    assert response.status == 422
    answer = await response.json()
    assert answer["error"] and answer["diagnostics"][0]["pointer"] == "/soilLayers/0/type"
    text = (GROUP3D / "model.yaml").read_text(encoding="utf-8").replace("type: softClay", "type: mud", 1)
    response = await client.post("/api/runs?format=yaml", data=text.encode(), headers=AUTH)
    assert response.status == 422 and (await response.json())["diagnostics"]
    for query, body in (("", b"not json"), ("", b"[1, 2]"), ("?format=exe", b"x")):
        response = await client.post(f"/api/runs{query}", data=body, headers=AUTH)
        assert response.status == 400 and "error" in await response.json()
    # Nothing refused was queued.
    assert await (await client.get("/api/runs", headers=AUTH)).json() == []


@pytest.mark.asyncio
async def test_examples(serve, document):
    client = await serve()
    listing = await (await client.get("/api/examples", headers=AUTH)).json()
    by_name = {e["name"]: e for e in listing}
    assert by_name["group3d"] == {"name": "group3d", "title": document["title"],
                                  "analysis": "threeDimensional", "pileGroups": 6}
    assert by_name["row2d"]["analysis"] == "twoDimensional"
    assert "capacity" not in by_name  # too big to offer
    answer = await (await client.get("/api/examples/group3d", headers=AUTH)).json()
    assert answer == {"name": "group3d", "document": document}
    for name in ("nowhere", "capacity", "..%2Fgroup3d"):
        assert (await client.get(f"/api/examples/{name}", headers=AUTH)).status == 404, name


# -- the queue ---------------------------------------------------------------------------------


@pytest.mark.asyncio
async def test_queue_and_cancel(serve, document):
    client = await serve(max_runs=1)
    first = await submit(client, slow(document))
    second = await submit(client, slow(document))
    third = await submit(client, document)
    await wait_for(client, first, {"running"})
    await asyncio.sleep(0.5)
    assert (await state_of(client, second))["state"] == "queued"
    assert (await state_of(client, third))["state"] == "queued"

    # A queued run cancelled never starts.
    response = await client.delete(f"/api/runs/{second}", headers=AUTH)
    assert response.status == 200 and (await response.json())["state"] == "cancelled"
    # A running one is ended by the program, in order.
    progress = (await state_of(client, first))["progress"]
    assert progress is None or progress["series"] in (None, "load case")
    response = await client.delete(f"/api/runs/{first}", headers=AUTH)
    assert response.status == 200 and (await response.json())["state"] == "cancelled"
    events = await read_events(client, first)
    assert events[-1] == ("end", {"state": "cancelled", "returnCode": events[-1][1]["returnCode"]})

    done = await wait_for(client, third, {"completed", "failed"})
    assert done["state"] == "completed"
    never = await state_of(client, second)
    assert never["state"] == "cancelled" and never["started"] is None
    assert (await client.get(f"/api/runs/{second}/results", headers=AUTH)).status == 409
    assert (await client.get(f"/api/runs/{second}/files/json", headers=AUTH)).status == 404


@pytest.mark.asyncio
async def test_results_wait_for_the_end(serve, document):
    client = await serve(max_runs=1)
    run_id = await submit(client, slow(document))
    await wait_for(client, run_id, {"running"})
    for path in ("results", "results/summary", "results/analyses/0/piles/1"):
        response = await client.get(f"/api/runs/{run_id}/{path}", headers=AUTH)
        assert response.status == 409, path
        assert "error" in await response.json()
    # The server's end cancels the runs still going (the client's fixture closes it).


# -- security ----------------------------------------------------------------------------------


@pytest.mark.asyncio
async def test_token(serve):
    client = await serve()
    for headers, query in (({}, ""), ({"Authorization": "token wrong"}, ""), ({}, "?token=wrong"),
                           ({"Authorization": f"Bearer {TOKEN}"}, ""), ({}, "?token=")):
        response = await client.get(f"/api/health{query}", headers=headers)
        assert response.status == 403, (headers, query)
        assert "error" in await response.json()
    for headers, query in ((AUTH, ""), ({}, f"?token={TOKEN}")):
        response = await client.get(f"/api/health{query}", headers=headers)
        assert response.status == 200
        assert (await response.json())["version"] == pylora.__version__
    # Every path under /api/ asks for it, whether it exists or not.
    for method, path in (("GET", "/api/runs"), ("POST", "/api/runs"), ("GET", "/api/examples"),
                         ("POST", "/api/check"), ("GET", "/api/nothing")):
        assert (await client.request(method, path)).status == 403, path


@pytest.mark.asyncio
async def test_host_and_origin(serve):
    client = await serve()
    port = client.server.port
    for host in (f"evil.example:{port}", "evil.example", f"127.0.0.1:{port + 1}", f"127.0.0.1.evil.example:{port}"):
        for path in ("/api/health", "/"):
            response = await client.get(path, headers={**AUTH, "Host": host})
            assert response.status == 403, (host, path)
    for host in (f"localhost:{port}", f"127.0.0.1:{port}", f"[::1]:{port}"):
        assert (await client.get("/api/health", headers={**AUTH, "Host": host})).status == 200, host
    for origin in ("http://evil.example", f"http://evil.example:{port}", "null", f"https://127.0.0.1:{port}"):
        response = await client.get("/api/health", headers={**AUTH, "Origin": origin})
        assert response.status == 403, origin
    own = await client.get("/api/health", headers={**AUTH, "Origin": f"http://127.0.0.1:{port}"})
    assert own.status == 200
    assert not any(h.lower().startswith("access-control-") for h in own.headers)


@pytest.mark.asyncio
async def test_body_size_and_unknown_runs(serve):
    client = await serve(max_body=10_000)
    response = await client.post("/api/check", data=b"{" + b" " * 20_000 + b"}", headers=AUTH)
    assert response.status == 413 and "error" in await response.json()

    async def chunks():
        for _ in range(30):
            yield b" " * 1000

    response = await client.post("/api/runs", data=chunks(), headers=AUTH)  # no Content-Length
    assert response.status == 413
    for method, path in (("GET", ""), ("DELETE", ""), ("GET", "/events"), ("GET", "/results"),
                         ("GET", "/results/summary"), ("GET", "/files/out")):
        response = await client.request(method, f"/api/runs/0123456789abcdef01234567{path}", headers=AUTH)
        assert response.status == 404, path
        assert "error" in await response.json()


@pytest.mark.asyncio
async def test_application_files_and_headers(serve, tmp_path):
    built = tmp_path / "dist"
    (built / "assets").mkdir(parents=True)
    (built / "index.html").write_text("<!DOCTYPE html><title>app</title>")
    (built / "assets" / "app.js").write_text("console.log(1)")
    (tmp_path / "secret.txt").write_text("secret")
    client = await serve(assets=built)
    page = await client.get("/")
    assert page.status == 200 and "<title>app</title>" in await page.text()
    script = await client.get("/assets/app.js")
    assert script.status == 200 and script.headers["Content-Type"].startswith("text/javascript")
    for path in ("/assets/../../secret.txt", "/assets/%2E%2E/%2E%2E/secret.txt", "/assets/none.js"):
        assert (await client.get(path)).status == 404, path

    unbuilt = await serve()
    response = await unbuilt.get("/")
    assert response.status == 503 and "scripts/setup" in await response.text()
    for response in (page, script, response, await client.get("/api/health"),
                     await client.get("/api/health", headers=AUTH), await client.get("/nothing")):
        assert response.headers["X-Content-Type-Options"] == "nosniff"
        assert response.headers["Referrer-Policy"] == "no-referrer"
        policy = response.headers["Content-Security-Policy"]
        assert "default-src 'self'" in policy and "frame-ancestors 'none'" in policy


# -- the command line --------------------------------------------------------------------------


def test_command_line_serves_until_terminated(tmp_path):
    environment = {**os.environ, "PYTHONPATH": str(ROOT / "python"), "PYLORA_WEB_TOKEN": "from-environment"}
    process = subprocess.Popen([sys.executable, "-m", "pylora.web", "--port", "0", "--data", str(tmp_path)],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=environment)
    try:
        line = process.stdout.readline().strip()
        assert line.startswith("pylora-web: http://127.0.0.1:") and line.endswith("/?token=from-environment")
        address = line[len("pylora-web: "):]
        with urllib.request.urlopen(address.replace("/?token=", "/api/health?token=")) as response:
            assert json.load(response)["version"] == pylora.__version__
        process.send_signal(signal.SIGTERM)
        assert process.wait(timeout=20) == 0
        assert process.stderr.read() == ""
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
