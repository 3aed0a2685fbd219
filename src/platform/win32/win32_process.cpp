// The running process on Windows.
// The other Windows headers come after <windows.h>.
// clang-format off
#include "platform/win32/win32_windows.h"
#include <shellapi.h>
// clang-format on

#include <cstdio>
#include <cstdlib>

#include "platform/process.h"
#include "platform/win32/win32_text.h"

namespace zorby::platform {

std::string executable_path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return from_wide(buffer);
        }
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool change_directory(const std::string& folder) {
    return SetCurrentDirectoryW(to_wide(folder).c_str()) != 0;
}

void start_shell_command(const std::string& command_line) {
    std::wstring line = L"cmd.exe /c " + to_wide(command_line);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

bool traced_by_debugger() {
    return IsDebuggerPresent() != 0;
}

void set_environment(const char* name, const char* value) {
    _wputenv_s(to_wide(name).c_str(), to_wide(value).c_str());
}

std::vector<std::string> program_arguments(int argc, char** argv) {
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) out.push_back(from_wide(wide[i]));
    LocalFree(wide);
    return out;
}

void attach_to_parent_console() {
    // Output already going to a file, a pipe or a console stays where it goes.
    auto has_output = [](DWORD which) {
        HANDLE h = GetStdHandle(which);
        return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
    };
    if (has_output(STD_OUTPUT_HANDLE) && has_output(STD_ERROR_HANDLE)) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!has_output(STD_OUTPUT_HANDLE)) (void)std::freopen("CONOUT$", "w", stdout);
    if (!has_output(STD_ERROR_HANDLE)) (void)std::freopen("CONOUT$", "w", stderr);
}

}  // namespace zorby::platform
