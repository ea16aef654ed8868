#!/bin/sh
# Puts Qt 6.4.2 for 64-bit Windows (MinGW-w64) into a cache folder outside the
# checkout, for the Windows build of the program:
#
#   - from ../shared/windows-qt/qt6.4.2-mingw64.tar.xz when it is there, after
#     checking its SHA-256 (a few seconds);
#   - otherwise built from Debian's source packages by the project's copy of
#     its recipe (packaging/windows/qt/build-qt-mingw.sh: the same options and
#     patch; about 53 CPU-minutes, needs root the first time for apt).
#
# A second run finds the stamp file of the first and does nothing.
#
#   setup-windows-qt.sh                 unpack, or build when there is no tarball
#   setup-windows-qt.sh --from-source   build, even when the tarball is there
#   setup-windows-qt.sh --print-dir     print the folder (set up or not) and stop
#
# ICD_WINDOWS_QT          the folder (default: $XDG_CACHE_HOME/icd10tcm/qt6.4.2-mingw64,
#                         $XDG_CACHE_HOME defaulting to ~/.cache)
# ICD_WINDOWS_QT_TARBALL  the tarball (default: ../shared/windows-qt/ beside the checkout)
# ICD_WINDOWS_QT_WORK     the source build's work folder (default: beside the folder;
#                         removed after a build unless ICD_KEEP_QT_BUILD=1)
# ICD_JOBS                parallel compile jobs of the source build (default 2)
set -eu
cd "$(dirname "$0")/.."
checkout=$PWD

name=qt6.4.2-mingw64
sha256=f5cc3275b94bcdaceca9f0cce965fb4f6f4b9914fd079e368e3261247f71cc4b
qt_dir=${ICD_WINDOWS_QT:-${XDG_CACHE_HOME:-$HOME/.cache}/icd10tcm/$name}
tarball=${ICD_WINDOWS_QT_TARBALL:-$(dirname "$checkout")/shared/windows-qt/$name.tar.xz}
stamp=$qt_dir/.icd10tcm-setup

way=auto
case "${1:-}" in
"") ;;
--from-source) way=source ;;
--print-dir)
    echo "$qt_dir"
    exit 0
    ;;
*)
    echo "usage: $0 [--from-source | --print-dir]" >&2
    exit 2
    ;;
esac

if [ -f "$stamp" ]; then
    echo "Qt for Windows is already in $qt_dir ($(cat "$stamp")): nothing to do"
    exit 0
fi

# A folder without the stamp is what an interrupted run left: made again.
if [ -e "$qt_dir" ]; then
    echo "$qt_dir has no stamp (an interrupted set-up): removing it"
    rm -rf "$qt_dir"
fi
parent=$(dirname "$qt_dir")
mkdir -p "$parent"
start=$(date +%s)

if [ "$way" = auto ] && [ -f "$tarball" ]; then
    if ! echo "$sha256  $tarball" | sha256sum -c --status; then
        echo "setup-windows-qt.sh: $tarball is not the expected file (SHA-256 $sha256);" >&2
        echo "  remove it or name another with ICD_WINDOWS_QT_TARBALL, or build with --from-source" >&2
        exit 1
    fi
    # Unpacked beside the folder and moved into place, so that the folder is
    # either whole or absent.
    tmp=$(mktemp -d "$parent/.unpack.XXXXXX")
    trap 'rm -rf "$tmp"' EXIT
    tar -xJf "$tarball" -C "$tmp"
    mv "$tmp/$name" "$qt_dir"
    seconds=$(($(date +%s) - start))
    what="unpacked from $tarball, SHA-256 checked, in $seconds s"
else
    [ "$way" = auto ] && echo "No $tarball: building Qt for Windows from Debian's source packages"
    work=${ICD_WINDOWS_QT_WORK:-$parent/$name-build}
    "$checkout/packaging/windows/qt/build-qt-mingw.sh" "$work" "$qt_dir"
    [ "${ICD_KEEP_QT_BUILD:-0}" = 1 ] || rm -rf "$work"
    seconds=$(($(date +%s) - start))
    what="built from Debian's qt6-base and sqlite3 source packages in $((seconds / 60)) min $((seconds % 60)) s"
fi

echo "$what, $(date -u +%Y-%m-%dT%H:%M:%SZ)" >"$stamp"
echo "Qt for Windows in $qt_dir: $what"
