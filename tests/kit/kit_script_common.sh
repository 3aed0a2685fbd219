# What the kit's install tests share (tests/kit/examples_test.sh on Linux,
# tests/kit/windows_sdk_test.sh for the Windows SDK); sourced, with $src the source
# tree and $prefix (set later) the kit's prefix or unpacked SDK.
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
# CMake code blocks after their marker lines. $1: the guide; $2: the folder.
extract_first_game() {
    local guide=$1 game=$2
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
    pass "the first game taken from the guide ($lines lines)"
}
