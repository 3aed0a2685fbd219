// The terminal on POSIX: isatty, and SIGINT / SIGTERM handlers that set a flag.
#include <signal.h>
#include <unistd.h>

#include "platform/console.h"

namespace zorby::platform {

namespace {

volatile sig_atomic_t g_interrupted = 0;

void on_interrupt(int) {
    g_interrupted = 1;
}

}  // namespace

bool stderr_is_terminal() {
    return ::isatty(2) == 1;
}

void watch_interrupt_requests() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interrupt_requested() {
    return g_interrupted != 0;
}

}  // namespace zorby::platform
