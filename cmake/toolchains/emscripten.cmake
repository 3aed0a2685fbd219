# Builds the game for a web browser (WebAssembly) with Debian's emscripten.
#
#   cmake -S . -B build-web -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/emscripten.cmake \
#     -DZORBY_WEB_DEPS="$(scripts/web-deps.sh --print-prefix)"
#
# scripts/web-deps.sh builds the libraries once (cached by version) and prints their
# prefix (include/, lib/, lib/pkgconfig, lib/cmake). scripts/zorby.sh web does all of it.

include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

if(NOT ZORBY_WEB_DEPS AND DEFINED ENV{ZORBY_WEB_DEPS})
  set(ZORBY_WEB_DEPS "$ENV{ZORBY_WEB_DEPS}")
endif()
if(NOT ZORBY_WEB_DEPS)
  message(FATAL_ERROR
    "Set -DZORBY_WEB_DEPS=PREFIX to the web libraries' prefix, e.g. "
    "-DZORBY_WEB_DEPS=\"$(scripts/web-deps.sh --print-prefix)\"")
endif()
get_filename_component(ZORBY_WEB_DEPS "${ZORBY_WEB_DEPS}" ABSOLUTE)
if(NOT IS_DIRECTORY "${ZORBY_WEB_DEPS}/lib")
  message(FATAL_ERROR "ZORBY_WEB_DEPS=${ZORBY_WEB_DEPS} has no lib/: run scripts/web-deps.sh")
endif()
set(ZORBY_WEB_DEPS "${ZORBY_WEB_DEPS}" CACHE PATH "Prefix of the web libraries (scripts/web-deps.sh)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZORBY_WEB_DEPS)

list(APPEND CMAKE_FIND_ROOT_PATH "${ZORBY_WEB_DEPS}")
list(APPEND CMAKE_PREFIX_PATH "${ZORBY_WEB_DEPS}")
set(ENV{PKG_CONFIG_LIBDIR} "${ZORBY_WEB_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_USE_CMAKE_PREFIX_PATH OFF)
# emcc's tools are node programs that look for their modules here.
if(NOT DEFINED ENV{NODE_PATH})
  set(ENV{NODE_PATH} /usr/share/nodejs)
endif()
