#!/bin/sh
# Builds and runs every test: the normal build (unit, window, X11, end-to-end
# tests and brief benchmark runs), the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and short libFuzzer runs (clang).
set -e
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "== normal build and tests"
cmake --preset testing
cmake --build --preset testing -j "$jobs"
ctest --preset testing -j "$jobs"

echo "== sanitizer build and tests"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
# The test preset sets the sanitizer options and the leak suppressions
# (scripts/lsan.supp: leaks inside system libraries only). The writer tests
# (label writers: processes killed, disks filled) run in the normal build only:
# under the sanitizers they take many minutes, and the code they drive is run
# under the sanitizers by the other tests.
ctest --preset asan -j "$jobs" -LE 'bench|fuzz|writers'

echo "== fuzzing (short runs)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DICD_FUZZ=ON -DICD_BUILD_GUI=OFF -DICD_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$jobs"
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j "$jobs"
