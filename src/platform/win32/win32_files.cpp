// The files and folders on Windows: the player's files in %APPDATA%\zorby, temporary
// files where GetTempPath says.
// The other Windows headers come after <windows.h>.
// clang-format off
#include "platform/win32/win32_windows.h"
#include <shlobj.h>
#include <string>
// clang-format on

#include <cstdlib>

#include "platform/files.h"
#include "platform/win32/win32_text.h"

namespace zorby::platform {

namespace {

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "C:\..." or "\\server\share\...".
bool is_absolute(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && is_separator(path[2])) return true;
    return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
}

// folder\zorby, with folder's own trailing separators dropped.
std::string zorby_folder_in(std::wstring folder) {
    while (folder.size() > 3 && is_separator(folder.back())) folder.pop_back();
    if (!is_separator(folder.back())) folder += L'\\';
    return from_wide(folder) + "zorby";
}

// %APPDATA%\zorby (the roaming application data folder: scores and settings follow
// the player between machines of a domain). Empty when Windows names none.
std::string app_data_folder() {
    // The variable first, so that tests (and players) can point it elsewhere; a
    // relative one would move with the current folder and is ignored.
    if (const wchar_t* env = _wgetenv(L"APPDATA"); env != nullptr && is_absolute(env)) {
        return zorby_folder_in(env);
    }
    wchar_t* path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path) == S_OK &&
        is_absolute(path)) {
        folder = zorby_folder_in(path);
    }
    CoTaskMemFree(path);
    return folder;
}

class Win32Files : public Files {
public:
    std::string user_data_folder() override { return app_data_folder(); }
    std::string user_config_folder() override { return app_data_folder(); }
    std::string temporary_folder() override {
        wchar_t buffer[MAX_PATH + 2];
        const DWORD n = GetTempPathW(MAX_PATH + 2, buffer);
        std::string dir = (n > 0 && n <= MAX_PATH + 1) ? from_wide(std::wstring(buffer, n)) : ".";
        while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
        return dir;
    }
    std::string replacement_name(const std::string& path) override { return path + ".new"; }
};

}  // namespace

Files& system_files() {
    static Win32Files files;
    return files;
}

}  // namespace zorby::platform
