#!/bin/sh
# Makes the Windows setup program from a staged folder: everything in PAYLOAD
# (icd10tcm.exe, its DLLs and plugin folders, the databases, official\...) is
# installed into Program Files\icd10tcm as it is laid out there, with the
# licence texts and the source offer in licenses\ beside it.
#
#   make-installer.sh PAYLOAD OUTFILE [VERSION]
#
# Needs makensis (Debian package nsis). The licence texts come from Debian's
# own files: the LGPL and GPL version 3 (base-files), and the copyright files
# of qt6-base, sqlite3 and MinGW-w64, whose runtime DLLs are shipped.
set -eu
if [ $# -lt 2 ]; then
    echo "usage: $0 PAYLOAD OUTFILE [VERSION]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
payload=$(cd "$1" && pwd)
outfile=$2
version=${3:-1.0}
case "$outfile" in /*) ;; *) outfile=$PWD/$outfile ;; esac
command -v makensis >/dev/null 2>&1 || {
    echo "make-installer.sh: makensis is needed (Debian package nsis)" >&2
    exit 1
}
[ -f "$payload/icd10tcm.exe" ] || {
    echo "make-installer.sh: $payload has no icd10tcm.exe" >&2
    exit 1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
lic=$tmp/stage/licenses
mkdir -p "$lic/qt"

# Text files for Notepad get Windows line ends.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
need() {
    [ -f "$1" ] || {
        echo "make-installer.sh: $1 is missing ($2)" >&2
        exit 1
    }
}
need /usr/share/common-licenses/LGPL-3 "Debian package base-files"
need /usr/share/doc/libqt6core6/copyright "Debian package libqt6core6"
crlf /usr/share/common-licenses/LGPL-3 "$lic/LGPL-3.0.txt"
crlf /usr/share/common-licenses/GPL-3 "$lic/GPL-3.0.txt"
crlf /usr/share/doc/libqt6core6/copyright "$lic/qt6-base-copyright.txt"
for f in libsqlite3-0:sqlite3 mingw-w64-common:mingw-w64 gcc-mingw-w64-base:gcc-runtime; do
    src=/usr/share/doc/${f%%:*}/copyright
    [ -f "$src" ] && crlf "$src" "$lic/${f#*:}-copyright.txt"
done
crlf "$here/SOURCE-OFFER.txt" "$lic/SOURCE-OFFER.txt"
# The patch and the recipe are part of the corresponding source of the Qt DLLs.
cp "$here/qt/qt6.4-mingw-no-direct2d.patch" "$here/qt/build-qt-mingw.sh" \
    "$here/qt/mingw-w64-x86_64-posix.cmake" "$lic/qt/"

# NSIS include files: one File line per file (SetOutPath before each folder's
# files) and, for the uninstaller, one Delete per file and one RMDir per
# folder, deepest first.
list() { # the files of folder $1 as "source<TAB>folder under INSTDIR<TAB>name"
    (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | while IFS= read -r rel; do
        dir=$(dirname "$rel")
        [ "$dir" = . ] && dir=
        printf '%s\t%s\t%s\n' "$1/$rel" "$dir" "$(basename "$rel")"
    done
}
{
    list "$payload"
    list "$tmp/stage"
} >"$tmp/files.tsv"
# NSIS reads $ as a variable and " or ` as the end of a string, even in a File line's path.
if grep -q '[$"`]' "$tmp/files.tsv"; then
    echo "make-installer.sh: file names NSIS cannot take (with \$, \" or \`):" >&2
    grep '[$"`]' "$tmp/files.tsv" | cut -f1 >&2
    exit 1
fi
win() { printf '%s' "$1" | tr / '\\'; }
awk -F '\t' '{ d = $2; gsub("/", "\\", d); if (NR == 1 || d != last) {
      printf "SetOutPath \"$INSTDIR%s\"\n", (d == "" ? "" : "\\" d); last = d }
    printf "File \"%s\"\n", $1 }' "$tmp/files.tsv" >"$tmp/install.nsh"
awk -F '\t' '{ p = ($2 == "" ? "" : $2 "/") $3; gsub("/", "\\", p); printf "Delete \"$INSTDIR\\%s\"\n", p }' \
    "$tmp/files.tsv" >"$tmp/remove.nsh"
cut -f2 "$tmp/files.tsv" | grep -v '^$' | while IFS= read -r d; do
    # every folder on the way down, so that the empty parents go too
    while [ "$d" != . ]; do
        echo "$d"
        d=$(dirname "$d")
    done
done | LC_ALL=C sort -ru | while IFS= read -r d; do
    printf 'RMDir "$INSTDIR\\%s"\n' "$(win "$d")"
done >>"$tmp/remove.nsh"

makensis -V2 -INPUTCHARSET UTF8 -DFILES_INSTALL="$tmp/install.nsh" -DFILES_REMOVE="$tmp/remove.nsh" \
    -DOUTFILE="$outfile" -DVERSION="$version" "$here/icd10tcm.nsi"
echo "$outfile: $(du -k "$outfile" | cut -f1) KiB, $(wc -l <"$tmp/files.tsv") files"
