// The crash guard on Windows: the C library's signal handlers (its unhandled-
// exception filter turns an access violation into SIGSEGV, a bad division into
// SIGFPE; abort raises SIGABRT), writing the recording with the system's own file
// calls from names converted before any fault, then the default course.
// The other Windows headers come after <windows.h>.
// clang-format off
#include "platform/win32/win32_windows.h"
// clang-format on

#include <io.h>
#include <signal.h>

#include <cstring>

#include "platform/replay/crash_guard.h"
#include "platform/win32/win32_text.h"

namespace zorby::platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGILL};
constexpr size_t kPathMax = 4096;

wchar_t g_path[kPathMax];
wchar_t g_temp_path[kPathMax];
char g_path_text[kPathMax];
const InputRecordingBuffer* g_buffer = nullptr;
CrashTailWriter g_tail = nullptr;
volatile sig_atomic_t g_in_handler = 0;

void write_fully(HANDLE h, const char* data, size_t size) {
    while (size > 0) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
        if (!WriteFile(h, data, want, &n, nullptr) || n == 0) return;
        data += n;
        size -= n;
    }
}

void write_text(const char* text) {
    (void)_write(2, text, static_cast<unsigned>(std::strlen(text)));
}

void on_fatal_signal(int sig) {
    if (g_in_handler == 0 && g_buffer != nullptr) {
        g_in_handler = 1;
        bool written = false;
        HANDLE h = CreateFileW(g_temp_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            write_fully(h, g_buffer->data(), g_buffer->size());
            if (g_tail != nullptr) {
                char tail[512];
                write_fully(h, tail, g_tail(tail, sizeof tail));
            }
            written = FlushFileBuffers(h) != 0;
            written = CloseHandle(h) != 0 && written;
            written = written && MoveFileExW(g_temp_path, g_path,
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            if (!written) DeleteFileW(g_temp_path);
        }
        write_text("zorby: stopped by ");
        write_text(fatal_signal_name(sig));
        if (written) {
            write_text("; the input so far is recorded in ");
            write_text(g_path_text);
            write_text(" (zorby --replay FILE repeats it)\n");
        } else {
            write_text("; the recording could not be written to ");
            write_text(g_path_text);
            write_text("\n");
        }
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

bool copy_wide(const std::string& utf8, wchar_t* out) {
    const std::wstring wide = to_wide(utf8);
    if (wide.size() + 1 > kPathMax) return false;
    std::memcpy(out, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    return true;
}

}  // namespace

bool install_crash_guard(const std::string& path, const InputRecordingBuffer& buffer,
                         CrashTailWriter tail) {
    if (path.size() + 1 > kPathMax || !copy_wide(path, g_path) ||
        !copy_wide(path + ".part", g_temp_path)) {
        return false;
    }
    std::memcpy(g_path_text, path.c_str(), path.size() + 1);
    g_buffer = &buffer;
    g_tail = tail;
    bool ok = true;
    for (int sig : kSignals) ok = signal(sig, on_fatal_signal) != SIG_ERR && ok;
    return ok;
}

void remove_crash_guard() {
    for (int sig : kSignals) signal(sig, SIG_DFL);
    g_buffer = nullptr;
    g_tail = nullptr;
}

}  // namespace zorby::platform
