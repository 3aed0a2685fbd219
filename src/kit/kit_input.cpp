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

bool key_pressed(int code) {
    InputLayer* layer = input_layer_if_any();
    if (layer == nullptr || !layer->input) return false;
    return take_key_press(*layer->input, code);
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
    const bool middle = layer->input->buttons_down[2];
    MouseReport report;
    poll_mouse(*layer->input, report);
    m.x = static_cast<int>(x);
    m.y = static_cast<int>(y);
    // A quick click shows as down in one sample only: the first poll's or the second's.
    m.left = left != 0 || report.left != 0;
    m.right = right != 0 || report.right != 0;
    m.middle = middle || report.middle != 0;
    m.dx = report.dx;
    m.dy = report.dy;
    m.wheel = report.wheel;
    return m;
}

bool mouse_pressed(int button) {
    InputLayer* layer = input_layer_if_any();
    if (layer == nullptr || !layer->input || button < 1 || button > 3) return false;
    MouseReport report;
    poll_mouse(*layer->input, report);
    return take_button_press(*layer->input, button - 1);
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
