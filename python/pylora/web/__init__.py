# SPDX-License-Identifier: Apache-2.0
"""pylora-web: a local web server for the browser application of pylora.

It serves the built application and a small JSON API (docs/web-api.md) that
checks models, runs them through the package a few at a time and serves
their results, files and progress, to the machine it runs on only.

    pylora-web [--port 8765] [--host 127.0.0.1] [--open] [--max-runs N] [--data DIR]

or ``python3 -m pylora.web`` from the source tree; ``make_app`` builds the
application for a server of one's own.
"""
from .server import make_app

__all__ = ["make_app"]
