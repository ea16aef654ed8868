#!/bin/sh
# Starts the end-to-end run of icd10tcm (the e2e_run program beside it).
#
#   run_e2e.sh BIN_DIR OUT_DIR
#
# BIN_DIR holds icd10tcm with icd10_2023.mdb and qa.txt beside it, the stand-in
# consultation program, e2e_vanished_window and e2e_run. OUT_DIR receives a
# screenshot of every step, the programs' output and what the stand-in
# received. Exit status: 0 passed, 1 failed, 77 skipped (Xvfb or openbox is
# missing).
set -u
if [ $# -ne 2 ]; then
    echo "usage: run_e2e.sh BIN_DIR OUT_DIR" >&2
    exit 2
fi
if [ ! -x "$1/e2e_run" ]; then
    echo "FAILED: $1/e2e_run is missing (build the e2e_run target first)"
    exit 1
fi
exec "$1/e2e_run" "$1" "$2"
