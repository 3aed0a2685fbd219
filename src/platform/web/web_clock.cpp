// The monotonic clock and absolute-deadline sleep in a web page. The page's code runs
// on the browser's one thread: a sleep hands it back to the browser (through the
// unwinding of the call stack that the build's ASYNCIFY option makes possible), which
// shows the frame, delivers input and plays sound meanwhile. The browser's timers
// wake late by a millisecond or more; the sleep asks for its timer that much early
// (the lateness it measured, smoothed), and when it wakes before the deadline it
// yields once more for the rest through a message to itself, which is never delayed
// as a timer is.
#include <emscripten.h>

#include <algorithm>

#include "platform/monotonic_clock.h"

namespace zorby::platform {

namespace {

// Hands the thread to the browser until it has run what is waiting (a message
// posted to the page's own channel arrives after the tasks queued before it).
// clang-format off
EM_JS(void, zorby_yield_to_browser, (), {
    Asyncify.handleSleep(function(wakeUp) {
        if (!Module.zorbyYieldChannel) {
            Module.zorbyYieldChannel = new MessageChannel();
            Module.zorbyYieldChannel.port1.onmessage = function() {
                var next = Module.zorbyYieldWake;
                Module.zorbyYieldWake = null;
                if (next) next();
            };
        }
        Module.zorbyYieldWake = wakeUp;
        Module.zorbyYieldChannel.port2.postMessage(0);
    });
});
// clang-format on

// How late the browser's timers fire, smoothed (ms).
double timer_lateness_ms = 1.0;

}  // namespace

double monotonic_ms() {
    return emscripten_get_now();
}

double process_cpu_ms() {
    // A page cannot see its CPU time; the benchmarks measure it from outside.
    return emscripten_get_now();
}

bool sleep_wakes_on_time() {
    return true;
}

void sleep_until_monotonic(double deadline_ms) {
    double now = emscripten_get_now();
    const double early = deadline_ms - now - timer_lateness_ms;
    if (early >= 1.0) {
        const unsigned int asked = static_cast<unsigned int>(early);
        emscripten_sleep(asked);
        const double woke = emscripten_get_now();
        const double late = std::clamp(woke - now - asked, 0.0, 8.0);
        timer_lateness_ms += (late - timer_lateness_ms) * 0.1;
        now = woke;
    }
    // At least one turn for the browser per sleep, and the rest of the time in turns
    // that each let it run whatever came in.
    do {
        zorby_yield_to_browser();
    } while (emscripten_get_now() < deadline_ms);
}

}  // namespace zorby::platform
