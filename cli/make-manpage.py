#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the manual page pylora(1) from the text of ``pylora --help``.

The help text is laid out as a terminal shows it: the usage lines first,
then paragraphs separated by blank lines. A paragraph whose first line is a
heading ("Options:") opens a section of the page; its items, lines that
begin with two spaces and an option or command followed by two or more
spaces and the description, become tagged paragraphs.

    make-manpage.py HELP.txt VERSION OUTPUT.1
"""
import re
import sys
from pathlib import Path

HEADING = re.compile(r"^([A-Z][A-Za-z ]*):$")
ITEM = re.compile(r"^  (\S.*?)\s{2,}(\S.*)$")


def roff(text: str) -> str:
    """Escapes text for a roff line: backslashes and hyphens, and a leading
    period or apostrophe that roff would read as a request."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def paragraphs(lines: list[str]) -> list[list[str]]:
    """The blocks of lines between blank lines."""
    blocks: list[list[str]] = [[]]
    for line in lines:
        if line.strip():
            blocks[-1].append(line.rstrip())
        elif blocks[-1]:
            blocks.append([])
    return [b for b in blocks if b]


def manpage(help_text: str, version: str) -> str:
    """The roff source of pylora(1)."""
    blocks = paragraphs(help_text.splitlines())
    usage, rest = blocks[0], blocks[1:]
    out = [f'.TH PYLORA 1 "" "pylora {version}" "User Commands"',
           ".SH NAME",
           "pylora \\- analysis of pile groups joined by a pile cap",
           ".SH SYNOPSIS",
           ".nf"]
    for line in usage:
        out.append(roff(re.sub(r"^(usage:)? +", "", line)))
    out += [".fi", ".SH DESCRIPTION"]
    for block in rest:
        heading = HEADING.match(block[0])
        if heading:
            out.append(".SH " + heading.group(1).upper())
            block = block[1:]
        else:
            out.append(".PP")
        for line in block:
            item = ITEM.match(line)
            if item:
                out += [".TP", ".B " + roff(item.group(1)), roff(item.group(2))]
            else:
                out.append(roff(line.strip()))
    out += [".SH SEE ALSO", "pylora\\-plot(1)", ""]
    return "\n".join(out)


def main() -> int:
    help_file, version, output = sys.argv[1:4]
    Path(output).write_text(manpage(Path(help_file).read_text(encoding="utf-8"), version),
                            encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
