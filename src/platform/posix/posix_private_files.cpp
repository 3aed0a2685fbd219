// The player's private folders and private temporary files on a POSIX system.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/files.h"
#include "platform/portable/file_io.h"
#include "platform/portable/private_files.h"

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

std::string make_private_temporary_folder(const std::string& prefix) {
    std::string name = system_files().temporary_folder() + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(name.data())) return {};  // mkdtemp makes it with mode 0700
    return name;
}

bool is_folder_itself(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool write_private_file(const std::string& path, const std::vector<uint8_t>& data) {
    ::unlink(path.c_str());
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) return false;
    const bool written = static_cast<bool>(write_all(fd.get(), data.data(), data.size()));
    const bool closed = ::close(fd.release()) == 0;
    if (!written || !closed) {
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

void remove_file(const std::string& path) {
    ::unlink(path.c_str());
}

int64_t process_id() {
    return static_cast<int64_t>(::getpid());
}

}  // namespace zorby::platform
