#!/usr/bin/env bash
# Fails when the shared library LIB defines any dynamic symbol other than the functions the
# version script MAP lists as global, or lacks one of them. Usage: check-exports.sh LIB MAP
set -euo pipefail
lib=$1
map=$2
expected=$(sed -n 's/^ *\(sclnet_[a-z0-9_]*\);$/\1/p' "$map" | sort)
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
if [ "$expected" != "$actual" ]; then
   diff <(echo "$expected") <(echo "$actual") >&2 || true
   echo "exported symbols of $lib differ from $map (< expected, > exported)" >&2
   exit 1
fi
echo "$(echo "$actual" | wc -l) exports, all from $map"
