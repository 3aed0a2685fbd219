// The input concern of the platform: window events, the keyboard, the mouse and the
// joysticks, as the engine reads them.
//
// Keys are numbered by the engine's scan codes (1 Escape, 28 Enter, 44 Z, 57 Space,
// 200/203/205/208 arrows, ...); the platform translates its own key codes into them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zorby::platform {

// Events the engine's window procedure reacts to.
enum class WindowEventType { FocusLost, FocusGained, Close, ScreenSaver };

struct WindowEvent {
    WindowEventType type;
};

// One mouse sample: accumulated relative motion since the previous sample, the
// pointer position, buttons and wheel, all in logical pixels (the frame's, whatever
// the window's factor). A button that went down and up again since the previous
// sample reads as down in this one.
struct MouseSample {
    int dx = 0, dy = 0;
    int x = 0, y = 0;
    int wheel = 0;  // -1, 0, 1
    bool left = false, right = false, middle = false;
};

// A joystick report in the engine's 80-byte layout: six axes X, Y, Z, Rx, Ry, Rz
// (-32768..32768), two sliders, four point-of-view values (hundredths of a degree,
// 0 up, 9000 right, 18000 down, 27000 left; -1 centred) and 32 button bytes
// (non-zero = down).
struct JoystickReport {
    std::array<int32_t, 6> axes{};
    std::array<int32_t, 2> sliders{};
    std::array<int32_t, 4> pov{-1, -1, -1, -1};
    std::array<uint8_t, 32> buttons{};
};
static_assert(sizeof(JoystickReport) == 80);

class Input {
public:
    virtual ~Input() = default;

    // Pumps the platform's queue and returns the next window event, if any. Key and
    // mouse state are updated as a side effect of pumping.
    virtual std::optional<WindowEvent> poll_window_event() = 0;
    // The engine's 256-entry key state: bit 7 set while the key is down; bit 6 set
    // when the key went down and is up again since the previous call (a tap that no
    // read saw). Gamepad input shows here as the keys it stands for.
    virtual void keyboard_state(std::array<uint8_t, 256>& out) = 0;
    // The printable character (ASCII, lower case for letters) the key with the
    // engine scan code produces on the current layout, or 0.
    virtual int key_character(int scan_code) = 0;
    // One mouse sample; relative motion accumulates between samples.
    virtual MouseSample sample_mouse() = 0;
    // Hidden pointer: the mouse is captured and reports relative motion.
    virtual void set_pointer_visible(bool visible) = 0;
    virtual void warp_pointer(int x, int y) = 0;
    virtual int joystick_count() = 0;
    virtual std::string joystick_name(int index) = 0;
    virtual bool read_joystick(int index, JoystickReport& out) = 0;
};

}  // namespace zorby::platform
