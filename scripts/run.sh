#!/usr/bin/env bash
# Starts Korvi from a build folder (make run passes it): the desktop program where a
# display is available, otherwise a headless run of the demo cartridge that leaves a
# screenshot behind.
# Usage: scripts/run.sh [BUILD_DIR]
set -euo pipefail

build=${1:-build}
programs="$build/bin"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    if [ ! -x "$programs/korvi" ]; then
        echo "run.sh: $programs/korvi was not built (is libsdl2-dev installed?)" >&2
        exit 1
    fi
    # "settings.bin" and the chooser's first folder: beside the program and the demo.
    cd "$programs"
    exec ./korvi
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the demo headless."
if [ ! -x "$programs/korvi-run" ] || [ ! -f "$programs/demo.gb" ]; then
    echo "run.sh: $programs/korvi-run or $programs/demo.gb is missing" >&2
    exit 1
fi
screenshot="$(cd "$build" && pwd)/demo.png"
"$programs/korvi-run" "$programs/demo.gb" --frames 120 --screenshot "$screenshot"
echo "The demo's last frame is in $screenshot"
