# SPDX-License-Identifier: Apache-2.0
"""The web server: the browser application's files and the JSON API that
checks and runs models and serves their results (docs/web-api.md).

The server is meant for the machine it runs on: it answers only requests
that name it by its own address, come from its own pages and carry its
token, so that neither another site open in the browser nor another user
of the network can run models through it.
"""
from __future__ import annotations

import asyncio
import json
import logging
import os
import secrets
import tempfile
from dataclasses import asdict, dataclass, field
from pathlib import Path
from typing import Any, Awaitable, Callable

from aiohttp import web

from .._program import program
from .._version import __version__
from ..errors import Diagnostic, ModelError, PyloraError
from ..model import Model, load
from .runs import NAME, ResultsParts, Run, RunQueue, RunWatcher, summarise

log = logging.getLogger("pylora.web")

_HERE = Path(__file__).resolve().parent

#: The largest request body the server reads, in bytes.
MAX_BODY = 50 * 1024 * 1024
#: The largest model file of an example that the server offers, in bytes
#: (the capacity example, which exercises the limits of the engine, is
#: bigger).
EXAMPLE_LIMIT = 256 * 1024
#: The files of a run that can be fetched, by suffix.
FILE_SUFFIXES = ("out", "sum", "plt", "rtm", "sta", "res", "crv", "pile", "warn", "results.json",
                 "dat", "json")
# The suffix of the file behind each name, where the two differ.
_FILE_NAMES = {"dat": "json.dat"}
# How often an event stream looks at the run's files, in seconds.
POLL_INTERVAL = 0.2

SECURITY_HEADERS = {
    "Content-Security-Policy": ("default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; "
                                "img-src 'self' data: blob:; connect-src 'self'; object-src 'none'; "
                                "base-uri 'none'; frame-ancestors 'none'"),
    "X-Content-Type-Options": "nosniff",
    "Referrer-Policy": "no-referrer",
}

# The content types of the application's files (nosniff leaves the browser
# no guessing, so a script must be served as one).
_CONTENT_TYPES = {".html": "text/html", ".js": "text/javascript", ".mjs": "text/javascript",
                  ".css": "text/css", ".json": "application/json", ".map": "application/json",
                  ".svg": "image/svg+xml", ".png": "image/png", ".ico": "image/x-icon",
                  ".woff": "font/woff", ".woff2": "font/woff2", ".ttf": "font/ttf",
                  ".wasm": "application/wasm", ".txt": "text/plain", ".webp": "image/webp"}

_NOT_BUILT = """<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>pylora-web</title></head>
<body><h1>The application is not built</h1>
<p>The browser application of pylora-web has not been built. Run
<code>scripts/setup</code> in the source tree (it builds it with npm), then
reload this page.</p></body></html>
"""

_CONFIG = "pylora.web"

Handler = Callable[[web.Request], Awaitable[web.StreamResponse]]


@dataclass
class Config:
    """What the server was started with and what it keeps between requests."""

    token: str
    queue: RunQueue
    host: str
    max_body: int
    assets: Path | None
    examples: list[Path]
    example_list: list[dict[str, Any]] | None = None
    example_documents: dict[str, dict[str, Any]] = field(default_factory=dict)


# -- where things are --------------------------------------------------------------------------


def source_root() -> Path:
    """The folder above python/pylora/web: the source tree, or share/pylora
    of an installation (PREFIX/share/pylora/python/pylora/web)."""
    return _HERE.parents[2]


def find_assets() -> Path | None:
    """The folder of the built browser application: PYLORA_WEB_ASSETS, the
    package's own static folder (installed) or web/dist of the source tree,
    whichever exists first; None when none does."""
    candidates = []
    if os.environ.get("PYLORA_WEB_ASSETS"):
        candidates.append(Path(os.environ["PYLORA_WEB_ASSETS"]))
    candidates += [_HERE / "static", source_root() / "web" / "dist"]
    return next((c for c in candidates if c.is_dir()), None)


def example_folders() -> list[Path]:
    """Where the bundled examples are: examples/ of the source tree or
    share/pylora/examples of the installation (PREFIX/share/pylora/python/
    pylora/web, or a Debian package's dist-packages under /usr)."""
    found = []
    for folder in (source_root() / "examples", _HERE.parents[4] / "share" / "pylora" / "examples"):
        if folder.is_dir() and folder.resolve() not in [f.resolve() for f in found]:
            found.append(folder)
    return found


# -- answers -----------------------------------------------------------------------------------


def _error(status: int, message: str, diagnostics: list[Diagnostic] | None = None) -> web.Response:
    body: dict[str, Any] = {"error": message}
    if diagnostics is not None:
        body["diagnostics"] = [asdict(d) for d in diagnostics]
    return web.json_response(body, status=status)


def _json(data: Any, status: int = 200) -> web.Response:
    return web.json_response(data, status=status)


class Refused(Exception):
    """A request the server answers with an error."""

    def __init__(self, status: int, message: str, diagnostics: list[Diagnostic] | None = None):
        super().__init__(message)
        self.status = status
        self.message = message
        self.diagnostics = diagnostics


def _config(request: web.Request) -> Config:
    return request.app[_CONFIG]


# -- security ----------------------------------------------------------------------------------


def _own_hosts(request: web.Request, config: Config) -> set[str]:
    """The Host headers that name this server: its loopback names, the host
    it was told to listen on and the address the request came in at, each
    with the port the request came in at."""
    sockname = request.transport.get_extra_info("sockname") if request.transport else None
    if not sockname:
        return set()
    address, port = str(sockname[0]), int(sockname[1])
    names = {"127.0.0.1", "localhost", "[::1]", config.host.lower(), address.lower()}
    names = {f"[{n}]" if ":" in n and not n.startswith("[") else n for n in names}
    hosts = {f"{n}:{port}" for n in names}
    if port == 80:
        hosts |= names
    return hosts


@web.middleware
async def _errors(request: web.Request, handler: Handler) -> web.StreamResponse:
    """Every error as JSON {"error": ...}."""
    try:
        return await handler(request)
    except Refused as e:
        return _error(e.status, e.message, e.diagnostics)
    except web.HTTPRequestEntityTooLarge:
        return _error(413, f"the body is larger than {_config(request).max_body} bytes")
    except web.HTTPException as e:
        if e.status < 400:
            raise
        return _error(e.status, e.reason)
    except (asyncio.CancelledError, ConnectionResetError):
        raise
    except Exception as e:  # noqa: BLE001 - the server answers, whatever went wrong
        log.exception("%s %s failed", request.method, request.path)
        return _error(500, f"{type(e).__name__}: {e}")


@web.middleware
async def _guard(request: web.Request, handler: Handler) -> web.StreamResponse:
    """The server's own address, its own pages, its token and the size of
    the body, before anything else."""
    config = _config(request)
    host = request.headers.get("Host", "").lower()
    if host not in _own_hosts(request, config):
        raise Refused(403, "the request does not name this server by its own address")
    origin = request.headers.get("Origin")
    if origin is not None and origin.lower() not in {f"http://{h}" for h in _own_hosts(request, config)}:
        raise Refused(403, "requests from other sites are refused")
    if request.path.startswith("/api/"):
        given = request.query.get("token")
        authorization = request.headers.get("Authorization", "")
        scheme, _, value = authorization.partition(" ")
        if scheme.lower() == "token":
            given = value.strip()
        if not given or not secrets.compare_digest(given.encode(), config.token.encode()):
            raise Refused(403, "the token is missing or wrong")
    if request.content_length is not None and request.content_length > config.max_body:
        raise Refused(413, f"the body is larger than {config.max_body} bytes")
    return await handler(request)


async def _security_headers(request: web.Request, response: web.StreamResponse) -> None:
    response.headers.update(SECURITY_HEADERS)


# -- the application's files -------------------------------------------------------------------


def _assets(config: Config) -> Path | None:
    return config.assets if config.assets is not None else find_assets()


def _file(path: Path, **headers: str) -> web.FileResponse:
    content_type = _CONTENT_TYPES.get(path.suffix.lower(), "application/octet-stream")
    if content_type.startswith("text/") or content_type.endswith("json"):
        content_type += "; charset=utf-8"
    return web.FileResponse(path, headers={"Content-Type": content_type, **headers})


async def index(request: web.Request) -> web.StreamResponse:
    folder = _assets(_config(request))
    page = folder / "index.html" if folder else None
    if page is None or not page.is_file():
        return web.Response(status=503, text=_NOT_BUILT, content_type="text/html")
    return _file(page, **{"Cache-Control": "no-cache"})


async def asset(request: web.Request) -> web.StreamResponse:
    folder = _assets(_config(request))
    if folder is None:
        raise Refused(404, "the application is not built")
    base = (folder / "assets").resolve()
    path = (base / request.match_info["path"]).resolve()
    if not path.is_relative_to(base) or not path.is_file():
        raise Refused(404, "no such file")
    return _file(path)


# -- models ------------------------------------------------------------------------------------


def _load_text(body: bytes, fmt: str) -> Model:
    """The model of a model file's text, through a file of its suffix."""
    with tempfile.TemporaryDirectory(prefix="pylora-web-") as folder:
        path = Path(folder) / f"{NAME}.{fmt}"
        path.write_bytes(body)
        return load(path)


async def _model(request: web.Request) -> Model:
    """The model of a request's body: a model document (JSON), or with
    ?format=dat, yaml or json the text of a model file. Raises ModelError
    when the program refuses the file."""
    fmt = request.query.get("format")
    body = await request.read()
    if fmt is not None:
        if fmt not in ("dat", "yaml", "json"):
            raise Refused(400, f"format is dat, yaml or json, not {fmt!r}")
        loaded = await asyncio.to_thread(_load_text, body, fmt)
        return Model(loaded.document, name=NAME)
    try:
        document = json.loads(body)
    except ValueError as e:
        raise Refused(400, f"the body is not JSON: {e}") from None
    if not isinstance(document, dict):
        raise Refused(400, "the body is not a model document (a JSON object)")
    return Model(document, name=NAME)


def _refusal_diagnostics(e: ModelError) -> list[Diagnostic]:
    return e.diagnostics or [Diagnostic("error", "", None, None, e.message)]


async def health(request: web.Request) -> web.Response:
    try:
        path: str | None = str(program())
    except PyloraError:
        path = None
    return _json({"version": __version__, "program": path})


async def check(request: web.Request) -> web.Response:
    try:
        model = await _model(request)
    except ModelError as e:
        return _json({"valid": False, "diagnostics": [asdict(d) for d in _refusal_diagnostics(e)]})
    diagnostics = await asyncio.to_thread(model.check)
    return _json({"valid": not any(d.severity == "error" for d in diagnostics),
                  "diagnostics": [asdict(d) for d in diagnostics]})


async def submit(request: web.Request) -> web.Response:
    try:
        model = await _model(request)
    except ModelError as e:
        raise Refused(422, e.message, _refusal_diagnostics(e)) from None
    diagnostics = await asyncio.to_thread(model.check)
    errors = [d for d in diagnostics if d.severity == "error"]
    if errors:
        raise Refused(422, "the model was refused", diagnostics)
    try:
        run = _config(request).queue.submit(model)
    except PyloraError as e:
        raise Refused(503, str(e)) from None
    return _json({"id": run.id, "state": run.state}, status=201)


def _model_text(model: Model, fmt: str) -> str:
    """The model written in a form (yaml or dat) by the program."""
    with tempfile.TemporaryDirectory(prefix="pylora-web-") as folder:
        path = model.save(Path(folder) / f"{NAME}.{fmt}")
        return path.read_text(encoding="utf-8")


#: The forms POST /api/convert writes.
CONVERT_FORMATS = ("json", "yaml", "dat")


async def convert(request: web.Request) -> web.Response:
    """The model of the body (as for /api/check) written in the form ?to=
    names: the text of the file, and for json the document too."""
    to = request.query.get("to")
    if to not in CONVERT_FORMATS:
        raise Refused(400, f"to is json, yaml or dat, not {to!r}")
    try:
        model = await _model(request)
    except ModelError as e:
        raise Refused(422, e.message, _refusal_diagnostics(e)) from None
    if to == "json":
        return _json({"format": to, "text": json.dumps(model.document, indent=2) + "\n",
                      "document": model.document})
    try:
        text = await asyncio.to_thread(_model_text, model, to)
    except ModelError as e:
        raise Refused(422, e.message, _refusal_diagnostics(e)) from None
    return _json({"format": to, "text": text})


# -- runs --------------------------------------------------------------------------------------


def _run(request: web.Request) -> Run:
    run = _config(request).queue.runs.get(request.match_info["id"])
    if run is None:
        raise Refused(404, "no such run")
    return run


async def list_runs(request: web.Request) -> web.Response:
    return _json([run.brief() for run in _config(request).queue.runs.values()])


async def get_run(request: web.Request) -> web.Response:
    return _json(_run(request).describe())


async def cancel_run(request: web.Request) -> web.Response:
    run = await _config(request).queue.cancel(_run(request))
    return _json(run.describe())


def _send(event: str, data: dict[str, Any]) -> bytes:
    return f"event: {event}\ndata: {json.dumps(data)}\n\n".encode()


async def events(request: web.Request) -> web.StreamResponse:
    """The run's events from now to its end: its state, then what its
    progress and runtime files show as they change, then its end."""
    run = _run(request)
    response = web.StreamResponse(headers={"Content-Type": "text/event-stream", "Cache-Control": "no-cache",
                                           "X-Accel-Buffering": "no"})
    await response.prepare(request)
    watcher = RunWatcher(run.folder)
    state: tuple[str, int | None] | None = None
    try:
        while True:
            ended = run.ended  # before the files, so that the last look sees them whole
            current = (run.state, run.return_code)
            if current != state:
                state = current
                await response.write(_send("state", {"state": run.state, "returnCode": run.return_code}))
            for event, data in watcher.poll(final=ended):
                await response.write(_send(event, data))
            if ended:
                await response.write(_send("end", {"state": run.state, "returnCode": run.return_code}))
                break
            await asyncio.sleep(POLL_INTERVAL)
        await response.write_eof()
    except ConnectionResetError:
        pass  # the browser went away
    return response


# -- results -----------------------------------------------------------------------------------


def _results_file(run: Run) -> Path:
    path = run.file("results.json")
    if not run.ended or not path.is_file():
        raise Refused(409, f"the run is {run.state} and has no results")
    return path


def _read_parts(path: Path) -> ResultsParts:
    return ResultsParts(json.loads(path.read_text(encoding="utf-8")))


async def _parts(run: Run) -> ResultsParts:
    """The summary and the piles of the run's results: made by the run's
    thread when it ended, or here from the file (read in a thread, so that
    the server answers other requests meanwhile), once."""
    if run.parts is None:
        path = _results_file(run)
        lock = _parts_locks.setdefault(run.id, asyncio.Lock())
        async with lock:
            if run.parts is None:
                run.parts = await asyncio.to_thread(_read_parts, path)
    return run.parts


_parts_locks: dict[str, asyncio.Lock] = {}


async def results(request: web.Request) -> web.StreamResponse:
    return _file(_results_file(_run(request)))


async def results_summary(request: web.Request) -> web.Response:
    run = _run(request)
    _results_file(run)
    parts = await _parts(run)
    return web.Response(body=parts.summary, content_type="application/json", charset="utf-8")


def _index(text: str) -> int:
    try:
        return int(text)
    except ValueError:
        raise Refused(404, f"{text!r} is not a number") from None


async def _pile(request: web.Request, key: str, what: str) -> web.Response:
    run = _run(request)
    _results_file(run)
    parts = await _parts(run)
    count = parts.count(key)
    i, group = _index(request.match_info["i"]), _index(request.match_info["group"])
    if not 0 <= i < count:
        raise Refused(404, f"the run has {count} {what}; there is no {what[:-1]} {i}")
    pile = parts.pile(key, i, group)
    if pile is None:
        raise Refused(404, f"{what[:-1]} {i} has no results of pile group {group}")
    return _json(pile)


async def analysis_pile(request: web.Request) -> web.Response:
    return await _pile(request, "analyses", "analyses")


async def envelope_pile(request: web.Request) -> web.Response:
    return await _pile(request, "envelopes", "envelopes")


async def run_file(request: web.Request) -> web.StreamResponse:
    run = _run(request)
    suffix = request.match_info["suffix"]
    if suffix not in FILE_SUFFIXES:
        raise Refused(404, f"no file of suffix {suffix!r}; the files are " + ", ".join(FILE_SUFFIXES))
    path = run.file(_FILE_NAMES.get(suffix, suffix))
    if not path.is_file():
        raise Refused(404, f"the run wrote no {NAME}.{suffix}")
    content_type = "application/json" if suffix.endswith("json") else "text/plain"
    return web.FileResponse(path, headers={
        "Content-Type": f"{content_type}; charset=utf-8",
        "Content-Disposition": f'attachment; filename="{NAME}.{suffix}"'})


# -- examples ----------------------------------------------------------------------------------


def _example_file(folder: Path) -> Path | None:
    """The model file of an example folder: model.yaml, else model.dat;
    None when it has neither or it is too big to offer."""
    for name in ("model.yaml", "model.dat"):
        path = folder / name
        if path.is_file():
            return path if path.stat().st_size <= EXAMPLE_LIMIT else None
    return None


def _read_examples(folders: list[Path]) -> tuple[list[dict[str, Any]], dict[str, dict[str, Any]]]:
    listing, documents = [], {}
    for root in folders:
        for folder in sorted(p for p in root.iterdir() if p.is_dir()):
            path = _example_file(folder)
            if path is None or folder.name in documents:
                continue
            try:
                document = load(path).document
            except PyloraError as e:
                log.warning("the example %s cannot be read: %s", path, e)
                continue
            documents[folder.name] = document
            listing.append({"name": folder.name, "title": str(document.get("title", "")),
                            "analysis": document.get("analysis", "threeDimensional"),
                            "pileGroups": len(document.get("pileGroups") or [])})
    return listing, documents


async def _examples(config: Config) -> tuple[list[dict[str, Any]], dict[str, dict[str, Any]]]:
    if config.example_list is None:
        config.example_list, config.example_documents = await asyncio.to_thread(_read_examples,
                                                                                config.examples)
    return config.example_list, config.example_documents


async def examples(request: web.Request) -> web.Response:
    listing, _ = await _examples(_config(request))
    return _json(listing)


async def example(request: web.Request) -> web.Response:
    name = request.match_info["name"]
    _, documents = await _examples(_config(request))
    if name not in documents:
        raise Refused(404, f"no example {name!r}")
    return _json({"name": name, "document": documents[name]})


# -- the application ---------------------------------------------------------------------------


def make_app(*, token: str, data: str | os.PathLike[str], max_runs: int | None = None,
             host: str = "127.0.0.1", max_body: int = MAX_BODY, assets: str | os.PathLike[str] | None = None,
             examples_folders: list[Path] | None = None) -> web.Application:
    """The web application: the browser application's files and the API.

    token: what every API request carries. data: the folder of the runs
    (<data>/runs/<id>/). max_runs: how many runs at once (default: the
    cores). host: the address the server listens on, which requests may name
    besides the loopback names. max_body: the largest body read, in bytes.
    assets: the folder of the built browser application (default: found,
    see find_assets). examples_folders: where the examples are (default:
    found, see example_folders).
    """
    if not token:
        raise ValueError("the token is empty")
    queue = RunQueue(Path(data), max_runs or os.cpu_count() or 1)
    app = web.Application(middlewares=[_errors, _guard], client_max_size=max_body)
    app[_CONFIG] = Config(token=token, queue=queue, host=host.strip("[]") if ":" in host else host,
                          max_body=max_body, assets=Path(assets) if assets is not None else None,
                          examples=examples_folders if examples_folders is not None else example_folders())
    app.on_response_prepare.append(_security_headers)

    async def close_runs(app: web.Application) -> None:
        await queue.close()

    app.on_shutdown.append(close_runs)
    app.router.add_get("/", index)
    app.router.add_get("/assets/{path:.+}", asset)
    app.router.add_get("/api/health", health)
    app.router.add_get("/api/examples", examples)
    app.router.add_get("/api/examples/{name}", example)
    app.router.add_post("/api/check", check)
    app.router.add_post("/api/convert", convert)
    app.router.add_post("/api/runs", submit)
    app.router.add_get("/api/runs", list_runs)
    app.router.add_get("/api/runs/{id}", get_run)
    app.router.add_delete("/api/runs/{id}", cancel_run)
    app.router.add_get("/api/runs/{id}/events", events)
    app.router.add_get("/api/runs/{id}/results", results)
    app.router.add_get("/api/runs/{id}/results/summary", results_summary)
    app.router.add_get("/api/runs/{id}/results/analyses/{i}/piles/{group}", analysis_pile)
    app.router.add_get("/api/runs/{id}/results/envelopes/{i}/piles/{group}", envelope_pile)
    app.router.add_get("/api/runs/{id}/files/{suffix}", run_file)
    return app
