#!/usr/bin/env bash
# Install tests: installs the build into a temporary prefix and runs the installed
# program headless, with HOME and the XDG folders pointing at temporary folders.
#   tests/install/install_test.sh BUILD_DIR
# Checks: the install tree; the desktop entry and AppStream file validate (when the
# validators are installed); a scripted game to a qualifying score saves the table in
# the per-user folder (0700) and leaves the installed files untouched; a second run
# reads it back; a damaged per-user table stops the game naming its full path; a
# read-only portable folder falls back to the per-user folder; damaged settings warn
# once and never stop the game; --help, --version, unknown options and missing
# arguments give their exit statuses.
set -uo pipefail
# In a sanitizer build the OpenGL driver's process-lifetime allocations would be
# reported as leaks at exit (the test executables turn leak checks off the same way).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

BUILD="$(cd "$1" && pwd)"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SCRIPT="$HERE/qualifying_game.script"
WORK="$(mktemp -d)"
chmod 755 "$WORK"
trap 'chmod -R u+w "$WORK" 2>/dev/null; rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

PREFIX="$WORK/prefix"
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
BIN="$PREFIX/bin/zorby"
DATA="$PREFIX/share/zorby"

# ---- the install tree ----
for f in bin/zorby share/zorby/smalfont.bmp share/zorby/hc.txt share/zorby/music.mp3 \
         share/applications/zorby.desktop share/metainfo/org.zorby.Zorby.metainfo.xml \
         share/man/man6/zorby.6.gz; do
    [ -f "$PREFIX/$f" ] || fail "missing $f"
done
for s in 16 32 48 64 128 256; do
    icon="$PREFIX/share/icons/hicolor/${s}x${s}/apps/zorby.png"
    if [ -f "$icon" ]; then
        size=$(python3 -c "import struct,sys; d=open(sys.argv[1],'rb').read(24); print('%dx%d' % struct.unpack('>II', d[16:24]))" "$icon")
        [ "$size" = "${s}x${s}" ] || fail "icon ${s}x${s} is $size"
    else
        fail "missing icon ${s}x${s}"
    fi
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$PREFIX/share/applications/zorby.desktop" && ok "desktop entry validates" \
        || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$PREFIX/share/metainfo/org.zorby.Zorby.metainfo.xml" >"$WORK/as.txt" 2>&1 \
        && ok "metainfo validates" || { cat "$WORK/as.txt"; fail "appstreamcli validate"; }
fi
if command -v man >/dev/null; then
    MANWIDTH=80 man -l "$PREFIX/share/man/man6/zorby.6.gz" 2>&1 | grep -q -- "--fullscreen" \
        || fail "the manual page does not render"
fi

# ---- the command line ----
"$BIN" --version >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 0 ] && grep -qx "zorby [0-9.]*" "$WORK/out" || fail "--version (rc $rc)"
"$BIN" --help >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 0 ] && grep -q -- "--scale" "$WORK/out" && grep -q "hc.txt" "$WORK/out" \
    && grep -q "Page Up" "$WORK/out" || fail "--help (rc $rc)"
for args in "--bogus" "-x" "--scale" "--scale 0" "--scale 17" "--data" "--record" "--replay" "extra"; do
    # shellcheck disable=SC2086
    "$BIN" $args >"$WORK/out" 2>&1; rc=$?
    lines=$(wc -l <"$WORK/out")
    [ $rc -eq 2 ] && [ "$lines" -eq 1 ] || fail "'zorby $args' gave status $rc with $lines lines"
done
ok "command line"
# The package's changelog, the AppStream release and the manual page carry the version.
version=$("$BIN" --version | cut -d' ' -f2)
SRC="$HERE/../.."
head -1 "$SRC/packaging/changelog" | grep -qF "zorby ($version)" || fail "packaging/changelog is not at $version"
grep -qF "<release version=\"$version\"" "$SRC"/packaging/*.metainfo.xml || fail "metainfo release is not $version"
grep -qF "\"zorby $version\"" "$SRC/packaging/zorby.6" || fail "zorby.6 is not at $version"

# ---- a player on the installed game ----
sums() { (cd "$PREFIX" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
sums >"$WORK/before"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
export HOME="$WORK/home" XDG_DATA_HOME="$WORK/xdg-data" XDG_CONFIG_HOME="$WORK/xdg-config"
export TMPDIR="$WORK/tmp"
mkdir -p "$HOME" "$TMPDIR"
TABLE="$XDG_DATA_HOME/zorby/hc.txt"

"$BIN" --replay "$SCRIPT" >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 0 ] || { cat "$WORK/out"; fail "the scripted game ended with $rc"; }
if [ -f "$TABLE" ] && grep -q "TEST" "$TABLE"; then ok "score saved in $TABLE"; else fail "no table in $TABLE"; fi
[ "$(stat -c %a "$XDG_DATA_HOME/zorby" 2>/dev/null)" = 700 ] || fail "the per-user folder is not 0700"
sums >"$WORK/after"
cmp -s "$WORK/before" "$WORK/after" && ok "installed files untouched" || fail "installed files changed"
[ ! -e "$DATA/hc.txt.new" ] || fail "a temporary table in the install"

# The second run reads the per-user table: with a table whose lowest score is above
# the game's, the same game no longer enters it (with the installed default table it
# would, and the save would replace the file).
python3 -c "import struct,sys; open(sys.argv[1],'wb').write(b''.join(struct.pack('<I',s)+n+b'\n' for s,n in ((9000,b'HIGH'),(9500,b'HIGHER'),(9900,b'TOP'))))" "$TABLE"
cp "$TABLE" "$WORK/table1"
"$BIN" --replay "$SCRIPT" >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 0 ] && cmp -s "$TABLE" "$WORK/table1" && ok "second run read the per-user table" \
    || { cat "$WORK/out"; fail "second run: status $rc, table changed"; }

# A short run: start-up, the table and the intro, then the replay ends.
SHORT="$WORK/short.script"
printf 'seed 1\n120 end\n' >"$SHORT"

# A replay exported under a relative name lands in the folder the command ran in
# (the game works in its data folder once started), with no temporary file left.
mkdir -p "$WORK/videos"
(cd "$WORK/videos" && "$BIN" --replay "$SHORT" --export short.mkv --scale 1) >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 0 ] && [ -s "$WORK/videos/short.mkv" ] && [ ! -e "$WORK/videos/short.mkv.new" ] &&
    ok "export to a relative name" || { cat "$WORK/out"; ls -la "$WORK/videos"; fail "export to a relative name: status $rc"; }

# A damaged per-user table stops the game with a message naming its full path.
printf 'xy' >"$TABLE"
"$BIN" --replay "$SHORT" >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 1 ] && grep -qF "$TABLE is damaged" "$WORK/out" && ok "damaged table named" \
    || { cat "$WORK/out"; fail "damaged table: status $rc"; }
rm -f "$TABLE"

# ---- damaged settings files warn once and never stop the game ----
SETTINGS="$XDG_CONFIG_HOME/zorby/settings"
mkdir -p "$XDG_CONFIG_HOME/zorby"
check_settings() {  # $1 what
    "$BIN" --replay "$SHORT" >"$WORK/out" 2>"$WORK/err"; rc=$?
    warnings=$(grep -c "settings file $SETTINGS" "$WORK/err")
    [ $rc -eq 0 ] && [ "$warnings" -eq 1 ] && grep -q "using the defaults" "$WORK/err" \
        && ok "settings $1" || { cat "$WORK/err"; fail "settings $1: status $rc, $warnings warnings"; }
}
head -c 600 /dev/urandom >"$SETTINGS"; printf '\0' >>"$SETTINGS"
cp "$SETTINGS" "$WORK/junk"
check_settings "binary junk"
cmp -s "$SETTINGS" "$WORK/junk" || fail "damaged settings were overwritten"
printf 'scale = 2\nsound off\n' >"$SETTINGS"; check_settings "missing ="
python3 -c "import sys; open(sys.argv[1],'w').write('# x\n' * 40000)" "$SETTINGS"; check_settings "huge file"
rm -f "$SETTINGS"; mkdir "$SETTINGS"; check_settings "directory in its place"
rmdir "$SETTINGS"
rm -f "$TABLE"

# ---- a read-only portable folder falls back to the per-user folder ----
PORT="$WORK/portable"
mkdir -p "$PORT"
cp "$BIN" "$DATA"/* "$PORT/"
chmod 555 "$PORT"
RUN=()
if [ "$(id -u)" -eq 0 ]; then
    # Root writes anywhere: play as an ordinary user for this case.
    chown -R nobody "$HOME" "$TMPDIR" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
    RUN=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
"${RUN[@]}" "$PORT/zorby" --replay "$SCRIPT" >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 0 ] && [ -f "$TABLE" ] && grep -q TEST "$TABLE" && ok "read-only folder: table in $TABLE" \
    || { cat "$WORK/out"; fail "read-only portable folder: status $rc"; }
cmp -s "$PORT/hc.txt" "$DATA/hc.txt" || fail "the portable folder's table changed"

# A writable portable folder keeps its own table, as in a build folder.
chmod 755 "$PORT"
rm -f "$TABLE"
"$PORT/zorby" --replay "$SCRIPT" >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 0 ] && grep -q TEST "$PORT/hc.txt" && [ ! -e "$TABLE" ] && ok "writable folder keeps its table" \
    || { cat "$WORK/out"; fail "writable portable folder: status $rc"; }

# An installed copy (the installer's marker beside the program) keeps the players'
# tables in their own folders even where the program's folder is writable.
cp "$DATA/hc.txt" "$PORT/hc.txt"
touch "$PORT/zorby-installed.txt"
rm -f "$TABLE"
"$PORT/zorby" --replay "$SCRIPT" >"$WORK/out" 2>&1; rc=$?
[ $rc -eq 0 ] && grep -q TEST "$TABLE" && cmp -s "$PORT/hc.txt" "$DATA/hc.txt" \
    && ok "installed copy: table in $TABLE" \
    || { cat "$WORK/out"; fail "installed copy beside its files: status $rc"; }

if [ $failures -ne 0 ]; then
    echo "$failures install check(s) failed"
    exit 1
fi
echo "install tests passed"
