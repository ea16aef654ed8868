#!/bin/sh
# Runs the checks of .clang-tidy over the program's code (tests, benchmarks,
# fuzzers and the Windows-only files, which this build does not compile, left
# out) and fails on any warning. Needs a configured build folder
# with compile_commands.json (default build-testing).
cd "$(dirname "$0")/.."
build=${1:-build-testing}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure first (cmake --preset testing)"; exit 2; }
out=$(git ls-files '*.cpp' | grep -vE '(^|/)tests/|^fuzz/|^bench/|^reliability/|^e2e/|win32|odbc' |
      xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null)
if printf '%s\n' "$out" | grep -q 'warning:'; then
    printf '%s\n' "$out"
    echo "clang-tidy: $(printf '%s\n' "$out" | grep -c 'warning:') warning(s)"
    exit 1
fi
echo "clang-tidy: no warnings"
