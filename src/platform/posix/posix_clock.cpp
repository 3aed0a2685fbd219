// The monotonic clock and absolute-deadline sleep.
#include <errno.h>
#include <time.h>

#include <cmath>

#include "platform/monotonic_clock.h"

namespace zorby::platform {

double monotonic_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double process_cpu_ms() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

bool sleep_wakes_on_time() {
    return false;
}

void sleep_until_monotonic(double deadline_ms) {
    if (deadline_ms <= monotonic_ms()) return;
    timespec ts;
    const double sec = std::floor(deadline_ms / 1000.0);
    ts.tv_sec = static_cast<time_t>(sec);
    ts.tv_nsec = static_cast<long>((deadline_ms - sec * 1000.0) * 1e6);
    if (ts.tv_nsec >= 1000000000L) {
        ts.tv_sec += 1;
        ts.tv_nsec -= 1000000000L;
    }
    // An absolute deadline: a signal that interrupts the sleep does not lengthen it.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

}  // namespace zorby::platform
