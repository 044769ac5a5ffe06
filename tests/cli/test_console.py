# SPDX-License-Identifier: Apache-2.0
"""What pylora shows on the terminal (PYLORA_PROGRAM): a refused model's
error and code, the warnings counted against the report, the account of the
analyses against the results file, --quiet without a banner, and the
progress drawn in place on a pseudo-terminal but as plain lines in a pipe."""
from __future__ import annotations

import json
import os
import pty
import re
import select
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
BANNER = "PYLORA for Windows"


def program() -> str:
    path = os.environ.get("PYLORA_PROGRAM")
    if not path:
        pytest.fail("PYLORA_PROGRAM must name the pylora program of the build")
    return path


def run(*args: str, cwd: Path | None = None) -> subprocess.CompletedProcess[str]:
    return subprocess.run([program(), *args], capture_output=True, text=True, timeout=600, cwd=cwd)


@pytest.fixture(scope="module")
def refused(tmp_path_factory) -> Path:
    """group3d with its first pile group on a pile property that does not exist."""
    folder = tmp_path_factory.mktemp("refused")
    lines = (EXAMPLES / "group3d" / "model.dat").read_text(encoding="utf-8").splitlines()
    first = next(i for i, line in enumerate(lines) if line.startswith("2 2 1 0 1 1"))
    lines[first] = "2 2 7 0 1 1" + lines[first][len("2 2 1 0 1 1"):]
    path = folder / "bad.dat"
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return path


@pytest.fixture(scope="module")
def sand(tmp_path_factory) -> tuple[subprocess.CompletedProcess[str], Path]:
    folder = tmp_path_factory.mktemp("sand")
    return run(str(EXAMPLES / "sand-over-rock" / "model.dat"), "-o", str(folder)), folder


class TestErrors:
    def test_a_refused_model_says_why(self, refused):
        done = run(str(refused), "-o", str(refused.parent / "out"))
        assert done.returncode == 104
        report = (refused.parent / "out" / "bad.out").read_text(encoding="utf-8")
        error = next(line.strip() for line in report.splitlines() if "**** INPUT ERROR ****" in line)
        assert 'pile property "7" names no pile property' in error
        lines = done.stderr.splitlines()
        assert error in lines
        last = lines[-1]
        assert last.startswith("pylora: analysis ended with code 104 (the input data file holds a value")
        assert last.endswith(str(refused.parent / "out" / "bad.out"))
        assert lines.index(error) < len(lines) - 1

    def test_quiet_failure_shows_only_its_error(self, refused):
        done = run(str(refused), "-o", str(refused.parent / "quiet"), "-q")
        assert done.returncode == 104
        assert BANNER not in done.stderr
        lines = done.stderr.splitlines()
        assert len(lines) == 2
        assert "**** INPUT ERROR ****" in lines[0]
        assert lines[1].startswith("pylora: analysis ended with code 104")

    def test_a_fatal_error_block_is_shown_whole(self, tmp_path):
        done = run(str(EXAMPLES / "group3d" / "model.dat"), "-o", str(tmp_path), "--pushover", "9", "-q")
        assert done.returncode == 104
        report = (tmp_path / "model.out").read_text(encoding="utf-8").splitlines()
        at = next(i for i, line in enumerate(report) if "**** FATAL ERROR ****" in line)
        block = []
        for line in report[at:]:
            if not line.strip():
                break
            block.append(" ".join(line.split()))
        assert len(block) >= 2
        assert done.stderr.splitlines()[:len(block)] == block


class TestAccount:
    def test_warnings_counted_by_kind(self, sand):
        done, folder = sand
        assert done.returncode == 0
        report = (folder / "model.out").read_text(encoding="utf-8")
        # Every warning block of the report opens with one of the two markers.
        count = len(re.findall(r"\*\* WARNING \*\*|\*\*\*\* WARNING \*\*\*\*", report))
        assert count == 8
        assert f"pylora: {count} warnings (each in the report; --warnings shows them):" in done.stderr
        kinds = [line for line in done.stderr.splitlines() if re.match(r"pylora:   \d+ x ", line)]
        assert sum(int(line.split()[1]) for line in kinds) == count
        # Two pull-out failures of different pile groups are one kind.
        assert "pylora:   2 x APPARENT FAILURE IN PULL OUT PILE GROUP n" in kinds

    def test_every_warning_when_asked(self, sand, tmp_path):
        done = run(str(EXAMPLES / "sand-over-rock" / "model.dat"), "-o", str(tmp_path), "--warnings", "-q")
        assert BANNER not in done.stderr
        assert "pylora: 8 warnings:" in done.stderr
        # A warning's second record comes with it.
        assert re.search(r"^  AX\. DISP\.= +-?\d\.\d{4}E[-+]\d\d > +\d\.\d{4}E[-+]\d\d +AX\. FORCE=",
                         done.stderr, re.MULTILINE)
        assert done.stderr.count("DEFLECTION IS LESS THAN 1.0E-14") == 5

    def test_a_line_for_each_analysis(self, sand):
        done, folder = sand
        results = json.loads((folder / "model.json").read_text(encoding="utf-8"))
        lines = [line for line in done.stderr.splitlines() if line.startswith("pylora: load c")]
        assert len(lines) == len(results["analyses"]) == 3
        for line, analysis in zip(lines, results["analyses"]):
            assert f'"{analysis["name"]}": completed;' in line
            d = analysis["capDisplacement"]
            key = max((k for k in d if k.startswith("u")), key=lambda k: abs(d[k]))
            m = re.search(r"largest cap displacement (\S+) (\S+) \((\w+)\)", line)
            assert m and m.group(3) == key and m.group(2) == results["model"]["units"]["length"]
            assert float(m.group(1)) == pytest.approx(d[key], rel=1e-3)
        assert done.stderr.splitlines()[-1].startswith("pylora: analysis completed; report: ")

    def test_quiet(self, tmp_path):
        model = str(EXAMPLES / "group3d" / "model.dat")
        once = run(model, "-o", str(tmp_path / "a"), "--quiet")
        assert once.returncode == 0
        assert once.stderr.splitlines() == [f"pylora: analysis completed; report: {tmp_path / 'a' / 'model.out'}"]
        twice = run(model, "-o", str(tmp_path / "b"), "-q", "-q")
        assert twice.returncode == 0 and twice.stderr == "" and twice.stdout == ""


class TestProgress:
    def test_redrawn_on_a_terminal(self, tmp_path):
        leader, follower = pty.openpty()
        try:
            process = subprocess.Popen([program(), str(EXAMPLES / "row2d-clay" / "model.dat"), "-o", str(tmp_path)],
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=follower)
            os.close(follower)
            seen = b""
            while True:
                ready, _, _ = select.select([leader], [], [], 120)
                if not ready:
                    break
                try:
                    chunk = os.read(leader, 65536)
                except OSError:  # the program ended and closed its side
                    break
                if not chunk:
                    break
                seen += chunk
            assert process.wait(60) == 0
        finally:
            os.close(leader)
        text = seen.decode("utf-8", "replace")
        # The line is drawn over itself: a carriage return and an erase, the bar.
        assert "\r\x1b[Kpylora: [" in text
        assert re.search(r"\[[#.]{20}\] analysis \d+ of \d+", text)
        # And erased before the account of the run.
        assert "\r\x1b[Kpylora: load case 1" in text
        assert "pylora: [" not in text.split("pylora: load case 1", 1)[1]

    def test_plain_lines_in_a_pipe(self, tmp_path):
        done = run(str(EXAMPLES / "row2d-clay" / "model.dat"), "-o", str(tmp_path))
        assert done.returncode == 0
        assert "\r" not in done.stderr and "\x1b" not in done.stderr
        progress = [line for line in done.stderr.splitlines() if re.match(r"pylora: analysis \d+ of \d+", line)]
        assert progress, done.stderr
        assert all("[" not in line for line in progress)
