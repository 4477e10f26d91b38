#!/usr/bin/env bash
# The desktop program end to end on a real X server: starts its own Xvfb, runs korvi
# in a fresh folder, drives it with synthetic mouse clicks and keys, and checks
# screenshots, "settings.bin" and the demo's battery save.
#
# Usage: desktop_end_to_end.sh KORVI DEMO_CARTRIDGE
# Exit codes: 0 passed, 1 failed, 77 skipped (no X server could be started).
set -uo pipefail

korvi_program=$1
demo_cartridge=$2
work=$(mktemp -d /tmp/korvi-e2e.XXXXXX)
xvfb_pid=""
korvi_pid=""
failures=0
checks=0

cleanup() {
    if [ -n "$korvi_pid" ] && kill -0 "$korvi_pid" 2>/dev/null; then
        kill -KILL "$korvi_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

for tool in Xvfb xdotool convert compare; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh test installs it)"
        exit 77
    fi
done
if [ ! -f "$demo_cartridge" ]; then
    echo "FAIL: the demo cartridge $demo_cartridge was not built"
    exit 1
fi

# --- A virtual screen on a free display number ---
for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
        DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    # The answer must come from this server, not from one still going away.
    if kill -0 "$xvfb_pid" 2>/dev/null && DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
        export DISPLAY=":$n"
        break
    fi
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
done
if [ -z "$xvfb_pid" ]; then
    echo "SKIP: Xvfb could not be started on any display from :91 to :140"
    exit 77
fi
echo "virtual screen $DISPLAY"

# --- Helpers ---
check() {  # check DESCRIPTION COMMAND...
    checks=$((checks + 1))
    if "${@:2}"; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        failures=$((failures + 1))
    fi
}

shot() {  # shot NAME: screenshot of the whole screen into $work/NAME.png
    import -window root "$work/$1.png"
}

# Mean brightness (0..1) of a rectangle of a screenshot.
mean() {  # mean NAME WIDTH HEIGHT X Y
    convert "$work/$1.png" -crop "$2x$3+$4+$5" +repage -colorspace Gray -format '%[fx:mean]' info:
}

darker_than() { awk -v v="$1" -v limit="$2" 'BEGIN { exit !(v < limit) }'; }
brighter_than() { awk -v v="$1" -v limit="$2" 'BEGIN { exit !(v > limit) }'; }

# Number of different colours in a rectangle.
colours() {  # colours NAME WIDTH HEIGHT X Y
    convert "$work/$1.png" -crop "$2x$3+$4+$5" +repage -unique-colors -format '%w' info:
}

pixel() {  # pixel NAME X Y: the colour as r,g,b
    convert "$work/$1.png" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}

# Pixels that differ between two screenshots inside a rectangle.
differing() {  # differing A B WIDTH HEIGHT X Y
    convert "$work/$1.png" -crop "$3x$4+$5+$6" +repage "$work/crop-a.png"
    convert "$work/$2.png" -crop "$3x$4+$5+$6" +repage "$work/crop-b.png"
    compare -metric AE "$work/crop-a.png" "$work/crop-b.png" null: 2>&1 | cut -d' ' -f1
}

wait_until() {  # wait_until SECONDS COMMAND...: true as soon as COMMAND holds
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.2
    done
}

click() {  # click X Y
    xdotool mousemove "$1" "$2"
    sleep 0.15
    xdotool click 1
    sleep 0.3
}

# Conditions on a fresh screenshot, for wait_until: each takes one named NAME.
menu_bar_shown() { shot "$1"; brighter_than "$(mean "$1" 200 18 0 0)" 0.05; }
game_shown() { shot "$1"; brighter_than "$(mean "$1" 256 230 384 269)" 0.2; }
# Dimmed under the menu: neither black nor the game's own brightness (the demo's
# picture is about 0.7 bright, half that dimmed).
paused_game_shown() {
    menu_bar_shown "$1" && brighter_than "$(mean "$1" 256 230 384 269)" 0.1 &&
        darker_than "$(mean "$1" 256 230 384 269)" 0.5
}
chooser_shown() { shot "$1"; brighter_than "$(mean "$1" 300 200 362 284)" 0.05; }
# The screen differs from screenshot BEFORE by more than LIMIT pixels in a rectangle.
changed_since() {  # changed_since BEFORE NAME LIMIT WIDTH HEIGHT X Y
    shot "$2"
    test "$(differing "$1" "$2" "$4" "$5" "$6" "$7")" -gt "$3"
}
# A menu entry: its top-level title, then the item once the menu has opened.
choose() {  # choose TITLE_X TITLE_Y ITEM_X ITEM_Y
    shot before-menu
    click "$1" "$2"
    wait_until 20 changed_since before-menu menu-open 100 200 100 "$(($1 - 20))" 20
    click "$3" "$4"
}

# Where the menu bar's entries stand (ImGui's default font and spacing).
MENU_FILE="25 10";    MENU_EXIT="30 33"
MENU_GAME="70 10";    MENU_LOAD="78 33"; MENU_RECENT="78 50"; MENU_RESUME="78 84"
MENU_RECENT_1="230 50"
MENU_DISPLAY="124 10"; MENU_SCREEN="120 33"; MENU_TILES="256 50"; MENU_SETTINGS="136 72"
MENU_INPUT="182 10";  MENU_INPUT_SETTINGS="195 33"

# The 640 x 480 back buffer fills the 1024 x 768 screen (scale 1.6); the 160 x 144
# picture at zoom 1 stands in its middle, at (384, 269)-(640, 499) on the screen.
# The pennants that the arrows move live in the upper part; the lower part has
# figures that walk by themselves and a frame counter.
UPPER_PICTURE="256 100 384 272"

# In a sanitizer build the leak check is left to the headless tests: at exit the
# libraries that SDL loads and unloads by itself (D-Bus, X11 extensions) leave
# blocks behind that cannot even be traced to a module. Memory errors and undefined
# behaviour are still checked here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# --- The run ---
mkdir -p "$work/korvi"
cp "$korvi_program" "$work/korvi/korvi"
cp "$demo_cartridge" "$work/korvi/demo.gb"
cd "$work/korvi" || exit 1

# A first run, with no settings.bin: the program fills the 1024 x 768 desktop at the
# largest zoom that fits (4) with the frame limit on, and keeps that.
./korvi >"$work/korvi.log" 2>&1 &
korvi_pid=$!
settings_hold() { test "$(od -An -tx1 settings.bin 2>/dev/null | tr -s ' \n' ' ')" = " $* "; }
check "a first run writes settings.bin: the desktop's size, zoom 4, the limit on" \
    wait_until 20 settings_hold 00 00 00 00 04 00 01 00
kill -TERM "$korvi_pid"
wait "$korvi_pid"
korvi_pid=""

# The rest runs from 640 x 480 at zoom 1 with the limit off.
printf '\x80\x02\xe0\x01\x01\x00\x00\x00' >settings.bin
./korvi >"$work/korvi.log" 2>&1 &
korvi_pid=$!

for _ in $(seq 200); do
    xdotool search --name '^Korvi$' >/dev/null 2>&1 && break
    sleep 0.1
done
window_found() { xdotool search --name '^Korvi$' >/dev/null 2>&1; }
check "the window captioned Korvi appears" window_found

check "at start the menu bar is shown" wait_until 20 menu_bar_shown start
check "at start the main view is black" darker_than "$(mean start 1024 700 0 40)" 0.01

# Empty images listed before demo.gb in the chooser.
: >a-empty.gb
: >b-empty.gb
: >c-empty.gb
choose $MENU_GAME $MENU_LOAD
check "Game > Load... opens the chooser" wait_until 20 chooser_shown chooser

# End highlights the last entry, demo.gb, and Return opens what is highlighted.
xdotool key End
highlight_moved() { changed_since chooser chooser-end 50 700 300 160 150; }
check "End moves the chooser's highlight" wait_until 20 highlight_moved
xdotool key Return
check "the game picture is shown while running" wait_until 20 game_shown running
check "no menu bar while running" darker_than "$(mean running 700 18 300 0)" 0.01

# A: the demo stops scrolling, so only the pennants move in the upper part. The key is
# held for a while: a press and release within one poll of a slow (sanitizer) build
# would go unseen.
xdotool keydown x
sleep 0.2
xdotool keyup x
# Two screenshots a poll apart show the same upper picture: each call compares a fresh
# one with the one the call before took.
upper_still() {
    [ -f "$work/still-2.png" ] && mv "$work/still-2.png" "$work/still-1.png"
    shot still-2
    [ -f "$work/still-1.png" ] && test "$(differing still-1 still-2 $UPPER_PICTURE)" -eq 0
}
check "with scrolling stopped and no key the upper picture stands still" wait_until 20 upper_still
xdotool keydown Right
check "the right arrow moves the pennants" wait_until 20 changed_since still-2 moved 50 $UPPER_PICTURE
xdotool keyup Right

# Save states: F5 writes slot 1 beside the image, F9 takes the save back (the slot was
# empty), F7 loads, Backspace rewinds; each says so in the top-left corner, below the
# frame rate.
press_key() { xdotool keydown "$1"; sleep 0.3; xdotool keyup "$1"; }
MESSAGE="210 14 0 19"
message_differs_from() {  # message_differs_from SHOT: the message area has changed since
    changed_since "$1" message-now 20 $MESSAGE
}
message_same_as() {  # message_same_as SHOT: the message area shows what SHOT showed
    shot message-now
    test "$(differing "$1" message-now $MESSAGE)" -eq 0
}
keep_message_as() { cp "$work/message-now.png" "$work/$1.png"; }
shot no-message
press_key F5
check "F5 saves the state in demo.ss1" wait_until 20 test -s demo.ss1
check "the message says so" wait_until 20 message_differs_from no-message
keep_message_as saved
press_key F9
check "F9 undoes the save: the slot is empty again" wait_until 20 test ! -e demo.ss1
press_key F5
wait_until 20 test -s demo.ss1
wait_until 20 message_same_as saved
press_key F7
check "F7 loads the state: the message changes" wait_until 20 message_differs_from saved
keep_message_as loaded
xdotool keydown BackSpace
check "Backspace held rewinds: the message changes" wait_until 20 message_differs_from loaded
xdotool keyup BackSpace

press_key F12
screenshot_written() { compgen -G "demo-*.png" >/dev/null; }
check "F12 writes a screenshot beside the save" wait_until 20 screenshot_written
check "... of the game at its zoom (160 x 144 at zoom 1)" \
    test "$(identify -format '%wx%h' demo-*.png 2>/dev/null | head -c 7)" = 160x144

xdotool key Escape
check "Esc brings the menu bar back over the paused game, dimmed" \
    wait_until 20 paused_game_shown paused

choose $MENU_DISPLAY $MENU_SCREEN
click $MENU_TILES
tiles_shown() { shot tiles; test "$(pixel tiles 11 40)" != "0,0,0" && test "$(colours tiles 400 600 20 45)" -ge 5; }
wait_until 20 tiles_shown
panel=$(pixel tiles 11 40)
check "the tiles view's panel is drawn (got $panel)" test "$panel" != "0,0,0"
check "the panel spans the tiles area" test "$(pixel tiles 425 655)" = "$panel"
# Empty video RAM would show white blocks on the panel only: two colours.
check "the tiles view holds the demo's tiles in four shades on the panel" \
    test "$(colours tiles 400 600 20 45)" -ge 5
check "nothing is drawn right of the panel" darker_than "$(mean tiles 150 600 870 100)" 0.01

choose $MENU_DISPLAY $MENU_SETTINGS
check "Display > Settings... opens its dialog over the view" \
    wait_until 20 changed_since tiles settings 1000 260 160 382 304
xdotool key Return  # OK: the default button
dialog_closed() { shot confirmed; test "$(differing tiles confirmed 260 160 382 304)" -lt 200; }
check "OK closes the dialog" wait_until 20 dialog_closed

choose $MENU_FILE $MENU_EXIT
for _ in $(seq 100); do
    kill -0 "$korvi_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$korvi_pid" 2>/dev/null; then
    check "File > Exit ends the program" false
else
    wait "$korvi_pid"
    status=$?
    korvi_pid=""
    check "File > Exit ends the program with exit code 0 (got $status)" test "$status" -eq 0
fi

check "settings.bin holds its 8 bytes" settings_hold 80 02 e0 01 01 00 00 00
check "the demo's save file holds its 8 KB of cartridge RAM" \
    test "$(stat -c %s demo.sav 2>/dev/null)" = 8192

# --- Second run: the cartridge named on the command line, a failed load, and
# quitting while the game runs ---
start_korvi() {  # start_korvi ARGS...: korvi in the background, waits for its window
    ./korvi "$@" >"$work/korvi.log" 2>&1 &
    korvi_pid=$!
    for _ in $(seq 200); do
        window_found && break
        sleep 0.1
    done
}
ends_with_code_0() {  # ends_with_code_0 SECONDS
    for _ in $(seq $(($1 * 10))); do
        kill -0 "$korvi_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$korvi_pid" 2>/dev/null && return 1
    wait "$korvi_pid"
    local status=$?
    korvi_pid=""
    return "$status"
}
rm -f demo.sav
: >empty.gb
start_korvi demo.gb
check "korvi demo.gb runs the game at once" wait_until 20 game_shown cli-running
check "... with no menu bar" darker_than "$(mean cli-running 700 18 300 0)" 0.01

xdotool key Escape
wait_until 20 menu_bar_shown menu-2
choose $MENU_GAME $MENU_LOAD
wait_until 20 chooser_shown chooser-2
xdotool key Down Return  # the chooser starts on a-empty.gb in the demo's folder; Down: b-empty.gb
# The reason appears under the list, in the chooser that stays open.
check "a zero-byte image is refused: the chooser stays open and says why" \
    wait_until 20 changed_since chooser-2 refused 20 460 50 282 470
xdotool key Escape
wait_until 20 menu_bar_shown menu-3
choose $MENU_GAME $MENU_RESUME
check "after the failed load Resume goes on with the game" wait_until 20 game_shown resumed
check "... its picture still moves" \
    wait_until 20 changed_since cli-running resumed-later 50 256 230 384 269

kill -TERM "$korvi_pid"
check "SIGTERM while the game runs ends korvi with exit code 0" ends_with_code_0 5
check "... and the battery save is written" test "$(stat -c %s demo.sav 2>/dev/null)" = 8192

rm -f demo.sav
start_korvi demo.gb
wait_until 20 game_shown sigint-running
kill -INT "$korvi_pid"
check "SIGINT while the game runs ends korvi with exit code 0" ends_with_code_0 5
check "... and the battery save is written" test "$(stat -c %s demo.sav 2>/dev/null)" = 8192

start_korvi empty.gb
# The box, centred on the black screen: its title bar and text.
message_box_shown() { shot "$1"; brighter_than "$(mean "$1" 400 40 312 324)" 0.08; }
check "korvi empty.gb: a message box tells why" wait_until 20 message_box_shown empty-argument
check "... and the program goes on" kill -0 "$korvi_pid"
xdotool key Return  # its OK button
box_gone() { shot box-gone; darker_than "$(mean box-gone 400 40 312 324)" 0.02; }
check "... Return dismisses it" wait_until 20 box_gone
kill -TERM "$korvi_pid"
check "SIGTERM in the menu ends korvi with exit code 0" ends_with_code_0 5

# --- Quitting with a dialog, the chooser or a message box open: the program ends at
# once, battery save included, and a dialog's choices are not kept ---
quit_time_ms=0
term_and_time() {  # sends SIGTERM and waits for the exit; sets quit_time_ms
    local start end
    start=$(date +%s%N)
    kill -TERM "$korvi_pid"
    ends_with_code_0 20 || return 1
    end=$(date +%s%N)
    quit_time_ms=$(((end - start) / 1000000))
}
cp settings.bin settings-before.bin
for what in display input chooser; do
    rm -f demo.sav
    start_korvi demo.gb
    wait_until 20 game_shown "quit-$what-running"
    xdotool key Escape
    wait_until 20 paused_game_shown "quit-$what-paused"
    case $what in
        display) choose $MENU_DISPLAY $MENU_SETTINGS ;;
        input) choose $MENU_INPUT $MENU_INPUT_SETTINGS ;;
        chooser) choose $MENU_GAME $MENU_LOAD ;;
    esac
    wait_until 20 changed_since "quit-$what-paused" "quit-$what-open" 1000 300 200 362 284
    if term_and_time; then
        check "SIGTERM with the $what dialog open ends korvi (after $quit_time_ms ms)" true
    else
        check "SIGTERM with the $what dialog open ends korvi" false
    fi
    check "... and the battery save is written" test "$(stat -c %s demo.sav 2>/dev/null)" = 8192
done
start_korvi empty.gb
wait_until 20 message_box_shown quit-message-open
if term_and_time; then
    check "SIGTERM with a message box open ends korvi (after $quit_time_ms ms)" true
else
    check "SIGTERM with a message box open ends korvi" false
fi
check "settings.bin is as it was: no dialog was confirmed" cmp -s settings.bin settings-before.bin

# --- Recent games and keys of one's own ---
start_korvi
wait_until 20 menu_bar_shown recent-menu
choose $MENU_GAME $MENU_RECENT
click $MENU_RECENT_1
check "Game > Recent > 1 loads the demo played before" wait_until 20 game_shown recent-running
kill -TERM "$korvi_pid"
ends_with_code_0 20
# D instead of the right arrow, written into preferences.ini as a player would.
sed -i 's/^key.right = Right$/key.right = D/' preferences.ini
start_korvi demo.gb
wait_until 20 game_shown keys-running
# A stops the scrolling: held until the picture stands still.
rm -f "$work/still-1.png" "$work/still-2.png"
xdotool keydown x
wait_until 20 upper_still
xdotool keyup x
xdotool keydown d
check "a key bound in preferences.ini moves the pennants" \
    wait_until 20 changed_since still-2 moved-by-d 50 $UPPER_PICTURE
xdotool keyup d
kill -TERM "$korvi_pid"
ends_with_code_0 20

# --- A game in a folder that cannot be written: its save is kept in the user's data
# folder, and the player is told when the game is loaded ---
mkdir -p disc "$work/data"
cp demo.gb disc/demo.gb
chmod a-w disc
if touch disc/probe 2>/dev/null; then
    # Root writes anywhere; the immutable attribute holds even for root.
    rm -f disc/probe
    chattr +i disc 2>/dev/null
fi
if touch disc/probe 2>/dev/null; then
    rm -f disc/probe
    echo "skip the read-only folder checks: no folder here can be made read-only"
else
    XDG_DATA_HOME="$work/data" ./korvi disc/demo.gb >"$work/korvi.log" 2>&1 &
    korvi_pid=$!
    check "a game in a read-only folder: a message box says where its save goes" \
        wait_until 20 message_box_shown read-only
    xdotool key Return
    wait_until 20 game_shown read-only-running
    kill -TERM "$korvi_pid"
    ends_with_code_0 20
    kept_apart() { test "$(stat -c %s "$work"/data/korvi/saves/demo-*.sav 2>/dev/null)" = 8192; }
    check "... and the save is written in the user's data folder" kept_apart
fi
chattr -i disc 2>/dev/null
chmod u+w disc

if [ "$failures" -ne 0 ] && [ -n "${KORVI_E2E_DEBUG:-}" ] && [ -n "$korvi_pid" ]; then
    gdb -p "$korvi_pid" -batch -ex "thread apply all bt" 2>&1 | grep -E '^#|^Thread' | head -40
fi
if [ "$failures" -ne 0 ] || [ -n "${KORVI_E2E_KEEP:-}" ]; then
    echo "korvi's output:"
    cat "$work/korvi.log"
    echo "Xvfb's output:"
    cat "$work/xvfb.log"
    keep=${KORVI_E2E_KEEP:-/tmp/korvi-e2e-failed}
    rm -rf "$keep" && mkdir -p "$keep" && cp "$work"/*.png "$keep"/ 2>/dev/null
    echo "screenshots kept in $keep"
fi
echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
