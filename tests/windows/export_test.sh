#!/usr/bin/env bash
# The portable zip's zorby.exe exports the golden menu tour as a player would, from a
# terminal: .mkv (FFV1 + FLAC), .webm (VP9 + Opus), .mp4 (H.264 + AAC) and .gif, each
# with the progress line and the closing line naming its codecs, status 0 and no
# temporary file left. Ctrl+C in the console stops a long export with status 130 and
# leaves no file. The Linux build's test_app then reads the four files back: they play
# there, and the lossless one holds the very pictures and sound of a Linux export.
#   export_test.sh BUILD_DIR SOURCE_DIR [LINUX_TEST_APP]   (under scripts/windows-wine.sh)
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
linux_app="${3:-}"
source "$(dirname "$0")/unpacked_zip.sh"
mkdir "$work/out"
export SDL_AUDIODRIVER=dummy
fail() {
    echo "$*" >&2
    exit 1
}

# A terminal for the program (script(1) hands it a pseudo-terminal): its stderr is a
# console there, as in a player's command window.
on_terminal() {  # on_terminal LOG COMMAND...
    local log=$1
    shift
    script -qefc "$(printf '%q ' "$@")" /dev/null >"$log" 2>&1
}

# Wine's console draws on the terminal with escape sequences (a space is often a
# cursor move); the text is read back without them, a line per \r or \n.
plain() {
    sed -e 's/\x1b\[K\x1b\[1C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$1" | tr '\r' '\n'
}

tour="$(winepath -w "$source_dir/tests/golden/menu_tour.script")"
for format in "mkv FFV1 + FLAC" "webm VP9 + Opus" "mp4 H.264 + AAC" "gif GIF"; do
    ext=${format%% *}
    codecs=${format#* }
    status=0
    (cd "$work/out" && on_terminal "$work/$ext.log" wine "$exe" --replay "$tour" --export "tour.$ext" --scale 1) ||
        status=$?
    plain "$work/$ext.log" >"$work/$ext.lines"
    [ "$status" -eq 0 ] || { cat "$work/$ext.lines" >&2; fail "tour.$ext: status $status"; }
    grep -Eq "^zorby: exporting tour\.$ext: frame [0-9]+ of [0-9]+ \([0-9]+%\)" "$work/$ext.lines" ||
        { cat "$work/$ext.lines" >&2; fail "tour.$ext: no progress line"; }
    grep -Fq "zorby: tour.$ext written ($codecs, " "$work/$ext.lines" ||
        { cat "$work/$ext.lines" >&2; fail "tour.$ext: not written with $codecs"; }
    [ -s "$work/out/tour.$ext" ] && [ ! -e "$work/out/tour.$ext.new" ] ||
        { ls -la "$work/out" >&2; fail "tour.$ext: no file, or its temporary one left"; }
    echo "tour.$ext written under Wine ($codecs)"
done

# Ctrl+C typed on that terminal during a long export (the keys go in through
# script's input, a pipe held open here).
mouse="$(winepath -w "$source_dir/tests/golden/mouse_game.script")"
mkfifo "$work/keys"
(cd "$work/out" && exec script -qefc "$(printf '%q ' wine "$exe" --replay "$mouse" --export stopped.webm)" \
    /dev/null) <"$work/keys" >"$work/stop.log" 2>&1 &
pid=$!
exec 3>"$work/keys"
for _ in $(seq 600); do
    plain "$work/stop.log" 2>/dev/null | grep -q "exporting stopped.webm: frame [1-9]" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
printf '\003' >&3
status=0
wait "$pid" || status=$?
exec 3>&-
plain "$work/stop.log" >"$work/stop.lines"
grep -q "exporting stopped.webm: frame [1-9]" "$work/stop.lines" ||
    { cat "$work/stop.lines" >&2; fail "the long export showed no progress"; }
[ "$status" -eq 130 ] && grep -q "^zorby: stopped; nothing was written" "$work/stop.lines" ||
    { cat "$work/stop.lines" >&2; fail "Ctrl+C: status $status"; }
[ ! -e "$work/out/stopped.webm" ] && [ ! -e "$work/out/stopped.webm.new" ] ||
    fail "Ctrl+C left a file behind"
echo "Ctrl+C stopped a long export with status 130 and left no file"

if [ -n "$linux_app" ] && [ -x "$linux_app" ]; then
    ZORBY_WINDOWS_EXPORTS="$work/out" SDL_VIDEODRIVER=offscreen \
        "$linux_app" --gtest_filter='ExportedOnWindows.*' --gtest_brief=1 ||
        fail "the files exported under Wine differ from the Linux export"
    echo "the four files play on Linux; the lossless one equals the Linux export"
else
    echo "no Linux build given: the files were not compared with a Linux export"
fi
