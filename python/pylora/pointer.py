# SPDX-License-Identifier: Apache-2.0
"""JSON Pointers (RFC 6901) into a model document: "/soilLayers/0/top/x"."""
from __future__ import annotations

from typing import Any


def parse(pointer: str) -> list[str]:
    """The reference tokens of pointer, unescaped ("~1" is "/", "~0" is "~")."""
    if pointer == "":
        return []
    if not pointer.startswith("/"):
        raise ValueError(f"a JSON Pointer starts with \"/\": {pointer!r}")
    return [t.replace("~1", "/").replace("~0", "~") for t in pointer[1:].split("/")]


def _step(container: Any, token: str, pointer: str) -> tuple[Any, Any]:
    """The key or index that token names in container, and the value there."""
    if isinstance(container, list):
        if not token.isdigit() or (len(token) > 1 and token[0] == "0"):
            raise KeyError(f"{pointer}: {token!r} is not an index of a list")
        index = int(token)
        if index >= len(container):
            raise KeyError(f"{pointer}: index {index} is past the end of a list of {len(container)}")
        return index, container[index]
    if isinstance(container, dict):
        if token not in container:
            raise KeyError(f"{pointer}: no {token!r} here (there are {', '.join(map(str, container)) or 'no keys'})")
        return token, container[token]
    raise KeyError(f"{pointer}: {token!r} goes into a {type(container).__name__}, which has no members")


def get_value(document: Any, pointer: str) -> Any:
    """The value at pointer. Raises KeyError naming what is missing."""
    value = document
    for token in parse(pointer):
        value = _step(value, token, pointer)[1]
    return value


def set_value(document: Any, pointer: str, value: Any) -> None:
    """Sets the value at pointer; its parent must exist. A missing last key of
    an object is added; a list index must exist."""
    tokens = parse(pointer)
    if not tokens:
        raise KeyError("the empty pointer names the whole document, which cannot be replaced in place")
    parent = document
    for token in tokens[:-1]:
        parent = _step(parent, token, pointer)[1]
    last = tokens[-1]
    if isinstance(parent, dict):
        parent[last] = value
    else:
        key = _step(parent, last, pointer)[0]
        parent[key] = value
