#!/bin/sh
# The long run of the writer tests: every writer (icdtool rank, the program's
# ranking button, icdtool build-db, icdtool run-sql, the Jet conversion at
# start-up) killed at 200 random moments (CI runs 20), with the checks of
# reliability/tests/kill_test.cpp after each kill. Not run by CI.
#
#   scripts/kill-writers.sh [BUILD_DIR]      (default build-testing; ICD_KILLS=N to change the count)
set -e
cd "$(dirname "$0")/.."
build=${1:-build-testing}
cmake --build "$build" --target writer_tests
ICD_KILLS=${ICD_KILLS:-200} QT_QPA_PLATFORM=offscreen "$build/bin/writer_tests" --gtest_filter='KillWriters.*' |
    tee "$build/kill-writers.log"
echo "Summary (also in $build/kill-writers.log):"
grep '^kills of ' "$build/kill-writers.log"
