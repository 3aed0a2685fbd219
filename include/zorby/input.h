/// @file input.h
/// @brief Keyboard, mouse and joysticks.
///
/// Keys are named by scan code (the key's place on the keyboard, whatever the layout):
/// see zorby::key. Reading a key polls the keyboard afresh; a press that came and went
/// between two reads is reported once, so a quick tap is never lost. The mouse is a
/// position in frame pixels: the window's pointer mapped into the logical frame.
#pragma once

#include <string>

namespace zorby {

/// Scan codes of common keys, for key_down().
namespace key {
inline constexpr int escape = 1;        ///< Escape (ends the run unless switched off)
inline constexpr int digit1 = 2;        ///< 1 (2 to 9 follow; 0 is 11)
inline constexpr int digit0 = 11;       ///< 0
inline constexpr int backspace = 14;    ///< Backspace
inline constexpr int tab = 15;          ///< Tab
inline constexpr int q = 16;            ///< Q (W E R T Y U I O P follow, 17 to 25)
inline constexpr int w = 17;            ///< W
inline constexpr int e = 18;            ///< E
inline constexpr int r = 19;            ///< R
inline constexpr int p = 25;            ///< P
inline constexpr int enter = 28;        ///< Enter
inline constexpr int left_ctrl = 29;    ///< left Ctrl
inline constexpr int a = 30;            ///< A (S D F G H J K L follow, 31 to 38)
inline constexpr int s = 31;            ///< S
inline constexpr int d = 32;            ///< D
inline constexpr int left_shift = 42;   ///< left Shift
inline constexpr int z = 44;            ///< Z (X C V B N M follow, 45 to 50)
inline constexpr int x = 45;            ///< X
inline constexpr int right_shift = 54;  ///< right Shift
inline constexpr int left_alt = 56;     ///< left Alt
inline constexpr int space = 57;        ///< Space
inline constexpr int f1 = 59;           ///< F1 (F2 to F10 follow, 60 to 68)
inline constexpr int up = 200;          ///< cursor up
inline constexpr int page_up = 201;     ///< Page Up
inline constexpr int left = 203;        ///< cursor left
inline constexpr int right = 205;       ///< cursor right
inline constexpr int down = 208;        ///< cursor down
inline constexpr int page_down = 209;   ///< Page Down
}  // namespace key

/// @brief Whether a key is down.
/// @param code Scan code (zorby::key), taken modulo 256.
/// @return true while the key is held, and once for a press that came and went since
/// the key was last read.
bool key_down(int code);
/// @brief Whether a key was pressed: true once for each press since the previous call
/// for that key (or since the start), a press that was let go again before the frame
/// was read included. Use it for actions that happen once per press (jump, fire,
/// choose); key_down() for actions that last while a key is held.
/// @param code Scan code (zorby::key), taken modulo 256.
/// @return true when a press is waiting; each call takes one.
bool key_pressed(int code);
/// @brief The character of a newly pressed key, in the keyboard's layout.
/// @return 8 for Backspace, 10 for Enter, 32 to 255 for a Latin-1 character; 0 when no
/// new key was pressed (or its character is outside Latin-1). A held key counts once.
int typed_character();
/// @brief Waits until a key that types a character (or Enter, or Backspace) is newly
/// pressed, handling window events. Escape ends the run.
void wait_for_key();

/// The mouse as the game sees it.
struct MouseState {
    int x = 0;            ///< pointer position in frame pixels, 0 to width - 1
    int y = 0;            ///< pointer position in frame pixels, 0 to height - 1
    bool left = false;    ///< left button down
    bool right = false;   ///< right button down
    bool middle = false;  ///< middle button down
    int dx = 0;           ///< movement during this frame, frame pixels
    int dy = 0;           ///< movement during this frame, frame pixels
    int wheel = 0;        ///< wheel during this frame: -1, 0 or 1
};
/// @brief Reads the mouse. The first read after a frame was presented takes the
/// frame's movement; later reads in the same frame repeat it.
/// @return Position (kept inside the frame), buttons, movement and wheel. A button
/// that went down and up since the previous read shows as down in this one; to count
/// clicks use mouse_pressed().
MouseState mouse();
/// @brief Whether a mouse button was pressed: true once for each press since the
/// previous call for that button (or since the start), a click that was up again before
/// the frame was read included. Reads the mouse as mouse() does.
/// @param button 1 left, 2 right, 3 middle (as in input scripts); others give false.
/// @return true when a press is waiting; each call takes one.
bool mouse_pressed(int button);
/// @brief Waits until the mouse moves or a button is down, handling window events.
void wait_for_mouse();
/// @brief Shows or hides the system pointer over the window (hidden from the start
/// when RunOptions::pointer_hidden is set; the game then draws its own).
/// @param visible true to show it.
void show_pointer(bool visible);

/// @brief The number of joysticks and game pads found at start-up.
/// @return 0 to 10.
int joystick_total();
/// @brief The name of a joystick.
/// @param index 0 to joystick_total() - 1.
/// @return "instance name, product name"; "" for an index out of range.
std::string joystick_name(int index);
/// @brief One axis of a joystick.
/// @param index Joystick, 0 to 9.
/// @param axis 0 X, 1 Y, 2 Z, 3 Rx, 4 Ry, 5 Rz.
/// @return -1 to 1; 0 for a joystick or axis that does not exist.
double joystick_axis(int index, int axis);
/// @brief One button of a joystick.
/// @param index Joystick, 0 to 9.
/// @param button 0 to 31.
/// @return true while held; false for a joystick or button that does not exist.
bool joystick_button(int index, int button);

}  // namespace zorby
