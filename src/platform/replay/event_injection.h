// Pushing synthetic events into SDL's queue, so tests can drive the SDL platform
// exactly as a keyboard and mouse would (headless, with no device attached).
#pragma once

namespace zorby::platform {

// Key event for the physical key with the engine scan code; false when the code has
// no key or SDL's queue refused the event.
bool push_key_event(int engine_code, bool down);
// The same with the key symbol the layout gives (a character code such as 0xE4 for
// a key that types it), as a keyboard with another layout would send it.
bool push_key_event(int engine_code, bool down, int symbol);
// Text typed (UTF-8), as the system's text input sends it after a key press.
bool push_text_event(const char* utf8);
// The pointer moved to window position (x, y), as an absolute pointing device (a pen
// tablet, a touch screen, a virtual machine's pointer) reports it: a position and no
// relative motion.
bool push_mouse_motion(int x, int y);
// Mouse button 1 left, 2 right, 3 middle.
bool push_mouse_button(int button, bool down);
// Resizes the current OpenGL window, as a user dragging its border would.
bool resize_current_window(int width, int height);

// The window system's word about the current window, as SDL reports it.
enum class WindowChange { Minimised, Restored, FocusLost, FocusGained, MovedToDisplay };
bool push_window_change(WindowChange change);
// A display was connected, disconnected or turned (its size or arrangement changed).
bool push_display_change();
// The audio output device the program has open is lost (removed), or an output
// device appears (added), as SDL reports a device unplugged or plugged in.
bool push_audio_device_event(bool added);

// A software game controller (a virtual device with the standard controller layout),
// plugged in by attach and pulled out by detach, as a real one would be.
enum class PadButton {
    A = 0,
    B = 1,
    Back = 4,
    Start = 6,
    LeftShoulder = 9,
    RightShoulder = 10,
    DpadUp = 11,
    DpadDown = 12,
    DpadLeft = 13,
    DpadRight = 14,
};
enum class PadAxis { LeftX = 0, LeftY = 1 };
// Returns the pad's id, or -1 when no virtual controller could be made.
int attach_virtual_gamepad();
bool set_virtual_gamepad_button(int pad, PadButton button, bool down);
bool set_virtual_gamepad_axis(int pad, PadAxis axis, int value);
bool detach_virtual_gamepad(int pad);

}  // namespace zorby::platform
