# Builds a game against this SDK from Linux with MinGW-w64 (Debian 12: the package
# g++-mingw-w64-x86-64-posix) and runs its programs and tests under Wine:
#
#   cmake -S my_game -B build -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=SDK/cmake/mingw-w64-x86_64.cmake
#
# find_package(ZorbyEngine) finds the SDK this file lies in; a program's tests
# (add_test) run through `wine`. Other MinGW-w64 libraries (for Zorby::engine_static:
# SDL2, SDL2_mixer, libpng, zlib, LZO built for Windows) are found in the prefixes of
# -DZORBY_MINGW_PREFIXES="DIR;..." (their pkg-config files through PKG_CONFIG_LIBDIR). Programs get the C++ and thread runtime linked in,
# as the engine DLL has them, so zorby-engine.dll (and zorby-video.dll) beside a
# program is all it needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

get_filename_component(ZORBY_SDK "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(ZORBY_MINGW_PREFIXES "" CACHE STRING "Prefixes of other MinGW-w64 libraries")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZORBY_MINGW_PREFIXES)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${ZORBY_SDK}" ${ZORBY_MINGW_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_PREFIX_PATH "${ZORBY_SDK}" ${ZORBY_MINGW_PREFIXES})

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
