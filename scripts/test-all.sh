#!/bin/sh
# Checks the formatting and the layer rules, then builds and runs every test:
# the normal build (clang-tidy on the files a change touches; unit, window, X11, end-to-end
# tests and brief benchmark runs), the layers below the windows cross-built for
# Windows with their tests run under Wine, the Windows setup program's script
# checked under Wine with a stand-in program, the same tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, and short libFuzzer runs (clang).
set -e
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "== formatting"
./scripts/check-format.sh

echo "== layer rules (docs/architecture.md)"
./scripts/check-layers.sh

echo "== normal build and tests"
cmake --preset testing
cmake --build --preset testing -j "$jobs"
# clang-tidy on the files this change touches (on all of them it takes longer
# than the rest of the command allows: scripts/check-tidy.sh alone does that).
if command -v clang-tidy >/dev/null 2>&1; then
    ./scripts/check-tidy.sh --changed
else
    echo "SKIPPED: clang-tidy is not installed (Debian package clang-tidy; ./scripts/setup-debian.sh test installs it)"
fi
ctest --preset testing -j "$jobs"

echo "== Windows cross build, tests under Wine"
wine=$(command -v wine || command -v wine-stable || true)
wineserver=$(command -v wineserver || command -v wineserver-stable || true)
if [ -n "$wine" ] && [ -n "$wineserver" ] && command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
    ./scripts/fetch-sqlite.sh
    # A Wine prefix of the build's own, and one Wine server kept up for the whole
    # run instead of one started for every program.
    export WINEPREFIX="$PWD/build-windows-cross/wine" WINEDEBUG=-all
    cmake --preset windows-cross
    mkdir -p "$WINEPREFIX"
    "$wineserver" -p
    trap '"$wineserver" -k 2>/dev/null || true' EXIT
    # The prefix is made here, not inside a build step: the Wine services it
    # starts would hold the step's output open and the build would wait on them.
    "$wine" wineboot -i >/dev/null 2>&1
    cmake --build --preset windows-cross -j "$jobs"
    ctest --preset windows-cross -j "$jobs"
    "$wineserver" -k 2>/dev/null || true
    trap - EXIT
    unset WINEPREFIX WINEDEBUG
else
    echo "SKIPPED: the Windows tests need Wine and the MinGW-w64 compiler (Debian packages wine, wine64,"
    echo "         g++-mingw-w64-x86-64-posix; ./scripts/setup-debian.sh test installs them)"
fi

echo "== Windows setup program (a stand-in program) under Wine"
if [ -n "$wine" ] && command -v makensis >/dev/null 2>&1 && command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
    ./packaging/windows/tests/check-dummy-installer.sh
else
    echo "SKIPPED: the setup program's check needs makensis, Wine and the MinGW-w64 compiler (Debian packages"
    echo "         nsis, wine, g++-mingw-w64-x86-64-posix; ./scripts/setup-debian.sh test installs them)"
fi

echo "== sanitizer build and tests"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
# The test preset sets the sanitizer options and the leak suppressions
# (scripts/lsan.supp: leaks inside system libraries only). The writer tests
# (label writers: processes killed, disks filled) run in the normal build only:
# under the sanitizers they take many minutes, and the code they drive is run
# under the sanitizers by the other tests.
ctest --preset asan -j "$jobs" -LE 'bench|fuzz|writers'

echo "== fuzzing (short runs)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DICD_FUZZ=ON -DICD_BUILD_GUI=OFF -DICD_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$jobs"
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j "$jobs"
