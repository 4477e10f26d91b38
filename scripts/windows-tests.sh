#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the test programs, korvi-run.exe and
# the smoke test of korvi.exe (which starts its own Xvfb).
# Usage: scripts/windows-tests.sh BUILD_DIR
# Wine runs in BUILD_DIR/wineprefix, never in ~/.wine. When Wine is missing or
# cannot start at all, the tests are skipped (exit 0) with a line CI's log shows
# plainly; once Wine runs, a test that does not run fails.
set -uo pipefail

build="$(cd "$1" && pwd)"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
jobs="${JOBS:-2}"

if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
    echo "Windows tests SKIPPED: Wine is not installed (scripts/install-deps.sh windows)"
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
    echo "Windows tests SKIPPED: Wine could not start in $WINEPREFIX"
    exit 0
fi

# The tests that start programs in Wine's desktop leave the server to this script.
export KORVI_WINE_SESSION=1
# Wine started: from here a test that is skipped did not run, and that fails the run.
cd "$build" || exit 1
ctest --output-on-failure -j "$jobs" --timeout 600 | tee "$build/windows-tests.log"
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || exit "$status"
if grep -q "Not Run\|Skipped" "$build/windows-tests.log"; then
    echo "Windows tests FAILED: Wine runs, but a test did not run (see above)"
    exit 1
fi
