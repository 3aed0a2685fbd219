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
#include <cmath>

#include "platform/monotonic_clock.h"

namespace zorby::platform {

namespace {

enum Wait { kTimer = 0, kTurn = 1 };

// How late the browser's timers fire, smoothed (ms).
double timer_lateness_ms = 1.0;
// The last part of a sleep goes in turns; before it, timers.
constexpr double kTurnsBelowMs = 0.5;

// Hands the thread to the browser until a timer of ms has fired, or until it has run
// what is waiting (a message posted to the page's own channel arrives after the tasks
// queued before it). Module.zorbyPacing counts the waits and the sleeps' lateness, for
// the benchmark (bench/web_bench.py).
// clang-format off
EM_JS(void, zorby_wait_in_browser, (int how, double ms), {
    Asyncify.handleSleep(function(wakeUp) {
        var count = Module.zorbyPacing;
        if (!count) {
            count = Module.zorbyPacing = { sleeps: 0, timers: 0, turns: 0, lateMs: 0 };
        }
        if (how === 0) {
            count.timers++;
            setTimeout(wakeUp, ms);
        } else {
            count.turns++;
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
        }
    });
});

EM_JS(void, zorby_count_sleep, (double late_ms), {
    var count = Module.zorbyPacing;
    if (!count) return;
    count.sleeps++;
    count.lateMs += late_ms;
});
// clang-format on

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
    // At least one turn for the browser per sleep: a frame that is late still lets the
    // page show it and take input.
    bool turned = false;
    for (;;) {
        const double now = emscripten_get_now();
        const double remaining = deadline_ms - now;
        if (remaining <= 0 && turned) break;
        if (remaining > kTurnsBelowMs) {
            const double asked = std::max(0.0, std::floor(remaining - timer_lateness_ms));
            zorby_wait_in_browser(kTimer, asked);
            const double late = std::clamp(emscripten_get_now() - now - asked, 0.0, 8.0);
            timer_lateness_ms += (late - timer_lateness_ms) * 0.1;
        } else {
            zorby_wait_in_browser(kTurn, 0);
        }
        turned = true;
    }
    zorby_count_sleep(emscripten_get_now() - deadline_ms);
}

}  // namespace zorby::platform
