#!/usr/bin/env bash
# The game played with the X server's own pointer in a real X11 window (run under
# xvfb-run): after X answers the start-up question, the pointer is moved over Start
# and clicked with the X test extension, as an absolute pointing device would (a pen
# tablet, a touch screen, a virtual machine's pointer). Once at 2x, at 3x and in full
# screen; each recording must show the game started and replay the same twice.
#   x11_pointer_test.sh ZORBY TEST_GOLDEN
set -euo pipefail
zorby="$1"
golden="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"

# Waits up to 30 s for a line matching $2 in the recording $1.
wait_for_line() {
    for _ in $(seq 300); do
        grep -qE "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "no line matching '$2' in $1 (the X pointer: $(xdotool getmouselocation 2>&1)):" >&2
    [ -n "${ZORBY_X11_SHOT:-}" ] && import -window root "$ZORBY_X11_SHOT" >&2
    cat "$1" >&2 || true
    return 1
}

play() {
    local name="$1"; shift
    local rec="$work/$name.txt"
    "$zorby" "$@" --record "$rec" >"$work/$name.log" 2>&1 &
    local pid=$!
    local wid=""
    for _ in $(seq 300); do
        wid="$(xdotool search --name '^zorby$' 2>/dev/null | head -1 || true)"
        [ -n "$wid" ] && break
        sleep 0.1
    done
    [ -n "$wid" ] || { echo "$name: no window" >&2; kill "$pid"; return 1; }
    wait_for_line "$rec" '^seed'
    # The start-up question: X plays with the mouse.
    xdotool windowfocus "$wid" 2>/dev/null || true
    xdotool key x
    wait_for_line "$rec" ' key 45 '
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    # Where logical pixel (45, 221), inside Start, is on the screen: the picture at the
    # largest whole factor, centred.
    local s=$((WIDTH / 320))
    [ $((HEIGHT / 240)) -lt "$s" ] && s=$((HEIGHT / 240))
    local ox=$(((WIDTH - 320 * s) / 2)) oy=$(((HEIGHT - 240 * s) / 2))
    echo "$name: window ${WIDTH}x$HEIGHT at $X,$Y, factor $s"
    sleep 1
    xdotool mousemove $((X + ox + 40 * s)) $((Y + oy + 218 * s))
    sleep 0.3
    xdotool mousemove $((X + ox + 45 * s)) $((Y + oy + 221 * s))
    wait_for_line "$rec" ' mouse 45 221'
    xdotool click 1
    wait_for_line "$rec" ' button 1 up'
    sleep 2
    # Escape leaves the stage for the menu, and the menu for the desktop.
    xdotool key Escape
    sleep 1
    xdotool key Escape
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        echo "$name: the game did not end on Escape" >&2
        return 1
    fi
    wait "$pid" || { echo "$name: the game ended with $?" >&2; cat "$work/$name.log" >&2; return 1; }
    ZORBY_X11_RECORDING="$rec" "$golden" --gtest_filter='RecordedOnX11.*' --gtest_brief=1 \
        || { cat "$rec" >&2; return 1; }
    echo "$name: started a game with the X pointer, replayed the same"
}

play scale2 --scale 2
play scale3 --scale 3
play fullscreen --fullscreen
