#!/bin/sh
# Cases of scripts/check-layers.sh on a small tree of its own (no git there, so
# it reads every file below it): the table's rules, and an include without a
# folder looked for beside the file that includes it.
check=$(cd "$(dirname "$0")/.." && pwd)/check-layers.sh
root=$(mktemp -d) || exit 2
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/docs" "$root/low" "$root/high" "$root/high/tests" "$root/all"
cat >"$root/docs/architecture.md" <<'PAGE'
<!-- include rules: read by scripts/check-layers.sh -->
| folder | may include |
|---|---|
| `low/` | its own headers only |
| `high/` | `low/` |
| `all/` | `*` |
PAGE
put() { printf '%s\n' "$2" >"$root/$1"; }
failed=0
# expect STATUS TEXT...: the check ends with STATUS and prints each TEXT.
expect() {
    want=$1
    shift
    out=$(sh "$check" "$root")
    status=$?
    [ "$status" = "$want" ] || { echo "FAILED: status $status, expected $want:"; echo "$out"; failed=1; }
    for text in "$@"; do
        case $out in
        *"$text"*) ;;
        *) echo "FAILED: no \"$text\" in:"; echo "$out"; failed=1 ;;
        esac
    done
}

put low/a.h '#pragma once'
put low/a.cpp '#include "a.h"'
put high/h.h '#include "low/a.h"'
# Its own header beside it, a lower folder's by its path, and a form the build
# makes (no folder holds it).
put high/h.cpp '#include "h.h"
#include "low/a.h"
#include "ui_h.h"'
put high/tests/h_test.cpp '#include "high/h.h"'
put all/x.cpp '#include "h.h"'
expect 0 "every include follows the layer rules"

# A header of another folder without its folder (found through an include
# path), one of a folder the row does not allow, and a test naming its
# folder's header without the folder.
put low/bad.cpp '#include "a.h"
#include "h.h"
#include "high/h.h"'
put high/tests/bad_test.cpp '#include "h.h"'
expect 1 'low/bad.cpp:2: includes "h.h" without its folder (high/h.h)' \
    'low/bad.cpp:3: includes high/h.h, which low/ may not use' \
    'high/tests/bad_test.cpp:1: includes "h.h" without its folder (high/h.h)'

[ "$failed" = 0 ] && echo "check-layers: every case passed"
exit "$failed"
