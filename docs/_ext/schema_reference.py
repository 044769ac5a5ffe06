# SPDX-License-Identifier: Apache-2.0
"""Field references of the model and results documents, read from their schemas.

The directive ``.. schema-reference:: model.schema.json`` (in MyST:
```` ```{schema-reference} model.schema.json ``` ````) writes one table per
object of the schema: every field with its type, default and description.
A field without a description stops the build, so the reference cannot
leave one out.
"""
from __future__ import annotations

import json
import re
import sys
from pathlib import Path
from typing import Any, Iterator

from docutils import nodes
from docutils.parsers.rst import Directive


def _walk(node: Any, pointer: str) -> Iterator[tuple[str, str, dict[str, Any]]]:
    """Yields (pointer, field name, field schema) of every property in node."""
    if isinstance(node, dict):
        for name, field in (node.get("properties") or {}).items():
            if isinstance(field, dict):
                yield f"{pointer}/properties/{name}", name, field
        for key, value in node.items():
            if key == "properties" and isinstance(value, dict):
                for name, field in value.items():
                    yield from _walk(field, f"{pointer}/properties/{name}")
            elif isinstance(value, (dict, list)):
                yield from _walk(value, f"{pointer}/{key}")
    elif isinstance(node, list):
        for i, item in enumerate(node):
            yield from _walk(item, f"{pointer}/{i}")


def missing_descriptions(schema: dict[str, Any]) -> list[str]:
    """The JSON Pointers of the fields of schema that have no description.

    A field that only restates one given elsewhere (a property of an
    ``if``/``then`` branch that narrows a field of the same object) needs none.
    """
    missing = []
    for pointer, _name, field in _walk(schema, ""):
        if "/if/" in pointer or pointer.startswith("/if") or "/not/" in pointer:
            continue
        if "/then/" in pointer or "/else/" in pointer or "/allOf/" in pointer:
            continue
        if not str(field.get("description", "")).strip():
            missing.append(pointer)
    return missing


def _type_of(field: dict[str, Any]) -> str:
    """A short name of a field's type: its reference, type, or choices."""
    if "$ref" in field:
        return field["$ref"].rsplit("/", 1)[-1]
    if "const" in field:
        return json.dumps(field["const"])
    if "enum" in field:
        return " | ".join(json.dumps(v) for v in field["enum"])
    kind = field.get("type")
    if kind == "array":
        items = field.get("items", {})
        return f"array of {_type_of(items) if isinstance(items, dict) else 'values'}"
    if isinstance(kind, list):
        return " | ".join(kind)
    if kind:
        return str(kind)
    for key in ("anyOf", "oneOf"):
        if key in field:
            return " | ".join(_type_of(f) for f in field[key] if isinstance(f, dict))
    return "any"


def _type_cell(field: dict[str, Any], stem: str) -> nodes.paragraph:
    """The type of a field, a reference to the object's table when it names one."""
    items = field.get("items")
    ref = field.get("$ref") or (items.get("$ref") if isinstance(items, dict) else None)
    text = _type_of(field)
    if not ref:
        return nodes.paragraph(text=text)
    name = ref.rsplit("/", 1)[-1]
    target = nodes.make_id(f"{stem}-{name}")
    link = nodes.reference("", name, internal=True, refid=target)
    prefix = text[: text.rfind(name)]
    return nodes.paragraph("", "", nodes.Text(prefix), link)


def _inline(text: str) -> list[nodes.Node]:
    """The text with its `code` spans as literals."""
    out: list[nodes.Node] = []
    for i, part in enumerate(re.split(r"`([^`]*)`", text)):
        if part:
            out.append(nodes.literal(part, part) if i % 2 else nodes.Text(part))
    return out


def _table(fields: dict[str, Any], required: list[str], stem: str) -> nodes.table:
    """A table of the fields of one object."""
    table = nodes.table(classes=["schema-fields"])
    group = nodes.tgroup(cols=4)
    table += group
    for width in (18, 18, 10, 54):
        group += nodes.colspec(colwidth=width)
    head = nodes.thead()
    row = nodes.row()
    for title in ("field", "type", "default", "description"):
        row += nodes.entry("", nodes.paragraph(text=title))
    head += row
    group += head
    body = nodes.tbody()
    for name, field in fields.items():
        if not isinstance(field, dict):
            continue
        row = nodes.row()
        label = name + (" (required)" if name in required else "")
        row += nodes.entry("", nodes.paragraph("", "", nodes.literal(label, label)))
        row += nodes.entry("", _type_cell(field, stem))
        default = json.dumps(field["default"]) if "default" in field else ""
        row += nodes.entry("", nodes.paragraph(text=default))
        row += nodes.entry("", nodes.paragraph("", "", *_inline(field.get("description", ""))))
        body += row
    group += body
    return table


class SchemaReference(Directive):
    """Writes the field reference of one schema of the docs folder."""

    required_arguments = 1

    def run(self) -> list[nodes.Node]:
        env = self.state.document.settings.env
        path = Path(env.srcdir) / self.arguments[0]
        env.note_dependency(str(path))
        schema = json.loads(path.read_text(encoding="utf-8"))
        missing = missing_descriptions(schema)
        if missing:
            raise self.error(f"{path.name}: fields without a description: {', '.join(missing)}")
        out: list[nodes.Node] = []
        objects = [("Top level", "", schema)]
        objects += [(name, f"#/$defs/{name}", d) for name, d in schema.get("$defs", {}).items()]
        for title, ref, obj in objects:
            section = nodes.section(ids=[nodes.make_id(f"{path.stem}-{title}")])
            section += nodes.title(text=title)
            if obj.get("description"):
                section += nodes.paragraph("", "", *_inline(obj["description"]))
            if ref:
                section += nodes.paragraph("", "", nodes.Text("Referred to as "), nodes.literal(ref, ref))
            if obj.get("properties"):
                section += _table(obj["properties"], obj.get("required", []), path.stem)
            elif "enum" in obj or "anyOf" in obj or "type" in obj:
                section += nodes.paragraph("", "", nodes.Text("Value: "), nodes.literal(_type_of(obj), _type_of(obj)))
            out.append(section)
        return out


def setup(app: Any) -> dict[str, Any]:
    """Registers the directive with Sphinx."""
    app.add_directive("schema-reference", SchemaReference)
    return {"parallel_read_safe": True, "version": "1"}


def main(argv: list[str]) -> int:
    """Checks the schemas named: exits 1 naming every field without a description."""
    status = 0
    for name in argv:
        schema = json.loads(Path(name).read_text(encoding="utf-8"))
        for pointer in missing_descriptions(schema):
            print(f"{name}: field without a description: {pointer}")
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
