# SPDX-License-Identifier: Apache-2.0
"""The Windows build under Wine against the Linux build.

Every example model (its input data file and its model document) and every
golden model of the report tests is run by pylora.exe and, through a small
front end (call_dll.cpp) that writes "Names.dat" with Windows paths, by
pylora.dll; each must write the files the Linux program writes, with the
same return code. The files are compared apart from line ends, the date and
time of the run and the paths. The two platforms' mathematical libraries
round some functions differently in the last bit, and the nonlinear
solutions converge from there to the same tolerance: a number may differ in
its last printed digit or by 1e-9 relative (rounding), or by at most
CONVERGED of the largest number of its line or array; of piles that tie, the
summary may name another at an extreme. The test reports how many numbers
differed in each way. The capacity example is converted, not analysed (its
analysis takes minutes).

Set by the test command: PYLORA_PROGRAM (the Linux pylora), PYLORA_WINDOWS_DIR
(build/windows), PYLORA_WINE_PREFIX (the Wine prefix, made on first use),
PYLORA_MINGW_CXX (the MinGW-w64 C++ compiler) and PYLORA_OBJDUMP."""
from __future__ import annotations

import json
import os
import re
import shutil
import subprocess
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
GOLDEN = ROOT / "tests" / "report" / "echo" / "golden"
ANALYSED_EXAMPLES = sorted(p.name for p in EXAMPLES.iterdir()
                           if (p / "model.dat").exists() and p.name != "capacity")
GOLDEN_MODELS = sorted(p.name for p in GOLDEN.iterdir() if (p / "input.dat").exists())
# Files of a run that are its work, not its results.
SCRATCH = {".scr1", ".scr2", ".part", ".partial"}
SCRATCH_NAMES = {"Names.dat", "fort2", "fort3", "fort4"}
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "ucrtbase.dll", "shell32.dll", "user32.dll",
               "advapi32.dll", "ws2_32.dll", "ntdll.dll"}


def env_path(name: str) -> Path:
    value = os.environ.get(name)
    if not value:
        pytest.fail(f"{name} must be set by the test command")
    return Path(value)


def windows_path(path: Path) -> str:
    """The path as a Windows program sees it under Wine (drive Z: is /)."""
    return "Z:" + str(path).replace("/", "\\")


# Differences found by the comparisons, reported at the end of the session:
# numbers that differ in their last printed digit or within 1e-9 relative
# (rounding), within CONVERGED of the scale of their line or array (the
# nonlinear solutions converge to the same tolerance from results that
# differed in their last bits), and the pile named at an extreme that two
# piles of a symmetric group share (ties).
CONVERGED = 1e-5
TALLY = {"files": 0, "numbers": 0, "rounding": 0, "converged": 0, "ties": 0, "worst": 0.0}


@pytest.fixture(scope="session")
def wine_env() -> dict[str, str]:
    """Headless Wine with its own prefix, made once."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env["WINEPREFIX"] = str(env_path("PYLORA_WINE_PREFIX"))
    env["WINEDEBUG"] = "-all"
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winemenubuilder.exe=d"
    env["LANG"] = "C.UTF-8"  # the Unix side of file names and arguments
    if not (Path(env["WINEPREFIX"]) / "system.reg").exists():
        subprocess.run(["wineboot", "-i"], env=env, capture_output=True, timeout=600, check=True)
    return env


@pytest.fixture(scope="session")
def front_end(tmp_path_factory) -> Path:
    """call_dll.exe, built against the header and import library of the
    build as a caller builds, beside a copy of pylora.dll."""
    windows = env_path("PYLORA_WINDOWS_DIR")
    folder = tmp_path_factory.mktemp("front-end")
    exe = folder / "call_dll.exe"
    subprocess.run([str(env_path("PYLORA_MINGW_CXX")), "-std=c++20", "-Wall", "-Wextra", "-Werror",
                    "-O1", "-static", f"-I{windows}", str(Path(__file__).parent / "call_dll.cpp"),
                    str(windows / "pylora.lib"), "-o", str(exe)], check=True, timeout=300)
    shutil.copy2(windows / "pylora.dll", folder / "pylora.dll")
    return exe


def wine(env: dict[str, str], *args: str, cwd: Path | None = None) -> subprocess.CompletedProcess:
    return subprocess.run(["wine", *args], env=env, cwd=cwd, capture_output=True, text=True,
                          encoding="utf-8", errors="replace", timeout=600)


def linux(*args: str, cwd: Path | None = None) -> subprocess.CompletedProcess:
    return subprocess.run([str(env_path("PYLORA_PROGRAM")), *args], cwd=cwd, capture_output=True,
                          text=True, timeout=600)


def names_records(folder: str, input_file: str, base: str, sep: str) -> list[str]:
    """Names.dat as the front end writes it (call_dll.cpp does the same)."""
    folder = folder.rstrip(sep) + sep
    suffixes = [".out", ".sum", ".plt", ".rtm", ".sta", ".res", ".prg", ".crv", ".scr1", ".scr2",
                ".pile", ".warn"]
    return ["8.0.0", "front end test", folder, "0", input_file,
            *(folder + base + s for s in suffixes)]


def run_linux_front_end(folder: Path, input_file: Path) -> subprocess.CompletedProcess:
    """The Linux reference of a front end's run: the program runs the
    Names.dat of its working folder."""
    folder.mkdir(parents=True, exist_ok=True)
    records = names_records(str(folder), str(input_file), input_file.stem, "/")
    (folder / "Names.dat").write_text("\n".join(records) + "\n", encoding="utf-8")
    return linux("--quiet", cwd=folder)


def run_dll(env: dict[str, str], exe: Path, folder: Path, input_file: Path):
    folder.mkdir(parents=True, exist_ok=True)
    return wine(env, str(exe), windows_path(folder), windows_path(input_file), input_file.stem)


# --- comparison -----------------------------------------------------------

# A number as printed: with a Fortran exponent of three digits, the E is left out.
NUMBER = re.compile(r"[-+]?(?:(?:\d+\.\d*|\.\d+)(?:[EeDd][-+]?\d+|[-+]\d{3})?|\d+(?:[EeDd][-+]?\d+)?)")
DATE_TIME = re.compile(r"Date:\s+\w+ +\d+, \d{4}\s+Time:\s+\d\d:\d\d:\d\d")
WINDOWS_PATH = re.compile(r"\b[A-Za-z]:\\[^\s\"']*")


def normalised(text: str, runs: list[Path]) -> str:
    text = text.replace("\r\n", "\n")
    text = DATE_TIME.sub("Date: <DATE> Time: <TIME>", text)
    text = WINDOWS_PATH.sub(lambda m: m.group(0)[2:].replace("\\", "/"), text)
    for run in runs:
        text = text.replace(str(run), "<RUN>")
    return text


def printed_unit(token: str) -> float:
    """One unit of the last digit of a printed number."""
    parts = re.split(r"[EeDd]|(?<=\d)(?=[-+]\d{3}$)", token)
    exp = int(parts[1]) if len(parts) > 1 else 0
    decimals = len(parts[0].split(".")[1]) if "." in parts[0] else 0
    return 10.0 ** (exp - decimals)


def to_float(token: str) -> float:
    token = re.sub(r"(?<=\d)([-+]\d{3})$", r"E\1", token)
    return float(token.replace("D", "E").replace("d", "e"))


def compare_numbers(a: str, b: str, scale: float, where: str, printed: bool) -> str | None:
    """None when the numbers agree (counting the kind of difference)."""
    if a == b:
        return None
    x, y = to_float(a), to_float(b)
    if x == y:
        return None
    TALLY["numbers"] += 1
    difference = abs(x - y)
    if difference <= 1e-9 * max(abs(x), abs(y)) or (
            printed and difference <= 1.000001 * max(printed_unit(a), printed_unit(b))):
        TALLY["rounding"] += 1
        return None
    scale = max(scale, abs(x), abs(y))
    TALLY["worst"] = max(TALLY["worst"], difference / scale)
    if difference <= CONVERGED * scale:
        TALLY["converged"] += 1
        return None
    return f"{where}: {a} (Linux) and {b} (Windows) differ"


def skeleton(text: str) -> str:
    """The text without its numbers (a field may print its number in
    another form, with other blanks before it)."""
    return re.sub(r"\s+", " ", NUMBER.sub("#", text))


def compare_text(linux_text: str, windows_text: str, where: str) -> list[str]:
    if skeleton(linux_text) != skeleton(windows_text):
        for i, (x, y) in enumerate(zip(linux_text.splitlines(), windows_text.splitlines())):
            if skeleton(x) != skeleton(y):
                return [f"{where} line {i + 1} differs:\n  Linux:   {x!r}\n  Windows: {y!r}"]
        return [f"{where}: the files differ in their length"]
    faults = []
    for i, (x, y) in enumerate(zip(linux_text.splitlines(), windows_text.splitlines())):
        ln, wn = NUMBER.findall(x), NUMBER.findall(y)
        if ln == wn:
            continue
        if x.lstrip().startswith("Pile"):
            # The pile at which a column's extreme occurs.
            TALLY["ties"] += sum(a != b for a, b in zip(ln, wn))
            continue
        scale = max(abs(to_float(v)) for v in ln + wn)
        for a, b in zip(ln, wn):
            fault = compare_numbers(a, b, scale, f"{where} line {i + 1}", printed=True)
            if fault:
                faults.append(fault)
    return faults


def is_number(value) -> bool:
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def compare_json(a, b, where: str, runs: list[Path], scale: float = 0.0) -> list[str]:
    """Numbers are compared against the largest of their array or object."""
    if isinstance(a, dict) and isinstance(b, dict):
        if a.keys() != b.keys():
            return [f"{where}: keys {sorted(a.keys() ^ b.keys())} differ"]
        inner = max([abs(v) for v in a.values() if is_number(v)], default=scale)
        faults = []
        for k in a:
            faults += compare_json(a[k], b[k], f"{where}/{k}", runs, inner)
        return faults
    if isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            return [f"{where}: {len(a)} and {len(b)} entries"]
        inner = max([abs(v) for v in a if is_number(v)], default=scale)
        faults = []
        for i, (x, y) in enumerate(zip(a, b)):
            faults += compare_json(x, y, f"{where}/{i}", runs, inner)
        return faults
    if is_number(a) and is_number(b):
        fault = compare_numbers(repr(a), repr(b), scale, where, printed=False)
        return [fault] if fault else []
    if isinstance(a, str) and isinstance(b, str):
        if normalised(a, runs) != normalised(b, runs):
            return [f"{where}: {a!r} and {b!r} differ"]
        return []
    return [] if a == b else [f"{where}: {a!r} and {b!r} differ"]


def run_files(folder: Path) -> dict[str, Path]:
    return {p.name: p for p in folder.iterdir()
            if p.is_file() and p.suffix not in SCRATCH and p.name not in SCRATCH_NAMES}


def compare_runs(linux_dir: Path, windows_dir: Path, runs: list[Path]) -> list[str]:
    lf, wf = run_files(linux_dir), run_files(windows_dir)
    if lf.keys() != wf.keys():
        return [f"{windows_dir.name}: files {sorted(lf.keys() ^ wf.keys())} only on one side"]
    faults = []
    for name in sorted(lf):
        TALLY["files"] += 1
        where = f"{windows_dir.name}/{name}"
        a = lf[name].read_text(encoding="utf-8", errors="replace")
        b = wf[name].read_text(encoding="utf-8", errors="replace")
        if name.endswith(".json"):
            faults += compare_json(json.loads(a), json.loads(b), where, runs)
        else:
            faults += compare_text(normalised(a, runs), normalised(b, runs), where)
    return faults


# --- the runs ---------------------------------------------------------------

def cases() -> list[tuple[str, Path, str]]:
    """(name, model, how) for every analysed model: pylora.exe with the
    input data file and with the model document, and pylora.dll."""
    out = []
    for name in ANALYSED_EXAMPLES:
        out.append((f"{name}-dat", EXAMPLES / name / "model.dat", "exe"))
        out.append((f"{name}-yaml", EXAMPLES / name / "model.yaml", "exe"))
        out.append((f"{name}-dll", EXAMPLES / name / "model.dat", "dll"))
    for name in GOLDEN_MODELS:
        out.append((f"golden-{name}-exe", GOLDEN / name / "input.dat", "exe"))
        out.append((f"golden-{name}-dll", GOLDEN / name / "input.dat", "dll"))
    return out


@pytest.fixture(scope="session")
def all_runs(tmp_path_factory, wine_env, front_end):
    """Runs every case on both platforms, two at a time; the run folders of
    the two sides have paths of the same length."""
    root = tmp_path_factory.mktemp("runs")
    lin, win = root / "lin", root / "win"

    def one(case):
        name, model, how = case
        if how == "exe":
            l = linux(str(model), "-o", str(lin / name), "--quiet")
            w = wine(wine_env, str(env_path("PYLORA_WINDOWS_DIR") / "pylora.exe"),
                     windows_path(model), "-o", windows_path(win / name), "--quiet")
        else:
            l = run_linux_front_end(lin / name, model)
            w = run_dll(wine_env, front_end, win / name, model)
        return name, l, w

    with ThreadPoolExecutor(max_workers=2) as pool:
        results = list(pool.map(one, cases()))
    return lin, win, results


def test_every_model_writes_the_files_of_the_linux_build(all_runs):
    lin, win, results = all_runs
    faults = []
    for name, l, w in results:
        expected = l.returncode
        got = w.returncode
        if name.endswith("-dll"):
            # call_dll exits with the code of IPYLORA8; the Linux program
            # exits with the engine's code too.
            assert f"IPYLORA8 returned {expected}" in w.stdout, (name, w.stdout, w.stderr)
        assert got == expected, f"{name}: Windows {got}, Linux {expected}\n{w.stderr[-2000:]}"
        faults += compare_runs(lin / name, win / name, [lin / name, win / name])
    print(f"\nWindows against Linux: {len(results)} runs of {len(ANALYSED_EXAMPLES)} examples "
          f"and {len(GOLDEN_MODELS)} golden models, {TALLY['files']} files; "
          f"{TALLY['numbers']} numbers differed: {TALLY['rounding']} in their last printed digit "
          f"or within 1e-9 relative, {TALLY['converged']} within {CONVERGED:g} of their scale "
          f"(largest {TALLY['worst']:.2e}); {TALLY['ties']} extremes at another pile of a tie")
    assert not faults, "\n".join(faults[:30]) + f"\n({len(faults)} differences)"


def test_the_capacity_model_converts_as_on_linux(tmp_path, wine_env):
    model = EXAMPLES / "capacity" / "model.dat"
    l = linux("convert", str(model), "-o", str(tmp_path / "lin.yaml"))
    w = wine(wine_env, str(env_path("PYLORA_WINDOWS_DIR") / "pylora.exe"), "convert",
             windows_path(model), "-o", windows_path(tmp_path / "win.yaml"))
    assert (l.returncode, w.returncode) == (0, 0), w.stderr
    assert (tmp_path / "lin.yaml").read_bytes() == (tmp_path / "win.yaml").read_bytes()


# --- refused input, missing file, full disk --------------------------------

def refused_model(folder: Path) -> Path:
    """group3d with its first pile group on a pile property that does not exist."""
    lines = (EXAMPLES / "group3d" / "model.dat").read_text(encoding="utf-8").splitlines()
    first = next(i for i, line in enumerate(lines) if line.startswith("2 2 1 0 1 1"))
    lines[first] = "2 2 7 0 1 1" + lines[first][len("2 2 1 0 1 1"):]
    folder.mkdir(parents=True, exist_ok=True)
    path = folder / "bad.dat"
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return path


ERROR_LINE = re.compile(r"\*\*\*\* (?:INPUT|FILE) ERROR \*\*\*\*.*")


def test_refused_input_and_missing_files_as_on_linux(tmp_path, wine_env, front_end):
    exe = str(env_path("PYLORA_WINDOWS_DIR") / "pylora.exe")
    bad = refused_model(tmp_path / "model")
    lin, win = tmp_path / "lin", tmp_path / "win"

    # A refused input data file: the same code and the same message.
    l = linux(str(bad), "-o", str(lin / "refused"))
    w = wine(wine_env, exe, windows_path(bad), "-o", windows_path(win / "refused"))
    assert l.returncode == w.returncode == 104, w.stderr
    assert ERROR_LINE.findall(l.stderr) == ERROR_LINE.findall(w.stderr)
    assert not compare_runs(lin / "refused", win / "refused", [lin / "refused", win / "refused"])

    # A model that is not there: the command line is refused (2).
    l = linux(str(tmp_path / "missing.dat"))
    w = wine(wine_env, exe, windows_path(tmp_path / "missing.dat"))
    assert l.returncode == w.returncode == 2
    assert "cannot read the model" in w.stderr

    # Through the DLL: refused input, a missing input data file (102) and no
    # Names.dat at all (101).
    l = run_linux_front_end(lin / "dll-refused", bad)
    w = run_dll(wine_env, front_end, win / "dll-refused", bad)
    assert l.returncode == w.returncode == 104
    l = run_linux_front_end(lin / "dll-missing", tmp_path / "missing.dat")
    w = run_dll(wine_env, front_end, win / "dll-missing", tmp_path / "missing.dat")
    assert l.returncode == w.returncode == 102, w.stderr
    assert "cannot open the input data file" in w.stderr


def test_a_full_disk_stops_the_run_as_on_linux(tmp_path, wine_env, front_end):
    if os.geteuid() != 0:
        pytest.skip("a small file system needs a tmpfs mount, which only root may do")
    exe = str(env_path("PYLORA_WINDOWS_DIR") / "pylora.exe")
    model = EXAMPLES / "group3d" / "model.dat"
    outcomes = {}
    for side in ("lin", "win"):
        folder = tmp_path / side
        folder.mkdir()
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", str(folder)],
                          capture_output=True).returncode != 0:
            pytest.skip("this machine does not let the test mount a tmpfs")
        try:
            if side == "lin":
                r = linux(str(model), "-o", str(folder), "--quiet")
            else:
                r = wine(wine_env, exe, windows_path(model), "-o", windows_path(folder), "--quiet")
            status = (folder / "model.sta").read_text(errors="replace") \
                if (folder / "model.sta").exists() else ""
            outcomes[side] = (r.returncode, r.stderr, status)
        finally:
            subprocess.run(["umount", str(folder)], check=True)
    (lrc, _, lsta), (wrc, werr, wsta) = outcomes["lin"], outcomes["win"]
    assert lrc == wrc == 105, werr
    assert "**** FILE ERROR ****" in werr and "No space left on device" in werr, werr
    # The analysis under way when the disk filled is not claimed completed:
    # no more analyses are completed than on Linux.
    assert wsta.count("ANALYSIS COMPLETED") <= lsta.count("ANALYSIS COMPLETED") + 1


def test_non_ascii_paths_are_utf8(tmp_path, wine_env, front_end):
    """A model in a folder whose name is not ASCII, by pylora.exe (the
    command line) and by pylora.dll (a UTF-8 Names.dat)."""
    folder = tmp_path / "Pfähle Brücke"
    folder.mkdir()
    model = folder / "modèle.dat"
    shutil.copy2(EXAMPLES / "row2d" / "model.dat", model)
    w = wine(wine_env, str(env_path("PYLORA_WINDOWS_DIR") / "pylora.exe"), windows_path(model),
             "--quiet")
    assert w.returncode == 0, w.stderr
    assert (folder / "modèle.out").exists() and (folder / "modèle.json").exists()
    report = (folder / "modèle.out").read_text(encoding="utf-8")
    assert "Pfähle Brücke" in report and "modèle.dat" in report
    w = run_dll(wine_env, front_end, folder / "über", model)
    assert w.returncode == 0, w.stderr
    assert (folder / "über" / "modèle.out").exists()


def test_the_dll_exports_ipylora8_and_needs_only_system_dlls():
    windows = env_path("PYLORA_WINDOWS_DIR")
    objdump = str(env_path("PYLORA_OBJDUMP"))
    for binary in ("pylora.dll", "pylora.exe"):
        dump = subprocess.run([objdump, "-p", str(windows / binary)], capture_output=True,
                              text=True, check=True).stdout
        imported = {m.lower() for m in re.findall(r"DLL Name: (\S+)", dump)}
        assert imported and imported <= SYSTEM_DLLS, f"{binary} imports {sorted(imported)}"
        if binary == "pylora.dll":
            table = dump[dump.index("[Ordinal/Name Pointer] Table"):].split("\n\n")[0]
            exported = re.findall(r"\[\s*\d+\] (\S+)", table)
            assert exported == ["IPYLORA8"], exported


def test_the_worker_threads_give_the_same_results(tmp_path, wine_env):
    """One thread and the processor count's: the same files, bit for bit."""
    exe = str(env_path("PYLORA_WINDOWS_DIR") / "pylora.exe")
    model = windows_path(EXAMPLES / "group3d" / "model.dat")
    one = wine({**wine_env, "PYLORA_THREADS": "1"}, exe, model, "-o", windows_path(tmp_path / "a"),
               "--quiet")
    many = wine({k: v for k, v in wine_env.items() if k != "PYLORA_THREADS"}, exe, model, "-o",
                windows_path(tmp_path / "b"), "--quiet")
    assert one.returncode == many.returncode == 0, many.stderr
    for name, path in run_files(tmp_path / "a").items():
        a = DATE_TIME.sub("", path.read_text(errors="replace"))
        b = DATE_TIME.sub("", (tmp_path / "b" / name).read_text(errors="replace"))
        assert a == b, name


def test_a_busy_run_folder_is_refused(tmp_path, wine_env, front_end):
    """While a front end's run holds Names.dat (the capacity model, which
    runs for minutes), a second call of IPYLORA8 into the folder returns 106
    and pylora.exe refuses it (2), as on Linux."""
    folder = tmp_path / "busy"
    model = EXAMPLES / "capacity" / "model.dat"
    folder.mkdir()
    first = subprocess.Popen(["wine", str(front_end), windows_path(folder), windows_path(model),
                              "model"], env=wine_env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 120
        while not (folder / "model.out").exists():
            assert first.poll() is None, "the first run ended before the test could start"
            assert time.monotonic() < deadline, "the first run did not start"
            time.sleep(0.2)
        second = run_dll(wine_env, front_end, folder, model)
        assert second.returncode == 106, second.stderr
        assert "another run is using the run-control file" in second.stderr
        w = wine(wine_env, str(env_path("PYLORA_WINDOWS_DIR") / "pylora.exe"),
                 windows_path(EXAMPLES / "row2d" / "model.dat"), "-o", windows_path(folder))
        assert w.returncode == 2, w.stderr
        assert "another run is using the folder" in w.stderr
        assert first.poll() is None, "the first run was disturbed"
    finally:
        first.kill()
        first.wait()
