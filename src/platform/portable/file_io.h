// The file toolkit: an owned descriptor, whole reads and writes that survive short
// transfers and interrupted calls, reading a whole file up to a limit, and replacing
// a file so that a reader sees either the old contents or the new, never a mix.
//
// Every system call goes through a FileOps table. The engine and the game use the
// real calls (system_file_ops()); a test hands a copy with some calls replaced to
// make a write fail, the disk fill up, a flush or a rename fail, or the program stop
// between two steps, and checks what the caller does about it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Flags Windows' C library lacks. Its opens never follow links nor block, and the
// toolkit's own calls there open every descriptor uninheritable and in binary mode.
#ifdef _WIN32
#ifndef O_NOFOLLOW
#define O_NOFOLLOW 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_DIRECTORY
#define O_DIRECTORY 0
#endif
#endif

namespace zorby::platform {

// A file descriptor closed when the object goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The system calls the toolkit makes, with the POSIX contracts (-1 and errno on
// failure). A copy of system_file_ops() with members replaced is the test seam.
struct FileOps {
    std::function<int(const char* path, int flags, mode_t mode)> open;
    std::function<ssize_t(int fd, void* buffer, size_t count)> read;
    std::function<ssize_t(int fd, void* buffer, size_t count, off_t offset)> pread;
    std::function<ssize_t(int fd, const void* data, size_t count)> write;
    std::function<int(int fd, struct stat* st)> fstat;
    std::function<int(int fd)> fsync;
    std::function<int(int fd)> close;
    std::function<int(const char* from, const char* to)> rename;
    std::function<int(const char* path)> unlink;
};

// The real calls.
const FileOps& system_file_ops();

// How an operation ended: ok, or the step that failed with its errno.
struct FileStatus {
    bool ok = true;
    // "open", "not a regular file", "too large", "read", "write", "flush", "close",
    // "rename" (a static text; empty when ok).
    const char* step = "";
    int error_number = 0;

    explicit operator bool() const { return ok; }
    static FileStatus failed(const char* step, int error_number) {
        return {false, step, error_number};
    }
    // True when the file was simply not there (the open found no such file).
    bool missing() const;
    // "write failed: No space left on device"; "ok" when ok.
    std::string describe() const;
};

// Reads until count bytes arrived or the file ends; got tells how many arrived.
FileStatus read_all(int fd, void* out, size_t count, size_t& got,
                    const FileOps& ops = system_file_ops());
// The same from a position, without moving the file offset.
FileStatus read_all_at(int fd, int64_t offset, void* out, size_t count, size_t& got,
                       const FileOps& ops = system_file_ops());
// Writes every byte (short writes continue, EINTR retries); a write that makes no
// progress fails with ENOSPC.
FileStatus write_all(int fd, const void* data, size_t count,
                     const FileOps& ops = system_file_ops());

// True when anything (a file, a folder, a link even to nothing) is under path.
bool exists_itself(const std::string& path);
// True when this process may write to path (a file's contents, a folder's entries).
bool writable(const std::string& path);

// Which regular file a name stands for, and the version of it: equal stamps taken at
// two moments mean the same, unchanged file.
struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;
    int64_t modified_ns = -1;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the regular file path names (links followed); false for anything else.
bool regular_file_stamp(const std::string& path, FileStamp& out);
// The size of the open file, when it is a regular file; false otherwise.
bool regular_file_size(std::FILE* file, uint64_t& size);

// ---- files held open by descriptor (the engine's file channels) ----
// Opens path for reading (for_writing false) or as a new, empty file for reading and
// writing (mode & ~umask when created; a link under the name is replaced by a new
// file rather than written through), in either case only when it is a regular file
// this process can hold exclusively (another holder makes the open fail). -1 when it
// cannot be had.
int open_held_file(const std::string& path, bool for_writing);
void close_file(int fd);
// The file's size in bytes; false when it cannot be told.
bool file_size(int fd, uint64_t& size);
// The read and write position; negative when it cannot be told.
int64_t file_position(int fd);
// Moves the position by the given number of bytes (back when negative).
void move_file_position(int fd, int64_t by);

// Opens path for appending, creating it (mode & ~umask) when missing; a link under
// the name is never written through (the open fails).
UniqueFd open_for_appending(const std::string& path, mode_t mode = 0644,
                            const FileOps& ops = system_file_ops());
// Opens path for reading only when it names a regular file (never blocks on a FIFO).
UniqueFd open_regular_file(const std::string& path, const FileOps& ops = system_file_ops());
// The first max_bytes of a regular file (all of a shorter one).
FileStatus read_file_start(const std::string& path, uint64_t max_bytes, std::vector<uint8_t>& out,
                           const FileOps& ops = system_file_ops());
// The whole file, at most max_bytes long ("too large" with EFBIG beyond that). Only a
// regular file is read.
FileStatus read_whole_file(const std::string& path, uint64_t max_bytes, std::vector<uint8_t>& out,
                           const FileOps& ops = system_file_ops());

// Makes the folder entry of a file just renamed into path survive a power cut, where
// the system needs that asked for (POSIX: the folder's fsync; Windows: the rename
// itself writes through).
void flush_folder_of(const std::string& path, const FileOps& ops = system_file_ops());

// The temporary file replace_file writes beside path.
std::string replace_temp_path(const std::string& path);
// Replaces path with data: writes replace_temp_path(path) in the same folder (a link
// or left-over file there is replaced), flushes it to the disk, closes it and renames
// it over path, then flushes the folder. On any failure the temporary file is removed,
// path is left as it was and the failed step is returned. New files get mode & ~umask.
FileStatus replace_file(const std::string& path, const void* data, size_t size,
                        const FileOps& ops = system_file_ops(), mode_t mode = 0644);
inline FileStatus replace_file(const std::string& path, const std::string& bytes,
                               const FileOps& ops = system_file_ops(), mode_t mode = 0644) {
    return replace_file(path, bytes.data(), bytes.size(), ops, mode);
}

}  // namespace zorby::platform
