#!/bin/sh
# Installs the Debian 12 packages the program needs (run as root).
#
#   setup-debian.sh run    what building and running the program needs: the
#                          compiler, CMake, Qt 6 (with its Chinese texts), SQLite,
#                          the Jet reader, the XML and xz readers that build
#                          the coder's guide, the X11 hand-off and the fonts
#                          (the README's run command)
#   setup-debian.sh test   that, and everything the tests need: Xvfb and a window
#                          manager, clang's fuzzing runtime and clang-tidy, Google Benchmark,
#                          the Windows cross compiler, Wine and npm (for the
#                          SQLite amalgamation of the Windows build), and NSIS
#                          for the Windows setup program
#   setup-debian.sh        the same as "test", as before the split
set -e
export DEBIAN_FRONTEND=noninteractive
what=${1:-test}
case "$what" in
run|test) ;;
*) echo "usage: $0 [run|test]  (no argument: test, which installs everything)" >&2; exit 2 ;;
esac

run_packages="build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins qt6-translations-l10n libgl-dev
    libsqlite3-dev mdbtools-dev libglib2.0-dev libxcb1-dev libxcb-ewmh-dev
    libexpat1-dev liblzma-dev
    libgtest-dev
    fonts-arphic-uming fonts-arphic-ukai fonts-liberation"

# The tests: full-size data (xz), Jet and SQLite command-line tools, the window
# tests' X server and window manager, screenshots, benchmarks, fuzzing, clang-tidy,
# the Windows cross build with its Wine run, and the Windows setup program (NSIS's
# makensis). Under Wine, Windows programs see the AR PL fonts of the run packages
# as Windows fonts, so the Chinese text there needs no other CJK font.
test_packages="xz-utils sqlite3 mdbtools googletest libbenchmark-dev
    xvfb xauth openbox x11-utils xdotool imagemagick libxcb-xtest0-dev libxcb-keysyms1-dev
    clang clang-format clang-tidy libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix wine wine64 nsis"

packages=$run_packages
[ "$what" = test ] && packages="$run_packages $test_packages"
# Machines that already have Node.js's npm (from elsewhere than Debian) keep it;
# others get Debian's.
[ "$what" = test ] && ! command -v npm >/dev/null 2>&1 && packages="$packages npm"

apt-get update
# shellcheck disable=SC2086
apt-get install -y --no-install-recommends $packages
