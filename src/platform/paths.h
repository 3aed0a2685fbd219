// Paths between the engine's UTF-8 text and the system's own form. On Linux a path
// is its bytes; on Windows the standard library reads a narrow string in the
// system's code page, so a UTF-8 name with letters beyond ASCII (a player "Zoë")
// must be widened first. Every std::filesystem path and every file stream of the
// engine is made through these.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace zorby::platform {

#ifdef _WIN32
std::filesystem::path native_path(const std::string& utf8);
std::string utf8_path(const std::filesystem::path& path);
#else
inline std::filesystem::path native_path(const std::string& utf8) {
    return std::filesystem::path(utf8);
}
inline std::string utf8_path(const std::filesystem::path& path) {
    return path.string();
}
#endif

// std::fopen with a UTF-8 name.
std::FILE* open_stdio_file(const std::string& utf8, const char* mode);

}  // namespace zorby::platform
