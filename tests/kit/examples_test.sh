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
jobs=${JOBS:-2}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zorby-kit-examples.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
if [[ -n $installed ]]; then
    build=$tmp/no-build
    prefix=$installed
else
    build=$(cd "$1" && pwd)
    prefix=$tmp/prefix
fi
passed=0

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
step() {
    echo "== $* (at ${SECONDS} s)"
}
pass() {
    passed=$((passed + 1))
    echo "ok: $*"
}

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

# The headers a build used must come from the prefix, never from the source tree's
# include/ or src/ folders. $1: a dependency list (a make rule or ninja's deps), with
# paths as the compiler saw them (the pc file's are like PREFIX/lib/pkgconfig/../../include).
check_headers_from_prefix() {
    local deps=$1 what=$2
    local headers
    headers=$(tr -s ' \t' '\n' <"$deps" | grep -E '\.(h|hpp)$' | xargs -r realpath -m | sort -u)
    if grep -E "^$src/(include|src)/" <<<"$headers" >/dev/null; then
        grep -E "^$src/(include|src)/" <<<"$headers" | head -3 >&2
        fail "$what used headers of the source tree"
    fi
    grep -Fx "$prefix/include/zorby/engine.h" <<<"$headers" >/dev/null ||
        fail "$what did not use the prefix's headers"
}

# The program must load the prefix's engine library, found without LD_LIBRARY_PATH.
check_library_from_prefix() {
    local program=$1
    local found
    found=$(env -u LD_LIBRARY_PATH ldd "$program" | awk '/libzorby-engine/ {print $3}')
    [[ -z $found ]] || found=$(realpath "$found")
    [[ $found == "$libdir"/* ]] ||
        fail "$program loads the engine library from '${found:-nowhere}', not from $libdir"
}

# Runs a program, which must end by itself with status 0 (the examples' --seconds).
# $1: a name for the log; $2: the folder to run it in; the rest: the command.
run_program() {
    local name=$1 dir=$2
    shift 2
    local start=$SECONDS status=0
    (cd "$dir" && timeout 120 "$@") >"$tmp/$name.log" 2>&1 || status=$?
    if [[ $status -ne 0 ]]; then
        cat "$tmp/$name.log" >&2
        fail "$name: $* ended with status $status"
    fi
    pass "$name ran and ended normally ($((SECONDS - start)) s)"
}

# The runs every build of the examples gets. $1: a name; $2: the folder holding
# bounce/, catch/ and player/, each with its program and its assets/.
run_examples() {
    local tag=$1 dir=$2
    local work=$tmp/work-$tag
    mkdir -p "$work"
    run_program "$tag-bounce" "$work" "$dir/bounce/bounce" --seconds 3
    # A high-score file named relative to the folder the game starts in.
    run_program "$tag-catch" "$work" "$dir/catch/catch" --seconds 3 --scores scores.txt
    run_program "$tag-player" "$work" "$dir/player/player" --repeat --seconds 3
    # A video named relative to the folder the player starts in.
    cp "$dir/player/assets/clip.mp4" "$work/my clip.mp4"
    run_program "$tag-player-file" "$work" "$dir/player/player" --seconds 3 "my clip.mp4"
    # A video that is not there: one line, status 1, at once.
    local status=0
    (cd "$work" && timeout 60 "$dir/player/player" --seconds 3 no-such-clip.mp4) \
        >"$tmp/$tag-player-missing.log" 2>&1 || status=$?
    [[ $status -eq 1 ]] || fail "$tag: the player ended with $status for a missing video, not 1"
    grep -q "no-such-clip.mp4 cannot be played" "$tmp/$tag-player-missing.log" ||
        fail "$tag: the player did not name the missing video"
    pass "$tag-player refused a missing video with status 1"
}

# ---- 1. the examples with CMake ----
step "examples/ with CMake"
cmake_build=$tmp/cmake-build
cmake -S "$src/examples" -B "$cmake_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" >"$tmp/cmake-configure.log" 2>&1 ||
    { cat "$tmp/cmake-configure.log" >&2; fail "configuring examples/ against the kit"; }
grep -q "^ZorbyEngine_DIR:PATH=$prefix/" "$cmake_build/CMakeCache.txt" ||
    fail "find_package(ZorbyEngine) did not find the kit in the prefix"
cmake --build "$cmake_build" -j "$jobs" >"$tmp/cmake-build.log" 2>&1 ||
    { cat "$tmp/cmake-build.log" >&2; fail "building examples/ with CMake"; }
# The compile commands' include paths, and the headers Ninja recorded for every object.
if grep -E "$src/(include|src)([/\" ]|$)" "$cmake_build/compile_commands.json" >/dev/null; then
    fail "a compile command of examples/ names the source tree's include/ or src/ folder"
fi
ninja -C "$cmake_build" -t deps >"$tmp/cmake-deps.txt"
check_headers_from_prefix "$tmp/cmake-deps.txt" "the CMake build of examples/"
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
read -r -a kit_flags <<<"$(pkg-config --cflags --libs zorby-engine)"
pc_build=$tmp/pc-build
# $1: the example; $2: the program; the rest: its source files. The sources and the
# shared header are copied first, so the compiler sees nothing of the source tree.
build_with_pkg_config() {
    local example=$1 program=$2
    shift 2
    local dir=$pc_build/$example
    mkdir -p "$dir/src"
    cp "$src/examples/common/"*.h "$src/examples/$example/"*.cpp "$dir/src/"
    if compgen -G "$src/examples/$example/*.h" >/dev/null; then
        cp "$src/examples/$example/"*.h "$dir/src/"
    fi
    if [[ ! -d $dir/assets ]]; then
        cp -r "$src/examples/$example/assets" "$dir/assets"
    fi
    local sources=()
    for file in "$@"; do sources+=("$dir/src/$file"); done
    c++ -std=c++20 -O2 -Wall -Wextra -MD -MF "$dir/$program.d" "${sources[@]}" \
        -o "$dir/$program" "${kit_flags[@]}" 2>"$tmp/pc-$program.log" ||
        { cat "$tmp/pc-$program.log" >&2; fail "building $program with pkg-config"; }
    check_headers_from_prefix "$dir/$program.d" "the pkg-config build of $program"
}
build_with_pkg_config bounce bounce main.cpp
build_with_pkg_config catch catch main.cpp catch_game.cpp
build_with_pkg_config catch catch_golden_test catch_golden_test.cpp catch_game.cpp
build_with_pkg_config player player main.cpp
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
mkdir -p "$game"
# The block after each marker line: the C++ and CMake code blocks, and the indented
# pkg-config command line.
extract_block() {
    awk -v marker="<!-- first-game: $1" '
        index($0, marker) == 1 { found = 1; next }
        found && /^```/ { if (inside) exit; inside = 1; next }
        inside { print }' "$guide"
}
extract_block first_game.cpp >"$game/first_game.cpp"
extract_block CMakeLists.txt >"$game/CMakeLists.txt"
pc_command=$(awk '/^<!-- first-game: pkg-config/ { getline; sub(/^ +/, ""); print; exit }' "$guide")
lines=$(wc -l <"$game/first_game.cpp")
[[ $lines -ge 20 && $lines -lt 60 ]] || fail "the guide's first game has $lines lines (under 60 wanted)"
grep -q "find_package(ZorbyEngine 3.2 CONFIG REQUIRED)" "$game/CMakeLists.txt" ||
    fail "the guide's CMakeLists.txt was not found"
# shellcheck disable=SC2016 # the command substitution is text to find, not to run
[[ $pc_command == c++*'$(pkg-config --cflags --libs zorby-engine)'* ]] ||
    fail "the guide's pkg-config command line was not found: '$pc_command'"
cp "$src/examples/bounce/assets/ball.png" "$game/ball.png"
cp "$src/examples/catch/assets/catch.wav" "$game/beep.wav"
pass "the first game taken from the guide ($lines lines)"

cmake -S "$game" -B "$game/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    >"$tmp/first-configure.log" 2>&1 ||
    { cat "$tmp/first-configure.log" >&2; fail "configuring the guide's first game"; }
cmake --build "$game/build" >"$tmp/first-build.log" 2>&1 ||
    { cat "$tmp/first-build.log" >&2; fail "building the guide's first game with CMake"; }
ninja -C "$game/build" -t deps >"$tmp/first-deps.txt"
check_headers_from_prefix "$tmp/first-deps.txt" "the CMake build of the first game"
check_library_from_prefix "$game/build/first_game"
run_program first-game-cmake "$game" "$game/build/first_game" 2

# The guide's command line as it stands, in the game's folder.
(cd "$game" && bash -c "$pc_command -MD -MF first_game.d") >"$tmp/first-pc.log" 2>&1 ||
    { cat "$tmp/first-pc.log" >&2; fail "the guide's pkg-config command: $pc_command"; }
check_headers_from_prefix "$game/first_game.d" "the pkg-config build of the first game"
LD_LIBRARY_PATH=$libdir run_program first-game-pkg-config "$game" ./first_game 2

echo "$passed passed, 0 failed (${SECONDS} s)"
