// The file toolkit: whole transfers, whole-file reads and file replacement, every
// system call made through a FileOps table. What differs between operating systems
// (the calls themselves, file stamps, held files) is in posix_file_io.cpp and
// win32_file_io.cpp.
#include "platform/portable/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace zorby::platform {

bool FileStatus::missing() const {
    return !ok && std::strcmp(step, "open") == 0 && error_number == ENOENT;
}

std::string FileStatus::describe() const {
    if (ok) return "ok";
    std::string text = std::string(step) + " failed";
    if (error_number != 0) text += std::string(": ") + std::strerror(error_number);
    return text;
}

namespace {

// One transfer loop for read, pread and write: calls step(done) until count bytes
// moved, the file ends (step returns 0) or a call fails (EINTR retries).
template <typename Step>
FileStatus transfer(size_t count, size_t& done, const char* what, Step step) {
    done = 0;
    while (done < count) {
        const ssize_t n = step(done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FileStatus::failed(what, errno);
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return {};
}

}  // namespace

FileStatus read_all(int fd, void* out, size_t count, size_t& got, const FileOps& ops) {
    auto* bytes = static_cast<char*>(out);
    return transfer(count, got, "read",
                    [&](size_t done) { return ops.read(fd, bytes + done, count - done); });
}

FileStatus read_all_at(int fd, int64_t offset, void* out, size_t count, size_t& got,
                       const FileOps& ops) {
    auto* bytes = static_cast<char*>(out);
    return transfer(count, got, "read", [&](size_t done) {
        return ops.pread(fd, bytes + done, count - done,
                         static_cast<off_t>(offset + static_cast<int64_t>(done)));
    });
}

FileStatus write_all(int fd, const void* data, size_t count, const FileOps& ops) {
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    FileStatus status = transfer(count, done, "write",
                                 [&](size_t at) { return ops.write(fd, bytes + at, count - at); });
    if (status && done < count) return FileStatus::failed("write", ENOSPC);
    return status;
}

UniqueFd open_for_appending(const std::string& path, mode_t mode, const FileOps& ops) {
    return UniqueFd(
        ops.open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, mode));
}

UniqueFd open_regular_file(const std::string& path, const FileOps& ops) {
    if (path.empty()) return {};
    UniqueFd fd(ops.open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0));
    if (!fd) return {};
    struct stat st {};
    if (ops.fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return fd;
}

namespace {

// The start of a regular file, up to limit bytes; with whole, a file whose stated
// size is beyond limit fails at once as too large.
FileStatus read_regular(const std::string& path, uint64_t limit, bool whole,
                        std::vector<uint8_t>& out, const FileOps& ops) {
    out.clear();
    UniqueFd fd(ops.open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0));
    if (!fd) return FileStatus::failed("open", errno);
    struct stat st {};
    if (ops.fstat(fd.get(), &st) != 0) return FileStatus::failed("read", errno);
    if (!S_ISREG(st.st_mode)) return FileStatus::failed("not a regular file", 0);
    const uint64_t stated = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    if (whole && stated >= limit) return FileStatus::failed("too large", EFBIG);
    // The stated size is a hint: a file that grows meanwhile is read up to the limit.
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min(stated, limit)));
    size_t total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (bytes.size() >= limit) break;
            const uint64_t grown = std::max<uint64_t>(uint64_t{bytes.size()} * 2, 4096);
            bytes.resize(static_cast<size_t>(std::min(grown, limit)));
        }
        size_t got = 0;
        const size_t want = bytes.size() - total;
        if (FileStatus s = read_all(fd.get(), bytes.data() + total, want, got, ops); !s) return s;
        total += got;
        if (got < want) break;  // the file ended
    }
    bytes.resize(total);
    out = std::move(bytes);
    return {};
}

}  // namespace

FileStatus read_file_start(const std::string& path, uint64_t max_bytes, std::vector<uint8_t>& out,
                           const FileOps& ops) {
    return read_regular(path, max_bytes, false, out, ops);
}

FileStatus read_whole_file(const std::string& path, uint64_t max_bytes, std::vector<uint8_t>& out,
                           const FileOps& ops) {
    // One byte past the limit tells a file that is too large.
    const uint64_t limit = max_bytes == UINT64_MAX ? max_bytes : max_bytes + 1;
    FileStatus status = read_regular(path, limit, true, out, ops);
    if (status && out.size() > max_bytes) {
        out.clear();
        return FileStatus::failed("too large", EFBIG);
    }
    return status;
}

std::string replace_temp_path(const std::string& path) {
    return system_files().replacement_name(path);
}

FileStatus replace_file(const std::string& path, const void* data, size_t size, const FileOps& ops,
                        mode_t mode) {
    const std::string temp = replace_temp_path(path);
    // Whatever stands under the temporary name (a file left by an interrupted save, a
    // planted link) goes, and the new file is made afresh, never written through.
    ops.unlink(temp.c_str());
    const int fd =
        ops.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return FileStatus::failed("open", errno);
    auto give_up = [&](FileStatus status, bool close_first) {
        if (close_first) ops.close(fd);
        ops.unlink(temp.c_str());
        return status;
    };
    if (FileStatus s = write_all(fd, data, size, ops); !s) return give_up(s, true);
    if (ops.fsync(fd) != 0) return give_up(FileStatus::failed("flush", errno), true);
    if (ops.close(fd) != 0) return give_up(FileStatus::failed("close", errno), false);
    if (ops.rename(temp.c_str(), path.c_str()) != 0) {
        return give_up(FileStatus::failed("rename", errno), false);
    }
    // The rename is done; flushing the folder makes it survive a power cut. Its
    // failure changes nothing for the caller: the new contents are in place.
    flush_folder_of(path, ops);
    return {};
}

}  // namespace zorby::platform
