#!/usr/bin/env bash
# The portable zip as a player uses it: unpacked anywhere, its zorby.exe opens one
# window at the default factor (2 on a 1024x768 screen: 640x480); X answers the
# start-up question; the X pointer (an absolute device) is moved over START and
# clicked, which starts a game; Escape leaves it, and Escape again ends the program
# with status 0. The recording of that run, made under Wine, replays to the same trace
# (states, frame hashes, table) on Windows and on Linux.
#   portable_zip_test.sh BUILD_DIR [LINUX_TEST_GOLDEN]   (under scripts/windows-wine.sh)
set -euo pipefail
build="$(cd "$1" && pwd)"
linux_golden="${2:-}"
source "$(dirname "$0")/unpacked_zip.sh"
rec="$work/run.txt"
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER
xdotool mousemove 512 384
wine "$exe" --record "$(winepath -w "$rec")" >"$work/log" 2>&1 &
pid=$!
fail() {
    echo "$*" >&2
    cat "$work/log" "$rec" >&2 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
    exit 1
}
wid=""
for _ in $(seq 600); do
    wid="$(xdotool search --onlyvisible --name '^zorby( <pause>)?$' 2>/dev/null | head -1 || true)"
    [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$wid" ] || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$wid")"
echo "window ${WIDTH}x$HEIGHT at $X,$Y"
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || fail "not the default factor 2"
# X until the question has its answer (a key before the question is asked is not
# one): the menu then reads the pointer, moved over START (logical 45, 221).
answered=""
for _ in $(seq 10); do
    xdotool windowfocus "$wid" 2>/dev/null || true
    xdotool key x
    xdotool mousemove $((X + 80)) $((Y + 436))
    sleep 0.3
    xdotool mousemove $((X + 90)) $((Y + 442))
    for _ in $(seq 30); do
        grep -q ' mouse 45 221' "$rec" 2>/dev/null && answered=1 && break
        sleep 0.1
    done
    [ -n "$answered" ] && break
done
[ -n "$answered" ] || fail "the menu never read the pointer over START"
xdotool mousedown 1
sleep 0.15
xdotool mouseup 1
# The start chime waits two seconds before the stage; then Escape to the menu, and
# Escape again to the desktop.
sleep 5
xdotool key Escape
sleep 1.5
xdotool key Escape
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the game did not end on Escape"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || fail "the game ended with status $status"
echo "the zip's game opened, answered, started a game and ended on Escape with status 0"

# The recording made under Wine: a started game, replayed alike twice here, and to
# the same trace on Linux.
SDL_VIDEODRIVER=windows ZORBY_X11_RECORDING="$(winepath -w "$rec")" \
    ZORBY_X11_TRACE_OUT="$(winepath -w "$work/windows.trace")" \
    wine "$build/tests/test_golden.exe" --gtest_filter='RecordedOnX11.*' --gtest_brief=1 ||
    fail "the recording made under Wine did not start a game or replay alike"
if [ -n "$linux_golden" ] && [ -x "$linux_golden" ]; then
    ZORBY_X11_RECORDING="$rec" ZORBY_X11_TRACE_OUT="$work/linux.trace" SDL_VIDEODRIVER=offscreen \
        "$linux_golden" --gtest_filter='RecordedOnX11.*' --gtest_brief=1 >/dev/null ||
        fail "the recording made under Wine does not replay on Linux"
    cmp "$work/windows.trace" "$work/linux.trace" ||
        { diff "$work/windows.trace" "$work/linux.trace" | head -20 >&2; fail "Linux replays it differently"; }
    echo "the recording made under Wine replays to the same trace on Linux ($(wc -l <"$work/linux.trace") lines)"
else
    echo "no Linux build given: the replay on Linux was not compared"
fi
