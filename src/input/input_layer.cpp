// The current input share of the engine object.
#include "input/input_layer.h"

#include <cstdio>
#include <cstdlib>

#include "input/input_state.h"

namespace zorby {

namespace {
InputLayer* g_input = nullptr;
}  // namespace

InputLayer::InputLayer() = default;

InputLayer::~InputLayer() {
    if (g_input == this) g_input = nullptr;
}

InputLayer& input_layer() {
    if (!g_input) {
        std::fputs("zorby: an engine command was called before the engine started\n", stderr);
        std::abort();
    }
    return *g_input;
}

InputLayer* input_layer_if_any() {
    return g_input;
}

void set_current_input(InputLayer* i) {
    g_input = i;
}

}  // namespace zorby
