#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The layering check must refuse a tree in which a lower folder includes from
# a higher one, and accept includes that point down or stay in the folder.
set -euo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/store" "$tree/soil" "$tree/engine"
printf '#include "store/model_store.h"\n#include "soil/py_curve.h"\n' > "$tree/soil/py_curve.cpp"
printf '#include "soil/py_curve.h"\n#include <vector>\n' > "$tree/engine/driver.cpp"
"$check" "$tree" > /dev/null || { echo "a downward tree was refused"; exit 1; }

printf '#include <string>\n  #  include "engine/driver.h"\n' > "$tree/store/model_store.h"
if out=$("$check" "$tree"); then
  echo "an upward include was accepted"; exit 1
fi
grep -q 'store/model_store.h:2: includes "engine/driver.h"' <<< "$out" ||
  { echo "the refusal does not name the file and line: $out"; exit 1; }
echo "upward include refused: $out"
