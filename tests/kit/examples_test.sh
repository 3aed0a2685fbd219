#!/usr/bin/env bash
# The engine kit as a game developer gets it: installed into a temporary prefix, then
#   1. examples/ configured and built with CMake (find_package(ZorbyEngine)), its golden
#      test run with ctest, and each program run headless for three seconds;
#   2. each example built again with pkg-config alone, its golden test and programs
#      run again;
#   3. the guide's first game (docs/engine-guide.md) copied out of the guide into an
#      empty folder, built both ways and run for two seconds.
# Every build must take the engine's headers and library from the prefix: the compiler's
# dependency lists must name no header of the source tree's include/ or src/ folders,
# and the programs must load the prefix's library.
#
#     tests/kit/examples_test.sh BUILD_DIR SOURCE_DIR
#     tests/kit/examples_test.sh --installed PREFIX SOURCE_DIR
#
# BUILD_DIR is a finished build of the engine with the kit (ZORBY_KIT=ON). With
# --installed the kit already installed in PREFIX is used instead (the Debian packages:
# --installed /usr), found through the system's pkg-config and CMake paths. Exit status
# 0 when everything passed; the first failure ends the test with a line naming it.
set -euo pipefail

installed=
if [[ $# -eq 3 && $1 == --installed ]]; then
    installed=$(cd "$2" && pwd)
    shift
fi
if [[ $# -ne 2 ]]; then
    echo "usage: $0 BUILD_DIR SOURCE_DIR | --installed PREFIX SOURCE_DIR" >&2
    exit 2
fi
src=$(cd "$2" && pwd)

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zorby-kit-examples.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
if [[ -n $installed ]]; then
    build=$tmp/no-build
    prefix=$installed
else
    build=$(cd "$1" && pwd)
    prefix=$tmp/prefix
fi
# shellcheck source=tests/kit/kit_script_common.sh
source "$src/tests/kit/kit_script_common.sh"

# Headless, and nothing of the user's: a private home, settings, data and temporary
# folder (the engine's error log goes there).
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
export TMPDIR=$tmp/tmpdir
mkdir -p "$HOME" "$TMPDIR"
unset ZORBY_GOLDEN_UPDATE

if [[ -n $installed ]]; then
    step "the kit installed in $prefix"
    pkg-config --exists zorby-engine || fail "pkg-config does not know zorby-engine"
    pc_file=$(pkg-config --variable=pcfiledir zorby-engine)/zorby-engine.pc
    [[ $(realpath "$pc_file") == "$prefix"/* ]] || fail "pkg-config's zorby-engine.pc is not under $prefix"
else
    step "installing the kit into $prefix"
    cmake --install "$build" --prefix "$prefix" --component engine >/dev/null
    cmake --install "$build" --prefix "$prefix" --component engine-dev >/dev/null
    pc_file=$(find "$prefix" -name zorby-engine.pc -print -quit)
    [[ -n $pc_file ]] || fail "no zorby-engine.pc installed under $prefix"
    PKG_CONFIG_PATH=$(dirname "$pc_file")
    export PKG_CONFIG_PATH
fi
config_file=$(find "$prefix/lib" -name ZorbyEngineConfig.cmake -print -quit)
[[ -n $config_file ]] || fail "no ZorbyEngineConfig.cmake installed under $prefix"
# (the pc file finds its prefix from its own folder: ".../lib/pkgconfig/../../lib")
libdir=$(realpath "$(pkg-config --variable=libdir zorby-engine)")
compgen -G "$libdir/libzorby-engine.so.[0-9]" >/dev/null || fail "pkg-config's libdir $libdir has no libzorby-engine.so.N"
# The guide and the examples come with the development files (the Debian package's
# also hold the HTML reference), laid out so the guide's links hold.
docdir=$prefix/share/doc/libzorby-engine-dev
docs=(docs/engine-guide.md docs/record-and-replay.md examples/CMakeLists.txt examples/catch/catch_golden.trace)
[[ -n $installed ]] && docs+=(html/index.html)
for doc in "${docs[@]}"; do
    [[ -s $docdir/$doc ]] || fail "no $doc in $docdir"
done
pass "kit installed (pkg-config: $(dirname "$pc_file")), with its documents in $docdir"

# The program must load the prefix's engine library, found without LD_LIBRARY_PATH.
check_library_from_prefix() {
    local program=$1
    local found
    found=$(env -u LD_LIBRARY_PATH ldd "$program" | awk '/libzorby-engine/ {print $3}')
    [[ -z $found ]] || found=$(realpath "$found")
    [[ $found == "$libdir"/* ]] ||
        fail "$program loads the engine library from '${found:-nowhere}', not from $libdir"
}

# ---- 1. the examples with CMake ----
step "examples/ with CMake"
cmake_build=$tmp/cmake-build
build_examples_with_cmake "$src/examples" -DCMAKE_PREFIX_PATH="$prefix"
for program in bounce/bounce catch/catch catch/catch_golden_test player/player; do
    check_library_from_prefix "$cmake_build/$program"
done
pass "examples/ built with CMake, headers and library from the prefix"

ctest --test-dir "$cmake_build" --output-on-failure >"$tmp/ctest.log" 2>&1 ||
    { cat "$tmp/ctest.log" >&2; fail "the examples' ctest"; }
pass "the examples' ctest: $(grep -E 'tests passed' "$tmp/ctest.log")"
run_examples cmake "$cmake_build"

# ---- 2. each example with pkg-config alone ----
step "the examples with pkg-config"
if pkg-config --cflags --libs zorby-engine | grep -E "$src|$build" >/dev/null; then
    fail "pkg-config's flags name the source or build tree: $(pkg-config --cflags --libs zorby-engine)"
fi
pc_build=$tmp/pc-build
build_examples_with_pkg_config "$src/examples" c++ -std=c++20 -O2
# The pc file gives -L and -l only: a program linked from a prefix outside the loader's
# folders finds the library through LD_LIBRARY_PATH (or an -rpath of its own).
export LD_LIBRARY_PATH=$libdir
for program in bounce/bounce catch/catch catch/catch_golden_test player/player; do
    [[ $(realpath "$(ldd "$pc_build/$program" | awk '/libzorby-engine/ {print $3}')") == "$libdir"/* ]] ||
        fail "$program (pkg-config) does not load the prefix's engine library"
done
pass "the examples built with pkg-config, headers and library from the prefix"
cp "$src/examples/catch/catch_golden.trace" "$pc_build/catch/src/"
run_program pkg-config-catch-golden "$tmp" "$pc_build/catch/catch_golden_test" \
    "$pc_build/catch/src/catch_golden.trace"
run_examples pkg-config "$pc_build"
unset LD_LIBRARY_PATH

# ---- 3. the guide's first game ----
step "the guide's first game"
guide=$src/docs/engine-guide.md
game=$tmp/first-game
extract_first_game "$guide" "$game" "$src/examples"
pc_command=$(awk '/^<!-- first-game: pkg-config/ { getline; sub(/^ +/, ""); print; exit }' "$guide")
# shellcheck disable=SC2016 # the command substitution is text to find, not to run
[[ $pc_command == c++*'$(pkg-config --cflags --libs zorby-engine)'* ]] ||
    fail "the guide's pkg-config command line was not found: '$pc_command'"

build_first_game_with_cmake "$game" -DCMAKE_PREFIX_PATH="$prefix"
check_library_from_prefix "$game/build/first_game"
run_program first-game-cmake "$game" "$game/build/first_game" 2

# The guide's command line as it stands, in the game's folder.
(cd "$game" && bash -c "$pc_command -MD -MF first_game.d") >"$tmp/first-pc.log" 2>&1 ||
    { cat "$tmp/first-pc.log" >&2; fail "the guide's pkg-config command: $pc_command"; }
check_headers_from_prefix "$game/first_game.d" "the pkg-config build of the first game"
LD_LIBRARY_PATH=$libdir run_program first-game-pkg-config "$game" ./first_game 2

echo "$passed passed, 0 failed (${SECONDS} s)"
