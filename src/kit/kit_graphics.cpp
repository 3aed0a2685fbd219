// The engine kit's pictures, drawing and text: the public commands over the engine's
// own, which take slots and colours as numbers and text as the engine's strings.
#include <algorithm>
#include <string>
#include <string_view>

#include "engine/engine_core.h"
#include "engine/engine_string.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "graphics/graphics_layer.h"
#include "graphics/sprite_store.h"
#include "kit/kit_options.h"
#include "runtime/fade.h"
#include "runtime/wait_commands.h"
#include "zorby/graphics.h"
#include "zorby/media.h"
#include "zorby/text.h"

namespace zorby {

static_assert(kMaxCoordinate == kLargestCoordinate, "the header's limit is the engine's");

namespace {

// The game's sprite slots; the font slots above them are the text commands' own.
bool sprite_slot(int slot) {
    return slot >= 0 && slot <= kLastSpriteSlot;
}

// The picture loads' common end: the reason a failed one leaves for last_load_error.
bool picture_loaded(const char* command, const std::string& file, bool loaded) {
    GraphicsLayer& g = graphics_layer();
    if (loaded) {
        set_load_error("");
    } else {
        set_load_error(std::string(command) + ": " + file + ": " +
                       (g.picture_error.empty() ? "the picture could not be made into a texture"
                                                : g.picture_error));
    }
    return loaded;
}

}  // namespace

bool load_sprite(const std::string& file, int slot) {
    if (!sprite_slot(slot)) {
        set_load_error("load_sprite: slot " + std::to_string(slot) + " is outside 0 to " +
                       std::to_string(kLastSpriteSlot));
        return false;
    }
    free_sprite(slot);
    std::string path;
    if (!find_for_load("load_sprite", file, false, path)) return false;
    graphics_layer().picture_error.clear();
    return picture_loaded(
        "load_sprite", file,
        load_sprite_file(slot, path, graphics_layer().display->sprite_colour_key, false));
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

bool load_background(const std::string& file) {
    std::string path;
    const bool found = find_for_load("load_background", file, false, path);
    graphics_layer().picture_error.clear();
    load_background(EngineString(found ? path : file));
    return found && picture_loaded("load_background", file, graphics_layer().picture_error.empty());
}

bool fade_to_background(const std::string& file) {
    std::string path;
    const bool found = find_for_load("fade_to_background", file, false, path);
    graphics_layer().picture_error.clear();
    fade_to_background(EngineString(found ? path : file));
    return found &&
           picture_loaded("fade_to_background", file, graphics_layer().picture_error.empty());
}

void draw_sprite(int slot, double x, double y) {
    check_coordinates("draw_sprite", {{"x", x}, {"y", y}});
    if (!sprite_slot(slot)) return;
    draw_sprite(static_cast<double>(slot), x, y);
}

void draw_line(double x1, double y1, double x2, double y2, uint32_t colour) {
    check_coordinates("draw_line", {{"x1", x1}, {"y1", y1}, {"x2", x2}, {"y2", y2}});
    draw_line(x1, y1, x2, y2, static_cast<double>(colour));
}

void fill_rect(double x, double y, double w, double h, uint32_t colour) {
    check_coordinates("fill_rect", {{"x", x}, {"y", y}, {"w", w}, {"h", h}});
    fill_rect(x, y, w, h, static_cast<double>(colour));
}

bool sprites_collide(int slot1, double x1, double y1, int slot2, double x2, double y2) {
    check_coordinates("sprites_collide", {{"x1", x1}, {"y1", y1}, {"x2", x2}, {"y2", y2}});
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

bool load_font(const std::string& file, int number) {
    std::string path;
    const bool found = find_for_load("load_font", file, false, path);
    graphics_layer().picture_error.clear();
    // Not found or not decoded, the built-in font takes the number's place.
    load_font(EngineString(found ? path : file), static_cast<double>(number));
    return found && picture_loaded("load_font", file, graphics_layer().picture_error.empty());
}

void set_font(int number) {
    set_font(static_cast<double>(number));
}

void print_text(std::string_view text, double x, double y) {
    check_coordinates("print_text", {{"x", x}, {"y", y}});
    print_text_bytes(text.data(), text.size(), x, y);
}

int text_width(std::string_view text) {
    double w = 0, h = 0;
    font_glyph_size(w, h);
    // Every byte is one cell of the font; print_text prints at most this many.
    constexpr size_t kLongestText = size_t{1} << 20;
    return static_cast<int>(w) * static_cast<int>(std::min(text.size(), kLongestText));
}

Size glyph_size() {
    double w = 0, h = 0;
    font_glyph_size(w, h);
    return {static_cast<int>(w), static_cast<int>(h)};
}

std::string read_typed_text(double x, double y) {
    check_coordinates("read_typed_text", {{"x", x}, {"y", y}});
    return read_typed_line(x, y).str();
}

}  // namespace zorby
