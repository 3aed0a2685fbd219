#!/usr/bin/env bash
# Runs a command (ctest, the game) with a quiet, headless Wine ready for it:
#   scripts/windows-wine.sh COMMAND [ARGS...]
# WINEPREFIX defaults to build-win64/wine (made on first use); without a display the
# command runs on a virtual X server, where Wine's windows get Mesa's OpenGL.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$ROOT/build-win64/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# No .NET or HTML engine: nothing here needs them, and Wine would offer to download them.
# No crash debugger either: a program that crashes would wait for it forever instead of
# ending (a test run would hang rather than fail).
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"
# Each Windows test opens a real window (the offscreen driver is Linux's).
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-windows}"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
run() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot --init >/dev/null 2>&1
        wineserver --wait
    fi
    # One Wine server for the whole run instead of one per program.
    wineserver --persistent=30 || true
    local status=0
    "$@" || status=$?
    wineserver --kill >/dev/null 2>&1 || true
    return $status
}
# Without a display, this script again on a virtual X server.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-noreset -screen 0 1024x768x24" "$0" "$@"
fi
run "$@"
