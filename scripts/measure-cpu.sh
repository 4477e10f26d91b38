#!/usr/bin/env bash
# CPU use of the desktop program korvi on a virtual X server: once running the demo
# cartridge with the 60 frames per second limit on, once idle in the menu. Each
# figure is the process's user + system time over 10 s (from /proc/PID/stat) as a
# share of one core. On a busy machine the figures are noisy: run it more than once.
# Usage: scripts/measure-cpu.sh KORVI DEMO_CARTRIDGE [SECONDS]
# Exit 0 with "SKIPPED" when Xvfb is not installed.
set -uo pipefail

korvi_program=$1
demo_cartridge=$2
seconds=${3:-10}
work=$(mktemp -d /tmp/korvi-cpu.XXXXXX)
xvfb_pid=""
korvi_pid=""

cleanup() {
    [ -n "$korvi_pid" ] && kill -KILL "$korvi_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: CPU use needs $tool (scripts/install-deps.sh test)"
        exit 0
    fi
done
for n in $(seq 141 190); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    if kill -0 "$xvfb_pid" 2>/dev/null; then
        export DISPLAY=":$n"
        break
    fi
    xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "SKIPPED: Xvfb could not be started"; exit 0; }

ticks_per_second=$(getconf CLK_TCK)
# utime + stime of a process, in clock ticks (fields 14 and 15; the name in
# parentheses may hold spaces, so the fields are counted after its closing one).
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }

# measure WHAT SETTINGS_BYTES [ROM]: starts korvi in a fresh folder, lets it settle,
# then prints its CPU share over the measured seconds.
measure() {
    local what=$1 settings=$2 rom=${3:-}
    rm -rf "$work/run" && mkdir -p "$work/run"
    cp "$korvi_program" "$work/run/korvi"
    printf "$settings" >"$work/run/settings.bin"
    [ -n "$rom" ] && cp "$rom" "$work/run/game.gb"
    (cd "$work/run" && exec ./korvi >/dev/null 2>&1) &
    korvi_pid=$!
    sleep 2
    if [ -n "$rom" ]; then
        # Game > Load..., then Enter: the chooser starts on the folder's first cartridge.
        xdotool mousemove 70 10 sleep 0.2 click 1 sleep 0.4 mousemove 78 33 sleep 0.2 click 1
        sleep 0.6
        xdotool key Return
    fi
    sleep 2
    local before after
    before=$(cpu_ticks "$korvi_pid") || { echo "$what: korvi did not start"; return 1; }
    sleep "$seconds"
    after=$(cpu_ticks "$korvi_pid")
    # A program that does not honour the request within 5 s is killed.
    kill -TERM "$korvi_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$korvi_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$korvi_pid" 2>/dev/null
    wait "$korvi_pid" 2>/dev/null
    korvi_pid=""
    awk -v t=$((after - before)) -v hz="$ticks_per_second" -v s="$seconds" -v what="$what" \
        'BEGIN { printf "   %s: %.1f %% of one core over %d s\n", what, 100 * t / hz / s, s }'
}

echo "== korvi CPU use under Xvfb (noisy when the machine is busy)"
# settings.bin: 640 x 480, zoom 1, keyboard, limit on.
measure "demo running, 60 frames per second limit on" '\x80\x02\xe0\x01\x01\x00\x01' "$demo_cartridge"
measure "idle in the menu" '\x80\x02\xe0\x01\x01\x00\x01'
