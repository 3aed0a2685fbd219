// The current graphics share of the engine object.
#include "graphics/graphics_layer.h"

#include <cstdio>
#include <cstdlib>

#include "graphics/display.h"

namespace zorby {

namespace {
GraphicsLayer* g_graphics = nullptr;
}  // namespace

GraphicsLayer::GraphicsLayer() = default;

GraphicsLayer::~GraphicsLayer() {
    if (g_graphics == this) g_graphics = nullptr;
}

GraphicsLayer& graphics_layer() {
    if (!g_graphics) {
        std::fputs("zorby: an engine command was called before the engine started\n", stderr);
        std::abort();
    }
    return *g_graphics;
}

GraphicsLayer* graphics_layer_if_any() {
    return g_graphics;
}

void set_current_graphics(GraphicsLayer* g) {
    g_graphics = g;
}

}  // namespace zorby
