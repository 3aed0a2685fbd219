// The monotonic clock and absolute-deadline sleep on Windows: the performance
// counter, and a high-resolution waitable timer for the sleep, so that a frame's wait
// ends within a fraction of a millisecond without spinning.
#include "platform/monotonic_clock.h"

// The other Windows headers come after <windows.h>.
// clang-format off
#include "platform/win32/win32_windows.h"
#include <timeapi.h>
// clang-format on

#include <cmath>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace zorby::platform {

namespace {

double counter_period_ms() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1000.0 / static_cast<double>(f.QuadPart);
}

// One timer per thread; the high-resolution kind where the system has it (Windows 10
// 1803 and later), else an ordinary one with the system timer at 1 ms.
HANDLE thread_timer() {
    thread_local HANDLE timer = [] {
        HANDLE t = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
        if (t == nullptr) {
            timeBeginPeriod(1);
            t = CreateWaitableTimerW(nullptr, TRUE, nullptr);
        }
        return t;
    }();
    return timer;
}

}  // namespace

double monotonic_ms() {
    static const double period = counter_period_ms();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * period;
}

double process_cpu_ms() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    auto ms = [](const FILETIME& t) {
        const ULONGLONG ticks = (ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime;
        return static_cast<double>(ticks) / 10000.0;  // 100 ns ticks
    };
    return ms(kernel) + ms(user);
}

bool sleep_wakes_on_time() {
    return false;
}

void sleep_until_monotonic(double deadline_ms) {
    for (;;) {
        const double left = deadline_ms - monotonic_ms();
        if (left <= 0) return;
        HANDLE timer = thread_timer();
        if (timer == nullptr) {
            Sleep(static_cast<DWORD>(std::ceil(left)));
            continue;
        }
        LARGE_INTEGER due;
        // Negative: relative, in 100 ns units.
        due.QuadPart = -static_cast<LONGLONG>(std::ceil(left * 10000.0));
        if (!SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
            Sleep(static_cast<DWORD>(std::ceil(left)));
            continue;
        }
        WaitForSingleObject(timer, INFINITE);
    }
}

}  // namespace zorby::platform
