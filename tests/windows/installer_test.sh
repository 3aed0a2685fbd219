#!/usr/bin/env bash
# The Windows installer's silent round trip in a fresh Wine prefix: /S installs the
# game into Program Files with its Start-menu shortcut and its entry in the list of
# installed programs; the installed game plays a scripted game and its score lands in
# %APPDATA%\zorby\hc.txt (the installed files untouched); /S uninstalls the program,
# the shortcut and the entry, and keeps the player's scores.
#   installer_test.sh BUILD_DIR SCRIPT      (run by scripts/windows-wine.sh: a display)
set -euo pipefail
build="$1"
script="$2"
setup="$(ls "$build"/zorby-*-setup.exe 2>/dev/null | head -1)"
[ -n "$setup" ] || { echo "no installer in $build (scripts/zorby.sh windows makes it)" >&2; exit 1; }
work="$(mktemp -d)"
export WINEPREFIX="$work/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
failures=0
ok() { echo "ok: $*"; }
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

wineboot --init >/dev/null 2>&1
wineserver -w
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\zorby'
program="$WINEPREFIX/drive_c/Program Files/zorby"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/zorby.lnk"

wine "$setup" /S
wineserver -w
[ -f "$program/zorby.exe" ] && [ -f "$program/zorby-video.dll" ] && [ -f "$program/smalfont.bmp" ] \
    && [ -f "$program/uninstall.exe" ] \
    && ok "installed into Program Files" || fail "no program in $program"
[ -f "$shortcut" ] && ok "Start-menu shortcut" || fail "no shortcut $shortcut"
wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q "$(basename "$setup" | sed 's/zorby-\(.*\)-setup.exe/\1/')" \
    && ok "listed among installed programs" || fail "no uninstall entry $key"
cp "$program/hc.txt" "$work/shipped-hc.txt"

# The installed game plays the scripted game to a qualifying score.
wine "$program/zorby.exe" --replay "$(winepath -w "$script")" >"$work/out" 2>&1 ||
    { cat "$work/out"; fail "the installed game ended with a failure"; }
table="$(ls "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/zorby/hc.txt 2>/dev/null | head -1)"
[ -n "$table" ] && grep -q TEST "$table" && ok "the score is in %APPDATA%\\zorby\\hc.txt" \
    || fail "no table with the score in %APPDATA%\\zorby"
cmp -s "$program/hc.txt" "$work/shipped-hc.txt" && ok "the installed table is untouched" \
    || fail "the game wrote into Program Files"

# The uninstaller copies itself away and runs from there: wait for every Wine program.
wine "$program/uninstall.exe" /S
wineserver -w
[ ! -e "$program" ] && ok "uninstalled: the program folder is gone" \
    || fail "left in $program: $(ls "$program" 2>&1 | tr '\n' ' ')"
[ ! -e "$shortcut" ] && ok "the shortcut is gone" || fail "the shortcut is left"
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is left" || ok "the entry is gone"
[ -n "$table" ] && grep -q TEST "$table" && ok "the player's scores are kept" \
    || fail "the player's scores went with the program"

[ "$failures" -eq 0 ] || { echo "$failures installer check(s) failed" >&2; exit 1; }
echo "installer round trip passed"
