// The engine kit's pictures, drawing and text: the public commands over the engine's
// own, which take slots and colours as numbers and text as the engine's strings.
#include <string>
#include <string_view>

#include "engine/engine_string.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "graphics/graphics_layer.h"
#include "graphics/sprite_store.h"
#include "runtime/fade.h"
#include "runtime/wait_commands.h"
#include "zorby/graphics.h"
#include "zorby/text.h"

namespace zorby {

namespace {

// The game's sprite slots; the font slots above them are the text commands' own.
bool sprite_slot(int slot) {
    return slot >= 0 && slot <= kLastSpriteSlot;
}

}  // namespace

bool load_sprite(const std::string& file, int slot) {
    if (!sprite_slot(slot)) return false;
    return load_sprite(EngineString(file), static_cast<double>(slot)) != 0.0;
}

void free_sprite(int slot) {
    if (!sprite_slot(slot)) return;
    free_sprite(static_cast<double>(slot));
}

Size sprite_size(int slot) {
    if (!sprite_slot(slot)) return {};
    double w = 0, h = 0;
    sprite_size(static_cast<double>(slot), w, h);
    return {static_cast<int>(w), static_cast<int>(h)};
}

void set_colour_key(uint32_t colour) {
    set_colour_key(static_cast<double>(colour));
}

void load_background(const std::string& file) {
    load_background(EngineString(file));
}

void fade_to_background(const std::string& file) {
    fade_to_background(EngineString(file));
}

void draw_sprite(int slot, double x, double y) {
    if (!sprite_slot(slot)) return;
    draw_sprite(static_cast<double>(slot), x, y);
}

void draw_line(double x1, double y1, double x2, double y2, uint32_t colour) {
    draw_line(x1, y1, x2, y2, static_cast<double>(colour));
}

bool sprites_collide(int slot1, double x1, double y1, int slot2, double x2, double y2) {
    if (!sprite_slot(slot1) || !sprite_slot(slot2)) return false;
    return sprites_collide(static_cast<double>(slot1), x1, y1, static_cast<double>(slot2), x2,
                           y2) != 0.0;
}

Size frame_size() {
    const GraphicsLayer* g = graphics_layer_if_any();
    if (g == nullptr || !g->display) return {};
    return {g->display->width, g->display->height};
}

// ---- text ----

void load_font(const std::string& file, int number) {
    load_font(EngineString(file), static_cast<double>(number));
}

void set_font(int number) {
    set_font(static_cast<double>(number));
}

void print_text(std::string_view text, double x, double y) {
    print_text_bytes(text.data(), text.size(), x, y);
}

Size glyph_size() {
    double w = 0, h = 0;
    font_glyph_size(w, h);
    return {static_cast<int>(w), static_cast<int>(h)};
}

std::string read_typed_text(double x, double y) {
    return read_typed_line(x, y).str();
}

}  // namespace zorby
