// The data folder search.
#include "app/user_folders.h"

#include <filesystem>

#include "platform/paths.h"

namespace zorby::app {

namespace fs = std::filesystem;

bool holds_game_data(const std::string& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(platform::native_path(folder) / kDataMarker, ec);
}

DataFolder find_data_folder(const std::string& exe_dir, const std::string& install_relative) {
    if (holds_game_data(exe_dir)) {
        std::error_code ec;
        return {exe_dir, !fs::exists(platform::native_path(exe_dir) / kInstalledMarker, ec)};
    }
    if (!exe_dir.empty() && !install_relative.empty()) {
        fs::path installed =
            (platform::native_path(exe_dir) / platform::native_path(install_relative))
                .lexically_normal();
        // A trailing separator (either kind on Windows) is dropped: "share/zorby/".
        if (!installed.has_filename() && installed.has_relative_path())
            installed = installed.parent_path();
        const std::string path = platform::utf8_path(installed);
        if (holds_game_data(path)) return {path, false};
    }
    return {};
}

}  // namespace zorby::app
