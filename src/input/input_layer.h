// The input layer's share of the engine object: the input state, and the hook that
// tells the mouse commands the screen size (the runtime installs it from the
// display, which input does not see).
#pragma once

#include <functional>
#include <memory>

namespace zorby {

struct InputState;

class InputLayer {
public:
    InputLayer();
    virtual ~InputLayer();
    InputLayer(const InputLayer&) = delete;
    InputLayer& operator=(const InputLayer&) = delete;

    std::unique_ptr<InputState> input;
    // Fills in the screen's width and height in logical pixels; when empty (no
    // display) both stay 0.
    std::function<void(double& width, double& height)> screen_size;
};

// The current input share. input_layer() ends the process with a message when there
// is none.
InputLayer& input_layer();
InputLayer* input_layer_if_any();
void set_current_input(InputLayer* i);

}  // namespace zorby
