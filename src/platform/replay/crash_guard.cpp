// The crash guard's async-signal-safe text helpers and signal names, the same on
// every system (the handlers themselves are in posix_crash.cpp and win32_crash.cpp).
#include "platform/replay/crash_guard.h"

#include <csignal>

namespace zorby::platform {

const char* fatal_signal_name(int sig) {
    switch (sig) {
        case SIGSEGV:
            return "SIGSEGV";
        case SIGABRT:
            return "SIGABRT";
        case SIGFPE:
            return "SIGFPE";
        case SIGILL:
            return "SIGILL";
#ifdef SIGBUS
        case SIGBUS:
            return "SIGBUS";
#endif
    }
    return "a fatal signal";
}

size_t append_text(char* out, size_t pos, size_t size, const char* text) {
    while (*text != '\0' && pos < size) out[pos++] = *text++;
    return pos;
}

size_t append_decimal(char* out, size_t pos, size_t size, unsigned long long value) {
    char digits[24];
    size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0 && pos < size) out[pos++] = digits[--n];
    return pos;
}

}  // namespace zorby::platform
