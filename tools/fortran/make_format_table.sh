#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Regenerates the edit-descriptor reference table of the report tests with
# gfortran. Usage: make_format_table.sh [output file]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../tests/format/data/format_table.txt}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
gfortran -std=f2018 -Wall -o "$work/format_table" "$here/format_table.f90"
"$work/format_table" >"$work/table.txt"
mv "$work/table.txt" "$out"
echo "wrote $(grep -vc '^#' "$out") cases to $out"
