#!/bin/sh
# Which lines of the program the kept fuzz corpora reach: builds the fuzzers
# once more with clang's source coverage, runs every input of fuzz/corpus/NAME
# once through its fuzzer, and prints the line and branch coverage of each
# source file the fuzzer reaches (tests, fuzzers and system headers left out).
# Not run by CI.
#
#   scripts/fuzz-coverage.sh [FUZZER ...]     (default: all seven)
# Reports go to build-fuzzcov/coverage/NAME.txt.
set -e
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- fuzz_text fuzz_statement fuzz_questionbank fuzz_outline fuzz_tree fuzz_guidexml fuzz_jet
build=build-fuzzcov
cov="-fprofile-instr-generate -fcoverage-mapping"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DICD_FUZZ=ON -DICD_BUILD_GUI=OFF -DICD_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS="$cov" -DCMAKE_CXX_FLAGS="$cov" -DCMAKE_EXE_LINKER_FLAGS="$cov" > /dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "$@"
mkdir -p "$build/coverage"
export ASAN_OPTIONS=detect_leaks=0
for name in "$@"; do
    rm -f "$build/coverage/$name".*.profraw
    # -runs=0: each input of the corpus once, nothing new.
    LLVM_PROFILE_FILE="$build/coverage/$name.%p.profraw" \
        "$build/bin/$name" -runs=0 -timeout=30 "fuzz/corpus/$name" > "$build/coverage/$name.out" 2>&1
    llvm-profdata merge -sparse "$build/coverage/$name".*.profraw -o "$build/coverage/$name.profdata"
    rm -f "$build/coverage/$name".*.profraw
    llvm-cov report "$build/bin/$name" -instr-profile="$build/coverage/$name.profdata" \
        -ignore-filename-regex='^/usr/|/tests/|/fuzz/|/testsupport/' > "$build/coverage/$name.txt"
    echo "== $name ($(ls "fuzz/corpus/$name" | wc -l) inputs)"
    cat "$build/coverage/$name.txt"
done
