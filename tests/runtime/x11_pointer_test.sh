#!/usr/bin/env bash
# The game played with the X server's own pointer in a real X11 window (run under
# xvfb-run): after X answers the start-up question, the pointer is moved over Start
# and clicked with the X test extension, as an absolute pointing device would (a pen
# tablet, a touch screen, a virtual machine's pointer). Once at 2x, at 3x and in full
# screen; each recording must show the game started and replay the same twice.
# The window's X11 class must be the desktop entry's StartupWMClass, so that docks
# and task bars match the running window to its entry and icon.
#   x11_pointer_test.sh ZORBY TEST_GOLDEN DESKTOP_ENTRY
set -euo pipefail
zorby="$1"
golden="$2"
desktop_class="$(sed -n 's/^StartupWMClass=//p' "$3")"
[ -n "$desktop_class" ] || { echo "no StartupWMClass in $3" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
# In a sanitizer build the X11 and OpenGL libraries' process-lifetime allocations
# would be reported as leaks and end the game with status 1.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
# The games' trace logs go to a private folder too (start-up deletes the old one).
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" TMPDIR="$work"

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

# Prints the id of the window of the game with process id $1 once it is there (up to
# 90 s: a loaded machine can take long to start a program); nothing when the game
# ended first.
find_window() {
    local wid=""
    for _ in $(seq 900); do
        # An unfocused window's title carries " <pause>" (the X pointer may be left
        # outside a new window, and the X server's focus follows it).
        wid="$(xdotool search --onlyvisible --name '^zorby( <pause>)?$' 2>/dev/null | head -1 ||
            true)"
        [ -n "$wid" ] && break
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    echo "$wid"
}

# Starts the game recording into $work/NAME.txt with the options given; sets pid and
# wid (its window), or fails with the game's output.
launch() {
    local name="$1"; shift
    # Each game starts with the X pointer in the middle of the screen, as on a fresh
    # server (this one keeps running between games, and so does its pointer).
    xdotool mousemove 512 384
    "$zorby" "$@" --record "$work/$name.txt" >"$work/$name.log" 2>&1 &
    pid=$!
    wid="$(find_window "$pid")"
    if [ -z "$wid" ]; then
        echo "$name: no window" >&2
        kill "$pid" 2>/dev/null || true
        cat "$work/$name.log" >&2
        return 1
    fi
}

play() {
    local name="$1"; shift
    local rec="$work/$name.txt"
    launch "$name" "$@" || return 1
    wait_for_line "$rec" '^seed'
    local class
    class="$(xprop -id "$wid" WM_CLASS)"
    if [ "$class" != "WM_CLASS(STRING) = \"$desktop_class\", \"$desktop_class\"" ]; then
        echo "$name: the window's class is '$class', the desktop entry's '$desktop_class'" >&2
        kill "$pid"
        return 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    # Where logical pixel (45, 221), inside Start, is on the screen: the picture at the
    # largest whole factor, centred.
    local s=$((WIDTH / 320))
    [ $((HEIGHT / 240)) -lt "$s" ] && s=$((HEIGHT / 240))
    local ox=$(((WIDTH - 320 * s) / 2)) oy=$(((HEIGHT - 240 * s) / 2))
    echo "$name: window ${WIDTH}x$HEIGHT at $X,$Y, factor $s"
    # The start-up question: X plays with the mouse. A key that comes before the
    # question is asked is not its answer, so X is pressed again until the menu reads
    # the pointer.
    xdotool windowfocus "$wid" 2>/dev/null || true
    local answered=""
    for _ in 1 2 3 4 5 6; do
        xdotool key x
        xdotool mousemove $((X + ox + 40 * s)) $((Y + oy + 218 * s))
        sleep 0.2
        xdotool mousemove $((X + ox + 45 * s)) $((Y + oy + 221 * s))
        for _ in $(seq 30); do
            grep -q ' mouse 45 221' "$rec" && answered=1 && break
            sleep 0.1
        done
        [ -n "$answered" ] && break
    done
    wait_for_line "$rec" ' mouse 45 221'
    # A click as a hand makes it: the button held for a moment.
    xdotool mousedown 1
    sleep 0.15
    xdotool mouseup 1
    wait_for_line "$rec" ' button 1 up'
    # Start plays a chime and waits two seconds before the stage's first frame; an
    # Escape within that wait would end the program before the stage is drawn.
    sleep 4
    # Escape leaves the stage for the menu, and the menu for the desktop. Each press
    # held as a hand holds it: a key let go at once can fall wholly inside one long
    # frame (a stage's first frame makes its pictures' textures; slow in a sanitizer
    # build), between the game's looks at the keyboard.
    press_escape() {
        xdotool keydown Escape
        sleep 0.15
        xdotool keyup Escape
    }
    press_escape
    sleep 1
    press_escape
    for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        echo "$name: the game did not end on Escape" >&2
        return 1
    fi
    wait "$pid" || { echo "$name: the game ended with $?" >&2; cat "$work/$name.log" >&2; return 1; }
    # A game started in full screen is replayed in full screen (its frames are paced
    # at the full-screen rate).
    local full=0
    case " $* " in *" --fullscreen "*) full=1 ;; esac
    ZORBY_X11_FULL_SCREEN=$full ZORBY_X11_RECORDING="$rec" "$golden" \
        --gtest_filter='RecordedOnX11.*' --gtest_brief=1 \
        || { cat "$rec" >&2; return 1; }
    echo "$name: started a game with the X pointer, replayed the same"
}

# F11 pressed while the start-up question waits: the settings file says full screen
# within half a second (given a second here, for a loaded machine), before any answer.
toggle_at_question() {
    local rec="$work/toggle.txt" settings="$XDG_CONFIG_HOME/zorby/settings"
    rm -f "$settings"
    launch toggle --scale 2 || return 1
    wait_for_line "$rec" '^seed'
    sleep 1
    # The pointer into the window, so that the X server's focus stays with it.
    xdotool mousemove --window "$wid" 20 20
    xdotool windowfocus "$wid" 2>/dev/null || true
    xdotool key F11
    local saved=""
    for _ in $(seq 10); do
        sleep 0.1
        grep -q '^fullscreen = yes' "$settings" 2>/dev/null && saved=1 && break
    done
    xdotool key Escape
    wait "$pid" || true
    if [ -z "$saved" ]; then
        echo "F11 at the start-up question was not saved within a second" >&2
        cat "$settings" >&2 2>/dev/null || true
        return 1
    fi
    echo "toggle: F11 at the start-up question saved full screen"
}

play scale2 --scale 2
play scale3 --scale 3
play fullscreen --fullscreen
toggle_at_question
