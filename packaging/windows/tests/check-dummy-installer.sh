#!/bin/sh
# The setup program's script proved without the program: a stand-in
# icd10tcm.exe (standin.cpp, cross-built with MinGW-w64) in a folder laid out
# as the real one (DLLs, plugin folders, databases, the official files), made
# into a setup program by make-installer.sh and checked under Wine by
# check-installer.sh (fresh prefix, silent install, the stand-in run, silent
# uninstall). Needs x86_64-w64-mingw32-g++-posix, makensis and wine.
#
#   check-dummy-installer.sh [WORKDIR]   (default: a new folder under /tmp, removed after)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
checkout=$(cd "$here/../../.." && pwd)
if [ $# -gt 0 ]; then
    work=$1
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
now() { date +%s.%N; }
took() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f s", b - a }'; }

payload=$work/payload
rm -rf "$payload"
mkdir -p "$payload/platforms" "$payload/styles" "$payload/imageformats"
t=$(now)
nice -n 15 x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -o "$payload/icd10tcm.exe" "$here/standin.cpp" -lgdi32
echo "stand-in cross-built: $(took "$t")"
cp "$payload/icd10tcm.exe" "$payload/icdtool.exe"
for f in Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
    platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll imageformats/qico.dll \
    icd10_2023.mdb icd10cm_guide_2023.db qa.txt; do
    echo "stand-in for $f" >"$payload/$f"
done
cp -r "$checkout/data/official" "$payload/official"
# A folder and a file with Chinese names and spaces, as a clinic's files may have.
mkdir -p "$payload/official/中文 資料夾"
echo "測試" >"$payload/official/中文 資料夾/說明 一.txt"

t=$(now)
"$here/../make-installer.sh" "$payload" "$work/icd10tcm-setup.exe"
echo "makensis: $(took "$t")"
"$here/../check-installer.sh" "$work/icd10tcm-setup.exe" "$payload" "icd10tcm stand-in ran"
