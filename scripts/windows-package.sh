#!/usr/bin/env bash
# Makes the Windows packages from a Windows build:
#   scripts/windows-package.sh BUILD_DIR DEPS_PREFIX
# BUILD_DIR/zorby-VERSION-win64.zip   the program and its video module, the game's files,
#                                     README, licences
# BUILD_DIR/zorby-VERSION-setup.exe   the installer (Debian's NSIS), the same files
# BUILD_DIR/zorby-engine-VERSION-win64-sdk.zip
#                                     the engine kit for game authors: zorby-engine.dll
#                                     with its import library and video module, the
#                                     static library, headers, CMake package, pkg-config
#                                     file, a toolchain file, the guide, the reference,
#                                     the examples, licences (a build with the kit on)
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
# $1: the package's licences folder; the rest: libraries left out.
copy_licences() {
    local dest=$1
    shift
    cp -r "$deps/licenses/." "$dest/"
    for left_out in "$@"; do rm -rf "${dest:?}/$left_out"; done
    find "$dest" -type f ! -name '*.txt' -exec sh -c 'mv "$1" "$1.txt"' _ {} \;
}
copy_licences "$stage/licenses"

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

# ---- the engine kit's SDK: the kit's install (cmake/kit.cmake), one folder ----
grep -q '^ZORBY_KIT:BOOL=ON' "$build/CMakeCache.txt" || exit 0
sdk_name="zorby-engine-$version-win64-sdk"
sdk="$build/package/$sdk_name"
for component in engine engine-dev; do
    cmake --install "$build" --component "$component" --prefix "$sdk" >/dev/null
done
[ -f "$sdk/html/index.html" ] || { echo "the SDK has no reference (ZORBY_KIT_REFERENCE=ON)" >&2; exit 1; }
for dll in "$sdk"/bin/*.dll; do x86_64-w64-mingw32-strip "$dll"; done
mkdir -p "$sdk/licenses"
sed 's/$/\r/' "$ROOT/packaging/copyright" >"$sdk/licenses/zorby.txt"
# The test libraries are in no file of the SDK.
copy_licences "$sdk/licenses" googletest
cat >"$sdk/README.txt" <<EOT
zorby engine kit $version for 64-bit Windows (MinGW-w64 GCC 12 or newer, C++20)

bin/      zorby-engine.dll and its video module zorby-video.dll: put both beside
          your program
lib/      libzorby-engine.dll.a (import library), libzorby-engine.a (static),
          cmake/ZorbyEngine (find_package(ZorbyEngine 3.2)), pkgconfig/zorby-engine.pc
include/  the kit's headers (zorby/engine.h and the others)
cmake/    a toolchain file for building from Linux with MinGW-w64
docs/     the engine guide (docs/engine-guide.md; "On Windows" for this SDK)
html/     the reference of every command (html/index.html)
examples/ three example games with a CMake project
licenses/ the licences of the engine and of every library in its DLLs
EOT
sed -i 's/$/\r/' "$sdk/README.txt"
rm -f "$build/$sdk_name.zip"
(cd "$build/package" && zip -q -r -X "$build/$sdk_name.zip" "$sdk_name")
echo "engine kit: $build/$sdk_name.zip"
