// The machine's monotonic clock in milliseconds and a sleep to an absolute point on
// it. Internal to the platform layer.
#pragma once

namespace zorby::platform {

double monotonic_ms();
// CPU time used by the whole process so far (all threads), in milliseconds.
double process_cpu_ms();
// Sleeps until the monotonic clock reads deadline_ms (returns at once when past; in a
// web page it always lets the browser run first).
void sleep_until_monotonic(double deadline_ms);
// True when that sleep wakes on time by itself (a web page's corrects its timers'
// lateness): a pacer then sleeps to the very deadline instead of sleeping short of it
// and spinning the rest.
bool sleep_wakes_on_time();

}  // namespace zorby::platform
