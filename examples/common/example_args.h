// What the examples share: reading their command lines (--seconds N ends a program
// normally after N seconds of play, so that a run without a player, such as CI, stops
// by itself) and finding the assets/ folder the build copied beside each program.
#pragma once

#include <zorby/values.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace example {

/// Reads a number of seconds from text; false for anything but a number above 0.
inline bool parse_seconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value > 0) || value > 1e6) {
        return false;
    }
    seconds = value;
    return true;
}

/// The assets/ folder beside the running program, whatever the current folder is
/// (the program is found through /proc/self/exe; argv[0] when that cannot be read).
inline std::string assets_folder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        program = std::filesystem::absolute(argv0, ec);
    }
    return (program.parent_path() / "assets").string();
}

/// A path given on the command line, made absolute against the folder the program was
/// started in: zorby::run() makes the data folder current, so a relative name would
/// otherwise be looked for there.
inline std::string absolute_path(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

/// Whether the seconds of play asked for with --seconds have passed since start_ms
/// (a reading of zorby::timer_ms()); never when seconds is 0 (no limit).
inline bool time_is_up(double start_ms, double seconds) {
    return seconds > 0 && zorby::timer_ms() - start_ms >= seconds * 1000.0;
}

}  // namespace example
