#!/bin/sh
# Fails when a C++ file tracked by git is not formatted as .clang-format says,
# naming each such file. Run from anywhere; fix with: clang-format -i FILE...
cd "$(dirname "$0")/.."
bad=$(git ls-files '*.cpp' '*.h' | while read -r f; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"
done)
if [ -n "$bad" ]; then
    echo "These files are not formatted as .clang-format says (clang-format -i FILE):"
    echo "$bad" | sed 's/^/  /'
    exit 1
fi
echo "clang-format: every file is formatted"
