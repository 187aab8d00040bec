#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks what a user gets there:
# the shared library with its SONAME, self-contained public headers, the
# CMake package and the pkg-config file (a small program built with each,
# checking the version macros against the package's version), and kelconv
# (its version, man page and bash completion): the samples round-trip, and
# a large input streams through in bounded memory.
# Usage: tests/install/run.sh BUILD_DIR     (STREAM_MIB=n sets the input size)
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
stream_mib=${STREAM_MIB:-64}
max_rss_kib=$((48 * 1024))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
    echo "install check failed: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name libkelulib64.so -print -quit)")
[ -d "$libdir" ] || fail "libkelulib64.so not installed"
kelconv=$prefix/bin/kelconv
includedir=$prefix/include/kelulib

echo "--- library and headers"
[ -L "$libdir/libkelulib64.so" ] && [ -L "$libdir/libkelulib64.so.1" ] ||
    fail "libkelulib64.so and libkelulib64.so.1 should be links to the versioned file"
readelf -d "$libdir/libkelulib64.so" | grep -q 'SONAME.*\[libkelulib64\.so\.1\]' || fail "SONAME"
[ -f "$includedir/KelUString.h" ] || fail "KelUString.h not in include/kelulib"
[ ! -e "$includedir/KelConverterHelpers.h" ] || fail "internal header installed"
for header in "$includedir"/*.h; do
    echo "#include \"$(basename "$header")\"" |
        g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$includedir" -x c++ - ||
        fail "$(basename "$header") does not compile on its own"
done

echo "--- consumer built with find_package"
cmake -S "$source_dir/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer"

echo "--- consumer built with pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
version=$(pkg-config --modversion kelulib)
g++ -std=c++17 -o "$work/consumer-pc" "$source_dir/tests/install/consumer/main.cpp" \
    -DKELULIB_EXPECTED_MAJOR="${version%%.*}" $(pkg-config --cflags --libs kelulib) -Wl,-rpath,"$libdir"
"$work/consumer-pc"

echo "--- streaming example built against the package"
cmake -S "$source_dir/examples/streaming" -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/example" >/dev/null
"$work/example/streaming" "$source_dir/examples/originals/mixed.txt" || fail "the streaming example"

echo "--- kelconv's version, man page and bash completion"
"$kelconv" --help | grep -q -- '--on-error' || fail "kelconv --help"
[ "$("$kelconv" --version)" = "kelconv (kelulib) $version" ] || fail "kelconv --version"
man_page=$prefix/share/man/man1/kelconv.1
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man_page" 2>"$work/man-warnings" >"$work/man.txt" &&
    [ ! -s "$work/man-warnings" ] || fail "the man page renders with warnings: $(cat "$work/man-warnings")"
# Every option of --help has its entry in the man page.
for option in $("$kelconv" --help | grep -o -- '--[a-z-]*[a-z]' | sort -u); do
    grep -q -- "$option" "$work/man.txt" || fail "the man page lacks $option"
done
# bash-completion finds the function beside the installed command, and it
# offers the set names that kelconv -l lists, whatever their case.
completed=$(PATH=$prefix/bin:$PATH XDG_DATA_DIRS=$prefix/share bash -c '
    source /usr/share/bash-completion/bash_completion
    __load_completion kelconv || exit 1
    COMP_WORDS=(kelconv -t euc-j) COMP_CWORD=2
    _kelconv kelconv euc-j -t
    echo "${COMPREPLY[*]}"') || fail "bash-completion finds no completion for kelconv"
[[ " $completed " == *" EUC-JP "* ]] || fail "kelconv -t euc-j<TAB> completes to '$completed'"

echo "--- kelconv round trips of the samples"
"$source_dir/examples/convert-samples.sh" "$kelconv" >"$work/samples.log" || {
    cat "$work/samples.log"
    fail "a sample does not round-trip"
}
grep -c "round trip: identical" "$work/samples.log" | sed 's/$/ samples round-trip/'

# Peak resident memory of one kelconv run, in KiB.
peak_rss() {
    local input=$1 output=$2
    shift 2
    /usr/bin/time -f %M -o "$work/rss" "$kelconv" "$@" -o "$output" "$input"
    cat "$work/rss"
}

# A set that changes every byte of the text, when the library has it.
middle=UTF-8
if "$kelconv" -l | grep -q '^  1200  KELCS_UTF16 .*order, no byte-order mark$'; then
    middle=UTF-16LE
fi

echo "--- kelconv streams $stream_mib MiB through $middle"
line=$(head -n 1 "$source_dir/examples/originals/mixed.txt")
lines=$((stream_mib * 1024 * 1024 / ($(printf '%s\n' "$line" | wc -c))))
repeat() { (yes "$line" || true) | head -n "$1"; }
repeat "$lines" >"$work/big"
repeat $((lines / 4)) | tr -d '\n' >"$work/long-line"
for input in big long-line; do
    there=$(peak_rss "$work/$input" "$work/there" -f UTF-8 -t "$middle")
    back=$(peak_rss "$work/there" "$work/back" -f "$middle" -t UTF-8)
    cmp -s "$work/$input" "$work/back" || fail "$input does not come back unchanged"
    echo "$input: $(stat -c %s "$work/$input") bytes, peak RSS $there KiB and $back KiB"
    [ "$there" -lt "$max_rss_kib" ] && [ "$back" -lt "$max_rss_kib" ] ||
        fail "memory grows with the input"
done
echo "--- install check passed"
