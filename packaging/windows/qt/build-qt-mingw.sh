#!/bin/bash
# Builds Qt 6.4.2 for 64-bit Windows (Core, Gui, Widgets, Sql with SQLite, the windows and offscreen
# platform plugins) with Debian 12's MinGW-w64 (posix threads), from Debian's own source packages
# only: qt6-base 6.4.2+dfsg-10 and sqlite3 3.40.1-2+deb12u2. Shared, release, stripped. This is the
# recipe of ../shared/windows-qt/qt6.4.2-mingw64.tar.xz with the same options and patch; the
# project's scripts/setup-windows-qt.sh runs it when that tarball is not at hand.
#
#   build-qt-mingw.sh WORKDIR PREFIX [sources|configure|install]
#
# The last argument stops after that step (default: install). About 53 CPU-minutes for the whole
# build. Installing packages and adding a deb-src line to apt's sources needs root; both are
# skipped when already done. ICD_JOBS sets the parallel jobs (default 2); every compile runs
# under nice, so that other builds on the machine go first.
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: $0 WORKDIR PREFIX [sources|configure|install]" >&2
    exit 2
fi
W=$(mkdir -p "$1" && cd "$1" && pwd)
P=$2
last=${3:-install}
HERE=$(cd "$(dirname "$0")" && pwd)
jobs=${ICD_JOBS:-2}
qt_version=6.4.2+dfsg-10
sqlite_version=3.40.1-2+deb12u2
as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else
        echo "build-qt-mingw.sh: this step needs root: $*" >&2
        exit 1
    fi
}

# The cross compiler, the host Qt tools of the same version (a cross build of Qt 6 runs the
# host's moc, rcc and uic), and what unpacking the sources and making SQLite's single file take.
packages="dpkg-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools
  cmake ninja-build perl tcl8.6 patch xz-utils"
missing=$(for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
done)
if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update
    # shellcheck disable=SC2086
    as_root apt-get install -y --no-install-recommends $missing
fi

# Source packages need a deb-src line beside the deb one (Debian 12 writes its sources in
# deb822 form: the same stanzas with Types: deb-src).
if ! grep -Eqs '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
    as_root sh -c "sed 's/^Types: deb\$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        > /etc/apt/sources.list.d/debian-src.sources"
    as_root apt-get update
fi

cd "$W"
echo "== sources: qt6-base $qt_version, sqlite3 $sqlite_version"
apt-get source --download-only "qt6-base=$qt_version" "sqlite3=$sqlite_version"
rm -rf src sqlite-src sqlite-amal
dpkg-source -x "qt6-base_$qt_version.dsc" src
dpkg-source -x "sqlite3_$sqlite_version.dsc" sqlite-src
# Debian's +dfsg tarball leaves out src/3rdparty/sqlite: make the single-file SQLite from Debian's
# sqlite3 source.
mkdir -p sqlite-amal
(cd sqlite-amal && ../sqlite-src/configure --disable-tcl >/dev/null && nice -n 15 make -j"$jobs" sqlite3.c)
mkdir -p src/src/3rdparty/sqlite
cp sqlite-amal/sqlite3.c sqlite-amal/sqlite3.h sqlite-amal/sqlite3ext.h src/src/3rdparty/sqlite/
# Qt 6.4: the windows plugin uses the DirectWrite font database, which QtGui builds only with
# direct2d (off here).
(cd src && patch -p1 <"$HERE/qt6.4-mingw-no-direct2d.patch")
[ "$last" = sources ] && exit 0

echo "== configure"
rm -rf build && mkdir build && cd build
nice -n 15 ../src/configure -prefix "$P" -release -shared -xplatform win32-g++ -qt-host-path /usr \
  -nomake examples -nomake tests -opengl no -no-dbus -no-icu -no-fontconfig \
  -qt-zlib -qt-libpng -no-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion \
  -sql-sqlite -qt-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql -no-sql-ibase -no-sql-oci -no-sql-db2 \
  -no-feature-network -no-feature-concurrent -no-feature-xml -no-feature-printsupport -no-feature-testlib \
  -no-feature-androiddeployqt -no-feature-tabletevent -no-feature-direct2d -no-pch \
  -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$HERE/mingw-w64-x86_64-posix.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
[ "$last" = configure ] && exit 0

echo "== build and install into $P"
nice -n 15 ninja -j"$jobs"
cmake --install . --strip
