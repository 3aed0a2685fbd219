// The faults a save can meet, made through the file toolkit's FileOps seam: each
// entry breaks one step of replace_file the way the system would, and the crash
// points stop the save at one step as if the program died there (a SaveCrash is
// thrown; the descriptor the program held is closed as the system would on exit).
// The high-score and settings tests drive their savers through the same tables.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/portable/file_io.h"

namespace zorby::testing {

// Flags for the C library's own open: Windows' descriptors translate line ends unless
// asked for binary ones, and the program's files are written byte for byte.
#ifdef _WIN32
constexpr int kBinaryOpen = O_BINARY;
#else
constexpr int kBinaryOpen = 0;
#endif

// What a save fault does to the calls, and the reason the player must be told.
struct SaveFault {
    const char* name;
    const char* reason;  // strerror text expected in the message
    std::function<void(platform::FileOps&)> apply;
};

inline std::vector<SaveFault> save_faults() {
    // A write that stores the first few bytes, then fails with error_number.
    auto part_then = [](int error_number) {
        return [error_number](platform::FileOps& ops) {
            auto writes = std::make_shared<int>(0);
            ops.write = [writes, error_number](int fd, const void* data, size_t n) -> ssize_t {
                if (++*writes == 1) return ::write(fd, data, std::min<size_t>(n, 5));
                errno = error_number;
                return -1;
            };
        };
    };
    return {
        {"a write failing part-way", "Input/output error", part_then(EIO)},
        {"a full disk", "No space left on device", part_then(ENOSPC)},
        // The disk fills up silently: writes that store nothing more.
        {"a full disk taking no bytes", "No space left on device",
         [](platform::FileOps& ops) {
             ops.write = [](int, const void*, size_t) -> ssize_t { return 0; };
         }},
        {"a failing flush", "Input/output error",
         [](platform::FileOps& ops) { ops.fsync = [](int) { return errno = EIO, -1; }; }},
        {"a failing close", "Input/output error",
         [](platform::FileOps& ops) {
             ops.close = [](int fd) { return ::close(fd), errno = EIO, -1; };
         }},
        {"a failing rename", "Invalid cross-device link",
         [](platform::FileOps& ops) {
             ops.rename = [](const char*, const char*) { return errno = EXDEV, -1; };
         }},
    };
}

// Thrown where the program "dies".
struct SaveCrash {};

struct CrashPoint {
    const char* name;
    bool new_in_place;  // the rename was done: the new contents stand
    std::function<void(platform::FileOps&)> apply;
};

inline std::vector<CrashPoint> crash_points() {
    return {
        {"creating the temporary file", false,
         [](platform::FileOps& ops) {
             ops.open = [](const char* path, int flags, mode_t mode) -> int {
                 // The file is made, then the program dies before it writes.
                 if ((flags & O_CREAT) != 0) ::close(::open(path, flags | kBinaryOpen, mode));
                 throw SaveCrash{};
             };
         }},
        {"half-way through the write", false,
         [](platform::FileOps& ops) {
             ops.write = [](int fd, const void* data, size_t n) -> ssize_t {
                 [[maybe_unused]] ssize_t stored = ::write(fd, data, n / 2);
                 ::close(fd);
                 throw SaveCrash{};
             };
         }},
        {"before the flush", false,
         [](platform::FileOps& ops) {
             ops.fsync = [](int fd) -> int {
                 ::close(fd);
                 throw SaveCrash{};
             };
         }},
        {"before the close", false,
         [](platform::FileOps& ops) {
             ops.close = [](int fd) -> int {
                 ::close(fd);
                 throw SaveCrash{};
             };
         }},
        {"before the rename", false,
         [](platform::FileOps& ops) {
             ops.rename = [](const char*, const char*) -> int { throw SaveCrash{}; };
         }},
#ifdef _WIN32
        // Windows' rename writes through to the disk and has no folder flush after it:
        // the program dies as soon as the rename is done.
        {"just after the rename", true,
         [](platform::FileOps& ops) {
             ops.rename = [rename = ops.rename](const char* from, const char* to) -> int {
                 if (rename(from, to) == 0) throw SaveCrash{};
                 return -1;
             };
         }},
#else
        {"after the rename, flushing the folder", true,
         [](platform::FileOps& ops) {
             ops.open = [](const char* path, int flags, mode_t mode) -> int {
                 if ((flags & O_DIRECTORY) != 0) throw SaveCrash{};
                 return ::open(path, flags, mode);
             };
         }},
#endif
    };
}

// A folder made read-only for the life of the object (0500), given back its mode
// after. writable() tells whether it is still writable (running as root; on Windows
// always, see kFolderStaysWritable).
// Why a ReadOnlyFolder can stay writable.
#ifdef _WIN32
constexpr const char* kFolderStaysWritable =
    "Windows folders have no mode bits: chmod cannot make one read-only";
#else
constexpr const char* kFolderStaysWritable = "a 0500 folder stays writable for this user (root)";
#endif

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string path) : path_(std::move(path)) {
        ::chmod(path_.c_str(), 0500);
    }
    ~ReadOnlyFolder() { ::chmod(path_.c_str(), 0700); }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool writable() const { return ::access(path_.c_str(), W_OK) == 0; }

private:
    std::string path_;
};

}  // namespace zorby::testing
