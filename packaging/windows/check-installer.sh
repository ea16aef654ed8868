#!/bin/sh
# Checks a Windows setup program under Wine, in a fresh Wine prefix: the
# silent install (/S) puts every file of the payload it was made from into
# C:\Program Files\icd10tcm, with the licence texts, the uninstaller, the
# Start-menu entries and the uninstaller's registry key; the installed program
# runs; the silent uninstall removes all of it. Each step is timed.
#
#   check-installer.sh SETUP.EXE PAYLOAD [EXPECTED [ARG...]]
#
# EXPECTED: a line the installed icd10tcm.exe, started with ARGs, must print.
# The Wine prefix is always a new one, under a new folder of /tmp, removed after:
# never the caller's WINEPREFIX.
set -u
if [ $# -lt 2 ]; then
    echo "usage: $0 SETUP.EXE PAYLOAD [EXPECTED [ARG...]]" >&2
    exit 2
fi
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
payload=$(cd "$2" && pwd)
shift 2
expected=${1:-}
[ $# -gt 0 ] && shift

scratch=$(mktemp -d)
export WINEPREFIX="$scratch/wine" WINEDEBUG=-all
# Without Mono and Gecko: their install dialogs would wait for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
installed="$WINEPREFIX/drive_c/Program Files/icd10tcm"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ICD-10-CM 2023 中醫編碼參考與教學"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\icd10tcm'
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
now() { date +%s.%N; }
took() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f s", b - a }'; }

t=$(now)
wineboot -i >/dev/null 2>&1
echo "fresh Wine prefix: $(took "$t")"

# The setup program returns before Wine's services end; wineserver -w waits.
t=$(now)
wine "$setup" /S && wineserver -w || fail "the setup program failed"
echo "silent install: $(took "$t")"

missing=$(cd "$payload" && find . -type f | while IFS= read -r f; do
    cmp -s "$f" "$installed/$f" || echo "$f"
done)
[ -z "$missing" ] || fail "not installed (or not the same): $(echo "$missing" | head -5 | tr '\n' ' ')"
for f in uninstall.exe licenses/LGPL-3.0.txt licenses/GPL-3.0.txt licenses/SOURCE-OFFER.txt \
    licenses/qt6-base-copyright.txt licenses/qt/qt6.4-mingw-no-direct2d.patch; do
    [ -f "$installed/$f" ] || fail "no $f in the installed folder"
done
[ "$(find "$menu" -name '*.lnk' 2>/dev/null | wc -l)" -eq 2 ] || fail "the two Start-menu entries are not in $menu"
wine reg query "$key" /v QuietUninstallString 2>/dev/null | grep -q 'uninstall.exe" /S' ||
    fail "no uninstaller in $key"
echo "installed: $(find "$installed" -type f | wc -l) files, $(du -sk "$installed" | cut -f1) KiB"

if [ -n "$expected" ]; then
    t=$(now)
    out=$(wine "C:\\Program Files\\icd10tcm\\icd10tcm.exe" "$@" 2>&1 | tr -d '\r')
    echo "$out" | grep -qxF "$expected" || fail "the installed program did not print '$expected': $out"
    echo "installed program run: $(took "$t")"
fi

t=$(now)
wine "C:\\Program Files\\icd10tcm\\uninstall.exe" /S && wineserver -w || fail "the uninstaller failed"
echo "silent uninstall: $(took "$t")"
[ ! -e "$installed" ] || fail "left after uninstalling: $(cd "$installed" && find . | head -5 | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the Start-menu folder is left after uninstalling"
! wine reg query "$key" >/dev/null 2>&1 || fail "the registry key $key is left after uninstalling"

if [ "$failures" -eq 0 ]; then
    echo "installer check passed: $(basename "$setup")"
else
    echo "installer check: $failures failure(s)"
    exit 1
fi
