/// @file text.h
/// @brief Bitmap fonts, printed text and typed lines.
///
/// A font is one picture holding a grid of 16 glyph cells per row: 8 rows (codes 0 to
/// 127) when the picture is at least as wide as high, else 16 rows (codes 0 to 255).
/// Every glyph advances by the cell's width. Until a font is loaded, font 0 is a
/// built-in 8 x 8 font (codes 32 to 127). Positions follow the rule of zorby/graphics.h:
/// NaN, an infinity or a value beyond +-kMaxCoordinate is error 5 and ends the run.
#pragma once

#include <string>
#include <string_view>

#include "zorby/graphics.h"

namespace zorby {

/// @brief Loads a font picture and makes it the current font.
/// @param file The picture (through the media lookup).
/// @param number Font number, 0 to 31 (clamped).
/// @return true when loaded; false when the file cannot be found or decoded: the
/// built-in font then takes the number's place, and last_load_error() says why.
bool load_font(const std::string& file, int number);
/// @brief Chooses the font print_text uses.
/// @param number 0 to 31 (clamped); a font never loaded prints nothing.
void set_font(int number);
/// @brief Prints text in the current font.
/// @param text Bytes; each one is a glyph of the font (Latin-1 for 256-glyph fonts).
/// @param x Left edge of the first cell, pixels.
/// @param y Top edge, pixels.
void print_text(std::string_view text, double x, double y);
/// @brief Prints a number as format_number() writes it.
/// @param value Any value.
/// @param x Left edge, pixels.
/// @param y Top edge, pixels.
void print_number(double value, double x, double y);
/// @brief How wide a text prints in the current font: every byte advances by the
/// font's cell, so this is the cell's width times the bytes (up to the 1048576 bytes
/// print_text prints). Centre a text with x = (frame_size().width - text_width(t)) / 2.
/// @param text Bytes, as print_text takes them.
/// @return Pixels.
int text_width(std::string_view text);
/// @brief The glyph cell of the current font.
/// @return Cell width and height in pixels.
Size glyph_size();

/// @brief Reads a line the player types at a position, presenting a frame per step.
/// Enter ends it, Backspace removes the last character, a "_" cursor blinks; the
/// picture on screen when it starts stays behind the text. Escape ends the run.
/// @param x Left edge, pixels.
/// @param y Top edge, pixels.
/// @return The typed text (Latin-1 bytes).
std::string read_typed_text(double x, double y);

}  // namespace zorby
