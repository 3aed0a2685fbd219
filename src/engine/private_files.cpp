// The player's private folders and safe file replacement.
#include "engine/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace zorby {

namespace fs = std::filesystem;

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

bool replace_file(const std::string& path, const std::string& bytes, std::string& error) {
    const std::string temp = path + ".new";
    auto fail = [&](const std::string& what) {
        error = what + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    };
    // A link or other left-over under the temporary name is replaced, not followed.
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return fail("cannot create " + temp);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return fail("cannot write " + temp);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) return fail("cannot write " + temp);
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail("cannot replace " + path);
    // The rename itself reaches the disk with the folder.
    const std::string folder = fs::path(path).parent_path().string();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace zorby
