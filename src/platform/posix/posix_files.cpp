// The files and folders on a POSIX system: the XDG base directories, $TMPDIR.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"

namespace zorby::platform {

namespace {

namespace fs = std::filesystem;

// $xdg_variable/zorby, or $HOME/<home_default>/zorby.
std::string xdg_folder(const char* xdg_variable, const char* home_default) {
    const char* xdg = std::getenv(xdg_variable);
    // The base directory rules ignore relative paths.
    if (xdg != nullptr && xdg[0] == '/') return (fs::path(xdg) / "zorby").lexically_normal();
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return (fs::path(home) / home_default / "zorby").lexically_normal();
    }
    return {};
}

class PosixFiles : public Files {
public:
    std::string user_data_folder() override { return xdg_folder("XDG_DATA_HOME", ".local/share"); }
    std::string user_config_folder() override { return xdg_folder("XDG_CONFIG_HOME", ".config"); }
    std::string temporary_folder() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string dir = (tmp && *tmp) ? tmp : "/tmp";
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        return dir;
    }
    std::string replacement_name(const std::string& path) override { return path + ".new"; }
};

}  // namespace

Files& system_files() {
    static PosixFiles files;
    return files;
}

}  // namespace zorby::platform
