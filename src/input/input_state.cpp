// Keyboard, mouse and joystick reading over the platform layer.
#include "input/input_state.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/engine_core.h"
#include "input/input_layer.h"

namespace zorby {

namespace {

platform::Input& the_input() {
    return engine_core().platform->input();
}

int32_t saturating_add(int32_t a, int64_t b) {
    const int64_t sum = static_cast<int64_t>(a) + b;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int16_t to_int16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

int sign(int v) {
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

bool held(const InputState& state, int code) {
    return (state.key_state[code & 0xFF] & 0x80) != 0;
}

// The character the key at code gives, or 0 when it gives none.
int key_char(int code) {
    switch (code) {
        case 14:
            return 8;
        case 28:
        case 156:
            return 10;
        case 29:  // Controls, Shifts, Alt, Caps Lock, Num Lock, menu key
        case 42:
        case 54:
        case 56:
        case 58:
        case 69:
        case 221:
            return 0;
        default:
            break;
    }
    const int c = the_input().key_character(code);
    return (c >= 32 && c <= 255) ? c : 0;
}

// a to z and the Latin-1 small letters that have a capital 32 below them (not the
// division sign, and not sharp s or y with diaeresis, whose capitals are elsewhere).
bool is_small_letter(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
}

// The first character among the keys now down (scan codes in ascending order),
// counting quick presses no read has seen; tapped says the key's press was one.
uint8_t current_char(InputState& state, bool& tapped) {
    poll_keyboard(state);
    tapped = false;
    for (int code = 0; code < 255; ++code) {
        if (!held(state, code) && state.key_taps[code] == 0) continue;
        int c = key_char(code);
        if (c == 0) continue;
        tapped = !held(state, code);
        state.key_taps[code] = 0;
        if ((held(state, 42) || held(state, 54)) && is_small_letter(c)) c -= 'a' - 'A';
        return static_cast<uint8_t>(c);
    }
    return 0;
}

InputState* input_if_any() {
    InputLayer* i = input_layer_if_any();
    return i ? i->input.get() : nullptr;
}

}  // namespace

int key_index(double code) {
    if (!std::isfinite(code)) return 0;
    double k = std::fmod(std::trunc(code), 256.0);
    if (k < 0) k += 256.0;
    return static_cast<int>(k);
}

void input_reset(InputState& state) {
    state = InputState{};
}

int input_setup(InputState& state, bool exclusive_mouse) {
    platform::Input& p = the_input();
    // The stored position starts where the pointer is.
    const platform::MouseSample m = p.sample_mouse();
    state.mouse_x = m.x;
    state.mouse_y = m.y;
    state.joystick_count = std::clamp(p.joystick_count(), 0, kMaxJoysticks);
    for (int i = 0; i < kMaxJoysticks; ++i) {
        state.joystick_names[i] = i < state.joystick_count ? p.joystick_name(i) : std::string();
    }
    if (exclusive_mouse) {
        p.set_pointer_visible(false);
        state.pointer_visible = false;
    } else {
        p.set_pointer_visible(true);
        p.warp_pointer(state.mouse_x, state.mouse_y);
        state.pointer_visible = true;
    }
    state.set_up = true;
    return 1;
}

// A quick press waits this many frame presentations for its key's read: the rest
// of the frame it came in and the whole next one.
constexpr uint8_t kTapFrames = 2;

void poll_keyboard(InputState& state) {
    const std::array<uint8_t, 256> before = state.key_state;
    the_input().keyboard_state(state.key_state);
    for (int code = 0; code < 256; ++code) {
        uint8_t& k = state.key_state[code];
        const bool went_down = (k & 0x80) != 0 && (before[code] & 0x80) == 0;
        const bool came_and_went = (k & 0xC0) == 0x40;
        if ((went_down || came_and_went) && state.key_presses[code] < 255) {
            ++state.key_presses[code];
        }
        if ((k & 0x40) != 0) {
            if ((k & 0x80) == 0) state.key_taps[code] = kTapFrames;
            k &= 0x80;
        }
    }
}

bool read_key(InputState& state, int code) {
    code &= 0xFF;
    const bool tapped = state.key_taps[code] != 0;
    state.key_taps[code] = 0;
    return held(state, code) || tapped;
}

bool take_key_press(InputState& state, int code) {
    poll_keyboard(state);
    uint8_t& presses = state.key_presses[code & 0xFF];
    if (presses == 0) return false;
    --presses;
    return true;
}

bool take_button_press(InputState& state, int button) {
    if (button < 0 || button > 2) return false;
    uint8_t& presses = state.button_presses[static_cast<size_t>(button)];
    if (presses == 0) return false;
    --presses;
    return true;
}

void note_key(InputState& state, int code, bool down) {
    uint8_t& k = state.key_state[code & 0xFF];
    if (!down) {
        k &= 0x7F;
    } else if ((k & 0x80) == 0) {
        k |= 0x80;
        if (state.key_presses[code & 0xFF] < 255) ++state.key_presses[code & 0xFF];
    }
}

void note_button(InputState& state, int button, bool down) {
    if (button < 0 || button > 2) return;
    const size_t b = static_cast<size_t>(button);
    if (down && !state.buttons_down[b] && state.button_presses[b] < 255) {
        ++state.button_presses[b];
    }
    state.buttons_down[b] = down;
}

void age_key_taps(InputState& state) {
    for (uint8_t& t : state.key_taps) {
        if (t != 0) --t;
    }
}

double key_down(double code) {
    InputState* s = input_if_any();
    if (!s) return 0.0;
    poll_keyboard(*s);
    return read_key(*s, key_index(code)) ? 1.0 : 0.0;
}

int poll_mouse(InputState& state, MouseReport& report) {
    const platform::MouseSample m = the_input().sample_mouse();
    if (state.new_frame) {
        state.new_frame = false;
        int64_t dx, dy;
        if (state.pointer_visible) {
            dx = static_cast<int64_t>(m.x) - state.mouse_x;
            dy = static_cast<int64_t>(m.y) - state.mouse_y;
            state.mouse_x = m.x;
            state.mouse_y = m.y;
        } else {
            dx = to_int16(static_cast<int64_t>(m.dx) + state.carry_dx);
            dy = to_int16(static_cast<int64_t>(m.dy) + state.carry_dy);
            state.mouse_x = saturating_add(state.mouse_x, dx);
            state.mouse_y = saturating_add(state.mouse_y, dy);
        }
        state.carry_dx = state.carry_dy = 0;
        state.last_dx = to_int16(dx);
        state.last_dy = to_int16(dy);
        state.last_wheel = static_cast<int16_t>(sign(m.wheel));
    } else if (!state.pointer_visible) {
        // Motion after the frame's sample belongs to the next frame.
        state.carry_dx =
            std::clamp<int32_t>(saturating_add(state.carry_dx, m.dx), -1000000, 1000000);
        state.carry_dy =
            std::clamp<int32_t>(saturating_add(state.carry_dy, m.dy), -1000000, 1000000);
    }
    report.dx = state.last_dx;
    report.dy = state.last_dy;
    report.wheel = state.last_wheel;
    report.left = m.left ? 1 : 0;
    report.right = m.right ? 1 : 0;
    report.middle = m.middle ? 1 : 0;
    // A sample shows a quick click as down once, so a button down now and up in the
    // sample before is one press.
    const bool down[3] = {m.left, m.right, m.middle};
    for (size_t b = 0; b < 3; ++b) {
        if (down[b] && !state.buttons_down[b] && state.button_presses[b] < 255) {
            ++state.button_presses[b];
        }
        state.buttons_down[b] = down[b];
    }
    return 1;
}

void mouse_state(double& x, double& y, double& left, double& right) {
    InputLayer& e = input_layer();
    x = y = left = right = 0.0;
    if (!e.input) return;
    InputState& s = *e.input;
    MouseReport r;
    poll_mouse(s, r);
    double w = 0, h = 0;
    if (e.screen_size) e.screen_size(w, h);
    const int32_t width = static_cast<int32_t>(w), height = static_cast<int32_t>(h);
    if (s.mouse_x > width - 1) s.mouse_x = width - 1;
    if (s.mouse_y > height - 1) s.mouse_y = height - 1;
    if (s.mouse_x < 0) s.mouse_x = 0;
    if (s.mouse_y < 0) s.mouse_y = 0;
    x = s.mouse_x;
    y = s.mouse_y;
    left = r.left != 0 ? 1.0 : 0.0;
    right = r.right != 0 ? 1.0 : 0.0;
}

double mouse_axis(double n) {
    InputState* s = input_if_any();
    if (!s || !std::isfinite(n)) return 0.0;
    MouseReport r;
    if (poll_mouse(*s, r) == 0) return 0.0;
    switch (static_cast<int>(std::trunc(std::clamp(n, -1.0, 6.0)))) {
        case 0:
            return r.dx;
        case 1:
            return r.dy;
        case 2:
            return r.wheel;
        case 3:
            return r.left != 0 ? 1.0 : 0.0;
        case 4:
            return r.right != 0 ? 1.0 : 0.0;
        case 5:
            return r.middle != 0 ? 1.0 : 0.0;
        default:
            return 0.0;
    }
}

bool any_mouse_button(InputState& state) {
    state.new_frame = true;
    MouseReport r;
    poll_mouse(state, r);
    return r.left != 0 || r.right != 0 || r.middle != 0;
}

void show_pointer(double visible) {
    InputLayer& e = input_layer();
    if (!e.input) return;
    InputState& s = *e.input;
    const bool v = visible != 0.0;
    if (v != s.pointer_visible) the_input().set_pointer_visible(v);
    if (v) the_input().warp_pointer(s.mouse_x, s.mouse_y);
    s.pointer_visible = v;
}

bool read_joystick(InputState& state, int n, JoystickReport& report) {
    report = JoystickReport{};
    if (n < 0 || n >= state.joystick_count) return false;
    if (the_input().read_joystick(n, report)) return true;
    report = JoystickReport{};
    return false;
}

namespace {
bool read_joystick_command(double n, JoystickReport& report) {
    InputState* s = input_if_any();
    report = JoystickReport{};
    if (!s || !std::isfinite(n) || n < 0 || n >= kMaxJoysticks) return false;
    return read_joystick(*s, static_cast<int>(n), report);
}
}  // namespace

double joystick_count() {
    InputState* s = input_if_any();
    return s ? s->joystick_count : 0.0;
}

std::string joystick_name(double index) {
    InputState* s = input_if_any();
    if (!s || !std::isfinite(index) || index < 0 || index >= s->joystick_count) return {};
    return s->joystick_names[static_cast<int>(index)];
}

double joystick_axis(double n, double axis) {
    JoystickReport r;
    if (!read_joystick_command(n, r) || !std::isfinite(axis) || axis < 0 || axis >= 6) return 0.0;
    return std::clamp(r.axes[static_cast<int>(axis)] / 32767.0, -1.0, 1.0);
}

double joystick_pov_vertical(double n) {
    JoystickReport r;
    if (!read_joystick_command(n, r)) return 0.0;
    if (r.pov[0] == 0) return -1.0;
    if (r.pov[0] == 18000) return 1.0;
    return 0.0;
}

double joystick_pov_horizontal(double n) {
    JoystickReport r;
    if (!read_joystick_command(n, r)) return 0.0;
    if (r.pov[0] == 9000) return 1.0;
    if (r.pov[0] == 27000) return -1.0;
    return 0.0;
}

void joystick_read(double& x, double& y, double& button1, double& button2) {
    JoystickReport r;
    read_joystick_command(0, r);
    x = std::trunc(r.axes[0] / 30000.0);
    y = std::trunc(r.axes[1] / 30000.0);
    button1 = r.buttons[0];
    button2 = r.buttons[1];
}

uint8_t typed_char(InputState& state) {
    bool tapped = false;
    const uint8_t c = current_char(state, tapped);
    // A quick press is a new press even when it repeats the last character.
    if (c == state.last_typed_char && !(tapped && c != 0)) return 0;
    state.last_typed_char = c;
    return c;
}

bool any_char_pressed(InputState& state) {
    return typed_char(state) != 0;
}

void release_input(InputState& state) {
    if (!state.set_up) return;
    platform::Input& p = the_input();
    if (!state.pointer_visible) {
        p.set_pointer_visible(true);
        p.warp_pointer(state.mouse_x, state.mouse_y);
        state.pointer_visible = true;
    }
    state.set_up = false;
}

}  // namespace zorby
