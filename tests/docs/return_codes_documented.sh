#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Every code the entry point can return is documented: each return code and
# analysis status defined in the library's sources (the constants named
# kReturn... and kStatus... with a number) has a row in the README's table of
# return codes and is named in the comment of engine/ipylora8.h.
set -euo pipefail
root=$1

folders=()
for f in store format soil axial pile cap plate report engine; do
  [ -d "$root/$f" ] && folders+=("$root/$f")
done
codes=$(grep -rhoE 'inline constexpr int k(Return|Status)[A-Za-z0-9]* = [0-9]+;' "${folders[@]}" |
        sed -E 's/.*= ([0-9]+);/\1/' | sort -nu)
[ -n "$codes" ] || { echo "no return codes found in the sources"; exit 1; }

# The numbers a documentation text lists: single codes and "a to b" ranges.
listed() {
  local text=$1
  grep -oE '[0-9]+( to [0-9]+)?' <<< "$text" | while read -r a _ b; do
    if [ -n "${b:-}" ]; then seq "$a" "$b"; else echo "$a"; fi
  done | sort -nu
}

# The first cell of every row of the README's table under "## Return codes".
table=$(awk '/^## Return codes/{on=1; next} /^## /{on=0} on && /^\| [0-9]/' "$root/README.md" |
        cut -d'|' -f2)
header=$(sed -n '/^\/\/ Runs the analysis/,/^int IPYLORA8/p' "$root/engine/ipylora8.h")

missing=0
readmeCodes=$(listed "$table")
headerCodes=$(listed "$header")
for code in $codes; do
  grep -qx "$code" <<< "$readmeCodes" || { echo "code $code is not in the README's table"; missing=1; }
  grep -qx "$code" <<< "$headerCodes" || { echo "code $code is not named in engine/ipylora8.h"; missing=1; }
done
[ "$missing" -eq 0 ] || exit 1
echo "documented:" $codes
