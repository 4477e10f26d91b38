#!/usr/bin/env bash
# korvi-run and korvi-compat as a careless or hostile neighbour would use them: outputs
# that are links, pipes, folders or the cartridge itself, a shared temporary folder
# prepared by someone else, signals in the middle of a recording, hostile file names,
# and a folder of a thousand images.
#
# Usage: tool_outputs_end_to_end.sh KORVI_RUN KORVI_COMPAT DEMO_CARTRIDGE SANITIZED
# Exit codes: 0 passed, 1 failed.
set -uo pipefail

run=$1
compat=$2
demo=$3
sanitized=$4
work=$(mktemp -d /tmp/korvi-tools.XXXXXX)
failures=0
checks=0
trap 'rm -rf "$work"' EXIT
# Nothing here may write without bound: 512 MB per file at most.
ulimit -f 1048576

check() {  # check DESCRIPTION COMMAND...
    checks=$((checks + 1))
    if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}
no_temporary_left() { [ -z "$(find "$1" -name '.korvi-*.tmp')" ]; }
same_bytes() { cmp -s "$1" "$2"; }
# Waits up to 60 s for a condition.
wait_for() {
    for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done
    return 1
}

cd "$work" || exit 1
cp "$demo" game.gb
cp "$demo" game-original.gb
echo "someone's data" > victim.txt
cp victim.txt victim-original.txt

# --- 1. The demo never goes to a name someone else could have prepared ---
# The well-known shared name /tmp/korvi-UID, prepared with a link, as another user
# could; the demo then runs from a private folder under /tmp instead.
uid=$(id -u)
planted=/tmp/korvi-$uid
if [ ! -e "$planted" ]; then
    mkdir "$planted" && ln -s "$work/victim.txt" "$planted/demo.gb"
    trap 'rm -rf "$work" "$planted"' EXIT
    before=$(ls -d /tmp/korvi-demo-* 2>/dev/null | wc -l)
    env -u HOME -u XDG_CACHE_HOME -u TMPDIR "$run" --quiet --frames 5 2>err.txt
    check "demo without HOME runs (exit $?)" [ $? -eq 0 ]
    check "a link planted in the shared folder is not followed" same_bytes victim.txt victim-original.txt
    check "the private folder is removed" [ "$(ls -d /tmp/korvi-demo-* 2>/dev/null | wc -l)" -eq "$before" ]
else
    echo "note: $planted exists already; the planted-link check is left out"
fi
mkdir -p cache/korvi && chmod 0777 cache/korvi
mkdir -p private
env XDG_CACHE_HOME="$work/cache" TMPDIR="$work/private" "$run" --quiet --frames 5 2>>err.txt
check "a cache folder others can write into is not used" \
    bash -c "[ ! -e cache/korvi/demo.gb ] && [ -z \"\$(ls -A private)\" ]"
mkdir -p cache2
env XDG_CACHE_HOME="$work/cache2" "$run" --quiet --frames 5 2>>err.txt
check "the user's own cache folder keeps the demo" [ -f cache2/korvi/demo.gb ]

# --- 2, 3, 4. Outputs that are not plain files, or the cartridge being run ---
mkfifo pipe.out
mkdir folder.out
ln -s victim.txt link.out
ln -s nowhere dangling.out
for option in --screenshot --wav; do
    for target in pipe.out folder.out link.out dangling.out game.gb; do
        timeout 60 "$run" game.gb --quiet --frames 5 "$option" "$target" 2>err.txt
        status=$?
        check "$option $target is refused with a reason (exit $status)" \
            bash -c "[ $status -eq 1 ] && grep -q 'cannot write \"$target\": ' err.txt"
    done
done
check "the link's target is untouched" same_bytes victim.txt victim-original.txt
check "the cartridge is untouched" same_bytes game.gb game-original.gb
check "the dangling link still leads nowhere" bash -c "[ -L dangling.out ] && [ ! -e nowhere ]"
check "the pipe is still a pipe" [ -p pipe.out ]
check "no temporary file is left" no_temporary_left .
mkdir -p roms out && cp game.gb roms/a.gb && ln -s "$work/victim.txt" out/compat.csv
"$compat" roms --frames 2 --out out >/dev/null 2>err.txt
check "korvi-compat refuses a linked compat.csv before running anything" \
    bash -c "[ $? -eq 1 ] && grep -q 'refused: it is a symbolic link' err.txt && [ ! -e out/contact-sheet.png ]"
check "the linked CSV's target is untouched" same_bytes victim.txt victim-original.txt
rm out/compat.csv

# --- 5. Signals finish the recording and the battery save ---
wav_is_whole() {  # the header's sizes agree with the file's
    local size riff data
    size=$(stat -c %s "$1")
    riff=$(od -An -tu4 -j4 -N4 "$1" | tr -d ' ')
    data=$(od -An -tu4 -j40 -N4 "$1" | tr -d ' ')
    [ "$size" -gt 44 ] && [ "$riff" -eq $((size - 8)) ] && [ "$data" -eq $((size - 44)) ]
}
# Job control on, so that the runs started in the background do not inherit SIGINT
# ignored, as a non-interactive shell's background jobs otherwise do.
set -m
recording_grew() { [ -n "$(find . -maxdepth 1 \( -name '.korvi-*.tmp' -o -name long.wav \) -size +100k)" ]; }
for sig in TERM INT HUP; do
    rm -f long.wav game.sav
    "$run" game.gb --quiet --frames 20000 --wav long.wav --screenshot long.png 2>err.txt &
    pid=$!
    wait_for recording_grew
    kill -$sig $pid
    wait $pid
    status=$?
    want=$((128 + $(kill -l $sig)))
    check "SIG$sig: exit $want (got $status)" [ $status -eq $want ]
    check "SIG$sig: the WAV's header counts what was recorded" wav_is_whole long.wav
    check "SIG$sig: the battery save is written" [ -s game.sav ]
    check "SIG$sig: no screenshot of a frame not reached" [ ! -e long.png ]
    check "SIG$sig: says where it stopped" grep -q "stopped by SIG$sig after frame" err.txt
    check "SIG$sig: no temporary file is left" no_temporary_left .
done
set +m
# A file-size limit stops the recording as an error, without a partial file.
(trap '' XFSZ; ulimit -f 256; "$run" game.gb --quiet --frames 600 --wav limited.wav 2>err.txt)
check "a WAV over the file-size limit fails with its reason" \
    bash -c "[ $? -eq 1 ] && grep -q 'cannot write \"limited.wav\": cannot write it completely' err.txt"
check "and leaves neither a partial WAV nor a temporary file" \
    bash -c "[ ! -e limited.wav ] && [ -z \"\$(find . -name '.korvi-*.tmp')\" ]"

# --- 6. Hostile names: CSV fields and the terminal ---
mkdir names
cp game.gb "names/=cmd.gb"
cp game.gb "$(printf 'names/cr\rname.gb')"
cp game.gb "$(printf 'names/\033]0;title\007.gb')"
mkdir names/folder.gb
mkfifo names/pipe.gb
ln -s nowhere names/broken.gb
"$compat" names --frames 2 --out names-out >/dev/null 2>err.txt
check "korvi-compat with odd names succeeds" [ $? -eq 0 ]
csv=names-out/compat.csv
check "a formula-like name starts with an apostrophe" grep -q "^'=cmd.gb," "$csv"
check "a name with a CR is quoted" grep -q "$(printf '^"cr\rname.gb",')" "$csv"
check "rows end in CRLF" bash -c "[ \$(grep -c \$'\r\$' '$csv') -eq \$(wc -l < '$csv') ]"
for skipped in folder.gb pipe.gb broken.gb; do
    check "$skipped is skipped with its reason in the CSV" grep -q "^$skipped,skipped,." "$csv"
    check "$skipped is reported on stderr" grep -q "skipped $skipped: " err.txt
done
check "no raw escape reaches stderr" bash -c "! grep -q \$'\033' err.txt"
# On a terminal the progress line names each image as it runs.
script -qec "'$compat' names --frames 2 --out names-tty" /dev/null > tty.txt 2>&1
check "the progress line on a terminal escapes the name" \
    bash -c "grep -qF '\\x1b]0;title\\x07' tty.txt && ! grep -qF \$'\033]0;' tty.txt"
"$run" "$(printf 'names/\033]0;missing\007.gb')" --quiet --frames 2 2>err.txt
check "korvi-run escapes control characters" \
    bash -c "grep -qF '\\x1b]0;missing\\x07.gb\": cannot open file: ' err.txt && ! grep -q \$'\033' err.txt"

# --- 7. A thousand images in bounded memory; a signal keeps what was run ---
head -c 32768 /dev/zero > tiny.gb
printf '\x18\xfe' | dd of=tiny.gb bs=1 seek=256 conv=notrunc 2>/dev/null  # jr -2
mkdir many
for i in $(seq -w 1 1000); do ln tiny.gb "many/$i.gb"; done
peak_kb() {  # peak_kb FOLDER COUNT: korvi-compat's peak resident size over the first COUNT
    rm -rf "$work/few" && mkdir "$work/few"
    ls many | head -n "$2" | while read -r n; do ln "many/$n" "$work/few/$n"; done
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:quarantine_size_mb=16" /usr/bin/time -f %M -o peak.txt \
        "$compat" "$work/few" --frames 2 --out "$1" >/dev/null 2>&1
    cat peak.txt
}
small=$(peak_kb out100 100)
large=$(peak_kb out1000 1000)
echo "peak memory: 100 images $small KB, 1000 images $large KB"
check "1000 images: CSV rows for all" [ "$(($(wc -l < out1000/compat.csv) - 1))" -eq 1000 ]
check "1000 images: the sheet in pages" \
    bash -c "[ -f out1000/contact-sheet-7.png ] && [ ! -e out1000/contact-sheet-8.png ]"
check "memory does not grow with the folder (+$((large - small)) KB)" [ $((large - small)) -lt 25000 ]
if [ "$sanitized" != ON ]; then
    check "1000 images in under 100 MB" [ "$large" -lt 100000 ]
fi
set -m
"$compat" many --frames 2 --out stopped >/dev/null 2>err.txt &
pid=$!
wait_for test -f stopped/contact-sheet.png
kill -TERM $pid
wait $pid
status=$?
set +m
rows=$(($(wc -l < stopped/compat.csv) - 1))
check "korvi-compat stopped by SIGTERM exits 143 (got $status) with the $rows images run" \
    bash -c "[ $status -eq 143 ] && [ $rows -ge 160 ] && [ $rows -lt 1000 ]"

echo "$((checks - failures)) of $checks checks passed"
[ $failures -eq 0 ]
