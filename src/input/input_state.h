// The input object: keyboard by scan code, the mouse as a position in window pixels,
// joysticks, and the typed-character helpers of the engine's text entry. Everything
// is read through the platform layer, so the SDL platform, the deterministic test
// platform and recorded replays all feed the same code.
//
// Key codes are the engine's scan-code numbering (1 Escape, 28 Enter, 44 Z, 57 Space,
// 200 Up, 203 Left, 205 Right, 208 Down, ...); a code names a physical key whatever
// the keyboard layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace zorby {

// One mouse poll: buttons (non-zero = down), movement of the current frame and the
// wheel (-1, 0 or 1).
struct MouseReport {
    int16_t left = 0, right = 0, middle = 0;
    int16_t dx = 0, dy = 0, wheel = 0;
};

// A joystick report in the engine's 80-byte layout (defined with the platform that
// fills it in).
using platform::JoystickReport;

constexpr int kMaxJoysticks = 10;

struct InputState {
    // Stored mouse position in window pixels.
    int32_t mouse_x = 100, mouse_y = 100;
    // Key state by scan code, bit 7 set while down.
    std::array<uint8_t, 256> key_state{};
    // Presses that came and went between two polls and no read has seen yet: a read
    // of the key reports it down once. The value is how many more frame
    // presentations the press waits for its read (a press nobody reads goes stale).
    std::array<uint8_t, 256> key_taps{};
    // 1: the system pointer is shown and read directly; 0: hidden, relative motion.
    bool pointer_visible = false;
    // Set by frame presentation: the next mouse poll samples the frame's movement.
    bool new_frame = true;
    // Movement of the current frame, repeated by later polls in the same frame.
    int16_t last_dx = 0, last_dy = 0, last_wheel = 0;
    // Movement that arrived after the frame's sample; it joins the next frame's
    // sample so no motion is lost between polls.
    int32_t carry_dx = 0, carry_dy = 0;
    // Presses seen by any poll and not yet taken by a press read (the kit's
    // key_pressed and mouse_pressed): a key or button that went down since the poll
    // before, or went down and up again between two polls. Counts stop at 255.
    std::array<uint8_t, 256> key_presses{};
    std::array<uint8_t, 3> button_presses{};  // left, right, middle
    std::array<bool, 3> buttons_down{};       // as the last mouse poll saw them
    int joystick_count = 0;
    std::array<std::string, kMaxJoysticks> joystick_names;
    // The last character found by typed_char / any_char_pressed (0: none).
    uint8_t last_typed_char = 0;
    bool set_up = false;
};

// The initial values.
void input_reset(InputState& state);
// Sets the devices up. Returns 1 (every device the platform has is usable; a missing
// mouse or keyboard simply reads as nothing pressed).
int input_setup(InputState& state, bool exclusive_mouse);
// Reads the whole keyboard into the key state; presses that came and went since
// the previous poll wait for their key's next read.
void poll_keyboard(InputState& state);
// Whether the key is down for one read of its state (no new poll): held, or pressed
// and released since an earlier poll without having been read. The press is then
// used up.
bool read_key(InputState& state, int code);
// Takes one press of a key seen by the polls (polling the keyboard first): true once
// for each press since the start or the previous take.
bool take_key_press(InputState& state, int code);
// Takes one press of a mouse button (0 left, 1 right, 2 middle) seen by the mouse
// polls; the caller polls the mouse first.
bool take_button_press(InputState& state, int button);
// A key or button going down or up from outside the polls (the test kit's sessions):
// a press is counted at once, so letting go before the next poll cannot lose it, and
// not again by that poll.
void note_key(InputState& state, int code, bool down);
void note_button(InputState& state, int button, bool down);
// Frame presentation: a press that no read has taken for a whole frame goes.
void age_key_taps(InputState& state);
// 1.0 while the key with that scan code is down, else 0.0. Polls afresh; codes are
// taken modulo 256 (257 reads the same key as 1). A quick press that no read saw
// reads 1.0 once.
double key_down(double code);
// One mouse poll: buttons are read every time, movement once per frame (the first
// poll after frame presentation samples it, later polls repeat it). Returns 1.
int poll_mouse(InputState& state, MouseReport& report);
// The stored position clamped into the screen (and written back), and the left and
// right buttons as 1.0 / 0.0.
void mouse_state(double& x, double& y, double& left, double& right);
// 0 dx, 1 dy, 2 wheel, 3 left, 4 right, 5 middle; anything else 0.
double mouse_axis(double n);
// Forces a fresh movement sample; true when any of the three buttons is down.
bool any_mouse_button(InputState& state);
// Shows (non-zero) or hides the system pointer. A shown pointer is placed at the
// stored mouse position.
void show_pointer(double visible);

// Joysticks (up to 10).
bool read_joystick(InputState& state, int n, JoystickReport& report);
double joystick_count();
// "instance name, product name"; empty outside 0..count-1.
std::string joystick_name(double index);
// Axis a (0 X, 1 Y, 2 Z, 3 Rx, 4 Ry, 5 Rz) of joystick n as value / 32767 clamped to
// -1..1; 0 for a joystick or axis that does not exist.
double joystick_axis(double n, double axis);
// The first point-of-view direction of joystick n: vertical -1 up, 1 down, else 0;
// horizontal 1 right, -1 left, else 0.
double joystick_pov_vertical(double n);
double joystick_pov_horizontal(double n);
// Joystick 0 in four values: X / 30000 and Y / 30000 truncated toward zero, then
// buttons 1 and 2 (non-zero = pressed).
void joystick_read(double& x, double& y, double& button1, double& button2);

// The character of a newly pressed key: 8 Backspace, 10 Enter, else a byte from 32
// to 255 (Latin-1: what the layout types, the keypad's digits, point and operators;
// a character outside Latin-1 counts as none); Shift capitalises a to z and the
// Latin-1 small letters. A held key is reported once; 0 when nothing new was pressed.
uint8_t typed_char(InputState& state);
// True exactly when typed_char would return a character (and remembers it the same).
bool any_char_pressed(InputState& state);
// Gives the pointer back to the system and lets go of the devices.
void release_input(InputState& state);

// Code k of key_down: a double truncated toward zero, taken modulo 256.
int key_index(double code);

}  // namespace zorby
