#!/usr/bin/env bash
# Cross-builds kelxfer.dll for x64 and x86, checks the names they export and
# the DLLs they need, and runs the x64 test program under Wine.
# Usage: tests/windows/run.sh <build-dir>
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 <build-dir>" >&2
    exit 2
fi

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$(mkdir -p "$1/windows" && cd "$1/windows" && pwd)
EXPORT=Java_kelxfer_KelXfer_getUnicodeArgs
JDK_INCLUDE=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")/include
# -static keeps the MinGW runtime out of the DLL's imports whichever thread
# model the installed compiler uses.
CXXFLAGS=(-std=c++17 -O2 -Wall -Wextra -Wpedantic -Werror -static
          -I"$ROOT/xfer/win32" -I"$JDK_INCLUDE")

build_dll() {  # arch, extra flags...
    local arch=$1; shift
    mkdir -p "$OUT/$arch"
    "$arch-w64-mingw32-g++" "${CXXFLAGS[@]}" -shared "$@" -o "$OUT/$arch/kelxfer.dll" \
        "$ROOT/xfer/kelxfer_KelXfer_win.cpp" -lshell32
}

exported_names() {  # arch
    "$1-w64-mingw32-objdump" -p "$OUT/$1/kelxfer.dll" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p'
}

check_exports() {  # arch, expected name
    local names
    names=$(exported_names "$1")
    if [ "$names" != "$2" ]; then
        echo "FAIL $1 kelxfer.dll exports [$names], expected [$2]" >&2
        return 1
    fi
}

# Wine and Windows have the system DLLs; anything else would have to ship.
check_imports() {  # arch
    local foreign
    foreign=$("$1-w64-mingw32-objdump" -p "$OUT/$1/kelxfer.dll" | sed -n 's/^\s*DLL Name: //p' |
              grep -viE '^(kernel32|shell32|msvcrt)\.dll$' || true)
    if [ -n "$foreign" ]; then
        echo "FAIL $1 kelxfer.dll needs non-system DLLs: $foreign" >&2
        return 1
    fi
}

# Debian's wine64 alone leaves its programs out of PATH.
find_wine_tool() {  # name
    command -v "$1" || { [ -x "/usr/lib/wine/$1" ] && echo "/usr/lib/wine/$1"; } || {
        echo "FAIL $1 not found" >&2
        return 1
    }
}

run_under_wine() {  # program
    local wine server prefix status=0
    wine=$(find_wine_tool wine64)
    server=$(find_wine_tool wineserver)
    prefix=$(mktemp -d)
    # Headless: no debug chatter, and no offer to install Mono or Gecko.
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # The first start of a fresh prefix sets it up, which can take a while.
    timeout 600 "$wine" wineboot --init >/dev/null 2>&1 || status=$?
    if [ $status -eq 0 ]; then
        timeout 300 "$wine" "$1" || status=$?
    else
        echo "FAIL wineboot exited with $status" >&2
    fi
    "$server" -k 2>/dev/null || true
    rm -rf "$prefix"
    return $status
}

build_dll x86_64
# The x86 export carries its decorated name from the .def file alone.
build_dll i686 -DJNIEXPORT= "$ROOT/xfer/kelxfer_x86.def"
check_exports x86_64 "$EXPORT"
check_exports i686 "_$EXPORT@8"
check_imports x86_64
check_imports i686

x86_64-w64-mingw32-g++ "${CXXFLAGS[@]}" -municode -o "$OUT/x86_64/getunicodeargs_test.exe" \
    "$ROOT/tests/windows/getunicodeargs_test.cpp"
run_under_wine "$OUT/x86_64/getunicodeargs_test.exe"
