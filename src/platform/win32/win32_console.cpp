// The terminal on Windows: whether stderr is a console (or a terminal a program such
// as a Unix shell under Wine hands over), and Ctrl+C / Ctrl+Break / closing the
// console as a request to stop.
// The other Windows headers come after <windows.h>.
// clang-format off
#include "platform/win32/win32_windows.h"
// clang-format on

#include <io.h>

#include <atomic>
#include <cstdio>

#include "platform/console.h"

namespace zorby::platform {

namespace {

std::atomic<bool> g_interrupted{false};

BOOL WINAPI on_console_event(DWORD) {
    g_interrupted = true;
    return TRUE;
}

}  // namespace

bool stderr_is_terminal() {
    return _isatty(_fileno(stderr)) != 0;
}

void watch_interrupt_requests() {
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

bool interrupt_requested() {
    return g_interrupted;
}

}  // namespace zorby::platform
