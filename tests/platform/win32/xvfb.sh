# Sourced by the Windows test scripts: starts an X server of its own on a display
# number nobody uses (Xvfb picks it and tells through fd 3), records its process in
# xvfb_pid and exports DISPLAY. Returns 1 when Xvfb could not start.
# Usage: start_xvfb WORK_DIR
start_xvfb() {
    local work="$1"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        [ -s "$work/display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.2
    done
    [ -s "$work/display" ] || return 1
    export DISPLAY=":$(head -n1 "$work/display")"
}
