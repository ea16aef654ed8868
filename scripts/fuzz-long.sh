#!/bin/sh
# Long fuzzing with AddressSanitizer and UndefinedBehaviorSanitizer (clang):
# the text, statement and question-bank fuzzers for a fixed number of
# executions, the others for a fixed time each; then each corpus is merged
# into a minimal one (the inputs that cover something new) and kept in
# fuzz/corpus, which CI replays in every build. Not run by CI.
#
#   scripts/fuzz-long.sh [RUNS] [SECONDS] [FUZZER ...]
#     RUNS     executions of fuzz_text, fuzz_statement, fuzz_questionbank (default 10000000)
#     SECONDS  time of fuzz_outline, fuzz_tree, fuzz_guidexml, fuzz_jet (default 1800)
#     FUZZER   only these fuzzers, in this order (default: all seven)
# Two copies may run at once on different fuzzers (one per core): the build is
# locked, and each fuzzer has its own work folder and log.
# fuzz_jet needs the shared Jet test files (../shared/data/mdb); it does
# nothing without them. Figures go to build-fuzz/fuzz/NAME.log, and all of
# them to build-fuzz/fuzz-long.log.
set -e
cd "$(dirname "$0")/.."
runs=${1:-10000000}
secs=${2:-1800}
[ $# -gt 2 ] && shift 2 || set --
[ $# -gt 0 ] || set -- fuzz_text fuzz_statement fuzz_questionbank fuzz_outline fuzz_tree fuzz_guidexml fuzz_jet
build=build-fuzz
mkdir -p "$build/fuzz"
(
    flock 9
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DICD_FUZZ=ON -DICD_BUILD_GUI=OFF -DICD_BUILD_BENCH=OFF > "$build/fuzz/configure.out"
    cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
) 9> "$build/fuzz/build.lock"

# No allocation stacks in a report: they cost a tenth of the speed, and a kept
# input replays with them.
export ASAN_OPTIONS=malloc_context_size=0

run() { # name, then the fuzzer's options
    name=$1
    shift
    work=$build/fuzz/work/$name
    log=$build/fuzz/$name.log
    mkdir -p "$work" "$build/fuzz/artifacts"
    echo "== $name $* ($(date -u '+%Y-%m-%d %H:%M UTC'))" > "$log"
    start=$(date +%s)
    # A 30-second limit per input, 2 GB of memory.
    status=0
    "$build/bin/$name" "$@" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz/artifacts/$name-" "$work" "fuzz/corpus/$name" \
        > "$build/fuzz/$name.out" 2>&1 || status=$?
    end=$(date +%s)
    grep -E 'INITED|DONE|stat::number_of_executed_units|ERROR|SUMMARY' "$build/fuzz/$name.out" | tail -n 5 >> "$log" ||
        true
    echo "$name: exit $status after $((end - start)) s" >> "$log"
}

merge() { # name: the committed corpus becomes the minimal set covering both
    name=$1
    merged=$build/fuzz/merged/$name
    rm -rf "$merged"
    mkdir -p "$merged"
    "$build/bin/$name" -merge=1 -timeout=30 "$merged" "fuzz/corpus/$name" "$build/fuzz/work/$name" \
        > "$build/fuzz/$name.merge" 2>&1
    # The hand-written seeds keep their names (the merge would keep a copy
    # named by its hash, or none when a grown input covers the same).
    for seed in "fuzz/corpus/$name"/*; do
        case ${seed##*/} in
        *[!0-9a-f]*) cp "$seed" "$merged/" ;;
        esac
    done
    rm -rf "fuzz/corpus/$name"
    cp -r "$merged" "fuzz/corpus/$name"
    echo "$name: $(ls "fuzz/corpus/$name" | wc -l) inputs kept" >> "$build/fuzz/$name.log"
}

for f in "$@"; do
    case $f in
    fuzz_text) run "$f" -runs="$runs" ;;
    # Five boxes of up to 300 bytes: inputs past 512 bytes make the statements
    # longer, not different, and halve the speed.
    fuzz_statement) run "$f" -runs="$runs" -max_len=512 ;;
    # Inputs up to 512 bytes hold two or three questions, enough for every
    # step of a quiz (answering, going back, the report); longer files reached
    # no more code in a trial and slowed the fuzzer two to three times.
    fuzz_questionbank) run "$f" -runs="$runs" -max_len=512 ;;
    fuzz_outline | fuzz_tree | fuzz_guidexml) run "$f" -max_total_time="$secs" ;;
    # A damage recipe is short; without -len_control the fuzzer would try only
    # one or two changes per file for a long while.
    fuzz_jet) run "$f" -max_total_time="$secs" -len_control=0 -max_len=256 ;;
    *)
        echo "no such fuzzer: $f" >&2
        exit 2
        ;;
    esac
    merge "$f"
    cat "$build/fuzz/$f.log" | tee -a "$build/fuzz-long.log"
done
