// The engine kit's keyboard, mouse and joysticks: the public commands over the
// engine's input state.
#include <string>

#include "input/input_layer.h"
#include "input/input_state.h"
#include "zorby/input.h"

namespace zorby {

bool key_down(int code) {
    return key_down(static_cast<double>(code)) != 0.0;
}

int typed_character() {
    InputLayer* layer = input_layer_if_any();
    if (layer == nullptr || !layer->input) return 0;
    return typed_char(*layer->input);
}

MouseState mouse() {
    MouseState m;
    InputLayer* layer = input_layer_if_any();
    if (layer == nullptr || !layer->input) return m;
    // The first poll of a frame takes the frame's movement; the second repeats it
    // and reads the buttons afresh.
    double x = 0, y = 0, left = 0, right = 0;
    mouse_state(x, y, left, right);
    MouseReport report;
    poll_mouse(*layer->input, report);
    m.x = static_cast<int>(x);
    m.y = static_cast<int>(y);
    m.left = report.left != 0;
    m.right = report.right != 0;
    m.middle = report.middle != 0;
    m.dx = report.dx;
    m.dy = report.dy;
    m.wheel = report.wheel;
    return m;
}

void show_pointer(bool visible) {
    show_pointer(visible ? 1.0 : 0.0);
}

int joystick_total() {
    return static_cast<int>(joystick_count());
}

std::string joystick_name(int index) {
    return joystick_name(static_cast<double>(index));
}

double joystick_axis(int index, int axis) {
    return joystick_axis(static_cast<double>(index), static_cast<double>(axis));
}

bool joystick_button(int index, int button) {
    InputLayer* layer = input_layer_if_any();
    if (layer == nullptr || !layer->input || button < 0 || button >= 32) return false;
    JoystickReport report;
    if (!read_joystick(*layer->input, index, report)) return false;
    return report.buttons[static_cast<size_t>(button)] != 0;
}

}  // namespace zorby
