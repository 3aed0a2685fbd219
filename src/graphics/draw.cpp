// Drawing commands: immediate-mode quads and lines in the 2D state that the display's
// set_viewport establishes (origin top-left, y down, alpha test GREATER 0.05,
// clockwise quads culled), blending modes, pixel-exact collisions from cached alpha
// masks, tiled surfaces and the cross-fade between backgrounds.
#include "graphics/draw.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "engine/engine_core.h"
#include "engine/engine_string.h"
#include "engine/packed_media.h"
#include "graphics/command_numbers.h"
#include "graphics/display.h"
#include "graphics/graphics_layer.h"
#include "graphics/sprite_store.h"
#include "platform/gl/frame_gl_work.h"
#include "platform/gl/gl_gateway.h"

namespace zorby {

namespace {

OpenGLVizovudo& display() {
    return *graphics_layer().display;
}

// The second texture unit stays off for all 2D drawing. Nothing switches it on, so
// it is switched off once per context.
void second_unit_off(OpenGLVizovudo& d) {
    if (!d.active_texture || d.store->second_unit_off) return;
    platform::gl::call(d.active_texture, GL_TEXTURE1_ARB);
    platform::gl::call(glDisable, GL_TEXTURE_2D);
    platform::gl::call(d.active_texture, GL_TEXTURE0_ARB);
    d.store->second_unit_off = true;
}

}  // namespace

void clear_screen() {
    free_surface(0);
    platform::frame_gl_work().clear(GL_COLOR_BUFFER_BIT);
}

void set_alpha_mode(double value) {
    check_factor("set_alpha_mode", "mode", value);
    OpenGLVizovudo& d = display();
    platform::FrameGlWork& gl = platform::frame_gl_work();
    const float a = static_cast<float>(value);
    if (a > 0) {
        gl.enable(GL_BLEND);
        gl.blend_func(GL_SRC_ALPHA, GL_ONE);
        d.current_alpha = std::min(a, 1.0f);
    } else if (a < 0) {
        gl.enable(GL_BLEND);
        gl.blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        d.current_alpha = std::min(-a, 1.0f);
    } else {
        // 0 (and a value that is no number) is the opaque mode.
        gl.disable(GL_BLEND);
        d.current_alpha = 1.0f;
    }
    gl.colour(1, 1, 1, d.current_alpha);
}

void bind_sprite_texture(int32_t slot) {
    OpenGLVizovudo& d = display();
    platform::FrameGlWork& gl = platform::frame_gl_work();
    d.store->current_texture_slot = slot;
    second_unit_off(d);
    if (slot < 0) {
        gl.disable(GL_TEXTURE_2D);
        if (!d.active_texture) gl.enable(GL_COLOR_MATERIAL);
        return;
    }
    gl.bind_texture(d.store->texture(slot));
    gl.enable(GL_TEXTURE_2D);
}

void draw_sprite(double slot_value, double x, double y) {
    OpenGLVizovudo& d = display();
    platform::FrameGlWork& gl = platform::frame_gl_work();
    const int64_t slot = command_slot(slot_value);
    const SpriteRecord* r = d.store->record(slot);
    if (!r) return;
    const float px = std::ceil(static_cast<float>(x));
    const float py = std::ceil(static_cast<float>(y));
    const float w = r->width, h = r->height;
    const float s = w / r->texture_width, t = h / r->texture_height;
    bind_sprite_texture(static_cast<int32_t>(slot));
    // The smoothing flag chooses linear or nearest filtering. Drawn unscaled at whole
    // pixels (the 2D transform alone), every pixel samples the centre of one texel,
    // where both give the same texel, and nearest costs a software renderer a fifth
    // of a menu frame less; under any other transform (scaled, rotated, between
    // pixels, or unknown) the flag decides. The filter belongs to the texture: set
    // only when it changes.
    const GLint filter = d.smoothing && !gl.draws_whole_pixels() ? GL_LINEAR : GL_NEAREST;
    SpriteRecord& record = *d.store->record(slot);
    if (record.filter != filter) {
        gl.texture_filter(filter);
        record.filter = filter;
    }
    // Counter-clockwise on the screen; the picture's top is texture row h - 1.
    gl.begin(GL_QUADS);
    gl.textured_vertex(s, t, px + w, py);
    gl.textured_vertex(0, t, px, py);
    gl.textured_vertex(0, 0, px, py + h);
    gl.textured_vertex(s, 0, px + w, py + h);
    gl.end();
}

namespace {

// Lines and rectangles: one colour, no texture, no alpha test; the colour key's
// colour draws with alpha 0, others with the blending mode's alpha.
platform::FrameGlWork& begin_flat_colour(const OpenGLVizovudo& d, double colour_value) {
    platform::FrameGlWork& gl = platform::frame_gl_work();
    const uint32_t colour = command_bits32(colour_value);
    gl.disable(GL_ALPHA_TEST);
    const auto alpha_byte =
        colour == d.sprite_colour_key ? 0 : static_cast<int32_t>(d.current_alpha * 255.0f) & 0xFF;
    gl.colour_bytes(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF,
                    static_cast<GLubyte>(alpha_byte));
    bind_sprite_texture(-1);
    return gl;
}

void end_flat_colour(const OpenGLVizovudo& d, platform::FrameGlWork& gl) {
    gl.colour(1, 1, 1, d.current_alpha);
    gl.enable(GL_ALPHA_TEST);
}

}  // namespace

void draw_line(double x1, double y1, double x2, double y2, double colour_value) {
    OpenGLVizovudo& d = display();
    platform::FrameGlWork& gl = begin_flat_colour(d, colour_value);
    // Lines hit pixel centres; the end point is drawn on its own so both ends show.
    gl.matrix_mode(GL_PROJECTION);
    gl.push_matrix();
    gl.translate(0.375f, 0.375f);
    gl.begin(GL_LINES);
    gl.vertex(static_cast<float>(x1), static_cast<float>(y1));
    gl.vertex(static_cast<float>(x2), static_cast<float>(y2));
    gl.end();
    gl.begin(GL_POINTS);
    gl.vertex(static_cast<float>(x2), static_cast<float>(y2));
    gl.end();
    gl.pop_matrix();
    gl.matrix_mode(GL_MODELVIEW);
    end_flat_colour(d, gl);
}

void fill_rect(double x, double y, double w, double h, double colour_value) {
    if (!(std::trunc(w) >= 1) || !(std::trunc(h) >= 1)) return;
    OpenGLVizovudo& d = display();
    platform::FrameGlWork& gl = begin_flat_colour(d, colour_value);
    // Edges on pixel edges: the quad covers exactly the pixels whose centres it holds.
    // Counter-clockwise on the screen, as sprites are.
    const auto left = static_cast<float>(std::ceil(x)), top = static_cast<float>(std::ceil(y));
    const float right = left + static_cast<float>(std::trunc(w));
    const float bottom = top + static_cast<float>(std::trunc(h));
    gl.begin(GL_QUADS);
    gl.vertex(right, top);
    gl.vertex(left, top);
    gl.vertex(left, bottom);
    gl.vertex(right, bottom);
    gl.end();
    end_flat_colour(d, gl);
}

double sprites_collide(double slot1, double x1, double y1, double slot2, double x2, double y2) {
    SpriteStore& store = *display().store;
    const int64_t s1 = command_slot(slot1), s2 = command_slot(slot2);
    const SpriteRecord* r1 = store.record(s1);
    const SpriteRecord* r2 = store.record(s2);
    if (!r1 || !r2) return 0.0;
    const int64_t ax = truncate_int32(x1), ay = truncate_int32(y1);
    const int64_t bx = truncate_int32(x2), by = truncate_int32(y2);
    const int64_t right = std::min(ax + r1->width, bx + r2->width);
    const int64_t left = std::max(ax, bx);
    if (right < left) return 0.0;
    const int64_t bottom = std::min(ay + r1->height, by + r2->height);
    const int64_t top = std::max(ay, by);
    if (bottom < top) return 0.0;
    if (right == left || bottom == top) return 0.0;
    // A record whose picture is larger than its texture has no usable mask.
    if (r1->width > r1->texture_width || r1->height > r1->texture_height ||
        r2->width > r2->texture_width || r2->height > r2->texture_height) {
        return 0.0;
    }
    const uint8_t* m1 = store.alpha_mask(s1);
    const uint8_t* m2 = store.alpha_mask(s2);
    if (!m1 || !m2) return 0.0;
    // Mask rows run bottom-up: screen row py of a sprite at y sits at mask row
    // y + h - 1 - py.
    const int64_t tw1 = r1->texture_width, tw2 = r2->texture_width;
    const int64_t row1 = ay + r1->height - 1, row2 = by + r2->height - 1;
    // Four interleaved passes find an overlap of any real size after a quarter of
    // the work.
    for (int pass = 0; pass < 4; ++pass) {
        for (int64_t py = top + pass / 2; py < bottom; py += 2) {
            const int64_t base1 = (row1 - py) * tw1 - ax;
            const int64_t base2 = (row2 - py) * tw2 - bx;
            for (int64_t px = left + pass % 2; px < right; px += 2) {
                if (m1[base1 + px] != 0 && m2[base2 + px] != 0) return 1.0;
            }
        }
    }
    return 0.0;
}

void clip_viewport(double x, double y, double w, double h) {
    check_coordinates("clip_viewport", {{"x", x}, {"y", y}, {"w", w}, {"h", h}});
    GraphicsLayer& g = graphics_layer();
    if (g.scene && g.scene->in_shadow_volume_state) g.scene->leave_shadow_state();
    g.display->set_viewport(truncate_int32(x), truncate_int32(y), truncate_int32(w),
                            truncate_int32(h));
}

void draw_surface(int32_t number) {
    OpenGLVizovudo& d = display();
    platform::FrameGlWork& gl = platform::frame_gl_work();
    TiledSurface* surf = d.store->surface(number);
    if (!surf) return;
    gl.disable(GL_ALPHA_TEST);
    second_unit_off(d);
    gl.enable(GL_TEXTURE_2D);
    d.store->current_texture_slot = 0;
    float x = 0;
    for (int32_t i = 0; i < surf->column_count; ++i) {
        float y = 0;
        size_t index = 0;
        for (int32_t j = 0; j < surf->row_count; ++j) {
            index = size_t(i * kMaxTileColumns + j);
            gl.bind_texture(surf->tile_texture[index]);
            const float u = float(surf->tile_used_width[index]);
            const float v = float(surf->tile_used_height[index]);
            const float tw = float(surf->tile_texture_width[index]);
            const float th = float(surf->tile_texture_height[index]);
            if (tw > 0 && th > 0) {
                gl.begin(GL_QUADS);
                gl.textured_vertex(0, 0, x, y + v);
                gl.textured_vertex(u / tw, 0, x + u, y + v);
                gl.textured_vertex(u / tw, v / th, x + u, y);
                gl.textured_vertex(0, v / th, x, y);
                gl.end();
            }
            y += th;
        }
        x += float(surf->tile_texture_width[index]);
    }
    gl.enable(GL_ALPHA_TEST);
    bind_sprite_texture(-1);
}

void cross_fade_background(const EngineString& file, const std::function<void()>& present) {
    EngineCore& e = engine_core();
    std::string path;
    if (!e.media_lookup || !resolve_media_name(*e.media_lookup, file.str(), path)) return;
    grab_screen(2);
    load_surface(1, path);
    free_surface(0);
    platform::frame_gl_work().clear(GL_COLOR_BUFFER_BIT);
    // Both pictures are added on the cleared frame, weighted a and 1 - a.
    double a = 0.9;
    const double end = clock_ms() + 1500.0;
    do {
        set_alpha_mode(a);
        draw_surface(2);
        set_alpha_mode(1.0 - a);
        draw_surface(1);
        present();
        a = (end - clock_ms()) / 1500.0;
    } while (a > 0 && a < 1);
    free_surface(1);
    free_surface(2);
    load_surface(0, path);
    set_alpha_mode(0);
    draw_surface(0);
    present();
}

}  // namespace zorby
