# What the kit's install tests share (tests/kit/examples_test.sh on Linux,
# tests/kit/windows_sdk_test.sh for the Windows SDK); sourced, with $src the source
# tree, and later $prefix (the kit's prefix or unpacked SDK) and $tmp (a scratch
# folder). $runner runs a program (Wine for the Windows SDK), $exe ends its name.
passed=0
runner=()
exe=

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

# The guide's first game copied out of the guide into an empty folder: the C++ and
# CMake code blocks after their marker lines, and the picture and sound it reads from
# the examples. $1: the guide; $2: the folder; $3: the examples/ folder.
extract_first_game() {
    local guide=$1 game=$2 examples=$3
    mkdir -p "$game"
    local block
    for block in first_game.cpp CMakeLists.txt; do
        awk -v marker="<!-- first-game: $block" '
            index($0, marker) == 1 { found = 1; next }
            found && /^```/ { if (inside) exit; inside = 1; next }
            inside { print }' "$guide" >"$game/$block"
    done
    local lines
    lines=$(wc -l <"$game/first_game.cpp")
    [[ $lines -ge 20 && $lines -lt 60 ]] || fail "the guide's first game has $lines lines (under 60 wanted)"
    grep -q "find_package(ZorbyEngine 3.2 CONFIG REQUIRED)" "$game/CMakeLists.txt" ||
        fail "the guide's CMakeLists.txt was not found"
    cp "$examples/bounce/assets/ball.png" "$game/ball.png"
    cp "$examples/catch/assets/catch.wav" "$game/beep.wav"
    pass "the first game taken from the guide ($lines lines)"
}

# Configures and builds the guide's first game with CMake into GAME/build, its headers
# from the prefix. $1: its folder; the rest: CMake's options that find the kit.
build_first_game_with_cmake() {
    local game=$1
    shift
    cmake -S "$game" -B "$game/build" -G Ninja "$@" >"$tmp/first-configure.log" 2>&1 ||
        { cat "$tmp/first-configure.log" >&2; fail "configuring the guide's first game"; }
    cmake --build "$game/build" >"$tmp/first-build.log" 2>&1 ||
        { cat "$tmp/first-build.log" >&2; fail "building the guide's first game with CMake"; }
    ninja -C "$game/build" -t deps >"$tmp/first-deps.txt"
    check_headers_from_prefix "$tmp/first-deps.txt" "the CMake build of the first game"
}

# Runs a program, which must end by itself with status 0 (the examples' --seconds).
# $1: a name for the log; $2: the folder to run it in; the rest: the command.
run_program() {
    local name=$1 dir=$2
    shift 2
    local start=$SECONDS status=0
    (cd "$dir" && timeout 180 "${runner[@]}" "$@") >"$tmp/$name.log" 2>&1 || status=$?
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
    run_program "$tag-bounce" "$work" "$dir/bounce/bounce$exe" --seconds 3
    # A high-score file named relative to the folder the game starts in.
    run_program "$tag-catch" "$work" "$dir/catch/catch$exe" --seconds 3 --scores scores.txt
    run_program "$tag-player" "$work" "$dir/player/player$exe" --repeat --seconds 3
    # A video named relative to the folder the player starts in.
    cp "$dir/player/assets/clip.mp4" "$work/my clip.mp4"
    run_program "$tag-player-file" "$work" "$dir/player/player$exe" --seconds 3 "my clip.mp4"
    # A video that is not there: one line, status 1, at once.
    local status=0
    (cd "$work" && timeout 120 "${runner[@]}" "$dir/player/player$exe" --seconds 3 no-such-clip.mp4) \
        >"$tmp/$tag-player-missing.log" 2>&1 || status=$?
    [[ $status -eq 1 ]] || fail "$tag: the player ended with $status for a missing video, not 1"
    grep -q "no-such-clip.mp4 cannot be played" "$tmp/$tag-player-missing.log" ||
        fail "$tag: the player did not name the missing video"
    pass "$tag-player refused a missing video with status 1"
}

# Configures and builds the examples' CMake project against the kit into
# $tmp/cmake-build. $1: the examples/ folder; the rest: CMake's options that find
# the kit. CMake must find the kit in the prefix, and the build must take its headers
# from there.
build_examples_with_cmake() {
    local examples=$1
    shift
    local build=$tmp/cmake-build
    cmake -S "$examples" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" \
        >"$tmp/cmake-configure.log" 2>&1 ||
        { cat "$tmp/cmake-configure.log" >&2; fail "configuring examples/ against the kit"; }
    grep -q "^ZorbyEngine_DIR:PATH=$prefix/" "$build/CMakeCache.txt" ||
        fail "find_package(ZorbyEngine) did not find the kit in $prefix"
    cmake --build "$build" -j "${JOBS:-2}" >"$tmp/cmake-build.log" 2>&1 ||
        { cat "$tmp/cmake-build.log" >&2; fail "building examples/ with CMake"; }
    # The compile commands' include paths, and the headers Ninja recorded for every object.
    if grep -E "$src/(include|src)([/\" ]|$)" "$build/compile_commands.json" >/dev/null; then
        fail "a compile command of examples/ names the source tree's include/ or src/ folder"
    fi
    ninja -C "$build" -t deps >"$tmp/cmake-deps.txt"
    check_headers_from_prefix "$tmp/cmake-deps.txt" "the CMake build of examples/"
}

# Builds each example with pkg-config alone into $tmp/pc-build/EXAMPLE/PROGRAM$exe.
# $1: the examples/ folder; the rest: the compiler and its first options. The sources
# and the shared header are copied first, so the compiler sees nothing of the source
# tree.
build_examples_with_pkg_config() {
    local examples=$1
    shift
    local flags program_line
    read -r -a flags <<<"$(pkg-config --cflags --libs zorby-engine)"
    for program_line in "bounce bounce main.cpp" "catch catch main.cpp catch_game.cpp" \
        "catch catch_golden_test catch_golden_test.cpp catch_game.cpp" "player player main.cpp"; do
        local words example program dir file sources=()
        read -r -a words <<<"$program_line"
        example=${words[0]} program=${words[1]}
        dir=$tmp/pc-build/$example
        mkdir -p "$dir/src"
        cp "$examples/common/"*.h "$examples/$example/"*.cpp "$dir/src/"
        if compgen -G "$examples/$example/*.h" >/dev/null; then
            cp "$examples/$example/"*.h "$dir/src/"
        fi
        [[ -d $dir/assets ]] || cp -r "$examples/$example/assets" "$dir/assets"
        for file in "${words[@]:2}"; do sources+=("$dir/src/$file"); done
        "$@" -Wall -Wextra -MD -MF "$dir/$program.d" "${sources[@]}" -o "$dir/$program$exe" \
            "${flags[@]}" 2>"$tmp/pc-$program.log" ||
            { cat "$tmp/pc-$program.log" >&2; fail "building $program with pkg-config"; }
        check_headers_from_prefix "$dir/$program.d" "the pkg-config build of $program"
    done
}
