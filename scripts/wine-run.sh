#!/usr/bin/env bash
# Runs a program of the Windows cross build under Wine, in a Wine prefix of the
# build's own (never ~/.wine), without Wine's debug chatter.
# Usage: scripts/wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
# The prefix is created on first use; a lock keeps parallel first uses apart.
set -euo pipefail

prefix="$1"
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No Mono or Gecko: the first start would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/system.reg" ]; then
            wineboot --init >/dev/null 2>&1
            wineserver -w
        fi
    ) 9>"$prefix.lock"
fi

exec wine "$@"
