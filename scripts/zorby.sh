#!/usr/bin/env bash
# One entry point for players and developers on Debian 12:
#   scripts/zorby.sh play          install what is missing, build, start the game
#   scripts/zorby.sh test          install what is missing, build, run the tests (not the
#                                  long runs of the labels soak and install)
#   scripts/zorby.sh test-asan     the same tests in an AddressSanitizer + UBSan build
#   scripts/zorby.sh install-test  the install tests (CTest label install, Release build)
#   scripts/zorby.sh soak          the long runs (CTest label soak) in the Release build
#   scripts/zorby.sh fuzz [SECS]   build the fuzz targets with clang and run each briefly
#   scripts/zorby.sh mutants [PAT] put each fault of tests/mutants/catalogue.txt (or the
#                                  ones whose names match PAT) into a scratch copy alone
#                                  and report whether its tests catch it (slow; not in CI)
#   scripts/zorby.sh build         install what is missing and build (Release)
#   scripts/zorby.sh format-check  check that every C++ file matches .clang-format
#   scripts/zorby.sh package       build the Debian packages in build-deb/: the game's
#                                  (zorby_VERSION_ARCH.deb) and the engine kit's
#                                  (libzorby-engineN, libzorby-engine-dev), and check them
#                                  (desktop-file-validate, appstreamcli, lintian)
#   scripts/zorby.sh kit [PREFIX]  build the engine kit alone (no game, tools or tests) into
#                                  build-kit/ and install it into PREFIX when given
#   scripts/zorby.sh docs          the engine kit's reference: Doxygen over include/zorby
#                                  into build-docs/html (any warning fails it)
#   scripts/zorby.sh windows       cross-build the game, the tools, the tests and the engine
#                                  kit for 64-bit Windows (build-win64/, libraries from
#                                  Debian's sources, cached) and make the portable zip, the
#                                  installer and the kit's SDK zip
#   scripts/zorby.sh windows-test  the same, then run the Windows tests under Wine on a
#                                  virtual X server
#   scripts/zorby.sh web           build the game as a web page into build-web/ (index.html,
#                                  zorby.js, .wasm, .data and zorby-VERSION-web.zip) with
#                                  Debian's emscripten, libraries from Debian's sources
#   scripts/zorby.sh web-serve [PORT]  serve build-web/ on 127.0.0.1 (default port 8036)
#   scripts/zorby.sh web-test      build the page, then its tests in headless Chromium
#   scripts/zorby.sh web-replay FILE   play a recording on the page in headless Chromium
#                                  and print its result line
# Extra arguments after "play" are passed to the game (e.g. --record FILE).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"

RUNTIME_PACKAGES=(build-essential cmake ninja-build pkg-config libsdl2-dev libsdl2-mixer-dev
    libpng-dev zlib1g-dev liblzo2-dev libgl-dev libgl1-mesa-dri libgtest-dev libbenchmark-dev
    libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev)
TEST_PACKAGES=(xvfb xauth xdotool x11-utils python3-pil python3-numpy lame desktop-file-utils appstream man-db)
PACKAGE_PACKAGES=(dpkg-dev file fakeroot desktop-file-utils appstream lintian doxygen)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
FORMAT_PACKAGES=(clang-format git)
DOCS_PACKAGES=(doxygen)
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix nsis zip unzip wine
    wine64 xvfb xauth xdotool doxygen)
WEB_PACKAGES=(emscripten nodejs cmake ninja-build pkg-config dpkg-dev chromium python3
    python3-pil)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if [ -z "${ZORBY_APT_UPDATED:-}" ]; then
        $sudo apt-get update -q
        export ZORBY_APT_UPDATED=1
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}

configure_and_build() {
    local dir="$1" type="$2"; shift 2
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}

# The Windows build: the libraries (scripts/windows-deps.sh), then the game, tools,
# tests and engine kit with the MinGW-w64 toolchain into build-win64/, then the
# packages.
# forget_other_prefix BUILD VARIABLE PREFIX: libraries of another key (new versions,
# new encoders or decoders) leave the cache's found paths naming the old prefix, so a
# build folder configured with another one is configured afresh.
forget_other_prefix() {
    local cache="$1/CMakeCache.txt"
    if [ -f "$cache" ] && ! grep -qxF "$2:PATH=$3" "$cache"; then
        rm -f "$cache"
    fi
}

build_windows() {
    install_missing "${RUNTIME_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
    local deps
    deps="$("$ROOT/scripts/windows-deps.sh" --print-prefix)"
    # (ccache keeps the objects of a fresh configure.)
    forget_other_prefix "$ROOT/build-win64" ZORBY_WIN64_DEPS "$deps"
    # The kit is asked for by name: a folder configured before the kit was built for
    # Windows holds it switched off.
    cmake -S "$ROOT" -B "$ROOT/build-win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/mingw-w64-x86_64.cmake" \
        -DZORBY_WIN64_DEPS="$deps" -DZORBY_BENCH=OFF -DZORBY_KIT=ON -DZORBY_KIT_REFERENCE=ON >/dev/null
    cmake --build "$ROOT/build-win64" -j "$JOBS"
    "$ROOT/scripts/windows-package.sh" "$ROOT/build-win64" "$deps"
}

# The web page: the libraries (scripts/web-deps.sh), then the game with emscripten
# into build-web/.
build_web() {
    install_missing "${WEB_PACKAGES[@]}"
    local deps
    deps="$("$ROOT/scripts/web-deps.sh" --print-prefix)"
    forget_other_prefix "$ROOT/build-web" ZORBY_WEB_DEPS "$deps"
    export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
    cmake -S "$ROOT" -B "$ROOT/build-web" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/emscripten.cmake" \
        -DZORBY_WEB_DEPS="$deps" >/dev/null
    cmake --build "$ROOT/build-web" -j "$JOBS"
}

cmd="${1:-play}"
shift || true
case "$cmd" in
    play)
        install_missing "${RUNTIME_PACKAGES[@]}"
        configure_and_build "$ROOT/build" Release
        cd "$ROOT/build/src" && exec ./zorby "$@"
        ;;
    build)
        install_missing "${RUNTIME_PACKAGES[@]}"
        configure_and_build "$ROOT/build" Release
        ;;
    test)
        install_missing "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        configure_and_build "$ROOT/build" Release
        ctest --test-dir "$ROOT/build" --output-on-failure -j "$JOBS" -LE 'soak|install'
        ;;
    install-test)
        install_missing "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        configure_and_build "$ROOT/build" Release
        ctest --test-dir "$ROOT/build" --output-on-failure -L install
        ;;
    soak)
        install_missing "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        configure_and_build "$ROOT/build" Release
        ctest --test-dir "$ROOT/build" --output-on-failure -j "$JOBS" -L soak
        ;;
    test-asan)
        install_missing "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        configure_and_build "$ROOT/build-asan" Debug -DZORBY_SANITIZE=ON -DZORBY_BENCH=OFF
        ctest --test-dir "$ROOT/build-asan" --output-on-failure -j "$JOBS" -LE 'soak|install'
        ;;
    fuzz)
        secs="${1:-20}"
        install_missing "${RUNTIME_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
        CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/build-fuzz" -G Ninja \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORBY_FUZZ=ON -DZORBY_SANITIZE=ON \
            -DZORBY_BENCH=OFF >/dev/null
        # Only the fuzz targets (and the libraries they need) are built here.
        targets=()
        for src in "$ROOT"/tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp)"); done
        cmake --build "$ROOT/build-fuzz" -j "$JOBS" --target "${targets[@]}"
        shopt -s nullglob
        for f in "$ROOT"/build-fuzz/tests/fuzz_*; do
            [ -x "$f" ] || continue
            echo "== $(basename "$f") for ${secs}s"
            # New inputs go to the first corpus folder: a scratch one, never the tree.
            work="$ROOT/build-fuzz/corpus/$(basename "$f")"
            mkdir -p "$work"
            seeds="$ROOT/tests/fuzz/corpus/$(basename "$f")"
            args=("$work")
            [ -d "$seeds" ] && args+=("$seeds")
            "$f" -max_total_time="$secs" -rss_limit_mb=2048 "${args[@]}"
        done
        ;;
    mutants)
        install_missing "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        exec "$ROOT/scripts/mutants.sh" "$ROOT/tests/mutants/catalogue.txt" "${1:-}"
        ;;
    package)
        install_missing "${RUNTIME_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
        # Debian's hardening flags (fortify, stack protector, relro, bindnow, PIE), as
        # a package built by Debian's own tools gets them.
        export DEB_BUILD_MAINT_OPTIONS=hardening=+all
        cppflags="$(dpkg-buildflags --get CPPFLAGS)"
        cflags="$(dpkg-buildflags --get CFLAGS) $cppflags"
        cxxflags="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
        ldflags="$(dpkg-buildflags --get LDFLAGS)"
        # Debian's games layout: the program in /usr/games, its files in
        # /usr/share/games/zorby. No tests or benchmarks in this build.
        cmake -S "$ROOT" -B "$ROOT/build-deb" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" \
            -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
            -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
            -DZORBY_TESTS=OFF -DZORBY_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr \
            -DCMAKE_INSTALL_BINDIR=games -DZORBY_INSTALL_DATADIR=share/games/zorby \
            -DZORBY_DEBIAN_DOCS=ON -DZORBY_KIT_REFERENCE=ON >/dev/null
        cmake --build "$ROOT/build-deb" -j "$JOBS"
        rm -f "$ROOT"/build-deb/*.deb
        (cd "$ROOT/build-deb" && cpack -G DEB >/dev/null)
        # The library's package: CPack's maintainer scripts only call ldconfig, which
        # the package's ldconfig trigger does; they go.
        lib_deb="$(ls "$ROOT"/build-deb/libzorby-engine[0-9]*_*.deb)"
        unpacked="$(mktemp -d)"
        dpkg-deb -R "$lib_deb" "$unpacked/pkg"
        rm -f "$unpacked/pkg/DEBIAN/postinst" "$unpacked/pkg/DEBIAN/postrm"
        dpkg-deb --root-owner-group -Zxz --build "$unpacked/pkg" "$lib_deb" >/dev/null
        rm -rf "$unpacked"
        desktop-file-validate "$ROOT/packaging/zorby.desktop"
        appstreamcli validate --no-net "$ROOT/packaging/org.zorby.Zorby.metainfo.xml"
        # The game's package and the engine kit's two; errors fail the build, warnings
        # are shown.
        for deb in "$ROOT"/build-deb/zorby_*.deb "$ROOT"/build-deb/libzorby-engine[0-9]*_*.deb \
                   "$ROOT"/build-deb/libzorby-engine-dev_*.deb; do
            lintian --fail-on error --allow-root "$deb"
            dpkg-deb --field "$deb" Package Version Architecture Depends
            echo "package: $deb"
        done
        ;;
    kit)
        install_missing "${RUNTIME_PACKAGES[@]}"
        configure_and_build "$ROOT/build-kit" Release -DZORBY_KIT_ONLY=ON
        if [ $# -gt 0 ]; then
            cmake --install "$ROOT/build-kit" --component engine --prefix "$1"
            cmake --install "$ROOT/build-kit" --component engine-dev --prefix "$1"
        fi
        ;;
    docs)
        install_missing "${DOCS_PACKAGES[@]}"
        rm -rf "$ROOT/build-docs"
        mkdir -p "$ROOT/build-docs"
        version="$(sed -n 's/^project(zorby VERSION \([0-9.]*\) .*/\1/p' "$ROOT/CMakeLists.txt")"
        # Doxygen stops with status 1 at the end of a run that warned.
        (cd "$ROOT" && ZORBY_KIT_VERSION="$version" ZORBY_DOCS_OUT="$ROOT/build-docs" \
            doxygen docs/Doxyfile)
        echo "reference: $ROOT/build-docs/html/index.html"
        ;;
    windows)
        build_windows
        ;;
    windows-test)
        build_windows
        # A test that fails is run once more: Wine now and then fails to start a
        # program when two start at the same moment (a failure in 0.01 s, no output).
        "$ROOT/scripts/windows-wine.sh" ctest --test-dir "$ROOT/build-win64" \
            --output-on-failure -j "$JOBS" --repeat until-pass:2 \
            -L 'unit|rendering|game|golden|windows'
        ;;
    web)
        build_web
        echo "page: $ROOT/build-web/index.html (scripts/zorby.sh web-serve serves it)"
        ls "$ROOT"/build-web/zorby-*-web.zip
        ;;
    web-serve)
        [ -e "$ROOT/build-web/index.html" ] || build_web
        exec /usr/bin/python3 "$ROOT/scripts/web_page.py" serve "$ROOT/build-web" "${1:-8036}"
        ;;
    web-test)
        build_web
        # A frame the browser draws differently is compared with the Linux build's
        # pixels: its golden and video trace programs (tests/golden/golden_trace.cpp,
        # tests/video/video_trace.cpp, which also writes the video test's clips).
        install_missing "${RUNTIME_PACKAGES[@]}"
        cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build "$ROOT/build" -j "$JOBS" --target golden_trace video_trace
        ctest --test-dir "$ROOT/build-web" --output-on-failure -L web
        ;;
    web-replay)
        [ $# -eq 1 ] || { echo "usage: $0 web-replay FILE" >&2; exit 2; }
        [ -e "$ROOT/build-web/index.html" ] || build_web >&2
        exec /usr/bin/python3 "$ROOT/scripts/web_page.py" replay "$ROOT/build-web" "$1"
        ;;
    format-check)
        install_missing "${FORMAT_PACKAGES[@]}"
        cd "$ROOT"
        git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
        echo "formatting: every C++ file matches .clang-format"
        ;;
    *)
        echo "usage: $0 {play|build|test|test-asan|install-test|soak|fuzz [SECS]|mutants [PATTERN]|format-check|package|kit [PREFIX]|docs|windows|windows-test|web|web-serve|web-test|web-replay FILE}" >&2
        exit 2
        ;;
esac
