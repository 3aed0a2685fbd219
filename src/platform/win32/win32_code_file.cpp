// Where this code was loaded from: the module (executable or DLL) holding it.
#include "platform/loadable_library.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_windows.h"

namespace zorby::platform {

std::string code_file_path() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&code_file_path), &module)) {
        return {};
    }
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return {};
    buffer.resize(n);
    return from_wide(buffer);
}

}  // namespace zorby::platform
