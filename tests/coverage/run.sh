#!/usr/bin/env bash
# Line and branch coverage of the library (unicode/) and the JNI bridge
# (xfer/) by the unit tests: builds with gcov instrumentation, runs the
# suite, prints the gcovr summary and fails below the line threshold.
#
# Usage: tests/coverage/run.sh <build-dir>     (KELULIB_MIN_LINES to change 95)
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 <build-dir>" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(mkdir -p "$1" && cd "$1" && pwd)
min_lines=${KELULIB_MIN_LINES:-95}

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Debug \
    -DKELULIB_COVERAGE=ON >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target kelulib_tests
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -R '^unit$' --output-on-failure

# Branches that only exception unwinding or the compiler's own checks take
# are left out: no test can reach them. The build directory is the only place
# searched for counts: other builds under the root may hold counts of other
# versions of the same sources, which gcovr cannot merge.
gcovr --root "$root" --object-directory "$build" \
    --filter "$root/unicode/" --filter "$root/xfer/" \
    --exclude-throw-branches --exclude-unreachable-branches \
    --json "$build/coverage.json" "$build"
gcovr --root "$root" --add-tracefile "$build/coverage.json" --txt "$build/coverage-lines.txt"
gcovr --root "$root" --add-tracefile "$build/coverage.json" --branches \
    --txt "$build/coverage-branches.txt"
echo "coverage: per-file lines and branches in $build/coverage-lines.txt and $build/coverage-branches.txt"
gcovr --root "$root" --add-tracefile "$build/coverage.json" --print-summary \
    --fail-under-line "$min_lines" --txt /dev/null
