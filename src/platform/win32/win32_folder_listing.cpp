// The names in a folder on Windows, through the wide-character find calls.
// The other Windows headers come after <windows.h>.
// clang-format off
#include "platform/win32/win32_windows.h"
// clang-format on

#include "platform/folder_listing.h"
#include "platform/win32/win32_text.h"

namespace zorby::platform {

bool list_regular_files(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(to_wide(folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    do {
        const DWORD a = found.dwFileAttributes;
        if (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) {
            continue;
        }
        names.push_back(from_wide(found.cFileName));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return true;
}

}  // namespace zorby::platform
