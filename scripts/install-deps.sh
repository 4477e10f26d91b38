#!/usr/bin/env bash
# Installs the Debian packages a make target needs, only those that are missing.
# Usage: scripts/install-deps.sh GROUP...   (groups: build test fuzz windows)
set -euo pipefail

packages_for() {
    case "$1" in
        build) echo "cmake make g++ pkg-config libgtest-dev libgmock-dev libstb-dev libsdl2-dev libimgui-dev" ;;
        test) echo "xvfb xdotool imagemagick time" ;;
        bench) echo "valgrind pulseaudio pulseaudio-utils" ;;
        fuzz) echo "clang libclang-rt-14-dev" ;;
        windows) echo "mingw-w64 wine wine64 xvfb xdotool imagemagick googletest libstb-dev" ;;
        *) echo "unknown package group: $1" >&2; exit 2 ;;
    esac
}

missing=()
for group in "$@"; do
    for pkg in $(packages_for "$group"); do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
