#include "input/input_state.h"

#include "engine/engine.h"

namespace zorby {

int input_setup(InputState&, bool) { return 1; }
void poll_keyboard(InputState& state) { engine().platform->keyboard_state(state.key_state); }
void show_pointer(double visible) {
    if (engine().input) engine().input->pointer_visible = visible != 0.0;
    engine().platform->set_pointer_visible(visible != 0.0);
}
void release_input(InputState&) {}

}  // namespace zorby
