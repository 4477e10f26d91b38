#!/usr/bin/env bash
# The desktop program's pace and sound on a virtual X server: the demo and a cartridge
# that switches the LCD off for 30 frames every 2 s, each run for SECONDS (60) at
# 640 x 480, zoom 2, the frame limit on. The program logs its frame times
# (KORVI_FRAME_LOG) and plays its sound into a PulseAudio server of its own with a null
# sink, recorded with parec (or, without PulseAudio, into SDL's disk driver, which
# takes it at the pace of real time); korvi-bench-pacing turns both into figures. Then korvi idle in
# the menu for 10 s. CPU use is the process's user + system time over the run as a
# share of one core (noisy when the machine is busy).
# Usage: scripts/measure-pacing.sh KORVI DEMO_CARTRIDGE KORVI_BENCH_PACING [SECONDS]
# Exit 0 with "SKIPPED" when Xvfb is not installed.
set -uo pipefail

korvi_program=$1
demo_cartridge=$2
pacing_tool=$3
seconds=${4:-60}
work=$(mktemp -d /tmp/korvi-pacing.XXXXXX)
xvfb_pid=""
korvi_pid=""

pulse_pid=""
recorder_pid=""

cleanup() {
    [ -n "$korvi_pid" ] && kill -KILL "$korvi_pid" 2>/dev/null
    [ -n "$recorder_pid" ] && kill "$recorder_pid" 2>/dev/null
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

if ! command -v Xvfb >/dev/null; then
    echo "SKIPPED: the pacing figures need Xvfb (scripts/install-deps.sh test)"
    exit 0
fi
for n in $(seq 191 240); do
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

# A sound server of our own, its null sink playing in real time and recorded.
sound_through="SDL's disk driver"
if command -v pulseaudio >/dev/null && command -v parec >/dev/null; then
    mkdir -p "$work/pulse"
    HOME="$work/pulse" XDG_RUNTIME_DIR="$work/pulse" pulseaudio -n --daemonize=no \
        --exit-idle-time=-1 --use-pid-file=no \
        -L "module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
        -L "module-null-sink sink_name=korvi rate=48000" >/dev/null 2>&1 &
    pulse_pid=$!
    for _ in $(seq 50); do [ -S "$work/pulse/native" ] && break; sleep 0.1; done
    if [ -S "$work/pulse/native" ]; then
        export PULSE_SERVER="unix:$work/pulse/native"
        sound_through="PulseAudio's null sink, recorded with parec"
    else
        kill "$pulse_pid" 2>/dev/null
        pulse_pid=""
    fi
fi
echo "== sound through $sound_through"

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }

# start ROM: starts korvi in a fresh folder at 640 x 480, zoom 2, the limit on, on ROM
# (or in the menu without one), logging its frames and sound.
start() {
    rm -rf "$work/run" && mkdir -p "$work/run"
    cp "$korvi_program" "$work/run/korvi"
    printf '\x80\x02\xe0\x01\x02\x00\x01\x00' >"$work/run/settings.bin"
    local game=""
    [ -n "$1" ] && cp "$1" "$work/run/game.gb" && game=game.gb
    if [ -n "$pulse_pid" ]; then
        # The recording lasts as long as the run; 60 s are 11.5 MB.
        parec -d korvi.monitor --raw --format=s16le --rate=48000 --channels=2 \
            >"$work/run/sound.raw" 2>/dev/null &
        recorder_pid=$!
        (cd "$work/run" && KORVI_FRAME_LOG="$work/run/frames.log" SDL_AUDIODRIVER=pulseaudio \
            exec ./korvi $game >/dev/null 2>&1) &
    else
        (cd "$work/run" && KORVI_FRAME_LOG="$work/run/frames.log" SDL_AUDIODRIVER=disk \
            SDL_DISKAUDIOFILE="$work/run/sound.raw" exec ./korvi $game >/dev/null 2>&1) &
    fi
    korvi_pid=$!
}

# cpu_over SECONDS: korvi's CPU share over that many seconds, after 2 s to settle.
cpu_over() {
    sleep 2
    local before after
    before=$(cpu_ticks "$korvi_pid") || { echo "korvi did not start"; return 1; }
    sleep "$1"
    after=$(cpu_ticks "$korvi_pid")
    awk -v t=$((after - before)) -v hz="$ticks_per_second" -v s="$1" \
        'BEGIN { printf "   CPU: %.1f %% of one core over %d s\n", 100 * t / hz / s, s }'
}

# stop: asks korvi to end; one that does not within 5 s is killed.
stop() {
    kill -TERM "$korvi_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$korvi_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$korvi_pid" 2>/dev/null
    wait "$korvi_pid" 2>/dev/null
    korvi_pid=""
    if [ -n "$recorder_pid" ]; then
        kill "$recorder_pid" 2>/dev/null
        wait "$recorder_pid" 2>/dev/null
        recorder_pid=""
    fi
}

measure() {  # measure WHAT ROM
    echo "== korvi: $1, $seconds s at zoom 2 with the limit on"
    start "$2"
    cpu_over "$seconds"
    stop
    "$pacing_tool" --analyse "$work/run/frames.log" "$work/run/sound.raw"
}

"$pacing_tool" --write-cartridge "$work/lcd-off.gb" || exit 1
measure "the demo" "$demo_cartridge"
measure "the LCD switched off 30 frames in every 120" "$work/lcd-off.gb"
echo "== korvi idle in the menu"
start ""
cpu_over 10
stop
