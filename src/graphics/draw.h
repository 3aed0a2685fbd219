// Drawing commands used between two frame presentations: clearing, blending modes,
// sprites, lines, pixel-exact collision tests, the clipping viewport, tiled surfaces
// and the cross-fade to a new background. Coordinates are pixels from the top-left
// of the current viewport, y downward. Colours are R + G * 256 + B * 65536.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/engine_string.h"

namespace zorby {

// Forgets the background picture and clears the back buffer.
void clear_screen();
// 0: opaque; a > 0: additive with alpha min(a, 1); a < 0: translucent with alpha
// min(-a, 1).
void set_alpha_mode(double a);
// Binds the plain texture of a slot; a negative slot switches texturing off.
void bind_sprite_texture(int32_t slot);
// Draws a slot with its top-left at (ceil(x), ceil(y)). Empty or out-of-range slots
// draw nothing.
void draw_sprite(double slot, double x, double y);
// Draws a line including both end points in the given colour.
void draw_line(double x1, double y1, double x2, double y2, double colour);
// Fills the rectangle of whole pixels from (ceil(x), ceil(y)), trunc(w) wide and
// trunc(h) high, with a colour blended as lines are; nothing for an empty size.
void fill_rect(double x, double y, double w, double h, double colour);
// 1.0 when the non-transparent pixels of the two sprites overlap, else 0.0.
double sprites_collide(double slot1, double x1, double y1, double slot2, double x2, double y2);
// Restricts drawing to (x, y, w, h) and moves the origin there; (0, 0, 0, 0) is the
// whole window.
void clip_viewport(double x, double y, double w, double h);
// Draws a tiled surface with its top-left at the viewport origin.
void draw_surface(int32_t surface);
// Cross-fades from the frame drawn so far to a new background over 1.5 seconds of
// the engine clock, calling present to show each step (the runtime passes frame
// presentation; see fade_to_background).
void cross_fade_background(const EngineString& file, const std::function<void()>& present);

}  // namespace zorby
