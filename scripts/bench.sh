#!/usr/bin/env bash
# Runs Korvi's benchmarks against a build directory and prints their figures.
# Usage: scripts/bench.sh BUILD_DIR
# Each benchmark is one command below; add new ones at the end.
set -euo pipefail

build="${1:-build}"
bin="$build/bin"
frames=20000

run() {
    echo "== $*"
    "$@"
}

# Host instructions per emulated frame as callgrind counts them (repeatable on a busy
# machine): the difference between a run of 600 and one of 300 frames, so that
# start-up is left out.
instructions_per_frame() {
    local counts=()
    for n in 300 600; do
        counts+=("$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" --frames "$n" --quiet 2>&1 |
            sed -n 's/.*Collected : \([0-9]*\).*/\1/p')")
    done
    echo "   $(( (counts[1] - counts[0]) / 300 )) host instructions per emulated frame (callgrind)"
}

# Emulation steps per second of a CPU-heavy cartridge on one core.
run "$build/tools/bench/korvi-bench-cpu" 500000000

# The renderer's frame rate on a busy scene at each zoom.
run "$build/tests/video/korvi-bench-video"

# Whole frames with rendering, headless: the demo cartridge and the CPU-heavy one.
cartridge="$(mktemp --suffix=.gb)"
trap 'rm -f "$cartridge"' EXIT
"$build/tools/bench/korvi-bench-cpu" --write-cartridge "$cartridge"
run "$bin/korvi-run" --frames "$frames"
instructions_per_frame "$bin/korvi-run"
run "$bin/korvi-run" "$cartridge" --frames "$frames"
instructions_per_frame "$bin/korvi-run" "$cartridge"

# The demo again with its sound synthesized (written to /dev/null): the difference
# from the run without --wav is what the audio unit costs.
run "$bin/korvi-run" --frames "$frames" --wav /dev/null
instructions_per_frame "$bin/korvi-run" --wav /dev/null

# The sound queue's level at the limiter's pace for a minute (on SDL's disk driver,
# which plays in real time into /dev/null, when there is no sound card).
if [ -x "$build/tools/bench/korvi-bench-sound-queue" ]; then
    SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-disk}" SDL_DISKAUDIOFILE=/dev/null \
        run "$build/tools/bench/korvi-bench-sound-queue" "${SOUND_QUEUE_SECONDS:-60}"
fi

run "$build/tools/bench/korvi-bench-state"

# The desktop program's pace, sound and CPU use for a minute on the demo and on a
# cartridge that switches the LCD off now and then, and its CPU use idle in the menu
# (needs Xvfb; skipped without it or without the desktop program).
if [ -x "$bin/korvi" ]; then
    scripts/measure-pacing.sh "$bin/korvi" "$bin/demo.gb" "$build/tools/bench/korvi-bench-pacing" \
        "${PACING_SECONDS:-60}"
fi
