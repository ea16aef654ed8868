#!/bin/sh
# Installs what the program, its build and its tests need on Debian 12 (run as root).
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
    build-essential cmake ninja-build pkg-config xz-utils \
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins libgl-dev \
    libsqlite3-dev sqlite3 mdbtools mdbtools-dev libglib2.0-dev \
    libxcb1-dev libxcb-ewmh-dev g++-mingw-w64-x86-64-posix \
    libgtest-dev googletest libbenchmark-dev \
    fonts-arphic-uming fonts-arphic-ukai fonts-liberation \
    xvfb xauth openbox x11-utils xdotool imagemagick libxcb-xtest0-dev libxcb-keysyms1-dev \
    clang libclang-rt-14-dev
