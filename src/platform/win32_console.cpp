// The terminal on Windows: whether stderr is a console (or a terminal a program such
// as a Unix shell under Wine hands over), and Ctrl+C / Ctrl+Break / closing the
// console as a request to stop.
// clang-format off
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
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
