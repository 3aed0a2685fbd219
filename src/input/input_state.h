// The input object (minimal start-up version; the input module replaces it).
#pragma once

#include <array>
#include <cstdint>

namespace zorby {

struct InputState {
    int32_t mouse_x = 100, mouse_y = 100;
    std::array<uint8_t, 256> key_state{};
    bool pointer_visible = false;
    bool new_frame = true;
};

int input_setup(InputState& state, bool exclusive_mouse);
void poll_keyboard(InputState& state);
void show_pointer(double visible);
void release_input(InputState& state);

}  // namespace zorby
