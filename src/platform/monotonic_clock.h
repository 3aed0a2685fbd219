// The machine's monotonic clock in milliseconds and a sleep to an absolute point on
// it. Internal to the platform layer.
#pragma once

namespace zorby::platform {

double monotonic_ms();
// CPU time used by the whole process so far (all threads), in milliseconds.
double process_cpu_ms();
// Sleeps until the monotonic clock reads deadline_ms (returns at once when past).
void sleep_until_monotonic(double deadline_ms);

}  // namespace zorby::platform
