#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the test programs, korvi-run.exe and
# the smoke test of korvi.exe (which starts its own Xvfb).
# Usage: scripts/windows-tests.sh BUILD_DIR
# Wine runs in BUILD_DIR/wineprefix, never in ~/.wine. When Wine cannot start at
# all, the tests are skipped with a message; any other failure fails.
set -uo pipefail

build="$(cd "$1" && pwd)"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
jobs="${JOBS:-2}"

if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
    echo "SKIPPED: the Windows tests need Wine (scripts/install-deps.sh windows)"
    exit 0
fi

# Wine's server and the services it starts stay up for the whole run, with no
# terminal or pipe of ours: a test's output pipe held open by a service started
# from the test would keep CTest waiting for ever.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (once, about 10 s)"
fi
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1' EXIT
if ! wineboot --init </dev/null >/dev/null 2>&1 || ! wine cmd /c exit 0 </dev/null >/dev/null 2>&1; then
    echo "SKIPPED: Wine could not start in $WINEPREFIX"
    exit 0
fi

# The tests that start programs in Wine's desktop leave the server to this script.
export KORVI_WINE_SESSION=1
cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 600
