// Frame presentation: showing a frame, the window events, the quit keys, the pause
// while the window is inactive and pacing on the 1000 / rate grid.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace zorby {

// The quit keys end the program as a normal end: the error number is cleared first.
[[noreturn]] void end_program_by_quit_key();
// The quit-key rule: Escape (while it ends the program) or Alt+F4. down(code) tells
// whether the key with that scan code is down.
bool quit_keys_down(const std::function<bool(int)>& down);
// Ends the program when Escape (while it ends the program) or Alt+F4 is down in the
// key state of the last keyboard poll; otherwise returns.
void end_program_on_quit_keys();
// Shows the frame and prepares the next (cleared, the background surface drawn).
// With prepare_next false the next frame is left as it is: for a caller that draws
// all of every frame itself (video playback) and prepares one at its end.
void present_frame(bool prepare_next = true);
// Swaps and waits for the next frame slot; returns the ms spent plus 1.
double swap_and_pace(bool clear_after = true);
// Dispatches every waiting window event; returns true.
bool drain_messages();
double frame_duration_ms();
// The window procedure: reacts to one window event.
void handle_window_event(const platform::WindowEvent& event);

}  // namespace zorby
