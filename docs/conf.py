# SPDX-License-Identifier: Apache-2.0
"""Sphinx configuration of the pylora manual (built by scripts/docs)."""
from __future__ import annotations

import re
import shutil
import subprocess
import sys
from pathlib import Path
from typing import Any

here = Path(__file__).resolve().parent
sys.path.insert(0, str(here / "_ext"))

_cmake = (here.parent / "CMakeLists.txt").read_text(encoding="utf-8")
_version = re.search(r"project\(\s*pylora\s+VERSION\s+([0-9.]+)", _cmake)

project = "pylora"
author = "the pylora developers"
copyright = "the pylora developers"
release = version = _version.group(1) if _version else ""

extensions = ["myst_parser", "sphinx.ext.mathjax", "schema_reference"]
myst_enable_extensions = ["dollarmath", "amsmath", "colon_fence"]
myst_heading_anchors = 3
source_suffix = {".md": "markdown"}
root_doc = "index"
exclude_patterns = ["_build", "_ext"]
html_theme = "furo"
html_title = f"pylora {release} manual"
html_static_path: list[str] = []

# MathJax from Debian's libjs-mathjax, copied into the site so that it reads
# offline and wherever the html is installed.
_mathjax = Path("/usr/share/javascript/mathjax")
mathjax_path = "mathjax/MathJax.js?config=TeX-AMS_CHTML"
mathjax3_config = None
mathjax2_config = {"tex2jax": {"inlineMath": [["\\(", "\\)"]], "displayMath": [["\\[", "\\]"]],
                                "processEscapes": True, "ignoreClass": "tex2jax_ignore|mathjax_ignore|document",
                                "processClass": "math"}}
_mathjax_parts = ["MathJax.js", "config/TeX-AMS_CHTML.js", "extensions", "jax/input/TeX",
                  "jax/output/CommonHTML", "jax/element", "fonts/HTML-CSS/TeX/woff"]


def _generate_verification(app: Any) -> None:
    """Runs the engine on the verification models: tables and plots of today's code."""
    script = here / "verification" / "generate.py"
    result = subprocess.run([sys.executable, str(script), str(here / "verification" / "results")],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"the verification pages could not be generated:\n{result.stdout}{result.stderr}")


def _copy_mathjax(app: Any, exception: Exception | None) -> None:
    """Copies the MathJax files the pages use into the site."""
    if exception is not None or app.builder.format != "html":
        return
    if not (_mathjax / "MathJax.js").is_file():
        raise RuntimeError("MathJax is missing: install Debian's libjs-mathjax (scripts/setup)")
    target = Path(app.outdir) / "_static" / "mathjax"
    for part in _mathjax_parts:
        source = _mathjax / part
        if source.is_dir():
            shutil.copytree(source, target / part, dirs_exist_ok=True)
        else:
            (target / part).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(source, target / part)


def setup(app: Any) -> None:
    """Generates the verification results before reading and copies MathJax after."""
    app.connect("builder-inited", _generate_verification)
    app.connect("build-finished", _copy_mathjax)
