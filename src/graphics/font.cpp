// Bitmap fonts: loading a font picture (or the built-in font in its place), choosing
// the current font and printing text as one vertex-array draw per string.
#include "graphics/font.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/engine_core.h"
#include "engine/engine_string.h"
#include "engine/packed_media.h"
#include "graphics/command_numbers.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/graphics_layer.h"
#include "graphics/sprite_store.h"
#include "graphics/texture_builder.h"
#include "platform/gl/frame_gl_work.h"

namespace zorby {

namespace {

constexpr int kFloatsPerVertex = 5;  // x, y, z, s, t
// Longest text printed in one call; longer text is cut (it could never fit on a
// screen, and the vertex count must stay far from overflowing).
constexpr int64_t kMaxPrintedBytes = int64_t{1} << 20;

int32_t font_number(double n) {
    return std::clamp(truncate_int32(n), 0, kFontCount - 1);
}

SpriteStore& store() {
    return *graphics_layer().display->store;
}

// The cell grid of a font picture: 16 rows (codes 0..255) when it is higher than
// wide, else 8 rows (codes 0..127).
int32_t grid_rows(const SpriteRecord& r) {
    return r.width < r.height ? 16 : 8;
}

}  // namespace

void load_font(const EngineString& file, double n) {
    EngineCore& e = engine_core();
    OpenGLVizovudo& d = *graphics_layer().display;
    SpriteStore& s = *d.store;
    const int32_t font = font_number(n);
    s.current_font = font;
    const int64_t slot = kFontSlotBase + font;
    std::string path;
    if (e.media_lookup && resolve_media_name(*e.media_lookup, file.str(), path) &&
        load_sprite_file(slot, path, d.font_colour_key, false)) {
        return;
    }
    // Every font slot that was ever loaded holds a usable font.
    s.free_sprite(slot, d.context_ready);
    PixelImage image;
    build_default_font(image);
    SpriteRecord& r = *s.record(slot);
    if (!make_sprite_texture(image, 0, 0, 0, 0, r.texture, false, true)) return;
    r.texture_width = r.width = 128;
    r.texture_height = r.height = 64;
    r.filter = GL_NEAREST;
}

void set_font(double n) {
    store().current_font = font_number(n);
}

void print_text(const EngineString& text, double x, double y) {
    print_text_bytes(text.text(), static_cast<size_t>(text.length()), x, y);
}

void print_text_bytes(const char* text, size_t length, double x, double y) {
    if (length == 0 || text == nullptr) return;
    length = std::min<size_t>(length, kMaxPrintedBytes);
    SpriteStore& s = store();
    const int32_t slot = kFontSlotBase + s.current_font;
    bind_sprite_texture(slot);
    const SpriteRecord& r = *s.record(slot);
    const int32_t rows = grid_rows(r);
    const int32_t codes = rows * 16;
    const int32_t gw = r.width / 16;
    const int32_t gh = r.height / rows;
    const float ct = (float(r.width) / float(r.texture_width)) / 16.0f;
    const float rt = (float(r.height) / float(r.texture_height)) / float(rows);
    const int32_t last_row = rows - 1;
    float px = std::ceil(static_cast<float>(x));
    const float py = std::ceil(static_cast<float>(y));

    TextVertexArray& va = s.text_vertices;
    const auto needed = static_cast<int32_t>(4 * length);
    if (needed >= va.capacity) {
        const int32_t capacity = needed <= 512 ? 512 : 128 * (needed / 128 + 1);
        std::unique_ptr<float[]> grown(new float[size_t(capacity) * kFloatsPerVertex]);
        if (va.data)
            std::memcpy(grown.get(), va.data.get(), sizeof(float) * kFloatsPerVertex * va.count);
        va.data = std::move(grown);
        va.capacity = capacity;
    }
    float* v = va.data.get();
    auto put = [&v](float vx, float vy, float vs, float vt) {
        v[0] = vx;
        v[1] = vy;
        v[2] = 0;
        v[3] = vs;
        v[4] = vt;
        v += kFloatsPerVertex;
    };
    for (size_t i = 0; i < length; ++i) {
        // Codes beyond the grid wrap: 200 prints glyph 72 on an 8-row font.
        const int32_t code = static_cast<uint8_t>(text[i]) % codes;
        const float s0 = ct * float(code % 16), s1 = s0 + ct;
        const float t0 = rt * float(last_row - code / 16), t1 = t0 + rt;
        // Counter-clockwise on the screen, from the bottom-left corner.
        put(px, py + gh, s0, t0);
        put(px + gw, py + gh, s1, t0);
        put(px + gw, py, s1, t1);
        put(px, py, s0, t1);
        px += gw;
    }
    va.count = needed;

    platform::FrameGlWork& gl = platform::frame_gl_work();
    gl.begin(GL_QUADS);
    const bool textured = s.current_texture_slot >= 0;
    for (int32_t i = 0; i < needed; ++i) {
        const float* q = va.data.get() + size_t(i) * kFloatsPerVertex;
        if (textured) {
            gl.textured_vertex(q[3], q[4], q[0], q[1]);
        } else {
            gl.vertex(q[0], q[1]);
        }
    }
    gl.end();
}

void print_number(double value, double x, double y) {
    check_coordinates("print_number", {{"x", x}, {"y", y}});
    print_text(from_number(value), x, y);
}

void font_glyph_size(double& width, double& height) {
    const SpriteStore& s = store();
    const SpriteRecord& r = *s.record(kFontSlotBase + s.current_font);
    width = r.width / 16;
    height = r.height / grid_rows(r);
}

}  // namespace zorby
