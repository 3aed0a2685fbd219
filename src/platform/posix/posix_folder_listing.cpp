// Folder listing on POSIX (opendir / readdir).
#include <dirent.h>
#include <sys/stat.h>

#include "platform/folder_listing.h"

namespace zorby::platform {

bool list_regular_files(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        const std::string path = folder + "/" + name;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    ::closedir(dir);
    return true;
}

}  // namespace zorby::platform
