# SPDX-License-Identifier: Apache-2.0
"""The runs of the web server: the queue that runs models in threads, a
few at a time, and what a run's files tell while it runs (its progress
message, the new lines of its runtime file and the warnings among them).
"""
from __future__ import annotations

import asyncio
import json
import logging
import re
import secrets
import threading
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass, field
from datetime import datetime, timezone
from pathlib import Path
from typing import Any

from ..errors import ModelError, PyloraError, RunCancelled
from ..model import Model

log = logging.getLogger("pylora.web")

#: The base name of every run's files (model.out, model.results.json, ...).
NAME = "model"
#: The states of a run; the last three are final.
STATES = ("queued", "running", "completed", "failed", "cancelled")
ENDED = frozenset(("completed", "failed", "cancelled"))

# "- ANALYSIS FOR LOAD CASE   1/  2", "- ANALYSIS FOR LOAD COMB.   1/  1 FINISHED"
_SERIES = re.compile(r"LOAD\s+(CASE|COMB)\.?\s+(\d+)\s*/\s*(\d+)")
_NUMBER = r"([-+]?(?:\d+\.?\d*|\.\d+)(?:[EeDd][-+]?\d+)?)"
_STEP = re.compile(r"STEP:\s*(\d+)")
_TCUR = re.compile(r"TCUR:\s*" + _NUMBER)
_ITERATION = re.compile(r"ITERATION:\s*(\d+)")
# How many lines after a warning's own line belong to it, at most.
_WARNING_LINES = 3


def now() -> str:
    """The time of day in UTC, as ISO 8601 with milliseconds."""
    return datetime.now(timezone.utc).isoformat(timespec="milliseconds").replace("+00:00", "Z")


def parse_progress(text: str) -> dict[str, Any]:
    """The fields of a progress message: which series (load case or
    combination), which analysis of how many (as the message numbers them,
    from 1), the load step, the load factor reached and the iteration. A field
    the message does not hold is None."""
    message = "\n".join(line.rstrip() for line in text.strip("\r\n").splitlines())
    found: dict[str, Any] = {"message": message, "series": None, "analysis": None, "count": None,
                             "step": None, "loadFactor": None, "iteration": None}
    series = _SERIES.search(message)
    if series:
        found["series"] = "load case" if series.group(1) == "CASE" else "combination"
        found["analysis"] = int(series.group(2))
        found["count"] = int(series.group(3))
    step = _STEP.search(message)
    if step:
        found["step"] = int(step.group(1))
    factor = _TCUR.search(message)
    if factor:
        found["loadFactor"] = float(factor.group(1).replace("D", "E").replace("d", "e"))
    iteration = _ITERATION.search(message)
    if iteration:
        found["iteration"] = int(iteration.group(1))
    return found


def read_progress(folder: Path) -> str:
    """The run's latest progress message ("" when it has none yet)."""
    try:
        return (folder / f"{NAME}.prg").read_text(encoding="utf-8", errors="replace").strip()
    except OSError:
        return ""


class WarningScanner:
    """Finds the warnings among the lines of a runtime file as they come: a
    line holding "WARNING" and the non-empty lines after it, up to three, to
    the end of its block (an empty line or the next warning)."""

    def __init__(self) -> None:
        self._block: list[str] | None = None

    def feed(self, lines: list[str]) -> list[str]:
        """The warnings that the lines complete."""
        done: list[str] = []
        for line in lines:
            text = line.strip()
            if "WARNING" in text:
                if self._block is not None:
                    done.append("\n".join(self._block))
                self._block = [text]
            elif self._block is not None:
                if text:
                    self._block.append(text)
                if not text or len(self._block) > _WARNING_LINES:
                    done.append("\n".join(self._block))
                    self._block = None
        return done

    def flush(self) -> list[str]:
        """The warning still open at the end of the file, if any."""
        block, self._block = self._block, None
        return ["\n".join(block)] if block else []


class RunWatcher:
    """Follows the files of one run: poll() gives the events of what changed
    since the last look (progress, runtime lines, warnings)."""

    #: The most lines one runtime event carries.
    CHUNK = 2000

    def __init__(self, folder: Path):
        self.folder = folder
        self._progress = ""
        self._offset = 0
        self._partial = b""
        self._warnings = WarningScanner()

    def poll(self, final: bool = False) -> list[tuple[str, dict[str, Any]]]:
        """The events since the last call; final says that the run has ended,
        so that its last unfinished line and warning count too."""
        events: list[tuple[str, dict[str, Any]]] = []
        message = read_progress(self.folder)
        if message and message != self._progress:
            self._progress = message
            events.append(("progress", parse_progress(message)))
        lines = self._new_lines(final)
        for start in range(0, len(lines), self.CHUNK):
            events.append(("runtime", {"lines": lines[start:start + self.CHUNK]}))
        warnings = self._warnings.feed(lines) + (self._warnings.flush() if final else [])
        events.extend(("warning", {"text": text}) for text in warnings)
        return events

    def _new_lines(self, final: bool) -> list[str]:
        try:
            with open(self.folder / f"{NAME}.rtm", "rb") as f:
                f.seek(self._offset)
                data = f.read()
        except OSError:
            data = b""
        self._offset += len(data)
        data = self._partial + data
        pieces = data.split(b"\n")
        self._partial = pieces.pop()
        if final and self._partial:
            pieces.append(self._partial)
            self._partial = b""
        return [p.decode("utf-8", errors="replace").rstrip() for p in pieces]


def summarise(results: dict[str, Any]) -> dict[str, Any]:
    """The results document with every pile (of the analyses and of the
    envelopes) reduced to its group and head."""
    summary = {key: value for key, value in results.items() if key not in ("analyses", "envelopes")}
    for key in ("analyses", "envelopes"):
        if key in results:
            summary[key] = [{**entry, "piles": [{"group": p.get("group"), "head": p.get("head")}
                                                for p in entry.get("piles", [])]}
                            if "piles" in entry else dict(entry)
                            for entry in results[key]]
    return summary


class ResultsParts:
    """The parts of a run's results that the server answers with, made once:
    the summary as JSON text and the piles of each analysis and envelope by
    their group (a model of 2000 piles has a results file of some 100 MB;
    the summary is a few MB and one pile some 50 kB)."""

    def __init__(self, results: dict[str, Any]):
        self.summary: bytes = json.dumps(summarise(results)).encode()
        self.piles: dict[str, list[dict[int, dict[str, Any]]]] = {}
        for key in ("analyses", "envelopes"):
            entries = results.get(key) or []
            self.piles[key] = [{p.get("group"): p for p in reversed(entry.get("piles") or [])}
                               for entry in entries]

    def pile(self, key: str, i: int, group: int) -> dict[str, Any] | None:
        """Pile group `group` of entry i of "analyses" or "envelopes"
        (the first of that group, as the list holds it), or None."""
        return self.piles[key][i].get(group)

    def count(self, key: str) -> int:
        return len(self.piles[key])


@dataclass(eq=False)
class Run:
    """One run of a model: where its files are and how far it got."""

    id: str
    title: str
    folder: Path
    model: Model
    state: str = "queued"
    return_code: int | None = None
    error: str | None = None
    created: str = field(default_factory=now)
    started: str | None = None
    finished: str | None = None
    last_progress: str = ""
    #: The results document, once read (a run's results do not change once it ended).
    results_json: dict[str, Any] | None = None
    #: What the server answers from the results, made once (ResultsParts).
    parts: Any = None
    cancel: threading.Event = field(default_factory=threading.Event)
    done: asyncio.Event = field(default_factory=asyncio.Event)

    @property
    def ended(self) -> bool:
        return self.state in ENDED

    def file(self, suffix: str) -> Path:
        """The run's file of a suffix ("out", "results.json", ...)."""
        return self.folder / f"{NAME}.{suffix}"

    def progress(self) -> dict[str, Any] | None:
        """The latest progress message, parsed (None before the first)."""
        message = read_progress(self.folder) or self.last_progress
        return parse_progress(message) if message else None

    def brief(self) -> dict[str, Any]:
        return {"id": self.id, "title": self.title, "state": self.state, "created": self.created}

    def describe(self) -> dict[str, Any]:
        return {"id": self.id, "title": self.title, "state": self.state, "progress": self.progress(),
                "returnCode": self.return_code, "error": self.error, "created": self.created,
                "started": self.started, "finished": self.finished}

    def note_progress(self, message: str) -> None:
        # Called from the run's thread; a plain assignment is all it does.
        self.last_progress = message


class RunQueue:
    """The runs of the server: each waits for one of max_runs places, then
    runs in a thread of its own through Model.run in <data>/runs/<id>/."""

    def __init__(self, data: Path, max_runs: int):
        if max_runs < 1:
            raise ValueError(f"max_runs is a whole number from 1, not {max_runs}")
        self.data = Path(data)
        self.max_runs = max_runs
        self.runs: dict[str, Run] = {}
        self._places: asyncio.Semaphore | None = None
        self._executor = ThreadPoolExecutor(max_workers=max_runs, thread_name_prefix="pylora-run")
        self._tasks: set[asyncio.Task[None]] = set()
        self._closing = False

    def submit(self, model: Model) -> Run:
        """Queues a run of the model (checked already) and returns it."""
        if self._closing:
            raise PyloraError("the server is shutting down")
        if self._places is None:
            self._places = asyncio.Semaphore(self.max_runs)
        run_id = secrets.token_hex(12)
        folder = self.data / "runs" / run_id
        folder.mkdir(parents=True, exist_ok=False)
        model = Model(model.document, name=NAME)
        run = Run(id=run_id, title=model.title, folder=folder, model=model)
        self.runs[run_id] = run
        task = asyncio.get_running_loop().create_task(self._execute(run))
        self._tasks.add(task)
        task.add_done_callback(self._tasks.discard)
        return run

    async def _execute(self, run: Run) -> None:
        assert self._places is not None
        try:
            async with self._places:
                if run.cancel.is_set():  # cancelled while it waited: it never starts
                    return
                run.state, run.started = "running", now()
                await self._run(run)
        finally:
            if not run.ended:
                run.state = "cancelled"
            run.finished = run.finished or now()
            run.done.set()

    async def _run(self, run: Run) -> None:
        loop = asyncio.get_running_loop()

        def work() -> Any:
            results = run.model.run(workdir=run.folder, progress=run.note_progress, cancel=run.cancel)
            # The run's thread has the document read already: the summary and
            # the index of the piles are made here, before the run counts as
            # completed, so that the first request for them does not wait for
            # (and the server's loop never stops on) reading a large file.
            run.results_json = results.json
            run.parts = ResultsParts(results.json)
            return results

        try:
            results = await loop.run_in_executor(self._executor, work)
        except RunCancelled as e:
            run.state = "cancelled"
            run.return_code = e.results.return_code if e.results is not None else None
        except ModelError as e:
            run.state, run.error = "failed", str(e)
        except PyloraError as e:
            run.state, run.error = "failed", str(e)
        except Exception as e:  # noqa: BLE001 - whatever stopped it, the run failed
            log.exception("the run %s failed", run.id)
            run.state, run.error = "failed", f"{type(e).__name__}: {e}"
        else:
            run.state, run.return_code = "completed", results.return_code
        run.finished = now()

    async def cancel(self, run: Run, wait: float = 40.0) -> Run:
        """Cancels a queued run (it never starts) or a running one (the
        program ends it in order), and waits for it to end."""
        if run.ended:
            return run
        run.cancel.set()
        if run.state == "queued":
            run.state, run.finished = "cancelled", now()
            return run
        try:
            await asyncio.wait_for(run.done.wait(), wait)
        except asyncio.TimeoutError:
            pass
        return run

    async def close(self) -> None:
        """Cancels every run that has not ended and waits for them."""
        self._closing = True
        for run in self.runs.values():
            if not run.ended:
                run.cancel.set()
                if run.state == "queued":
                    run.state, run.finished = "cancelled", now()
        if self._tasks:
            await asyncio.wait(list(self._tasks), timeout=45)
        self._executor.shutdown(wait=False, cancel_futures=True)
