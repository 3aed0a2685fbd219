// The file toolkit's system calls on Windows: the C library's descriptors opened
// through the wide-character calls (UTF-8 names), always in binary mode and not
// inherited; the replacing rename through MoveFileExW, which writes through to the
// disk before it returns; held files by opening without sharing.
// The other Windows headers come after <windows.h>.
// clang-format off
#include "platform/win32/win32_windows.h"
#include <io.h>
#include <share.h>
// clang-format on

#include <cerrno>

#include "platform/portable/file_io.h"
#include "platform/win32/win32_text.h"

namespace zorby::platform {

namespace {

HANDLE handle_of(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

int fail_with_last_error() {
    errno = errno_from_windows(GetLastError());
    return -1;
}

// Opens with the POSIX flags; the share mode lets others read and write as POSIX
// does, and deleting or renaming a file that is open (a player's table being
// replaced while another copy of the game reads it).
int open_file(const char* path, int flags, mode_t mode) {
    const int access = flags & (O_RDONLY | O_WRONLY | O_RDWR);
    DWORD desired = access == O_WRONLY ? GENERIC_WRITE
                    : access == O_RDWR ? GENERIC_READ | GENERIC_WRITE
                                       : GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & O_CREAT) && (flags & O_EXCL)) {
        disposition = CREATE_NEW;
    } else if ((flags & O_CREAT) && (flags & O_TRUNC)) {
        disposition = CREATE_ALWAYS;
    } else if (flags & O_CREAT) {
        disposition = OPEN_ALWAYS;
    } else if (flags & O_TRUNC) {
        disposition = TRUNCATE_EXISTING;
    }
    if (flags & O_APPEND) desired = (desired & ~GENERIC_WRITE) | FILE_APPEND_DATA;
    const DWORD attributes =
        (mode & _S_IWRITE) || !(flags & O_CREAT) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
    // A plain read opens a folder too (with backup semantics, the only way Windows
    // opens one), as POSIX does: the caller's fstat then tells it is no regular file,
    // instead of the open failing with "access denied".
    const bool plain_read = access == O_RDONLY && !(flags & (O_CREAT | O_TRUNC | O_APPEND));
    const DWORD flags_and_attributes = attributes | (plain_read ? FILE_FLAG_BACKUP_SEMANTICS : 0);
    HANDLE h = CreateFileW(to_wide(path).c_str(), desired,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           disposition, flags_and_attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail_with_last_error();
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h),
                                   (flags & (O_RDONLY | O_WRONLY | O_RDWR | O_APPEND)) | O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

// A read at an offset that leaves the file position where it was (as pread does).
ssize_t read_at(int fd, void* buffer, size_t count, off_t offset) {
    HANDLE h = handle_of(fd);
    if (h == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    LARGE_INTEGER here{}, zero{};
    if (!SetFilePointerEx(h, zero, &here, FILE_CURRENT)) return fail_with_last_error();
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xffffffffu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    const BOOL ok = ReadFile(h, buffer, want, &got, &at);
    const DWORD error = GetLastError();
    SetFilePointerEx(h, here, nullptr, FILE_BEGIN);
    if (!ok && error != ERROR_HANDLE_EOF) {
        errno = errno_from_windows(error);
        return -1;
    }
    return static_cast<ssize_t>(got);
}

// fstat from the handle itself: the C library's own fstat calls every disk handle a
// regular file, a folder's too.
int file_stat(int fd, struct stat* st) {
    HANDLE h = handle_of(fd);
    if (h == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    *st = {};
    const DWORD type = GetFileType(h);
    if (type == FILE_TYPE_CHAR) {
        st->st_mode = _S_IFCHR;
        return 0;
    }
    if (type == FILE_TYPE_PIPE) {
        st->st_mode = _S_IFIFO;
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return fail_with_last_error();
    const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    st->st_mode = static_cast<decltype(st->st_mode)>(
        (folder ? _S_IFDIR : _S_IFREG) | _S_IREAD |
        ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0 : _S_IWRITE));
    st->st_size = static_cast<decltype(st->st_size)>((uint64_t{info.nFileSizeHigh} << 32) |
                                                     info.nFileSizeLow);
    // 100 ns units since 1601 to seconds since 1970.
    const uint64_t written =
        (uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
    st->st_mtime = static_cast<decltype(st->st_mtime)>(
        (static_cast<int64_t>(written) - 116444736000000000LL) / 10000000);
    st->st_nlink = static_cast<decltype(st->st_nlink)>(info.nNumberOfLinks);
    return 0;
}

int flush_file(int fd) {
    if (FlushFileBuffers(handle_of(fd))) return 0;
    return fail_with_last_error();
}

int replace_name(const char* from, const char* to) {
    if (MoveFileExW(to_wide(from).c_str(), to_wide(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return fail_with_last_error();
}

int remove_name(const char* path) {
    const std::wstring wide = to_wide(path);
    if (DeleteFileW(wide.c_str())) return 0;
    // A read-only file (one the game made read-only, or a copied one) goes too.
    const DWORD a = GetFileAttributesW(wide.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) &&
        !(a & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(wide.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
        if (DeleteFileW(wide.c_str())) return 0;
    }
    return fail_with_last_error();
}

}  // namespace

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) _close(fd_);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) _close(fd_);
        fd_ = other.release();
    }
    return *this;
}

const FileOps& system_file_ops() {
    static const FileOps ops{
        open_file,
        [](int fd, void* buffer, size_t count) -> ssize_t {
            return _read(fd, buffer, static_cast<unsigned>(std::min<size_t>(count, 1u << 30)));
        },
        read_at,
        [](int fd, const void* data, size_t count) -> ssize_t {
            return _write(fd, data, static_cast<unsigned>(std::min<size_t>(count, 1u << 30)));
        },
        file_stat,
        flush_file,
        [](int fd) { return _close(fd); },
        replace_name,
        remove_name,
    };
    return ops;
}

bool exists_itself(const std::string& path) {
    return GetFileAttributesW(to_wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool writable(const std::string& path) {
    const std::wstring wide = to_wide(path);
    const DWORD a = GetFileAttributesW(wide.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
        // The attribute says nothing of a folder's permissions: a file is made there.
        wchar_t name[MAX_PATH];
        if (!GetTempFileNameW(wide.c_str(), L"zby", 0, name)) return false;
        DeleteFileW(name);
        return true;
    }
    if (a & FILE_ATTRIBUTE_READONLY) return false;
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool regular_file_stamp(const std::string& path, FileStamp& out) {
    HANDLE h = CreateFileW(to_wide(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) &&
                    !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    GetFileType(h) == FILE_TYPE_DISK;
    CloseHandle(h);
    if (!ok) return false;
    out.device = info.dwVolumeSerialNumber;
    out.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    out.size = static_cast<int64_t>((uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
    // 100 ns units since 1601.
    out.modified_ns = static_cast<int64_t>(((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                            info.ftLastWriteTime.dwLowDateTime) *
                                           100);
    return true;
}

bool regular_file_size(std::FILE* file, uint64_t& size) {
    if (!file) return false;
    HANDLE h = handle_of(_fileno(file));
    LARGE_INTEGER n{};
    if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &n)) {
        return false;
    }
    size = static_cast<uint64_t>(n.QuadPart);
    return true;
}

int open_held_file(const std::string& path, bool for_writing) {
    // No sharing at all: another holder (or a later open) fails, as the exclusive
    // lock does elsewhere.
    HANDLE h = CreateFileW(
        to_wide(path).c_str(), for_writing ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, 0,
        nullptr, for_writing ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h),
                                   (for_writing ? O_RDWR : O_RDONLY) | O_BINARY);
    if (fd < 0) CloseHandle(h);
    return fd;
}

void close_file(int fd) {
    if (fd >= 0) _close(fd);
}

bool file_size(int fd, uint64_t& size) {
    LARGE_INTEGER n{};
    if (!GetFileSizeEx(handle_of(fd), &n)) return false;
    size = static_cast<uint64_t>(n.QuadPart);
    return true;
}

int64_t file_position(int fd) {
    return fd >= 0 ? static_cast<int64_t>(_lseeki64(fd, 0, SEEK_CUR)) : -1;
}

void move_file_position(int fd, int64_t by) {
    _lseeki64(fd, by, SEEK_CUR);
}

void flush_folder_of(const std::string&, const FileOps&) {
    // MoveFileExW with MOVEFILE_WRITE_THROUGH returned only once the rename was on the
    // disk; Windows has no separate flush of a folder's entries.
}

}  // namespace zorby::platform
