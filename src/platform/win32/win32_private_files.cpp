// The player's private folders and private temporary files on Windows. A folder made
// in the player's profile (%APPDATA%, the temporary folder) is private by the
// profile's own access rules, so no permissions are set here.
// The other Windows headers come after <windows.h>.
// clang-format off
#include "platform/win32/win32_windows.h"
#include <algorithm>
// clang-format on

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/portable/private_files.h"
#include "platform/win32/win32_text.h"

namespace zorby::platform {

namespace {

bool is_separator(char c) {
    return c == '/' || c == '\\';
}

// "C:\..." or "\\server\share\...".
bool is_absolute(const std::string& path) {
    if (path.size() >= 3 && path[1] == ':' && is_separator(path[2])) return true;
    return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
}

bool is_folder(const std::string& path) {
    const DWORD a = GetFileAttributesW(to_wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool make_private_folder(const std::string& folder, std::string& error) {
    if (!is_absolute(folder)) {
        error = "no absolute folder";
        return false;
    }
    // Each missing component is made; the drive or share itself is never.
    const size_t first = folder[1] == ':' ? 3 : folder.find_first_of("/\\", 2);
    for (size_t pos = first; pos != std::string::npos && pos <= folder.size();) {
        pos = folder.find_first_of("/\\", pos + 1);
        const std::string part = folder.substr(0, pos);
        if (part.empty() || is_folder(part)) continue;
        if (!CreateDirectoryW(to_wide(part).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            error =
                "cannot create " + part + ": " + std::strerror(errno_from_windows(GetLastError()));
            return false;
        }
    }
    if (!is_folder(folder)) {
        error = folder + " is not a folder";
        return false;
    }
    return true;
}

std::string make_private_temporary_folder(const std::string& prefix) {
    const std::string base = system_files().temporary_folder() + "\\" + prefix;
    // A unique ending from the process, the clock and a counter; retried when taken.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char ending[32];
        std::snprintf(ending, sizeof ending, "%lx%llx%x", GetCurrentProcessId(),
                      static_cast<unsigned long long>(GetTickCount64()), ++counter);
        const std::string name = base + ending;
        if (CreateDirectoryW(to_wide(name).c_str(), nullptr)) return name;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

bool is_folder_itself(const std::string& path) {
    const DWORD a = GetFileAttributesW(to_wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool write_private_file(const std::string& path, const std::vector<uint8_t>& data) {
    const std::wstring wide = to_wide(path);
    DeleteFileW(wide.c_str());
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool written = true;
    size_t done = 0;
    while (written && done < data.size()) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
        written = WriteFile(h, data.data() + done, want, &n, nullptr) && n > 0;
        done += n;
    }
    const bool closed = CloseHandle(h) != 0;
    if (!written || !closed) {
        DeleteFileW(wide.c_str());
        return false;
    }
    return true;
}

void remove_file(const std::string& path) {
    DeleteFileW(to_wide(path).c_str());
}

int64_t process_id() {
    return static_cast<int64_t>(GetCurrentProcessId());
}

}  // namespace zorby::platform
