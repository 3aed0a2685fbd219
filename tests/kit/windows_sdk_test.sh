#!/usr/bin/env bash
# The engine kit's Windows SDK as a game developer gets it: the zip unpacked into a
# temporary folder, then, cross-built with MinGW-w64 and run under Wine:
#   1. the SDK's files: the DLL exports only the engine's commands and imports only
#      the system's DLLs (the C++ runtime and every library linked in);
#   2. examples/ (the SDK's own copy) configured with the SDK's toolchain file and
#      find_package(ZorbyEngine 3.2), built, its golden test run with ctest, and each
#      program run for three seconds (the DLLs copied beside them by the examples'
#      CMake project);
#   3. each example built again with pkg-config alone and run with the SDK's bin/ on
#      Wine's search path only, so the engine DLL is the SDK's and the player's video
#      module is found beside it;
#   4. the guide's first game (docs/engine-guide.md) built both ways, the pkg-config
#      way with the guide's own Windows command line, and run for two seconds;
#   5. with DEPS_PREFIX (the Windows libraries of scripts/windows-deps.sh), the catch
#      example's golden test linked with the static library (Zorby::engine_static)
#      and run.
# Every build must take the engine's headers from the SDK, never from the source tree.
#
#     tests/kit/windows_sdk_test.sh SDK_ZIP SOURCE_DIR [DEPS_PREFIX]
#
# Run under scripts/windows-wine.sh (a Wine prefix and a display; ctest -L windows
# through scripts/zorby.sh windows-test does). Exit status 0 when everything passed;
# the first failure ends the test with a line naming it.
set -euo pipefail

if [[ $# -lt 2 || $# -gt 3 ]]; then
    echo "usage: $0 SDK_ZIP SOURCE_DIR [DEPS_PREFIX]" >&2
    exit 2
fi
zip=$1
src=$(cd "$2" && pwd)
deps=${3:-}
jobs=${JOBS:-2}
# shellcheck source=tests/kit/kit_script_common.sh
source "$src/tests/kit/kit_script_common.sh"

[[ -f $zip ]] || fail "no $zip: scripts/zorby.sh windows makes it"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zorby-windows-sdk.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export SDL_AUDIODRIVER=dummy
unset ZORBY_GOLDEN_UPDATE WINEPATH
triple=x86_64-w64-mingw32

# ---- 1. the SDK's files ----
step "unpacking $(basename "$zip")"
unzip -q "$zip" -d "$tmp/unpacked"
prefix=$(find "$tmp/unpacked" -mindepth 1 -maxdepth 1 -type d -name 'zorby-engine-*-win64-sdk')
[[ -n $prefix ]] || fail "the zip holds no zorby-engine-VERSION-win64-sdk folder"
for file in bin/zorby-engine.dll bin/zorby-video.dll lib/libzorby-engine.dll.a \
    lib/libzorby-engine.a include/zorby/engine.h lib/cmake/ZorbyEngine/ZorbyEngineConfig.cmake \
    lib/pkgconfig/zorby-engine.pc cmake/mingw-w64-x86_64.cmake docs/engine-guide.md \
    docs/record-and-replay.md html/index.html examples/CMakeLists.txt \
    examples/catch/catch_golden.trace licenses/zorby.txt licenses/sdl2/LICENSE.txt \
    licenses/ffmpeg/debian-copyright.txt README.txt; do
    [[ -s $prefix/$file ]] || fail "the SDK has no $file"
done
"$src/tests/kit/exported_symbols_test.sh" "$prefix/bin/zorby-engine.dll" \
    "$src/src/kit/exported-symbols.txt" >"$tmp/exports.log" 2>&1 ||
    { cat "$tmp/exports.log" >&2; fail "the SDK's DLL exports differ from the list"; }
for dll in zorby-engine.dll zorby-video.dll; do
    imports=$($triple-objdump -p "$prefix/bin/$dll" | awk '/DLL Name:/ { print $3 }')
    # The system's DLLs only: no C++, thread or GCC runtime, no SDL, no FFmpeg.
    if grep -viE '^(kernel32|msvcrt|user32|gdi32|advapi32|shell32|ole32|oleaut32|winmm|imm32|version|setupapi|opengl32|bcrypt|ws2_32|secur32|ntdll|dinput8|shlwapi|comdlg32|dsound|dxgi|d3d11|mfplat|mfuuid|strmiids|psapi)\.dll$' \
        <<<"$imports" >"$tmp/foreign.txt"; then
        fail "$dll needs DLLs that are not the system's: $(tr '\n' ' ' <"$tmp/foreign.txt")"
    fi
done
pass "the SDK's files, the DLL's exports as listed, system DLLs only"

# The engine DLL a run loaded must be the SDK's; the programs built with CMake carry
# copies beside them, which must be the SDK's own.
check_dlls_beside() {
    local folder=$1
    for dll in zorby-engine.dll zorby-video.dll; do
        cmp -s "$folder/$dll" "$prefix/bin/$dll" || fail "$folder/$dll is not the SDK's"
    done
}

# Runs a Windows program under Wine, which must end by itself with status 0.
# $1: a name for the log; $2: the folder to run it in; the rest: the program and its
# arguments.
run_program() {
    local name=$1 dir=$2
    shift 2
    local start=$SECONDS status=0
    (cd "$dir" && timeout 180 wine "$@") >"$tmp/$name.log" 2>&1 || status=$?
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
    run_program "$tag-bounce" "$work" "$dir/bounce/bounce.exe" --seconds 3
    run_program "$tag-catch" "$work" "$dir/catch/catch.exe" --seconds 3 --scores scores.txt
    # A video: the engine DLL opens its video module at the first one.
    cp "$dir/player/assets/clip.mp4" "$work/my clip.mp4"
    run_program "$tag-player-file" "$work" "$dir/player/player.exe" --seconds 3 "my clip.mp4"
    local status=0
    (cd "$work" && timeout 120 wine "$dir/player/player.exe" --seconds 3 no-such-clip.mp4) \
        >"$tmp/$tag-player-missing.log" 2>&1 || status=$?
    [[ $status -eq 1 ]] || fail "$tag: the player ended with $status for a missing video, not 1"
    grep -q "no-such-clip.mp4 cannot be played" "$tmp/$tag-player-missing.log" ||
        fail "$tag: the player did not name the missing video"
    pass "$tag-player refused a missing video with status 1"
}

toolchain=$prefix/cmake/mingw-w64-x86_64.cmake

# ---- 2. the examples with CMake ----
step "the SDK's examples/ with CMake"
cmake_build=$tmp/cmake-build
cmake -S "$prefix/examples" -B "$cmake_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" >"$tmp/cmake-configure.log" 2>&1 ||
    { cat "$tmp/cmake-configure.log" >&2; fail "configuring examples/ against the SDK"; }
grep -q "^ZorbyEngine_DIR:PATH=$prefix/" "$cmake_build/CMakeCache.txt" ||
    fail "find_package(ZorbyEngine) did not find the SDK"
cmake --build "$cmake_build" -j "$jobs" >"$tmp/cmake-build.log" 2>&1 ||
    { cat "$tmp/cmake-build.log" >&2; fail "building examples/ with CMake"; }
if grep -E "$src/(include|src)([/\" ]|$)" "$cmake_build/compile_commands.json" >/dev/null; then
    fail "a compile command of examples/ names the source tree's include/ or src/ folder"
fi
ninja -C "$cmake_build" -t deps >"$tmp/cmake-deps.txt"
check_headers_from_prefix "$tmp/cmake-deps.txt" "the CMake build of examples/"
for example in bounce catch player; do check_dlls_beside "$cmake_build/$example"; done
pass "examples/ built with CMake, headers from the SDK, its DLLs beside each program"

ctest --test-dir "$cmake_build" --output-on-failure >"$tmp/ctest.log" 2>&1 ||
    { cat "$tmp/ctest.log" >&2; fail "the examples' ctest (the catch example's golden test)"; }
pass "the examples' ctest under Wine: $(grep -E 'tests passed' "$tmp/ctest.log")"
run_examples cmake "$cmake_build"

# ---- 3. each example with pkg-config alone ----
step "the examples with pkg-config"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
read -r -a kit_flags <<<"$(pkg-config --cflags --libs zorby-engine)"
pc_build=$tmp/pc-build
# $1: the example; $2: the program; the rest: its source files, copied first.
build_with_pkg_config() {
    local example=$1 program=$2
    shift 2
    local dir=$pc_build/$example
    mkdir -p "$dir/src"
    cp "$prefix/examples/common/"*.h "$prefix/examples/$example/"*.cpp "$dir/src/"
    if compgen -G "$prefix/examples/$example/*.h" >/dev/null; then
        cp "$prefix/examples/$example/"*.h "$dir/src/"
    fi
    [[ -d $dir/assets ]] || cp -r "$prefix/examples/$example/assets" "$dir/assets"
    local sources=()
    for file in "$@"; do sources+=("$dir/src/$file"); done
    $triple-g++-posix -std=c++20 -O2 -static -Wall -Wextra -MD -MF "$dir/$program.d" \
        "${sources[@]}" -o "$dir/$program.exe" "${kit_flags[@]}" 2>"$tmp/pc-$program.log" ||
        { cat "$tmp/pc-$program.log" >&2; fail "building $program with pkg-config"; }
    check_headers_from_prefix "$dir/$program.d" "the pkg-config build of $program"
}
build_with_pkg_config bounce bounce main.cpp
build_with_pkg_config catch catch main.cpp catch_game.cpp
build_with_pkg_config catch catch_golden_test catch_golden_test.cpp catch_game.cpp
build_with_pkg_config player player main.cpp
pass "the examples built with pkg-config, headers from the SDK"
# No DLL beside the programs: Wine finds the SDK's through its search path, and the
# player's video module beside the engine DLL.
export WINEPATH=$prefix/bin
run_program pkg-config-catch-golden "$tmp" "$pc_build/catch/catch_golden_test.exe" \
    "$prefix/examples/catch/catch_golden.trace"
run_examples pkg-config "$pc_build"
unset WINEPATH

# ---- 4. the guide's first game ----
step "the guide's first game"
guide=$prefix/docs/engine-guide.md
game=$tmp/first-game
extract_first_game "$guide" "$game"
cp "$prefix/examples/bounce/assets/ball.png" "$game/ball.png"
cp "$prefix/examples/catch/assets/catch.wav" "$game/beep.wav"
win_command=$(awk '/^<!-- first-game: windows-pkg-config/ { getline; sub(/^ +/, ""); print; exit }' "$guide")
# shellcheck disable=SC2016 # the command substitution is text to find, not to run
[[ $win_command == *'pkg-config --cflags --libs zorby-engine)'* ]] ||
    fail "the guide's Windows pkg-config command line was not found: '$win_command'"

cmake -S "$game" -B "$game/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    >"$tmp/first-configure.log" 2>&1 ||
    { cat "$tmp/first-configure.log" >&2; fail "configuring the guide's first game"; }
cmake --build "$game/build" >"$tmp/first-build.log" 2>&1 ||
    { cat "$tmp/first-build.log" >&2; fail "building the guide's first game with CMake"; }
ninja -C "$game/build" -t deps >"$tmp/first-deps.txt"
check_headers_from_prefix "$tmp/first-deps.txt" "the CMake build of the first game"
check_dlls_beside "$game/build"
run_program first-game-cmake "$game/build" "$game/build/first_game.exe" 2

# The guide's command line as it stands, in the game's folder, with SDK naming the
# unpacked folder as the guide says.
unset PKG_CONFIG_LIBDIR
(cd "$game" && SDK=$prefix bash -c "$win_command -MD -MF first_game.d") >"$tmp/first-pc.log" 2>&1 ||
    { cat "$tmp/first-pc.log" >&2; fail "the guide's Windows command: $win_command"; }
check_headers_from_prefix "$game/first_game.d" "the pkg-config build of the first game"
WINEPATH=$prefix/bin run_program first-game-pkg-config "$game" "$game/first_game.exe" 2

# ---- 5. the static library ----
if [[ -n $deps ]]; then
    step "the catch example's golden test with the static library"
    static=$tmp/static
    mkdir -p "$static"
    cp "$prefix/examples/catch/"*.cpp "$prefix/examples/catch/"*.h "$prefix/examples/common/"*.h \
        "$static/"
    cat >"$static/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.20)
project(catch_static LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(ZorbyEngine 3.2 CONFIG REQUIRED)
if(NOT TARGET Zorby::engine_static)
  message(FATAL_ERROR "no Zorby::engine_static")
endif()
add_executable(catch_golden_test catch_golden_test.cpp catch_game.cpp)
target_link_libraries(catch_golden_test PRIVATE Zorby::engine_static)
EOF
    # The engine's libraries through their own pkg-config files.
    PKG_CONFIG_LIBDIR=$deps/lib/pkgconfig cmake -S "$static" -B "$static/build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DZORBY_MINGW_PREFIXES="$deps" >"$tmp/static-configure.log" 2>&1 ||
        { cat "$tmp/static-configure.log" >&2; fail "configuring against Zorby::engine_static"; }
    cmake --build "$static/build" >"$tmp/static-build.log" 2>&1 ||
        { cat "$tmp/static-build.log" >&2; fail "linking with Zorby::engine_static"; }
    if $triple-objdump -p "$static/build/catch_golden_test.exe" | grep -qi 'DLL Name: zorby'; then
        fail "the static build still needs the engine DLL"
    fi
    cp -r "$prefix/examples/catch/assets" "$static/build/assets"
    run_program static-catch-golden "$tmp" "$static/build/catch_golden_test.exe" \
        "$prefix/examples/catch/catch_golden.trace"
fi

echo "$passed passed, 0 failed (${SECONDS} s)"
