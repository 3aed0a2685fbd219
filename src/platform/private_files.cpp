// The player's private folders and safe file replacement.
#include "platform/private_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/file_io.h"

namespace zorby::platform {

bool make_private_folder(const std::string& folder, std::string& error) {
    if (folder.empty() || folder[0] != '/') {
        error = "no absolute folder";
        return false;
    }
    // Each missing component is made 0700; existing ones are left as they are.
    std::string part;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        part = folder.substr(0, pos);
        if (part.empty() || part == "/") continue;
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = folder + " is not a folder";
        return false;
    }
    return true;
}

bool replace_file(const std::string& path, const std::string& bytes, std::string& error,
                  const FileOps& ops) {
    const FileStatus status = replace_file(path, bytes, ops, 0600);
    if (status) return true;
    const std::string step = status.step;
    const std::string what = step == "open"     ? "cannot create " + replace_temp_path(path)
                             : step == "rename" ? "cannot replace " + path
                                                : "cannot write " + replace_temp_path(path);
    error = what + ": " + std::strerror(status.error_number);
    return false;
}

}  // namespace zorby::platform
