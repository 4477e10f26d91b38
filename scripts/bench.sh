#!/usr/bin/env bash
# Runs Korvi's benchmarks against a build directory and prints their figures.
# Usage: scripts/bench.sh BUILD_DIR
# Each benchmark is one command below; add new ones at the end.
set -euo pipefail

build="${1:-build}"

run() {
    echo "== $*"
    "$@"
}

# Emulation steps per second of a CPU-heavy cartridge on one core.
run "$build/tools/bench/korvi-bench-cpu" 500000000
