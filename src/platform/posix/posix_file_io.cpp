// The file toolkit's system calls on a POSIX system: the FileOps table, stamps,
// held files (flock) and the folder flush after a rename.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/portable/file_io.h"

namespace zorby::platform {

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

const FileOps& system_file_ops() {
    static const FileOps ops{
        [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
        [](int fd, void* buffer, size_t count) { return ::read(fd, buffer, count); },
        [](int fd, void* buffer, size_t count, off_t offset) {
            return ::pread(fd, buffer, count, offset);
        },
        [](int fd, const void* data, size_t count) { return ::write(fd, data, count); },
        [](int fd, struct stat* st) { return ::fstat(fd, st); },
        [](int fd) { return ::fsync(fd); },
        [](int fd) { return ::close(fd); },
        [](const char* from, const char* to) { return ::rename(from, to); },
        [](const char* path) { return ::unlink(path); },
    };
    return ops;
}

bool exists_itself(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool writable(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

bool regular_file_stamp(const std::string& path, FileStamp& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.size = st.st_size;
    out.modified_ns = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

bool regular_file_size(std::FILE* file, uint64_t& size) {
    struct stat st {};
    if (!file || ::fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

namespace {

// An exclusively held regular file, or -1 (the descriptor is closed then).
int take_file(int fd) {
    struct stat st;
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int open_held_file(const std::string& path, bool for_writing) {
    if (!for_writing) return take_file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    int raw = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (raw < 0 && errno == ELOOP && ::unlink(path.c_str()) == 0) {
        raw = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    }
    const int fd = take_file(raw);
    if (fd >= 0 && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void close_file(int fd) {
    if (fd >= 0) ::close(fd);
}

bool file_size(int fd, uint64_t& size) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

int64_t file_position(int fd) {
    return fd >= 0 ? static_cast<int64_t>(::lseek(fd, 0, SEEK_CUR)) : -1;
}

void move_file_position(int fd, int64_t by) {
    ::lseek(fd, static_cast<off_t>(by), SEEK_CUR);
}

namespace {

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void flush_folder_of(const std::string& path, const FileOps& ops) {
    const int dir = ops.open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dir >= 0) {
        ops.fsync(dir);
        ops.close(dir);
    }
}

}  // namespace zorby::platform
