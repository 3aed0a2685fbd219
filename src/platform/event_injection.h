// Pushing synthetic events into SDL's queue, so tests can drive the SDL platform
// exactly as a keyboard and mouse would (headless, with no device attached).
#pragma once

namespace zorby::platform {

// Key event for the physical key with the engine scan code; false when the code has
// no key or SDL's queue refused the event.
bool push_key_event(int engine_code, bool down);
// Mouse motion to window position (x, y) with relative motion (dx, dy).
bool push_mouse_motion(int x, int y, int dx, int dy);
// Mouse button 1 left, 2 right, 3 middle.
bool push_mouse_button(int button, bool down);

}  // namespace zorby::platform
