# SPDX-License-Identifier: Apache-2.0
"""The command line of the web server:

    pylora-web [--port 8765] [--host 127.0.0.1] [--open] [--max-runs N] [--data DIR] [--token TOKEN]

It prints the address to open, with the token, on one line and serves until
interrupted (SIGINT or SIGTERM), when it cancels the runs that have not ended.
"""
from __future__ import annotations

import argparse
import asyncio
import ipaddress
import logging
import os
import secrets
import shutil
import signal
import sys
import tempfile
import webbrowser
from pathlib import Path
from urllib.parse import quote

from aiohttp import web

from .server import make_app


def _count(text: str) -> int:
    value = int(text)
    if value < 1:
        raise argparse.ArgumentTypeError(f"a whole number from 1, not {text}")
    return value


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="pylora-web",
        description="Serves the browser application of pylora and its API on this machine.")
    parser.add_argument("--port", type=int, default=8765, help="the port to listen on (0: any free one)")
    parser.add_argument("--host", default="127.0.0.1",
                        help="the address to listen on (default 127.0.0.1, this machine only)")
    parser.add_argument("--open", action="store_true", help="open the address in the browser")
    parser.add_argument("--max-runs", type=_count, default=os.cpu_count() or 1,
                        help="how many runs at once; the others wait in the queue (default: the cores)")
    parser.add_argument("--data", type=Path,
                        help="the folder of the runs' files (default: a temporary folder removed on exit)")
    parser.add_argument("--token", default=os.environ.get("PYLORA_WEB_TOKEN"),
                        help="the token of the API (default: $PYLORA_WEB_TOKEN, or a random one)")
    return parser


def _is_loopback(host: str) -> bool:
    if host.lower() == "localhost":
        return True
    try:
        return ipaddress.ip_address(host.strip("[]")).is_loopback
    except ValueError:
        return False


def _address(host: str, port: int, token: str) -> str:
    name = f"[{host}]" if ":" in host and not host.startswith("[") else host
    return f"http://{name}:{port}/?token={quote(token, safe='')}"


async def _serve(args: argparse.Namespace, token: str, data: Path) -> int:
    app = make_app(token=token, data=data, max_runs=args.max_runs, host=args.host)
    runner = web.AppRunner(app, access_log=None, handle_signals=False)
    await runner.setup()
    site = web.TCPSite(runner, args.host.strip("[]"), args.port)
    try:
        await site.start()
    except OSError as e:
        print(f"pylora-web: cannot listen on {args.host}:{args.port}: {e.strerror or e}", file=sys.stderr)
        await runner.cleanup()
        return 1
    port = int(runner.addresses[0][1])
    address = _address(args.host, port, token)
    print(f"pylora-web: {address}", flush=True)
    loop = asyncio.get_running_loop()
    stop = asyncio.Event()
    for signum in (signal.SIGINT, signal.SIGTERM):
        try:
            loop.add_signal_handler(signum, stop.set)
        except (NotImplementedError, RuntimeError):  # not on this platform: KeyboardInterrupt ends it
            pass
    if args.open:
        loop.run_in_executor(None, webbrowser.open, address)
    try:
        await stop.wait()
    finally:
        await runner.cleanup()  # cancels the runs that have not ended and waits for them
    return 0


def main(argv: list[str] | None = None) -> int:
    """Runs the server with the command line argv (default sys.argv[1:]);
    returns the exit status."""
    args = _parser().parse_args(argv)
    logging.basicConfig(level=logging.WARNING, format="pylora-web: %(message)s")
    token = args.token or secrets.token_urlsafe(24)
    if not _is_loopback(args.host):
        print(f"pylora-web: warning: listening on {args.host}: anyone who can reach this address "
              "and has the token can run models on this machine", file=sys.stderr)
    temporary = args.data is None
    data = Path(tempfile.mkdtemp(prefix="pylora-web-")) if temporary else args.data
    data.mkdir(parents=True, exist_ok=True)
    try:
        return asyncio.run(_serve(args, token, data))
    except KeyboardInterrupt:
        return 0
    finally:
        if temporary:
            shutil.rmtree(data, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
