// Bitmap fonts: a font is one picture holding a grid of 16 glyph cells per row (8 rows
// for codes 0..127 when the picture is at least as wide as high, else 16 rows for
// 0..255), kept in sprite slot 65504 + font number. Text is drawn as one textured
// quad per byte with a fixed advance, all quads of a string in one draw call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/engine_string.h"

namespace zorby {

struct PixelImage;

// Loads a font picture into font n (clamped to 0..31) and makes it current. When the
// file cannot be found or decoded, the built-in 128 x 64 font takes its place.
void load_font(const EngineString& file, double n);
// Selects font n (clamped to 0..31). An unloaded font prints nothing.
void set_font(double n);
// Prints text with the top-left of its first cell at (ceil(x), ceil(y)).
void print_text(const EngineString& text, double x, double y);
// The same for bytes that are not held in an EngineString.
void print_text_bytes(const char* text, size_t length, double x, double y);
// Prints a number as the string values format it (10 significant digits).
void print_number(double value, double x, double y);
// Glyph (cell) width and height of the current font.
void font_glyph_size(double& width, double& height);

// The built-in font: 128 x 64 pixels, 16 x 8 cells of 8 x 8, codes 32..127 drawn
// from 5 x 6 patterns (bit 5y + x), white with a one-pixel near-black outline.
void build_default_font(PixelImage& image);
// The 5 x 6 pattern of code 32 + i.
const std::array<uint32_t, 96>& default_font_glyphs();

}  // namespace zorby
