// The terminal the program runs in: whether stderr is one (progress lines are shown
// only there), and Ctrl+C (SIGINT, also SIGTERM) as a request to stop that a long
// job checks between its steps instead of the process ending at once.
#pragma once

namespace zorby::platform {

bool stderr_is_terminal();
// From now on an interrupt sets the request instead of ending the process.
void watch_interrupt_requests();
bool interrupt_requested();

}  // namespace zorby::platform
