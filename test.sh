#!/usr/bin/env bash
# Builds and runs every test of the project, once per build configuration.
# Usage: ./test.sh            (JOBS=n to change build parallelism)
set -euo pipefail
cd "$(dirname "$0")"
jobs=${JOBS:-2}

# One configuration: configure, build warning-free, run the CTest suite.
run_config() {
    local name=$1
    shift
    echo "=== $name"
    cmake -S . -B "build/$name" -DKELULIB_WERROR=ON "$@" >/dev/null
    cmake --build "build/$name" -j"$jobs"
    ctest --test-dir "build/$name" --output-on-failure
}

run_config gcc -DCMAKE_CXX_COMPILER=g++
echo "=== java (64-bit library from a real JVM, one JVM per LANG)"
tests/java/run.sh build/gcc
echo "=== API reference of the installed headers (fails on any warning)"
cmake --build build/gcc --target docs
echo "=== install, packaging and kelconv samples"
tests/install/run.sh build/gcc
run_config clang-asan-ubsan -DCMAKE_CXX_COMPILER=clang++ -DKELULIB_SANITIZE=address,undefined
run_config clang-tsan -DCMAKE_CXX_COMPILER=clang++ -DKELULIB_SANITIZE=thread
# 32-bit x86, where every length is 32 bits wide and the library is named kelxfer.
run_config gcc-m32 -DCMAKE_CXX_COMPILER=g++ -DKELULIB_M32=ON
echo "=== java exports of the 32-bit library"
tests/java/run.sh build/gcc-m32

echo "=== coverage of unicode/ and xfer/ by the unit tests (fails below 95 % of lines)"
tests/coverage/run.sh build/coverage

echo "=== windows DLLs (exports; x64 under Wine)"
tests/windows/run.sh build/windows
# A bounded slice of fuzzing; the long run is `fuzz/run.sh build-fuzz 3600`.
echo "=== fuzzing, ${FUZZ_SECONDS:-20} s per target"
fuzz/run.sh build/fuzz "${FUZZ_SECONDS:-20}"
echo "=== all tests passed"
