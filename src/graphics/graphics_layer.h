// The graphics layer's share of the engine object: the display (window, context,
// sprite store) and the 3D scene placeholder. The runtime makes one current; the
// drawing commands reach it through graphics_layer().
#pragma once

#include <memory>
#include <string>

namespace zorby {

class OpenGLVizovudo;

// Placeholder for the 3D scene, an engine object that the game never uses but
// start-up creates and clean-up releases.
struct Vizovudo3D {
    OpenGLVizovudo* display = nullptr;
    bool in_shadow_volume_state = false;
    void leave_shadow_state() { in_shadow_volume_state = false; }
    void reset_frame_values() {}
};

class GraphicsLayer {
public:
    GraphicsLayer();
    virtual ~GraphicsLayer();
    GraphicsLayer(const GraphicsLayer&) = delete;
    GraphicsLayer& operator=(const GraphicsLayer&) = delete;

    std::unique_ptr<OpenGLVizovudo> display;
    std::unique_ptr<Vizovudo3D> scene;
    // Set by the engine kit: picture loads print nothing and keep the reason of a
    // failure in picture_error (see load_picture).
    bool explain_pictures = false;
    std::string picture_error;
};

// The current graphics share. graphics_layer() ends the process with a message when
// there is none.
GraphicsLayer& graphics_layer();
GraphicsLayer* graphics_layer_if_any();
void set_current_graphics(GraphicsLayer* g);

}  // namespace zorby
