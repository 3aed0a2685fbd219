// The current input share of the engine object.
#include "input/input_layer.h"

#include "engine/current_share.h"
#include "input/input_state.h"

namespace zorby {

namespace {
constinit CurrentShare<InputLayer> g_input;
}  // namespace

InputLayer::InputLayer() = default;

InputLayer::~InputLayer() {
    g_input.release(this);
}

InputLayer& input_layer() {
    return g_input.get();
}

InputLayer* input_layer_if_any() {
    return g_input.if_any();
}

void set_current_input(InputLayer* i) {
    g_input.set(i);
}

}  // namespace zorby
