#!/bin/sh
# Fails when a source file includes a header its folder may not use, naming the
# file, the line and the include. The rules are the table "Which folder may
# include which" of docs/architecture.md, read from there, so the page and the
# check cannot drift apart:
#   - a file is judged by the longest folder of the table its path starts with;
#     a file of <folder>/tests/ without a row of its own by its folder's row,
#     to which the folder itself, testsupport/ and Qt are added;
#   - a folder always includes its own headers; an include without a folder
#     is looked for beside the including file, as the compiler does first: a
#     header there ("commands.h" in tools/icdtool/) or one the build makes,
#     which no folder holds (a form's "ui_searchwindow.h"), is its own; a
#     header of another folder reached without its folder (through an include
#     path) fails, so that every include of another folder names it;
#   - an item of the table is a folder (`codes/`), one header (`search/ranking.h`),
#     `<sqlite3.h>` (the engine's header), `<Qt>` (any Qt header) or `*` (anything);
#   - a folder with C++ files and no row fails: a new folder gets its row first.
# Usage: check-layers.sh [ROOT]  (default: this repository; files from git, or
# every file below ROOT when it is no git checkout)
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2
page=docs/architecture.md
[ -f "$page" ] || { echo "check-layers: no $page"; exit 2; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files '*.cpp' '*.h')
else
    files=$(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort)
fi

# shellcheck disable=SC2086
printf '%s\n' $files | awk -v page="$page" -v sources="$files" '
# The rows of the table: the line after the marker to the first line that is
# not a table row.
BEGIN {
    inTable = 0; rows = 0
    while ((getline line < page) > 0) {
        if (line ~ /<!-- include rules/) { inTable = 1; continue }
        if (!inTable) continue
        if (line !~ /^\|/) { if (rows > 0) break; continue }
        n = split(line, cell, "|")
        if (n < 4 || cell[2] ~ /^ *-+ *$/ || cell[2] !~ /`/) continue
        items = ""
        rest = cell[3]
        while (match(rest, /`[^`]+`/)) {
            items = items " " substr(rest, RSTART + 1, RLENGTH - 2)
            rest = substr(rest, RSTART + RLENGTH)
        }
        rest = cell[2]
        while (match(rest, /`[^`]+`/)) {
            folder = substr(rest, RSTART + 1, RLENGTH - 2)
            rest = substr(rest, RSTART + RLENGTH)
            allowed[folder] = items
            ++rows
        }
    }
    close(page)
    if (rows == 0) { print "check-layers: no table after \"<!-- include rules\" in " page; failed = 2; exit }
    # Where each file name is, for an include without a folder.
    n = split(sources, source, "\n")
    for (k = 1; k <= n; ++k) {
        name = source[k]
        sub(/.*\//, "", name)
        if (name in holder) holder[name] = holder[name] " " source[k]
        else holder[name] = source[k]
    }
}

# The row of a path: the longest folder of the table it starts with.
function rowOf(path,    f, best) {
    best = ""
    for (f in allowed)
        if (index(path, f) == 1 && length(f) > length(best)) best = f
    return best
}

# True when the file at path (from the root) can be read.
function exists(path,    line, r) {
    r = (getline line < path)
    close(path)
    return r >= 0
}

function permits(items, self, what,    k, n, item) {
    if (index(what, self) == 1) return 1
    n = split(items, item, " ")
    for (k = 1; k <= n; ++k) {
        if (item[k] == "*" || item[k] == what) return 1
        if (item[k] ~ /\/$/ && index(what, item[k]) == 1) return 1
    }
    return 0
}

{
    file = $0
    row = rowOf(file)
    if (row == "") {
        folder = file
        sub(/\/[^\/]*$/, "/", folder)
        if (!(folder in unknown)) {
            unknown[folder] = 1
            print folder ": this folder has no row in the include rules of " page
            failed = 1
        }
        next
    }
    items = allowed[row]
    self = row
    # A tests folder without a row of its own: its folder, testsupport/ and Qt added.
    if (index(substr(file, length(row) + 1), "tests/") == 1 && !((row "tests/") in allowed)) {
        self = row
        items = items " testsupport/ <Qt>"
    }
    lineNo = 0
    while ((getline text < file) > 0) {
        ++lineNo
        if (text !~ /^[ \t]*#[ \t]*include[ \t]*[<"]/) continue
        what = text
        sub(/^[ \t]*#[ \t]*include[ \t]*/, "", what)
        if (what ~ /^"/) {
            sub(/^"/, "", what); sub(/".*$/, "", what)
            if (what !~ /\//) {
                # Beside the file (the compiler looks there first), or made by
                # the build when no folder holds it; else an include path found it.
                beside = file
                sub(/[^\/]*$/, "", beside)
                if (exists(beside what) || !(what in holder) || permits(items, "\001", "*")) continue
                print file ":" lineNo ": includes \"" what "\" without its folder (" holder[what] \
                    "): a header of another folder is included by its path (" page ")"
                failed = 1
                continue
            }
            if (permits(items, self, what)) continue
        } else {
            sub(/^</, "", what); sub(/>.*$/, "", what)
            if (what == "sqlite3.h") { if (permits(items, "\001", "<sqlite3.h>")) continue }
            else if (what ~ /^Q/) { if (permits(items, "\001", "<Qt>")) continue }
            else continue
            what = "<" what ">"
        }
        print file ":" lineNo ": includes " what ", which " row " may not use (" page ")"
        failed = 1
    }
    close(file)
}

END {
    if (failed == 2) exit 2
    if (failed) { print "check-layers: a folder uses a header the layer rules do not allow"; exit 1 }
    print "check-layers: every include follows the layer rules"
}
'
