#!/usr/bin/env bash
# The portable zip as a player uses it: unpacked anywhere, its zorby.exe opens one
# window at the default factor (2 on a 1024x768 screen: 640x480), X answers the
# start-up question, the menu comes, and Escape ends the program with status 0; the
# recording of that run holds both keys. The window's title is "zorby".
#   portable_zip_test.sh BUILD_DIR          (run by scripts/windows-wine.sh: a display)
set -euo pipefail
build="$1"
zip="$(ls "$build"/zorby-*-win64.zip 2>/dev/null | head -1)"
[ -n "$zip" ] || { echo "no portable zip in $build (scripts/zorby.sh windows makes it)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
exe="$(ls "$work"/*/zorby.exe)"
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER
xdotool mousemove 512 384
wine "$exe" --record "$(winepath -w "$work/run.txt")" >"$work/log" 2>&1 &
pid=$!
wid=""
for _ in $(seq 600); do
    wid="$(xdotool search --onlyvisible --name '^zorby( <pause>)?$' 2>/dev/null | head -1 || true)"
    [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$wid" ] || { cat "$work/log" >&2; echo "no window" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$wid")"
echo "window ${WIDTH}x$HEIGHT"
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || { echo "not the default factor 2" >&2; kill "$pid"; exit 1; }
# X until the question has its answer (a key before the question is asked is not one).
xdotool mousemove --window "$wid" 20 20
for _ in $(seq 20); do
    xdotool windowfocus "$wid" 2>/dev/null || true
    xdotool key x
    sleep 0.5
    grep -q ' key 45 ' "$work/run.txt" 2>/dev/null && grep -qE '^[0-9]{2,}' "$work/run.txt" && break
done
# The two intro pictures (about 4 s), then the menu, where Escape ends the program.
sleep 6
xdotool key Escape
status=0
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && { kill "$pid"; echo "the game did not end on Escape" >&2; exit 1; }
wait "$pid" || status=$?
cat "$work/log"
[ "$status" -eq 0 ] || { echo "the game ended with status $status" >&2; exit 1; }
grep -q ' key 45 ' "$work/run.txt" && grep -q ' key 1 ' "$work/run.txt" ||
    { cat "$work/run.txt" >&2; echo "the recording misses X or Escape" >&2; exit 1; }
echo "the portable zip's game opened, answered, and ended on Escape with status 0"
