#!/usr/bin/env bash
# Builds the libraries the game links in a web browser (zlib, libpng, LZO, SDL2,
# SDL2_mixer), and FFmpeg's decoders for the video test page, for WebAssembly with Debian's emscripten, from Debian's source packages of
# the very versions the Linux build uses, into one static prefix that
# cmake/toolchains/emscripten.cmake consumes. emscripten's own ports cannot be
# fetched (and would be other versions): everything is built here from source.
#
#   scripts/web-deps.sh                 build if needed; print the prefix
#   scripts/web-deps.sh --print-prefix  the same, and only the prefix on stdout
#   scripts/web-deps.sh --key           print the cache key, build nothing
#
# The sources are fetched and kept at the Linux versions exactly as
# scripts/windows-deps.sh does (its functions are used here).
#
# The prefix is ${ZORBY_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorby}/web-deps-KEY;
# KEY hashes the source packages' names and versions, emcc's version, this script and
# scripts/windows-deps.sh. Built in PREFIX.tmp, renamed to PREFIX once complete.
#
# Environment: ZORBY_WEB_JOBS (parallel jobs, default 2), ZORBY_APT_UPDATED=1 (apt-get
# update already ran), ZORBY_WEB_KEEP_WORK=1 (keep the work folder for a look).
set -euo pipefail

WEB_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=windows-deps.sh
source "$WEB_ROOT/scripts/windows-deps.sh"
SELF="$WEB_ROOT/scripts/web-deps.sh"
JOBS="${ZORBY_WEB_JOBS:-2}"
CACHE_ROOT="${ZORBY_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorby}"
# emcc's tools are node programs that look for their modules here.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"

DEV_PACKAGES=(zlib1g-dev libpng-dev liblzo2-dev libsdl2-dev libsdl2-mixer-dev
    libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev)
TOOL_PACKAGES=(emscripten nodejs dpkg-dev make cmake ninja-build pkg-config)
COMPILER_PACKAGE=emscripten
# Order matters: libpng needs zlib; SDL2_mixer needs SDL2.
LIBRARIES=(zlib:zlib libpng1.6:libpng lzo2:lzo2 libsdl2:sdl2 libsdl2-mixer:sdl2_mixer
    ffmpeg:ffmpeg)
CFLAGS_WEB="-O2"

log() { echo "web-deps: $*" >&2; }
die() { echo "web-deps: error: $*" >&2; exit 1; }

compiler_line() {
    echo "compiler emcc $(emcc -dumpversion) $(dpkg-query -W -f='${Version}' $COMPILER_PACKAGE)"
}

compute_key() {
    {
        source_packages
        compiler_line
        echo "script $(sha256sum < "$SELF" | cut -d' ' -f1)"
        echo "functions $(sha256sum < "$WEB_ROOT/scripts/windows-deps.sh" | cut -d' ' -f1)"
        echo "answers $(sha256sum < "$WEB_ROOT/scripts/web-sdl2-answers.cmake" | cut -d' ' -f1)"
    } | sha256sum | cut -c1-16
}

# Compiles the C files named on stdin (without .c, relative to the current folder)
# with emcc into OUT/NAME.o, two at a time, and archives them into OUT/LIB.
emcc_archive() {
    local out=$1 lib=$2
    shift 2
    mkdir -p "$out"
    xargs -P "$JOBS" -I{} sh -c 'f=$1 out=$2; shift 2; emcc "$@" -c "$f.c" -o "$out/${f##*/}.o"' \
        sh {} "$out" $CFLAGS_WEB "$@"
    emar rcs "$out/$lib" "$out"/*.o
}

# A plain pkg-config file for a static library in STAGE.
write_pc() {
    local file=$1 name=$2 version=$3 libs=$4 cflags=$5 requires=${6:-}
    cat > "$STAGE/lib/pkgconfig/$file" <<EOF
prefix=$STAGE
exec_prefix=\${prefix}
libdir=\${exec_prefix}/lib
includedir=\${prefix}/include

Name: $name
Description: $name for WebAssembly
Version: $version
Requires: $requires
Libs: -L\${libdir} $libs
Cflags: $cflags
EOF
}

build_zlib() {
    local src=$1 f
    cd "$src"
    for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback \
        inffast inflate inftrees trees uncompr zutil; do
        echo "$f"
    done | emcc_archive build-web libz.a -I. -DHAVE_UNISTD_H -DHAVE_STDARG_H
    install -m 644 zlib.h zconf.h "$STAGE/include/"
    install -m 644 build-web/libz.a "$STAGE/lib/"
    write_pc zlib.pc zlib "$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' zlib.h)" \
        "-lz" "-I\${includedir}"
}

build_libpng() {
    local src=$1 f
    cd "$src"
    # The default configuration that libpng ships for builds without its scripts;
    # no SIMD code (WebAssembly has none of libpng's).
    cp scripts/pnglibconf.h.prebuilt pnglibconf.h
    for f in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset \
        pngtrans pngwio pngwrite pngwtran pngwutil; do
        echo "$f"
    done | emcc_archive build-web libpng16.a -I. -I"$STAGE/include" -DPNG_ARM_NEON_OPT=0
    install -d "$STAGE/include/libpng16"
    install -m 644 png.h pngconf.h pnglibconf.h "$STAGE/include/libpng16/"
    install -m 644 png.h pngconf.h pnglibconf.h "$STAGE/include/"
    install -m 644 build-web/libpng16.a "$STAGE/lib/"
    ln -sf libpng16.a "$STAGE/lib/libpng.a"
    write_pc libpng16.pc libpng "$(sed -n 's/^#define PNG_LIBPNG_VER_STRING "\(.*\)"/\1/p' png.h)" \
        "-lpng16" "-I\${includedir}/libpng16" zlib
    ln -sf libpng16.pc "$STAGE/lib/pkgconfig/libpng.pc"
}

build_lzo2() {
    local src=$1
    cd "$src"
    (cd src && ls ./*.c | sed 's|^\./|src/|; s|\.c$||') |
        emcc_archive build-web liblzo2.a -Iinclude -Isrc
    install -d "$STAGE/include/lzo"
    install -m 644 include/lzo/*.h "$STAGE/include/lzo/"
    install -m 644 build-web/liblzo2.a "$STAGE/lib/"
    # The game includes <lzo/lzo1x.h>.
    write_pc lzo2.pc lzo2 "$(sed -n 's/^#define LZO_VERSION_STRING *"\(.*\)"/\1/p' include/lzo/lzoconf.h)" \
        "-llzo2" "-I\${includedir} -I\${includedir}/lzo"
}

web_cmake_build() {
    # web_cmake_build SRC BUILD [cmake options...]
    local src=$1 build=$2
    shift 2
    emcmake cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$STAGE" -DCMAKE_INSTALL_LIBDIR=lib \
        -DCMAKE_FIND_ROOT_PATH="$STAGE" -DCMAKE_PREFIX_PATH="$STAGE" \
        -DBUILD_SHARED_LIBS=OFF "$@"
    cmake --build "$build" -j "$JOBS"
    cmake --install "$build"
}

# SDL2's configure asks the compiler some 150 questions about the C library (is strlcpy
# there, is M_PI, ...), each a small program compiled and linked with emcc: on two busy
# cores that was 6 to 15 minutes, most of the cold build. The answers depend only on
# emscripten and on SDL2's source, both named in the first line of SDL2_ANSWERS; when
# they are the ones used here, configure starts from those answers (CMake's checks skip
# a question whose answer is set) and asks only what is not in the file. Otherwise it
# asks everything and the answers it got are left in the logs, to be committed as the
# new file.
SDL2_ANSWERS="$WEB_ROOT/scripts/web-sdl2-answers.cmake"

sdl2_answers_for() {
    echo "# for: $(compiler_line); libsdl2 $(source_packages | awk '$1 == "libsdl2" {print $2}')"
}

# The answers of SDL2's checks in BUILD's CMake cache, as a file for cmake -C.
record_sdl2_answers() {
    local build=$1 out=$2
    {
        sdl2_answers_for
        echo "# The answers of SDL2's configure checks for WebAssembly (scripts/web-deps.sh)."
        sed -n 's/^\(HAVE_[A-Za-z0-9_]*\|LIBC_IS_GLIBC\|STDC_HEADERS\):INTERNAL=\(.*\)$/set(\1 "\2" CACHE INTERNAL "")/p' \
            "$build/CMakeCache.txt" | sort
    } > "$out"
}

build_sdl2() {
    local src=$1 answers=()
    if [ -f "$SDL2_ANSWERS" ] && [ "$(head -1 "$SDL2_ANSWERS")" = "$(sdl2_answers_for)" ]; then
        answers=(-C "$SDL2_ANSWERS")
    else
        echo "web-deps: $SDL2_ANSWERS is for other versions: every check is run" >&2
    fi
    # The browser's canvas, WebGL, Web Audio, keyboard, mouse, touch and gamepad
    # events; no threads (a page then needs no cross-origin isolation). The game draws
    # with OpenGL and uses neither SDL's 2D renderer nor haptics, sensors, power,
    # locale or URL opening: they are left out.
    web_cmake_build "$src" "$src/build-web" "${answers[@]}" \
        -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_INSTALL=OFF \
        -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_OPENGL=OFF -DSDL_OPENGLES=ON \
        -DSDL_RENDER=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_LOCALE=OFF \
        -DSDL_MISC=OFF -DSDL_HIDAPI=OFF
    record_sdl2_answers "$src/build-web" "$LOGS/web-sdl2-answers.cmake"
}

build_sdl2_mixer() {
    local src=$1
    # The game's sounds are WAV and its music MP3 (dr_mp3): nothing else is built.
    web_cmake_build "$src" "$src/build-web" \
        -DSDL2_DIR="$STAGE/lib/cmake/SDL2" \
        -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF \
        -DSDL2MIXER_WAVE=ON -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_DRMP3=ON \
        -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_FLAC=OFF \
        -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_CMD=OFF
    local version
    version="$(sed -n 's/^#define SDL_MIXER_\(MAJOR_VERSION\|MINOR_VERSION\|PATCHLEVEL\) *\([0-9]*\).*/\2/p' \
        "$src/include/SDL_mixer.h" | paste -sd.)"
    write_pc SDL2_mixer.pc SDL2_mixer "$version" "-lSDL2_mixer" "-I\${includedir}/SDL2" sdl2
}

# The decoders, demuxers, parsers and protocol of the Windows build's FFmpeg, read from
# its build_ffmpeg (scripts/windows-deps.sh, sourced above) before this script's own
# takes the name: the page decodes what the Windows build decodes.
mapfile -t FFMPEG_DECODING < <(declare -f build_ffmpeg |
    grep -oE -- '--enable-(decoder|demuxer|parser|protocol)=[a-z0-9_,]+')

build_ffmpeg() {
    local src=$1
    mkdir -p "$src/build-web" && cd "$src/build-web"
    # What the Windows build decodes, and nothing that writes: no encoders, muxers or
    # programs. Plain C: no threads (a page then needs no cross-origin isolation) and
    # no assembly. Its configure links a small program per check with emcc: some 90 s
    # on two cores, as long as the compile, so its answers are not recorded.
    [ ${#FFMPEG_DECODING[@]} -ge 3 ] || die "no decoders found in windows-deps.sh's build_ffmpeg"
    ../configure --prefix="$STAGE" --enable-cross-compile --target-os=none --arch=x86_32 \
        --cc=emcc --cxx=em++ --ar=emar --ranlib=emranlib --nm=emnm \
        --enable-static --disable-shared --disable-autodetect --disable-debug \
        --disable-pthreads --disable-w32threads --disable-os2threads \
        --disable-asm --disable-inline-asm --disable-x86asm --disable-runtime-cpudetect \
        --disable-programs --disable-doc --disable-network \
        --disable-avdevice --disable-avfilter --disable-postproc \
        --enable-avformat --enable-avcodec --enable-swscale --enable-swresample \
        --disable-everything "${FFMPEG_DECODING[@]}" --extra-cflags="$CFLAGS_WEB"
    make -j "$JOBS"
    make install
}

web_make_work() {
    WORK="$(mktemp -d "${TMPDIR:-/tmp}/zorby-web-deps.XXXXXX")"
    if [ -z "${ZORBY_WEB_KEEP_WORK:-}" ]; then
        trap 'rm -rf "$WORK"' EXIT
    else
        log "work folder kept: $WORK"
    fi
    FETCH="$WORK/sources"
    mkdir -p "$FETCH"
}

web_build_all() {
    LOGS="$CACHE_ROOT/web-deps-$KEY.logs"
    rm -rf "$STAGE" "$LOGS"
    mkdir -p "$STAGE"/{include,lib/pkgconfig,licenses} "$LOGS"
    local entry name fn version dir start secs total=0 times="" f
    declare -A versions
    while read -r name version; do versions[$name]=$version; done < <(source_packages)
    for entry in "${LIBRARIES[@]}"; do
        name=${entry%%:*}
        fn=build_${entry#*:}
        version=${versions[$name]:-}
        [ -n "$version" ] || die "no installed -dev package comes from source $name"
        start=$(date +%s)
        cd "$WORK"
        log "$name $version: fetching"
        dir="$(fetch_source "$name" "$version")"
        log "$name $version: building (log: $LOGS/$name.log)"
        set +e
        ( set -ex; $fn "$dir" ) > "$LOGS/$name.log" 2>&1
        local rc=$?
        set -e
        if [ $rc -ne 0 ]; then
            tail -40 "$LOGS/$name.log" >&2
            die "$name failed; the whole log is $LOGS/$name.log"
        fi
        copy_licenses "${entry#*:}" "$dir"
        rm -rf "${FETCH:?}/$name"
        secs=$(( $(date +%s) - start ))
        total=$(( total + secs ))
        times+="$name $version ${secs}s"$'\n'
        log "$name: ${secs}s"
    done
    fix_pkgconfig
    rm -rf "$STAGE/share"
    grep -rlI --fixed-strings "$STAGE" "$STAGE" > "$WORK/staged-paths" || true
    while read -r f; do
        sed -i -e "s|$STAGE|$PREFIX|g" "$f"
    done < "$WORK/staged-paths"
    {
        echo "key $KEY"
        source_packages | sed 's/^/source /'
        compiler_line
        printf '%s' "$times" | sed 's/^/time /'
        echo "time total ${total}s"
    } > "$STAGE/build-info.txt"
    date -u +%Y-%m-%dT%H:%M:%SZ > "$STAGE/.complete"
    rm -rf "$PREFIX"
    mv "$STAGE" "$PREFIX"
    log "built in ${total}s: $PREFIX"
}

web_main() {
    local mode=build
    case "${1:-}" in
        "") ;;
        --print-prefix) mode=print ;;
        --key) mode=key ;;
        -h|--help) sed -n '2,/^set -euo/p' "$SELF" | sed -e '$d' -e 's/^# \{0,1\}//'; return 0 ;;
        *) die "unknown option $1 (try --help)" ;;
    esac

    install_missing "${TOOL_PACKAGES[@]}" "${DEV_PACKAGES[@]}"
    KEY="$(compute_key)"
    PREFIX="$CACHE_ROOT/web-deps-$KEY"
    if [ ! -e "$PREFIX/.complete" ]; then
        mkdir -p "$CACHE_ROOT"
        exec 8> "$CACHE_ROOT/web-deps.lock"
        flock 8
        if [ ! -e "$PREFIX/.complete" ]; then
            web_make_work
            prepare_sources "$FETCH"
            KEY="$(compute_key)"
            PREFIX="$CACHE_ROOT/web-deps-$KEY"
        fi
        exec 8>&-
    fi
    if [ "$mode" = key ]; then
        echo "$KEY"
        return 0
    fi
    STAGE="$PREFIX.tmp"
    if [ ! -e "$PREFIX/.complete" ]; then
        exec 9> "$PREFIX.lock"
        flock 9
        [ -e "$PREFIX/.complete" ] || web_build_all
        exec 9>&-
    fi
    echo "$PREFIX"
}

web_main "$@"
