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
# shellcheck source=tests/kit/kit_script_common.sh
source "$src/tests/kit/kit_script_common.sh"

[[ -f $zip ]] || fail "no $zip: scripts/zorby.sh windows makes it"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/zorby-windows-sdk.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
# The programs are Windows ones, run by Wine.
runner=(wine)
exe=.exe
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

toolchain=$prefix/cmake/mingw-w64-x86_64.cmake

# ---- 2. the examples with CMake ----
step "the SDK's examples/ with CMake"
cmake_build=$tmp/cmake-build
build_examples_with_cmake "$prefix/examples" -DCMAKE_TOOLCHAIN_FILE="$toolchain"
for example in bounce catch player; do check_dlls_beside "$cmake_build/$example"; done
pass "examples/ built with CMake, headers from the SDK, its DLLs beside each program"

ctest --test-dir "$cmake_build" --output-on-failure >"$tmp/ctest.log" 2>&1 ||
    { cat "$tmp/ctest.log" >&2; fail "the examples' ctest (the catch example's golden test)"; }
pass "the examples' ctest under Wine: $(grep -E 'tests passed' "$tmp/ctest.log")"
run_examples cmake "$cmake_build"

# ---- 3. each example with pkg-config alone ----
step "the examples with pkg-config"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
pc_build=$tmp/pc-build
# -static: the C++ and thread runtime linked in, as the guide says.
build_examples_with_pkg_config "$prefix/examples" $triple-g++-posix -std=c++20 -O2 -static
# The pc file's import library keeps the engine in its DLL under -static.
for program in bounce/bounce catch/catch catch/catch_golden_test player/player; do
    grep -q 'DLL Name: zorby-engine.dll' <<<"$($triple-objdump -p "$pc_build/$program.exe")" ||
        fail "$program.exe (pkg-config) does not load zorby-engine.dll"
done
pass "the examples built with pkg-config, headers from the SDK, the engine in its DLL"
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
extract_first_game "$guide" "$game" "$prefix/examples"
win_command=$(awk '/^<!-- first-game: windows-pkg-config/ { getline; sub(/^ +/, ""); print; exit }' "$guide")
# shellcheck disable=SC2016 # the command substitution is text to find, not to run
[[ $win_command == *'pkg-config --cflags --libs zorby-engine)'* ]] ||
    fail "the guide's Windows pkg-config command line was not found: '$win_command'"

build_first_game_with_cmake "$game" -DCMAKE_TOOLCHAIN_FILE="$toolchain"
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
    if grep -qi 'DLL Name: zorby' <<<"$($triple-objdump -p "$static/build/catch_golden_test.exe")"; then
        fail "the static build still needs the engine DLL"
    fi
    cp -r "$prefix/examples/catch/assets" "$static/build/assets"
    run_program static-catch-golden "$tmp" "$static/build/catch_golden_test.exe" \
        "$prefix/examples/catch/catch_golden.trace"
fi

echo "$passed passed, 0 failed (${SECONDS} s)"
