# Cross-compiles the game for 64-bit Windows with Debian's MinGW-w64 (POSIX threads
# variant, package g++-mingw-w64-x86-64-posix) and runs what it builds (tests, tools)
# under Wine.
#
#   cmake -S . -B build-win64 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#     -DZORBY_WIN64_DEPS="$(scripts/windows-deps.sh --print-prefix)"
#
# scripts/windows-deps.sh builds the Windows libraries once (cached by version) and
# prints their prefix. ZORBY_WIN64_DEPS is that prefix (include/, lib/,
# lib/pkgconfig, lib/cmake). ZORBY_WINE names the program that runs the .exe files
# (default: Debian's `wine`).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZORBY_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZORBY_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORBY_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORBY_MINGW_TRIPLE}-windres)

# The dependency prefix: from the cache, else from the environment (try_compile
# projects re-read this file and get it through CMAKE_TRY_COMPILE_PLATFORM_VARIABLES).
if(NOT ZORBY_WIN64_DEPS AND DEFINED ENV{ZORBY_WIN64_DEPS})
  set(ZORBY_WIN64_DEPS "$ENV{ZORBY_WIN64_DEPS}")
endif()
if(NOT ZORBY_WIN64_DEPS)
  message(FATAL_ERROR
    "Set -DZORBY_WIN64_DEPS=PREFIX to the Windows libraries' prefix, e.g. "
    "-DZORBY_WIN64_DEPS=\"$(scripts/windows-deps.sh --print-prefix)\"")
endif()
get_filename_component(ZORBY_WIN64_DEPS "${ZORBY_WIN64_DEPS}" ABSOLUTE)
if(NOT IS_DIRECTORY "${ZORBY_WIN64_DEPS}/lib")
  message(FATAL_ERROR "ZORBY_WIN64_DEPS=${ZORBY_WIN64_DEPS} has no lib/: run scripts/windows-deps.sh")
endif()
set(ZORBY_WIN64_DEPS "${ZORBY_WIN64_DEPS}" CACHE PATH "Prefix of the Windows libraries (scripts/windows-deps.sh)")

set(ZORBY_WINE wine CACHE STRING "Runs the Windows programs built here (tests, asset tools)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZORBY_WIN64_DEPS ZORBY_WINE)

# Headers and libraries only from the MinGW sysroot and the dependency prefix; build
# tools (pkg-config, the compilers' helpers) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZORBY_MINGW_TRIPLE} "${ZORBY_WIN64_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# find_package(GTest), find_package(SDL2) and friends look in PREFIX/lib/cmake.
list(APPEND CMAKE_PREFIX_PATH "${ZORBY_WIN64_DEPS}")

# pkg-config sees the Windows .pc files only, never the host's. Their prefix= lines
# already name ZORBY_WIN64_DEPS, so no sysroot rewriting.
set(ENV{PKG_CONFIG_LIBDIR} "${ZORBY_WIN64_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_USE_CMAKE_PREFIX_PATH OFF)

# One .exe without the MinGW runtime DLLs (libstdc++-6, libgcc_s_seh-1,
# libwinpthread-1): every library here is a static archive, and the Windows system
# libraries are import libraries that -static links as usual.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# ctest, add_test and gtest_discover_tests run the .exe files through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${ZORBY_WINE}")
