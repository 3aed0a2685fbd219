#!/usr/bin/env bash
# Builds the libraries the game links (zlib, libpng, LZO, SDL2, SDL2_mixer, FFmpeg with
# the encoders of libvpx, x264, Opus and Vorbis, GoogleTest) for 64-bit Windows with
# Debian's MinGW-w64, from Debian's source packages of the very versions the Linux
# build uses, into one static prefix that cmake/toolchains/mingw-w64-x86_64.cmake
# consumes.
#
#   scripts/windows-deps.sh                 build if needed; print the prefix
#   scripts/windows-deps.sh --print-prefix  the same, and only the prefix on stdout
#   scripts/windows-deps.sh --key           print the cache key, build nothing
#
# Linux and Windows use one version of each library. When the source of an installed
# version can no longer be downloaded (the archive dropped it, or lists it but does not
# serve it), the installed binary packages of that source move, with
# `apt-get install --allow-downgrades`, to the newest other version apt lists whose
# source downloads and whose binaries apt can install, and the key follows. This needs
# the sources downloaded, so --key downloads them too when nothing is built for the
# installed versions yet (and may align packages); it builds nothing.
#
# The prefix is ${ZORBY_WIN64_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorby}/win64-deps-KEY;
# KEY hashes the source packages' names and versions, the compiler and this script, so
# a change to any of them builds a new prefix and an unchanged one is reused as is.
# Everything is built in a temporary folder and installed into PREFIX.tmp, which is
# renamed to PREFIX only once complete: an interrupted run leaves no half prefix.
#
# The sources come from `apt-get source`; a machine without deb-src entries gets
# /etc/apt/sources.list.d/zorby-deb-src.sources for the release it already uses.
#
# Environment: ZORBY_WIN64_JOBS (parallel jobs, default 2), ZORBY_APT_UPDATED=1 (apt-get
# update already ran), ZORBY_WIN64_KEEP_WORK=1 (keep the work folder for a look).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SELF="$ROOT/scripts/windows-deps.sh"
TOOLCHAIN="$ROOT/cmake/toolchains/mingw-w64-x86_64.cmake"
HOST=x86_64-w64-mingw32
WCC=$HOST-gcc-posix
WCXX=$HOST-g++-posix
JOBS="${ZORBY_WIN64_JOBS:-2}"
CACHE_ROOT="${ZORBY_WIN64_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorby}"

# The Linux build's -dev packages; their source packages are what gets built here.
DEV_PACKAGES=(zlib1g-dev libpng-dev liblzo2-dev libsdl2-dev libsdl2-mixer-dev
    libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
    libgtest-dev
    # The encoders Debian's FFmpeg links, which exporting a replay uses.
    libvpx-dev libx264-dev libopus-dev libogg-dev libvorbis-dev)
TOOL_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 dpkg-dev make cmake ninja-build pkg-config nasm)
COMPILER_PACKAGE=g++-mingw-w64-x86-64-posix

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

log() { echo "windows-deps: $*" >&2; }
die() { echo "windows-deps: error: $*" >&2; exit 1; }

apt_update() {
    $SUDO apt-get update -q >&2
    export ZORBY_APT_UPDATED=1
}

# Same as scripts/zorby.sh: install only what dpkg does not already have.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing: ${missing[*]}"
    [ -z "${ZORBY_APT_UPDATED:-}" ] && apt_update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}" >&2
}

# "NAME VERSION" of each source package behind DEV_PACKAGES, one a line, sorted.
source_packages() {
    local p
    for p in "${DEV_PACKAGES[@]}"; do
        dpkg-query -W -f='${source:Package} ${source:Version}\n' "$p"
    done | sort -u
}

compute_key() {
    {
        source_packages
        echo "compiler $($WCXX -dumpversion) $(dpkg-query -W -f='${Version}' $COMPILER_PACKAGE)"
        echo "script $(sha256sum < "$SELF" | cut -d' ' -f1)"
        # SDL2, SDL2_mixer and GoogleTest are configured through the toolchain file.
        echo "toolchain $(sha256sum < "$TOOLCHAIN" | cut -d' ' -f1)"
    } | sha256sum | cut -c1-16
}

# ---------------------------------------------------------------------------------
# Debian sources

# Adds deb-src entries for the release this machine uses (the same URIs, suites and
# components as its deb entries for deb.debian.org and debian-security).
add_deb_src() {
    local out=/etc/apt/sources.list.d/zorby-deb-src.sources
    [ -e "$out" ] && return 1
    local stanzas
    stanzas="$(
        {
            # deb822 files: one stanza per paragraph.
            for f in /etc/apt/sources.list.d/*.sources; do
                [ -e "$f" ] && { cat "$f"; echo; }
            done
        } | awk '
            function flush() {
                if (types ~ /(^| )deb( |$)/ && uris ~ /(deb\.debian\.org|security\.debian\.org)/ && enabled != "no") {
                    print "Types: deb-src"; print "URIs: " uris; print "Suites: " suites
                    print "Components: " comps
                    if (signed != "") print "Signed-By: " signed
                    print ""
                }
                types = uris = suites = comps = signed = enabled = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
            /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
            /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
            /^Components:/ { sub(/^Components:[ \t]*/, ""); comps = $0 }
            /^Signed-By:/ { sub(/^Signed-By:[ \t]*/, ""); signed = $0 }
            /^Enabled:/ { sub(/^Enabled:[ \t]*/, ""); enabled = $0 }
            END { flush() }'
        # One-line lists: "deb [opts] URI SUITE COMPONENTS...".
        cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '
            $1 == "deb" {
                i = 2
                if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                if ($i !~ /(deb\.debian\.org|security\.debian\.org)/) next
                comps = ""
                for (j = i + 2; j <= NF; j++) comps = comps (comps == "" ? "" : " ") $j
                print "Types: deb-src"; print "URIs: " $i; print "Suites: " $(i + 1)
                print "Components: " comps; print ""
            }'
    )"
    [ -n "$stanzas" ] || die "no deb entry for deb.debian.org or debian-security in /etc/apt: cannot add deb-src"
    log "adding deb-src entries in $out"
    printf '%s\n' "$stanzas" | $SUDO tee "$out" > /dev/null
    return 0
}

# True when apt knows the source package NAME at exactly VERSION.
source_known() {
    apt-cache showsrc --only-source "$1" 2>/dev/null | grep -Fx "Version: $2" > /dev/null
}

# Adds deb-src entries and updates apt's lists when apt does not know the source of
# every installed version yet.
ensure_deb_src() {
    local name version
    while read -r name version; do
        source_known "$name" "$version" || break
    done < <(source_packages)
    [ -z "${name:-}" ] && return 0
    if add_deb_src; then
        apt_update
    elif [ -z "${ZORBY_APT_UPDATED:-}" ]; then
        apt_update
    fi
}

# The versions of source package NAME that apt lists, newest first.
listed_versions() {
    local sorted=() v i
    while read -r v; do
        i=${#sorted[@]}
        while [ "$i" -gt 0 ] && dpkg --compare-versions "$v" gt "${sorted[i - 1]}"; do
            sorted[i]=${sorted[i - 1]}
            i=$((i - 1))
        done
        sorted[i]=$v
    done < <(apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u)
    [ ${#sorted[@]} -eq 0 ] || printf '%s\n' "${sorted[@]}"
}

# Downloads (without unpacking) the source of NAME=VERSION into the folder DIR; true
# when every file arrived. The log is DIR.log.
download_source() {
    local name=$1 version=$2 dir=$3
    rm -rf "$dir"
    mkdir -p "$dir"
    (cd "$dir" && apt-get source -q --download-only --only-source "$name=$version") \
        < /dev/null > "$dir.log" 2>&1
}

# "SOURCE SOURCE_VERSION" of binary package PKG at VERSION, as apt knows it (a binNMU
# names its source version in brackets).
binary_source() {
    apt-cache show "$1=$2" 2>/dev/null | awk '
        /^Package:/ { p = $2 }
        /^Version:/ { v = $2 }
        /^Source:/ { s = $2; sv = $3 }
        /^$/ { exit }
        END {
            if (s == "") s = p
            if (sv == "") sv = v; else gsub(/[()]/, "", sv)
            print s, sv
        }'
}

# The version of binary package PKG that an archive serves (apt-cache madison) and that
# is built from source NAME at VERSION; fails when there is none.
installable_version() {
    local pkg=$1 name=$2 version=$3 v
    while read -r v; do
        [ "$(binary_source "$pkg" "$v")" = "$name $version" ] && { echo "$v"; return 0; }
    done < <(apt-cache madison "$pkg" | awk -F'|' '$3 ~ / Packages[ \t]*$/ { gsub(/[ \t]/, "", $2); print $2 }')
    return 1
}

# The installed binary packages built from source NAME, as dpkg names them.
installed_binaries() {
    dpkg-query -W -f='${db:Status-Abbrev}|${binary:Package}|${source:Package}\n' |
        awk -F'|' -v name="$1" '$1 ~ /^[hi]i/ && $3 == name { print $2 }'
}

# The source of NAME at the installed VERSION cannot be downloaded: takes the newest
# other version apt lists whose source downloads into FETCH/NAME and whose binary
# packages apt can install, and moves every installed binary package of NAME to it,
# so that the Linux build and the Windows libraries still use one version.
align_source() {
    local name=$1 version=$2 fetch=$3 arch bins=() shown candidate pkg v specs ok tried=()
    arch="$(dpkg --print-architecture)"
    mapfile -t bins < <(installed_binaries "$name")
    [ ${#bins[@]} -gt 0 ] || die "$name: no installed binary package comes from it"
    shown="$(printf '%s\n' "${bins[@]}" | sed "s/:$arch\$//" | paste -sd, | sed 's/,/, /g')"
    while read -r candidate; do
        [ "$candidate" = "$version" ] && continue
        specs=()
        ok=1
        for pkg in "${bins[@]}"; do
            if v="$(installable_version "$pkg" "$name" "$candidate")"; then
                specs+=("$pkg=$v")
            else
                log "$name $candidate: apt cannot install $pkg from it; next version"
                ok=0
                break
            fi
        done
        [ "$ok" = 1 ] || { tried+=("$candidate (no $pkg)"); continue; }
        if ! download_source "$name" "$candidate" "$fetch/$name.try"; then
            log "$name $candidate: its source does not download either; next version"
            tried+=("$candidate (source not downloadable)")
            continue
        fi
        if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --allow-downgrades \
            "${specs[@]}" < /dev/null >&2; then
            tried+=("$candidate (apt-get install failed)")
            continue
        fi
        rm -rf "${fetch:?}/$name" "$fetch/$name.log"
        mv "$fetch/$name.try" "$fetch/$name"
        mv "$fetch/$name.try.log" "$fetch/$name.log"
        log "$name: source $version is not downloadable; the Linux packages $shown" \
            "move to $candidate, whose source is"
        return 0
    done < <(listed_versions "$name")
    die "$name: the source of the installed version $version cannot be downloaded, nor" \
        "can any other version apt lists be downloaded and installed for $shown" \
        "(tried: ${tried[*]:-none}), so the Windows libraries cannot match the Linux ones." \
        "apt-cache showsrc $name and apt-cache policy ${bins[*]} show what the archive has."
}

# Downloads the source of every package in source_packages into FETCH/NAME; a version
# whose source cannot be downloaded is first aligned to one that can (align_source).
# Aligning can pull in other versions of other libraries, so this goes round until a
# pass changes nothing.
prepare_sources() {
    local fetch=$1 name version changed
    ensure_deb_src
    for _ in 1 2 3; do
        changed=0
        while read -r name version; do
            [ -e "$fetch/$name.version" ] && [ "$(cat "$fetch/$name.version")" = "$version" ] &&
                continue
            rm -f "$fetch/$name.version"
            if source_known "$name" "$version" &&
                download_source "$name" "$version" "$fetch/$name"; then
                :
            else
                if source_known "$name" "$version"; then
                    grep -E '^(E|Err):' "$fetch/$name.log" >&2 || true
                fi
                align_source "$name" "$version" "$fetch"
                version="$(dpkg-query -W -f='${source:Version}' \
                    "$(installed_binaries "$name" | head -1)")"
                changed=1
            fi
            echo "$version" > "$fetch/$name.version"
        done < <(source_packages)
        [ "$changed" = 0 ] && return 0
    done
    die "the source packages' versions kept changing while aligning them; run this again"
}

# Unpacks the source of NAME=VERSION, downloaded by prepare_sources into FETCH/NAME
# (apt-get source finds the files there and only checks them), and prints the folder.
fetch_source() {
    local name=$1 version=$2
    cd "$FETCH/$name"
    apt-get source -q --only-source "$name=$version" < /dev/null > "$LOGS/fetch-$name.log" 2>&1 ||
        { grep -E '^(E|Err):' "$LOGS/fetch-$name.log" >&2
          die "apt-get source $name=$version failed (log: $LOGS/fetch-$name.log)"; }
    local dsc got upstream dir
    dsc="$(ls "${name}"_*.dsc)"
    got="$(sed -n 's/^Version: //p' "$dsc")"
    [ "$got" = "$version" ] ||
        die "apt-get source $name fetched version $got, but the installed -dev package is $version"
    upstream="${version#*:}"
    upstream="${upstream%-*}"
    dir="$PWD/$name-$upstream"
    [ -d "$dir" ] || die "apt-get source $name: no folder $dir"
    echo "$dir"
}

# Debian's copyright file and the upstream licence texts, for shipping with the game.
copy_licenses() {
    local name=$1 src=$2 dest="$STAGE/licenses/$1" f
    mkdir -p "$dest"
    cp "$src/debian/copyright" "$dest/debian-copyright"
    for f in "$src"/*; do
        case "$(basename "$f" | tr '[:upper:]' '[:lower:]')" in
            copying*|license*|licence*|copyright*|legal*|patents*) [ -f "$f" ] && cp "$f" "$dest/" ;;
        esac
    done
    # SDL2_mixer's built-in decoders carry their own terms.
    if [ -d "$src/src/codecs/dr_libs" ]; then
        cp "$src/src/codecs/dr_libs/LICENSE" "$dest/dr_libs-LICENSE"
        cp "$src/src/codecs/stb_vorbis/README.txt" "$dest/stb_vorbis-README.txt"
    fi
}

# ---------------------------------------------------------------------------------
# pkg-config files

# The prefix holds static archives only, and CMake's pkg_check_modules(IMPORTED_TARGET)
# reads the plain (non --static) flags: fold Libs.private into Libs and
# Requires.private into Requires so that a plain `pkg-config --libs` links.
fold_private() {
    local pc=$1
    awk '
        /^Libs\.private:/ { sub(/^Libs\.private:[ \t]*/, ""); lp = lp " " $0; next }
        /^Requires\.private:/ { sub(/^Requires\.private:[ \t]*/, ""); rp = rp " " $0; next }
        { lines[n++] = $0 }
        END {
            for (i = 0; i < n; i++) {
                l = lines[i]
                if (l ~ /^Libs:/ && lp ~ /[^ ]/) l = l lp
                if (l ~ /^Requires:/ && rp ~ /[^ ]/) { l = l (l ~ /:[ \t]*$/ ? "" : ",") rp; rp = "" }
                print l
            }
            if (rp ~ /[^ ]/) print "Requires:" rp
        }' "$pc" > "$pc.new"
    mv "$pc.new" "$pc"
}

# Each .pc file says prefix=PREFIX (the final folder, not PREFIX.tmp) and links statically.
fix_pkgconfig() {
    local pc
    for pc in "$STAGE"/lib/pkgconfig/*.pc; do
        [ -L "$pc" ] && continue
        sed -i -e "s|$STAGE|$PREFIX|g" "$pc"
        fold_private "$pc"
    done
}

# ---------------------------------------------------------------------------------
# The libraries

cmake_build() {
    # cmake_build SRC BUILD [cmake options...]
    local src=$1 build=$2
    shift 2
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DZORBY_WIN64_DEPS="$STAGE" \
        -DCMAKE_INSTALL_PREFIX="$STAGE" -DCMAKE_INSTALL_LIBDIR=lib \
        -DBUILD_SHARED_LIBS=OFF "$@"
    cmake --build "$build" -j "$JOBS"
    cmake --install "$build"
}

build_zlib() {
    local src=$1 f
    cd "$src"
    # Debian's zlib source has no Windows makefile; the library is a handful of C
    # files, compiled here straight into libz.a.
    mkdir -p build-win64
    for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback \
        inffast inflate inftrees trees uncompr zutil; do
        echo "$f"
    done | xargs -P "$JOBS" -I{} "$WCC" -O2 -Wall -I. -c {}.c -o build-win64/{}.o
    $HOST-ar rcs build-win64/libz.a build-win64/*.o
    install -d "$STAGE/include" "$STAGE/lib/pkgconfig"
    install -m 644 zlib.h zconf.h "$STAGE/include/"
    install -m 644 build-win64/libz.a "$STAGE/lib/"
    local version
    version="$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' zlib.h)"
    cat > "$STAGE/lib/pkgconfig/zlib.pc" <<EOF
prefix=$STAGE
exec_prefix=\${prefix}
libdir=\${exec_prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library
Version: $version
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
}

build_libpng() {
    local src=$1
    cd "$src"
    mkdir -p build-win64 && cd build-win64
    ../configure --host=$HOST --prefix="$STAGE" --enable-static --disable-shared \
        --disable-tools --without-binconfigs \
        CC="$WCC" CPPFLAGS="-I$STAGE/include" LDFLAGS="-L$STAGE/lib" \
        PKG_CONFIG_LIBDIR="$STAGE/lib/pkgconfig" PKG_CONFIG_PATH=
    make -j "$JOBS" libpng16.la
    make install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
        install-pkgconfigDATA install-header-links install-library-links install-libpng-pc
}

build_lzo2() {
    local src=$1
    cd "$src"
    mkdir -p build-win64 && cd build-win64
    ../configure --host=$HOST --prefix="$STAGE" --enable-static --disable-shared CC="$WCC"
    make -j "$JOBS" src/liblzo2.la
    make install-libLTLIBRARIES install-pkgincludeHEADERS install-pkgconfigDATA
    # lzo2.pc puts include/lzo on the path for <lzo1x.h>; the game includes
    # <lzo/lzo1x.h>, which Linux finds in /usr/include and Windows needs include/ for.
    sed -i 's|^Cflags: -I${includedir}/lzo$|Cflags: -I${includedir} -I${includedir}/lzo|' \
        "$STAGE/lib/pkgconfig/lzo2.pc"
    grep -qx 'Cflags: -I${includedir} -I${includedir}/lzo' "$STAGE/lib/pkgconfig/lzo2.pc"
}

build_sdl2() {
    local src=$1
    # Video, audio, events, joystick/game controller and OpenGL through WGL, with
    # Windows' own APIs only; no test programs.
    cmake_build "$src" "$src/build-win64" \
        -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_INSTALL=OFF \
        -DSDL_STATIC_PIC=OFF -DSDL_VULKAN=ON -DSDL_OPENGL=ON -DSDL_OPENGLES=OFF \
        -DSDL_RENDER_D3D=ON -DSDL_HIDAPI=ON -DSDL_LIBC=ON
    # SDL's static sdl2.pc names its libraries twice and adds -mwindows, which would
    # make every program linking SDL, the tests too, a GUI program without a console.
    # Keep the libraries once each; the game's own target chooses WIN32_EXECUTABLE.
    # SDL2main stays: Cflags has -Dmain=SDL_main, and MinGW's main calls SDL's WinMain.
    local pc="$STAGE/lib/pkgconfig/sdl2.pc"
    awk '/^Libs:/ {
            out = "Libs:"; delete seen
            for (i = 2; i <= NF; i++)
                if ($i != "-mwindows" && !seen[$i]++) out = out " " $i
            print out; next
        }
        { print }' "$pc" > "$pc.new"
    mv "$pc.new" "$pc"
}

build_sdl2_mixer() {
    local src=$1
    # WAV, MP3 (dr_mp3), Ogg Vorbis (stb_vorbis) and FLAC (dr_flac), all decoders
    # built in; nothing that needs an external library.
    cmake_build "$src" "$src/build-win64" \
        -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_DEPS_SHARED=OFF \
        -DSDL2MIXER_WAVE=ON -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_DRMP3=ON \
        -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_VORBIS=STB -DSDL2MIXER_FLAC=ON \
        -DSDL2MIXER_FLAC_DRFLAC=ON -DSDL2MIXER_FLAC_LIBFLAC=OFF -DSDL2MIXER_OPUS=OFF \
        -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_CMD=OFF
    # Its CMake build writes a .pc file for the shared library only.
    local version
    version="$(sed -n 's/^#define SDL_MIXER_\(MAJOR_VERSION\|MINOR_VERSION\|PATCHLEVEL\) *\([0-9]*\).*/\2/p' \
        "$src/include/SDL_mixer.h" | paste -sd.)"
    cat > "$STAGE/lib/pkgconfig/SDL2_mixer.pc" <<EOF
prefix=$STAGE
exec_prefix=\${prefix}
libdir=\${exec_prefix}/lib
includedir=\${prefix}/include

Name: SDL2_mixer
Description: mixer library for Simple DirectMedia Layer
Version: $version
Requires: sdl2 >= 2.0.9
Libs: -L\${libdir} -lSDL2_mixer
Cflags: -I\${includedir}/SDL2
EOF
}

# Autotools libraries: static only, found by later builds through the prefix's .pc files.
autotools_build() {
    # autotools_build SRC [configure options...]
    local src=$1
    shift
    mkdir -p "$src/build-win64" && cd "$src/build-win64"
    ../configure --host=$HOST --prefix="$STAGE" --enable-static --disable-shared \
        CC="$WCC" PKG_CONFIG_LIBDIR="$STAGE/lib/pkgconfig" PKG_CONFIG_PATH= "$@"
    make -j "$JOBS"
    make install
}

# The encoders exporting a replay uses (VP9, H.264, Opus; Vorbis after Opus, as on
# Linux), each built without its programs, documents and tests.
build_libogg() {
    autotools_build "$1"
}

build_libvorbis() {
    autotools_build "$1" --disable-docs --disable-examples --disable-oggtest
}

build_opus() {
    # The stack protector and the fortified string calls would need MinGW's libssp
    # linked into every program (a _FORTIFY_SOURCE already defined is left as it is).
    autotools_build "$1" --disable-doc --disable-extra-programs --disable-stack-protector \
        CPPFLAGS=-D_FORTIFY_SOURCE=0
}

build_libvpx() {
    local src=$1
    mkdir -p "$src/build-win64" && cd "$src/build-win64"
    # The VP9 encoder only: FFmpeg decodes VP8 and VP9 itself, and the export would
    # take VP8 only where VP9 is missing.
    CC="$WCC" CXX="$WCXX" AR=$HOST-ar LD="$WCC" AS=nasm STRIP=$HOST-strip NM=$HOST-nm \
        ../configure --target=x86_64-win64-gcc --prefix="$STAGE" --as=nasm \
        --enable-static --disable-shared --disable-examples --disable-tools --disable-docs \
        --disable-unit-tests --disable-install-docs --disable-install-bins \
        --disable-install-srcs --disable-vp8 --disable-vp9-decoder --enable-vp9-encoder
    make -j "$JOBS"
    make install
    # MinGW's POSIX-threads compiler links winpthread itself (statically, as the game
    # is linked); named in vpx.pc, CMake would link its import library as well.
    sed -i 's/ -lpthread\b//g' "$STAGE/lib/pkgconfig/vpx.pc"
}

build_x264() {
    local src=$1
    mkdir -p "$src/build-win64" && cd "$src/build-win64"
    # The library with 8-bit samples (what the export encodes), Windows' own threads;
    # no command-line program and none of its input readers.
    CC="$WCC" ../configure --host=$HOST --cross-prefix=$HOST- --prefix="$STAGE" \
        --enable-static --disable-cli --disable-opencl --enable-win32thread \
        --bit-depth=8 --disable-avs --disable-swscale --disable-lavf --disable-ffms \
        --disable-gpac --disable-lsmash --enable-strip
    make -j "$JOBS"
    make install-lib-static
}

build_ffmpeg() {
    local src=$1
    mkdir -p "$src/build-win64" && cd "$src/build-win64"
    # Only what the game plays: MP4, Matroska/WebM, AVI and Ogg files with the common
    # video and audio codecs, from local files; the music files (MP3, WAV, Ogg, FLAC)
    # an export mixes into its sound track; and what exporting a replay writes
    # (WebM with VP9 and Opus, MP4 with H.264 and AAC, Matroska with FFV1 and FLAC, GIF;
    # MPEG-4 Part 2 and Vorbis as on Linux when the others are missing), with the
    # tests' clip encoders (MPEG-1, Motion JPEG, PCM in Matroska and AVI). x264 is GPL,
    # so this FFmpeg is too, as Debian's is. The encoders' libraries are static: their
    # own dependencies come from pkg-config --static.
    PKG_CONFIG_LIBDIR="$STAGE/lib/pkgconfig" PKG_CONFIG_PATH= \
        ../configure --prefix="$STAGE" --enable-cross-compile --target-os=mingw32 \
        --arch=x86_64 --cross-prefix=$HOST- --cc="$WCC" --cxx="$WCXX" \
        --pkg-config=pkg-config --pkg-config-flags=--static --enable-static --disable-shared \
        --disable-autodetect --enable-w32threads --disable-debug --enable-gpl \
        --enable-libvpx --enable-libx264 --enable-libopus --enable-libvorbis \
        --disable-programs --disable-doc --disable-network \
        --disable-avdevice --disable-avfilter --disable-postproc \
        --enable-avformat --enable-avcodec --enable-swscale --enable-swresample \
        --disable-everything \
        --enable-decoder=h264,vp8,vp9,mpeg4,mpeg1video,mpeg2video,theora \
        --enable-decoder=aac,vorbis,opus,mp3,mp3float,mp2,mp2float \
        --enable-decoder=pcm_s16le,pcm_s16be,pcm_u8,pcm_s8,pcm_s24le,pcm_s32le,pcm_f32le,pcm_f64le,pcm_alaw,pcm_mulaw \
        --enable-decoder=mjpeg,ffv1,flac,gif \
        --enable-demuxer=mov,matroska,avi,ogg,gif,mp3,wav,flac \
        --enable-parser=h264,vp8,vp9,mpeg4video,mpegvideo,aac,vorbis,opus,mpegaudio,mjpeg \
        --enable-encoder=ffv1,flac,mpeg4,aac,gif,opus,mpeg1video,mjpeg,pcm_s16le \
        --enable-encoder=libvpx_vp9,libx264,libopus,libvorbis \
        --enable-muxer=matroska,webm,mp4,gif,avi \
        --enable-protocol=file
    make -j "$JOBS"
    make install
}

build_googletest() {
    local src=$1
    # gtest and gmock with their main() libraries and CMake config files.
    # gtest_disable_pthreads: on Windows gtest's own Win32 locking, the same in the
    # library and in every test that includes its headers.
    cmake_build "$src" "$src/build-win64" \
        -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON
}

# Order matters: libpng needs zlib; SDL2_mixer needs SDL2; libvorbis needs libogg;
# FFmpeg needs the encoders.
LIBRARIES=(zlib:zlib libpng1.6:libpng lzo2:lzo2 libsdl2:sdl2 libsdl2-mixer:sdl2_mixer
    libogg:libogg libvorbis:libvorbis opus:opus libvpx:libvpx x264:x264
    ffmpeg:ffmpeg googletest:googletest)

# A temporary folder for the sources and the builds; FETCH holds the downloads.
make_work() {
    WORK="$(mktemp -d "${TMPDIR:-/tmp}/zorby-win64-deps.XXXXXX")"
    if [ -z "${ZORBY_WIN64_KEEP_WORK:-}" ]; then
        trap 'rm -rf "$WORK"' EXIT
    else
        log "work folder kept: $WORK"
    fi
    FETCH="$WORK/sources"
    mkdir -p "$FETCH"
}

build_all() {
    LOGS="$CACHE_ROOT/win64-deps-$KEY.logs"
    rm -rf "$STAGE" "$LOGS"
    mkdir -p "$STAGE"/{include,lib/pkgconfig,bin,licenses} "$LOGS"
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
        # A plain subshell (not an if/|| condition) so that set -e stops it at the
        # first failing step.
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
    # Not for shipping or linking: libtool archives, FFmpeg's examples, SDL's autoconf
    # macros and its own copy of the licences (licenses/ has them with Debian's).
    rm -rf "$STAGE/share" "$STAGE/lib"/*.la
    # CMake package files, sdl2-config and the like name the folder they were
    # installed into: make them name the final one.
    grep -rlI --fixed-strings "$STAGE" "$STAGE" > "$WORK/staged-paths" || true
    while read -r f; do
        sed -i -e "s|$STAGE|$PREFIX|g" "$f"
    done < "$WORK/staged-paths"
    {
        echo "key $KEY"
        source_packages | sed 's/^/source /'
        echo "compiler $($WCXX -dumpversion) $(dpkg-query -W -f='${Version}' $COMPILER_PACKAGE)"
        printf '%s' "$times" | sed 's/^/time /'
        echo "time total ${total}s"
    } > "$STAGE/build-info.txt"
    date -u +%Y-%m-%dT%H:%M:%SZ > "$STAGE/.complete"
    rm -rf "$PREFIX"
    mv "$STAGE" "$PREFIX"
    log "built in ${total}s: $PREFIX"
}

main() {
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
    PREFIX="$CACHE_ROOT/win64-deps-$KEY"
    if [ ! -e "$PREFIX/.complete" ]; then
        # Nothing built for these versions yet: download their sources, aligning the
        # Linux packages where a source is gone, and key on the versions that result.
        # One run at a time changes packages.
        mkdir -p "$CACHE_ROOT"
        exec 8> "$CACHE_ROOT/win64-deps.lock"
        flock 8
        if [ ! -e "$PREFIX/.complete" ]; then
            make_work
            prepare_sources "$FETCH"
            KEY="$(compute_key)"
            PREFIX="$CACHE_ROOT/win64-deps-$KEY"
        fi
    fi
    if [ "$mode" = key ]; then
        echo "$KEY"
        return 0
    fi
    STAGE="$PREFIX.tmp"
    if [ ! -e "$PREFIX/.complete" ]; then
        # One build at a time per key; a second run waits, then finds it done.
        exec 9> "$PREFIX.lock"
        flock 9
        [ -e "$PREFIX/.complete" ] || build_all
        exec 9>&-
    fi
    echo "$PREFIX"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
