#!/usr/bin/env bash
# Builds kelconv and converts the bundled samples, showing the results.
# Usage: ./examples/run.sh            (JOBS=n to change build parallelism)
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build/main -DKELULIB_BUILD_TESTS=OFF >/dev/null
cmake --build build/main -j"${JOBS:-2}" --target kelconv >/dev/null
kelconv=build/main/cli/kelconv

examples/convert-samples.sh "$kelconv"

echo "== examples/originals/mixed.txt to windows-1252, unmappable characters escaped"
echo "   (shown converted back to UTF-8)"
converted=$(mktemp)
trap 'rm -f "$converted"' EXIT
status=0
"$kelconv" -f UTF-8 -t windows-1252 --on-error=escape -o "$converted" examples/originals/mixed.txt ||
    status=$?
"$kelconv" -f windows-1252 -t UTF-8 "$converted"
echo "   exit status $status (0: all converted, 1: some characters could not be, 2: error)"
