// The current graphics share of the engine object.
#include "graphics/graphics_layer.h"

#include "engine/current_share.h"
#include "graphics/display.h"

namespace zorby {

namespace {
constinit CurrentShare<GraphicsLayer> g_graphics;
}  // namespace

GraphicsLayer::GraphicsLayer() = default;

GraphicsLayer::~GraphicsLayer() {
    g_graphics.release(this);
}

GraphicsLayer& graphics_layer() {
    return g_graphics.get();
}

GraphicsLayer* graphics_layer_if_any() {
    return g_graphics.if_any();
}

void set_current_graphics(GraphicsLayer* g) {
    g_graphics.set(g);
}

}  // namespace zorby
