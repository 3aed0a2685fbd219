// The data folder search and the player's private folders.
#include "app/user_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace zorby::app {

namespace fs = std::filesystem;

bool holds_game_data(const std::string& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(fs::path(folder) / kDataMarker, ec);
}

DataFolder find_data_folder(const std::string& exe_dir, const std::string& install_relative) {
    if (holds_game_data(exe_dir)) return {exe_dir, true};
    if (!exe_dir.empty() && !install_relative.empty()) {
        const fs::path installed = (fs::path(exe_dir) / install_relative).lexically_normal();
        std::string path = installed.string();
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        if (holds_game_data(path)) return {path, false};
    }
    return {};
}

std::string user_folder(const char* xdg_variable, const char* home_default) {
    const char* xdg = std::getenv(xdg_variable);
    // The base directory rules ignore relative paths.
    if (xdg != nullptr && xdg[0] == '/') return (fs::path(xdg) / "zorby").lexically_normal();
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return (fs::path(home) / home_default / "zorby").lexically_normal();
    }
    return {};
}

}  // namespace zorby::app
