// Safe replacement of a player's private file, with a message naming what failed.
#include "platform/portable/private_files.h"

#include <cstring>

namespace zorby::platform {

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
