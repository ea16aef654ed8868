#!/bin/sh
# Long fuzzing with AddressSanitizer and UndefinedBehaviorSanitizer (clang):
# the text, statement and question-bank fuzzers for a fixed number of
# executions, the others for a fixed time each; then every corpus is merged
# into a minimal one (the inputs that cover something new) and kept in
# fuzz/corpus, which CI replays in every build. Not run by CI.
#
#   scripts/fuzz-long.sh [RUNS] [SECONDS]
#     RUNS     executions of fuzz_text, fuzz_statement, fuzz_questionbank (default 10000000)
#     SECONDS  time of fuzz_outline, fuzz_tree, fuzz_jet (default 1800)
# fuzz_jet needs the shared Jet test files (../shared/data/mdb); it does
# nothing without them. Figures go to build-fuzz/fuzz-long.log.
set -e
cd "$(dirname "$0")/.."
runs=${1:-10000000}
secs=${2:-1800}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DICD_FUZZ=ON -DICD_BUILD_GUI=OFF -DICD_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
log=$build/fuzz-long.log
: > "$log"

run() { # name, then the limit option
    name=$1
    shift
    work=$build/fuzz/work/$name
    mkdir -p "$work" "$build/fuzz/artifacts"
    echo "== $name $*" | tee -a "$log"
    start=$(date +%s)
    # Two sanitizers, a 30-second limit per input, 2 GB of memory.
    status=0
    nice -n 10 "$build/bin/$name" "$@" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz/artifacts/$name-" "$work" "fuzz/corpus/$name" \
        > "$build/fuzz/$name.out" 2>&1 || status=$?
    end=$(date +%s)
    grep -E 'stat::number_of_executed_units|cov: |ERROR|SUMMARY' "$build/fuzz/$name.out" | tail -n 4 >> "$log" || true
    echo "$name: exit $status after $((end - start)) s" | tee -a "$log"
}

merge() { # name: the committed corpus becomes the minimal set covering both
    name=$1
    merged=$build/fuzz/merged/$name
    rm -rf "$merged"
    mkdir -p "$merged"
    "$build/bin/$name" -merge=1 -timeout=30 "$merged" "fuzz/corpus/$name" "$build/fuzz/work/$name" \
        > "$build/fuzz/$name.merge" 2>&1
    rm -rf "fuzz/corpus/$name"
    cp -r "$merged" "fuzz/corpus/$name"
    echo "$name: $(ls "fuzz/corpus/$name" | wc -l) inputs kept" | tee -a "$log"
}

for f in fuzz_text fuzz_statement fuzz_questionbank; do run "$f" -runs="$runs"; done
for f in fuzz_outline fuzz_tree; do run "$f" -max_total_time="$secs"; done
# A damage recipe is short; without -len_control the fuzzer would try only one
# or two changes per file for a long while.
run fuzz_jet -max_total_time="$secs" -len_control=0 -max_len=256
for f in fuzz_text fuzz_statement fuzz_questionbank fuzz_outline fuzz_tree fuzz_jet; do merge "$f"; done
cat "$log"
