#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each over its committed
# seed corpus for a bounded time, one target at a time on one core.
#
# Usage: fuzz/run.sh <build-dir> <seconds-per-target>
#   CI:       fuzz/run.sh build/fuzz 20
#   long run: fuzz/run.sh build-fuzz 3600
# The default character set comes from LANG, so the path target shares its
# time among the locales in KELFUZZ_LOCALES. KELFUZZ_SETS (identifiers
# separated by commas, e.g. 50220,50221) narrows the registered sets the
# targets choose from, so that a long run can dwell on a few.
#
# Exits non-zero on the first finding; the input that caused it is kept in
# <build-dir>/findings/ and can be replayed with <build-dir>/<target> <file>.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 <build-dir> <seconds-per-target>" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "$1" && cd "$1" && pwd)
seconds=$2
locales=${KELFUZZ_LOCALES:-C ja_JP.SJIS zh_CN.GB18030 en_US.UTF-8}
targets="fuzz_to_utf16 fuzz_from_utf16 fuzz_entry_points fuzz_ustring_local fuzz_streaming"

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"${JOBS:-2}"
mkdir -p "$build/findings"

# One run: a scratch copy of the seeds grows during the run, so the
# committed corpus stays as it is.
run_target() {
    local target=$1 label=$2 seconds=$3
    local work="$build/corpus/$label"
    rm -rf "$work"
    mkdir -p "$work"
    cp "$root/fuzz/corpus/$target/"* "$work/"
    local log="$build/$label.log"
    if ! "$build/$target" -max_total_time="$seconds" -max_len=512 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/findings/$label-" \
        "$work" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "fuzz: $label found a fault" >&2
        exit 1
    fi
    echo "fuzz: $label: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions in ${seconds}s"
}

for target in $targets; do
    run_target "$target" "$target" "$seconds"
done
read -r -a locale_list <<<"$locales"
per_locale=$(( (seconds + ${#locale_list[@]} - 1) / ${#locale_list[@]} ))
for locale in "${locale_list[@]}"; do
    LANG=$locale run_target fuzz_path_escapes "fuzz_path_escapes-$locale" "$per_locale"
done
echo "fuzz: no findings"
