#!/usr/bin/env bash
# Builds the library and the benchmarks in build-bench, writes the corpora
# (generated texts of 1 MiB and 8 MiB, texts of the installed manual pages),
# reports the library's size and resident memory, then runs every workload
# with the library, ICU, glibc iconv and the other peers in one process.
# Usage: bench/run.sh [benchmark flags, e.g. --benchmark_filter=cp1252]
# (JOBS=n to change build parallelism; BUILD_DIR to build elsewhere)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
jobs=${JOBS:-2}
corpus=$build/corpus

cmake -S . -B "$build" -DKELULIB_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$jobs" --target kelbench kelmem >/dev/null

# The generated texts take a while at 8 MiB: made again only when the
# generator changed.
for mib in 1 8; do
    if [ ! "$corpus/${mib}M/names.txt" -nt bench/make_corpus.py ]; then
        python3 bench/make_corpus.py "$corpus/${mib}M" "$mib"
    fi
done

# Real prose: Debian's Japanese and Chinese manual pages beside the English ones.
installed=$(dpkg-query -W -f='${db:Status-Status} ' manpages-ja manpages-zh 2>/dev/null || true)
if [ "$installed" != "installed installed " ]; then
    echo "installing manpages-ja and manpages-zh for the real-text rows"
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends manpages-ja manpages-zh >/dev/null 2>&1 ||
        { apt-get update >/dev/null 2>&1 &&
          apt-get install -y --no-install-recommends manpages-ja manpages-zh >/dev/null 2>&1; } ||
        echo "cannot install the manual pages: the real-text rows have only what is installed"
fi
rm -rf "$corpus/real"
python3 bench/real_corpus.py "$corpus/real"
dirs=("$corpus/1M" "$corpus/8M")
if ls "$corpus"/real/*-man.txt >/dev/null 2>&1; then
    dirs+=("$corpus/real")
else
    echo "no manual pages to take real text from: no real-text rows"
fi

lib=$(readlink -f "$build"/libkelulib64.so)
stripped=$(mktemp)
out=$(mktemp)
trap 'rm -f "$stripped" "$out"' EXIT
strip -o "$stripped" "$lib"
type=$(grep -m1 '^CMAKE_BUILD_TYPE:' "$build/CMakeCache.txt" | cut -d= -f2)
echo "library file: $(stat -c %s "$lib") bytes as built (${type:-RelWithDebInfo, the default}), $(stat -c %s "$stripped") bytes stripped"
memory=$("$build"/bench/kelmem)
echo "$memory"
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
start=$(date +%s)
"$build"/bench/kelbench "${dirs[@]}" "$@" | tee "$out"

# The summary with the memory target counted in.
read -r met total < <(sed -n 's/^summary: \([0-9]*\) of \([0-9]*\) targets met.*/\1 \2/p' "$out")
case $memory in *": met") met=$((met + 1)) ;; esac
echo "with resident memory: $met of $((total + 1)) targets met; kelbench took $(( $(date +%s) - start )) s"
