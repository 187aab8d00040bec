#!/usr/bin/env bash
# Builds the library and the benchmarks in build-bench, writes the corpus,
# reports the library's size and resident memory, then runs every workload
# with the library, ICU and glibc iconv in one process.
# Usage: bench/run.sh [benchmark flags, e.g. --benchmark_filter=cp1252]
# (JOBS=n to change build parallelism; BUILD_DIR to build elsewhere)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
jobs=${JOBS:-2}

cmake -S . -B "$build" -DKELULIB_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$jobs" --target kelbench kelmem >/dev/null
python3 bench/make_corpus.py "$build/corpus"

lib=$(readlink -f "$build"/libkelulib64.so)
stripped=$(mktemp)
trap 'rm -f "$stripped"' EXIT
strip -o "$stripped" "$lib"
type=$(grep -m1 '^CMAKE_BUILD_TYPE:' "$build/CMakeCache.txt" | cut -d= -f2)
echo "library file: $(stat -c %s "$lib") bytes as built (${type:-RelWithDebInfo, the default}), $(stat -c %s "$stripped") bytes stripped"
"$build"/bench/kelmem
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
"$build"/bench/kelbench "$build/corpus" "$@"
