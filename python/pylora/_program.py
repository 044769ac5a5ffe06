# SPDX-License-Identifier: Apache-2.0
"""Where the pylora program is, and running it.

The package drives the command-line program, one process per run: the engine
keeps one model per process, and separate processes make parallel runs safe.
"""
from __future__ import annotations

import os
import shutil
import subprocess
from pathlib import Path

from .errors import PyloraError

_HERE = Path(__file__).resolve().parent


def _candidates() -> list[Path]:
    """Where to look, in order: the environment's choice, the installation
    the package belongs to (PREFIX/share/pylora/python/pylora or a Debian
    package's dist-packages beside /usr/bin), the builds of the source tree,
    then the PATH."""
    found: list[Path] = []
    for variable in ("PYLORA_PROGRAM", "PYLORA_CLI"):
        value = os.environ.get(variable)
        if value:
            found.append(Path(value))
    # PREFIX/share/pylora/python/pylora -> PREFIX/bin/pylora, and likewise
    # /usr/lib/python3/dist-packages/pylora -> /usr/bin/pylora.
    if len(_HERE.parents) > 3:
        found.append(_HERE.parents[3] / "bin" / "pylora")
    # The source tree: ROOT/python/pylora -> ROOT/build/*/cli/pylora.
    root = _HERE.parents[1]
    for build in ("release", "test"):
        found.append(root / "build" / build / "cli" / "pylora")
    which = shutil.which("pylora")
    if which:
        found.append(Path(which))
    return found


def program() -> Path:
    """The pylora program the package runs.

    PYLORA_PROGRAM (or PYLORA_CLI) in the environment names it; otherwise the
    program of the installation the package belongs to, a build of the source
    tree (build/release, build/test) or the first pylora on the PATH. Raises
    PyloraError when there is none.
    """
    for path in _candidates():
        if path.is_file() and os.access(path, os.X_OK):
            return path
    raise PyloraError(
        "no pylora program found: set PYLORA_PROGRAM to its path, build it "
        "(scripts/build build/release) or install it")


def run_program(args: list[str], **kwargs) -> subprocess.CompletedProcess:
    """Runs the program with args and returns the finished process; its
    output is captured as text unless kwargs say otherwise."""
    kwargs.setdefault("capture_output", True)
    kwargs.setdefault("text", True)
    return subprocess.run([str(program()), *args], check=False, **kwargs)
