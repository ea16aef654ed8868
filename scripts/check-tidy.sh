#!/bin/sh
# Runs the checks of .clang-tidy over the program's code (tests, benchmarks,
# fuzzers and the Windows-only files, which this build does not compile, left
# out) and fails on any warning or compile error. Needs a configured build folder
# with compile_commands.json (default build-testing).
#
#   check-tidy.sh [BUILD]            every file
#   check-tidy.sh --changed [BUILD]  the files a change touches: against the
#                                    merge base with main (on main itself, the
#                                    last commit), uncommitted changes included;
#                                    a changed header brings its own .cpp
cd "$(dirname "$0")/.."
changed=no
if [ "$1" = --changed ]; then
    changed=yes
    shift
fi
build=${1:-build-testing}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure first (cmake --preset testing)"; exit 2; }

program_files() {
    grep -E '\.cpp$' | grep -vE '(^|/)tests/|^fuzz/|^bench/|^reliability/|^e2e/|win32|odbc'
}

if [ "$changed" = yes ]; then
    main=$(git rev-parse --verify -q main || git rev-parse --verify -q origin/main)
    base=$( [ -n "$main" ] && git merge-base HEAD "$main")
    if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
        base=$(git rev-parse -q --verify HEAD~1 || git hash-object -t tree /dev/null)
    fi
    files=$(git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h' | sed 's/\.h$/.cpp/' |
            while read -r f; do [ -f "$f" ] && echo "$f"; done | sort -u | program_files)
    what="the $(printf '%s\n' "$files" | grep -c .) file(s) changed since $(git rev-parse --short "$base")"
else
    files=$(git ls-files '*.cpp' | program_files)
    what="every file"
fi
if [ -z "$files" ]; then
    echo "clang-tidy: no file of the program changed"
    exit 0
fi
# The headers checked with their files: those of the program's folders, which are
# the folders of the include rules in docs/architecture.md but the test drivers
# (a row that may include `*`), testsupport/, data/, packaging/ and tests/ folders; the same
# list the language test reads.
folders=$(sed -n '/<!-- include rules/,/^$/p' docs/architecture.md | grep '^| `' | grep -v '| `\*`' |
          cut -d'|' -f2 | grep -o '`[^`]*/`' | tr -d '`' | sed 's|/$||' |
          grep -vE '(^|/)tests$|^testsupport$|^data$|^packaging$' | paste -sd'|' -)
[ -n "$folders" ] || { echo "check-tidy: no include rules in docs/architecture.md"; exit 2; }
header_filter="^.*/($folders)/[^/]*\.h$"
# shellcheck disable=SC2086
out=$(printf '%s\n' $files | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet \
      "--header-filter=$header_filter" 2>/dev/null)
# An error is a file clang cannot compile (so it was not checked): it fails too.
if printf '%s\n' "$out" | grep -qE ': (warning|error): '; then
    printf '%s\n' "$out"
    echo "clang-tidy: $(printf '%s\n' "$out" | grep -cE ': (warning|error): ') warning(s) or error(s) in $what"
    exit 1
fi
echo "clang-tidy: no warnings in $what"
