#!/bin/sh
# Screenshots of every screen of the game, for the README and for checking that the
# art lines up with the hotspots. Plays the scripts in tools/zorby-shots on the
# virtual clock (under xvfb-run when it is installed, else on the offscreen video
# driver) and writes one PNG per shot. With --hotspots the shots are enlarged and
# the hotspots of each screen outlined (red: mouse, blue: keyboard cursor).
#
#   tools/screenshots.sh [--hotspots] [BUILD_DIR [OUT_DIR]]     (defaults: build, screenshots)
set -eu
options=
if [ "${1:-}" = --hotspots ]; then
    options=--hotspots
    shift
fi
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$(cd "${1:-$root/build}" && pwd)
out=${2:-screenshots}
shots="$build/tools/zorby-shots/zorby-shots"
[ -x "$shots" ] || { echo "screenshots.sh: build zorby-shots first (ninja -C $build zorby-shots)" >&2; exit 1; }

# The game runs in a directory of its own: the assets, and a high-score table of
# zeros so that the idle game of the script enters it.
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
for f in "$root"/assets/*; do
    case $(basename "$f") in hc.txt|README.md|LICENSE-assets.txt) ;; *) ln -s "$f" "$run/" ;; esac
done
printf '\000\000\000\000AAA\n\000\000\000\000BBB\n\000\000\000\000CCC\n' > "$run/hc.txt"

export SDL_AUDIODRIVER=dummy
if command -v xvfb-run > /dev/null 2>&1; then
    unset SDL_VIDEODRIVER || true
    with_display() { xvfb-run -a -s "-screen 0 640x480x24" "$@"; }
else
    export SDL_VIDEODRIVER=offscreen
    with_display() { "$@"; }
fi
for script in pages cursor; do
    with_display "$shots" $options --dir "$run" "$here/zorby-shots/$script.script" "$out"
done
