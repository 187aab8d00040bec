#!/usr/bin/env bash
# Checks that a built library exports the Linux native methods and, for the
# 64-bit library, calls them from a JVM under each LANG that the tool meets.
# There is no 32-bit JVM here: the 32-bit library (kelxfer) gets the export
# check only, and its behaviour is covered by the C++ suite.
# Usage: tests/java/run.sh <cmake-build-dir>
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 <cmake-build-dir>" >&2
    exit 2
fi

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
EXPORTS=(Java_kelxfer_FileDecompressor_utf16ToLocal Java_kelxfer_KelXfer_isKelDefaultLocale)

check_exports() {  # library
    local defined missing=0
    defined=$(nm -D --defined-only "$1" | awk '$2 == "T" { print $3 }')
    for name in "${EXPORTS[@]}"; do
        if ! grep -qx "$name" <<<"$defined"; then
            echo "FAIL $(basename "$1") does not export $name" >&2
            missing=1
        fi
    done
    return $missing
}

compile_java() {  # output dir
    rm -rf "$1"
    mkdir -p "$1"
    javac -Xlint:all -Werror -d "$1" "$ROOT"/java/src/kelxfer/*.java "$ROOT"/java/test/KelXferTest.java
}

# One JVM per default character set: the library reads LANG (or, without it,
# the locale) once, when it is loaded. LC_ALL and LC_CTYPE are dropped so that
# an unset LANG falls through to the "C" locale the JVM sets up.
run_jvm() {  # classes dir, library, expected default, LANG or "" for unset
    local log lang_env=(-u LANG) status=0
    if [ -n "$4" ]; then
        lang_env=(LANG="$4")
    fi
    log=$(env -u LC_ALL -u LC_CTYPE "${lang_env[@]}" \
        java -Xcheck:jni -cp "$1" KelXferTest "$2" "$3" 2>&1) || status=$?
    echo "LANG=${4:-(unset)}: $log"
    # Checked JNI reports misuse as warnings and carries on.
    if grep -q "WARNING in native method" <<<"$log"; then
        echo "FAIL checked JNI reported misuse" >&2
        return 1
    fi
    return $status
}

if [ -f "$BUILD/libkelxfer.so" ]; then
    check_exports "$BUILD/libkelxfer.so"
    echo "libkelxfer.so exports ${EXPORTS[*]}"
    exit 0
fi

LIB=$BUILD/libkelulib64.so
check_exports "$LIB"
CLASSES=$BUILD/java-classes
compile_java "$CLASSES"
status=0
run_jvm "$CLASSES" "$LIB" ISO-8859-1 en_US.ISO-8859-1 || status=1
run_jvm "$CLASSES" "$LIB" UTF-8 en_US.UTF-8 || status=1
run_jvm "$CLASSES" "$LIB" ISO-8859-1 "" || status=1
exit $status
