# Sourced by the Windows test scripts: the portable zip in the build folder $build
# unpacked into a temporary folder $work (removed on exit), its program as $exe.
zip="$(ls "$build"/zorby-*-win64.zip 2>/dev/null | head -1)"
[ -n "$zip" ] || { echo "no portable zip in $build (scripts/zorby.sh windows makes it)" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
exe="$(ls "$work"/*/zorby.exe)"
