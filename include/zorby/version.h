/// @file version.h
/// @brief The engine kit's version: the same number as its packages, its CMake package
/// (find_package(ZorbyEngine 3.2)) and its pkg-config file.
///
/// Versions are MAJOR.MINOR.PATCH. A game built against one minor version runs with any
/// later one of the same major version; the shared library's SONAME
/// (libzorby-engine.so.N) changes only when its binary interface does.
#pragma once

/// The major version the headers belong to.
#define ZORBY_VERSION_MAJOR 3
/// The minor version the headers belong to.
#define ZORBY_VERSION_MINOR 2
/// The patch version the headers belong to.
#define ZORBY_VERSION_PATCH 0
/// The version as text, "MAJOR.MINOR.PATCH".
#define ZORBY_VERSION_STRING "3.2.0"

namespace zorby {

/// @brief The version of the engine library the program runs with (which may be later
/// than the headers it was built with: compare with ZORBY_VERSION_STRING).
/// @return "MAJOR.MINOR.PATCH".
const char* library_version();

}  // namespace zorby
