// The files and folders on Windows: the player's files in %APPDATA%\zorby, temporary
// files where GetTempPath says.
// <windows.h> comes before the other Windows headers.
// clang-format off
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlobj.h>
#include <string>
// clang-format on

#include <cstdlib>

#include "platform/files.h"
#include "platform/win32_text.h"

namespace zorby::platform {

namespace {

// %APPDATA%\zorby (the roaming application data folder: scores and settings follow
// the player between machines of a domain). Empty when Windows names none.
std::string app_data_folder() {
    // The variable first, so that tests (and players) can point it elsewhere.
    if (const wchar_t* env = _wgetenv(L"APPDATA"); env != nullptr && env[0] != L'\0') {
        return from_wide(env) + "\\zorby";
    }
    wchar_t* path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path) == S_OK) {
        folder = from_wide(path) + "\\zorby";
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
