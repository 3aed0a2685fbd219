#!/usr/bin/env bash
# Makes the Windows packages from a Windows build:
#   scripts/windows-package.sh BUILD_DIR DEPS_PREFIX
# BUILD_DIR/zorby-VERSION-win64.zip   the program and its video module, the game's files,
#                                     README, licences
# BUILD_DIR/zorby-VERSION-setup.exe   the installer (Debian's NSIS), the same files
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
deps="$2"
version="$(sed -n 's/^project(zorby VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")"
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
name="zorby-$version-win64"
stage="$build/package/$name"
rm -rf "$build/package"
mkdir -p "$stage/licenses"

# The program, stripped of its symbols, and the game's files from the source (the
# build folder's own "hc.txt" may hold a developer's scores).
x86_64-w64-mingw32-strip -o "$stage/zorby.exe" "$build/src/zorby.exe"
# The video module beside it (opened at the first video or export).
x86_64-w64-mingw32-strip -o "$stage/zorby-video.dll" "$build/src/zorby-video.dll"
cp "$ROOT"/assets/* "$stage/"
# Documents with Windows line ends, so that Notepad shows them as written.
sed 's/$/\r/' "$ROOT/README.md" >"$stage/README.txt"
sed 's/$/\r/' "$ROOT/packaging/copyright" >"$stage/licenses/zorby.txt"
# Every library linked into the program, with its licence and Debian's copyright file.
cp -r "$deps/licenses/." "$stage/licenses/"
find "$stage/licenses" -type f ! -name '*.txt' -exec sh -c 'mv "$1" "$1.txt"' _ {} \;

# The portable zip: one folder, its name the version.
rm -f "$build/$name.zip"
(cd "$build/package" && zip -q -r -X "$build/$name.zip" "$name")

# The installer's file lists, from the same folder.
lists="$build/package/nsis"
mkdir -p "$lists"
: >"$lists/install-files.nsh"
: >"$lists/uninstall-files.nsh"
(cd "$stage" && find . -type d | sort) | while read -r d; do
    rel="${d#./}"
    [ "$d" = "." ] && rel=""
    win="${rel//\//\\}"
    echo "SetOutPath \"\$INSTDIR${win:+\\$win}\"" >>"$lists/install-files.nsh"
    find "$stage/$rel" -maxdepth 1 -type f | sort | while read -r f; do
        echo "File \"$f\"" >>"$lists/install-files.nsh"
        echo "Delete \"\$INSTDIR${win:+\\$win}\\$(basename "$f")\"" >>"$lists/uninstall-files.nsh"
    done
done
# Folders go deepest first, once empty.
(cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r d; do
    win="${d#./}"
    echo "RMDir \"\$INSTDIR\\${win//\//\\}\"" >>"$lists/uninstall-files.nsh"
done
makensis -V2 -DVERSION="$version" -DLISTS="$lists" -DICON="$ROOT/packaging/windows/zorby.ico" \
    -DOUTFILE="$build/zorby-$version-setup.exe" "$ROOT/packaging/windows/zorby.nsi"
echo "packages: $build/$name.zip $build/zorby-$version-setup.exe"
