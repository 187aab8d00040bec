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
status=0
"$kelconv" -f UTF-8 -t windows-1252 --on-error=escape examples/originals/mixed.txt || status=$?
echo "   exit status $status (0: all converted, 1: some characters could not be, 2: error)"
