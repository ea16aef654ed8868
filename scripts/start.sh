#!/bin/sh
# Starts the program from a build folder (default build-release) on the sample
# database built beside it.
dir=${1:-build-release}
exe="$dir/bin/icd10tcm"
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    echo "This program needs a graphical display, and none was found (DISPLAY is not set)."
    echo "To run it without one, start it under a virtual X server:"
    echo "    xvfb-run -a -s '-screen 0 1024x768x24' $exe"
    echo "or start it there and take a screenshot of its main menu:"
    echo "    xvfb-run -a -s '-screen 0 1024x768x24' sh -c '$exe & sleep 3; import -window root shot.png; kill \$!'"
    exit 1
fi
exec "$exe"
