#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The licence check must accept sources that name their licence in any
# comment syntax, after a "#!" line too, and refuse one that does not.
set -euo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/pile" "$tree/scripts"
printf '// SPDX-License-Identifier: Apache-2.0\n// A pile.\n' > "$tree/pile/pile.cpp"
printf '#!/usr/bin/env bash\n# SPDX-License-Identifier: Apache-2.0\necho\n' > "$tree/scripts/tool"
chmod +x "$tree/scripts/tool"
printf 'not a source\n' > "$tree/pile/notes.txt"
"$check" "$tree" > /dev/null || { echo "sources with their licence were refused"; exit 1; }

printf '#!/usr/bin/python3\nprint()\n' > "$tree/scripts/other"
chmod +x "$tree/scripts/other"
printf '# A list of files.\n' > "$tree/pile/CMakeLists.txt"
if out=$("$check" "$tree"); then
  echo "sources without their licence were accepted"; exit 1
fi
grep -q '^scripts/other: no SPDX' <<< "$out" && grep -q '^pile/CMakeLists.txt: no SPDX' <<< "$out" ||
  { echo "the refusal does not name both files: $out"; exit 1; }
echo "sources without a licence refused: $out"
