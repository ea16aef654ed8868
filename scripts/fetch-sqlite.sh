#!/bin/sh
# Puts SQLite's amalgamation (sqlite3.c, sqlite3.h) into build-sqlite/ for the
# Windows cross build. It comes from the npm registry, inside the package
# better-sqlite3, which ships the amalgamation of one SQLite release; the
# version is pinned and the file checked, so every build compiles the same
# SQLite. Nothing is fetched when the folder already holds it.
set -e
cd "$(dirname "$0")/.."
package=better-sqlite3@12.11.1
sha256=60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422
out=build-sqlite
if [ -f "$out/sqlite3.c" ] && echo "$sha256  $out/sqlite3.c" | sha256sum -c --status; then
    exit 0
fi
command -v npm >/dev/null 2>&1 || { echo "fetch-sqlite.sh: npm is needed (setup-debian.sh test installs it)" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && npm pack --silent "$package" >/dev/null)
tar -xzf "$tmp"/better-sqlite3-*.tgz -C "$tmp" package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h
if ! echo "$sha256  $tmp/package/deps/sqlite3/sqlite3.c" | sha256sum -c --status; then
    echo "fetch-sqlite.sh: sqlite3.c from $package is not the expected file" >&2
    exit 1
fi
mkdir -p "$out"
cp "$tmp/package/deps/sqlite3/sqlite3.c" "$tmp/package/deps/sqlite3/sqlite3.h" "$out/"
echo "SQLite $(sed -n 's/^#define SQLITE_VERSION  *"\(.*\)"/\1/p' "$out/sqlite3.h") amalgamation in $out/ (from $package)"
