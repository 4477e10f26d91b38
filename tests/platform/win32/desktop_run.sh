#!/usr/bin/env bash
# Runs one Windows test program under Wine in Wine's virtual desktop on an X server
# of its own (Xvfb), as the DirectDraw display needs a screen whose mode it can
# change. Prints the program's output and exits with its exit code; 77 (skipped)
# only when Xvfb or Wine cannot start.
# Usage: desktop_run.sh BUILD_DIR PROGRAM.exe
set -uo pipefail

build="$(cd "$1" && pwd)"
program="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

work="$(mktemp -d "$build/desktop-run.XXXXXX")"
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

command -v Xvfb >/dev/null || { echo "SKIPPED: Xvfb is not installed"; exit 77; }
source "$(dirname "$0")/xvfb.sh"
start_xvfb "$work" || { echo "SKIPPED: Xvfb could not start"; exit 77; }
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || { echo "SKIPPED: Wine could not start"; exit 77; }

# A batch file keeps the output and the exit code, which explorer's /desktop does not.
windows_program="Z:$(echo "$program" | tr '/' '\\')"
# (A digit right before ">" would be taken for a stream number: hence the word.)
printf '@"%s" > output.txt 2>&1\r\n@echo code %%ERRORLEVEL%% > exitcode.txt\r\n' "$windows_program" >"$work/run.bat"
(cd "$work" && wine explorer /desktop=korvi-tests,1024x768 cmd /c run.bat </dev/null >/dev/null 2>&1)
cat "$work/output.txt" 2>/dev/null
[ -f "$work/exitcode.txt" ] || { echo "FAILED: no exit code recorded"; exit 1; }
exit "$(sed -n 's/^code \([0-9-]*\).*/\1/p' "$work/exitcode.txt")"
