/// @file graphics.h
/// @brief Pictures and drawing: numbered sprite slots, the background picture, lines,
/// blending, clipping and pixel-exact collisions.
///
/// Everything is drawn into the logical frame (RunOptions::width x height, see
/// zorby/runtime.h), which the window shows enlarged by a whole factor. Coordinates
/// are pixels from the top-left of the current viewport, y downward. Colours are
/// R + G * 256 + B * 65536 (see rgb()). Drawing is kept until present_frame() shows the
/// frame; the next frame then starts from the background picture. Every coordinate
/// and size must be a number within +-kMaxCoordinate: NaN, an infinity or a larger
/// value is error 5 ("bad argument") and ends the run with one line naming the command.
///
/// Pictures are PNG files (8-bit BMP too). In a picture without an alpha channel
/// (an RGB PNG, a BMP), pixels of the colour key become transparent: for sprites it
/// starts as kStartColourKey, rgb(255, 0, 128), a pink magenta (0x8000FF as a number);
/// for fonts it starts as black. A PNG with an alpha channel keeps its own alpha and
/// no colour is keyed; a grey PNG has no key either.
#pragma once

#include <cstdint>
#include <string>

namespace zorby {

/// The highest sprite slot a game may use (the 32 above it hold the fonts).
inline constexpr int kLastSpriteSlot = 65503;

/// @brief A colour value from its parts.
/// @param r Red, 0 to 255.
/// @param g Green, 0 to 255.
/// @param b Blue, 0 to 255.
/// @return r + g * 256 + b * 65536.
constexpr uint32_t rgb(int r, int g, int b) {
    return static_cast<uint32_t>((r & 255) | (g & 255) << 8 | (b & 255) << 16);
}

/// The colour key sprites are loaded with until set_colour_key changes it: red 255,
/// green 0, blue 128 (fonts start with black as their key).
inline constexpr uint32_t kStartColourKey = rgb(255, 0, 128);

/// The largest coordinate or size (either sign) a drawing command takes, in pixels.
/// A coordinate or size beyond it, NaN or infinite is a run-time error: error 5 ("bad
/// argument"), one line on stderr naming the command, and the run ends.
inline constexpr double kMaxCoordinate = 1000000.0;

/// A size in pixels.
struct Size {
    int width = 0;   ///< pixels across
    int height = 0;  ///< pixels down
};

/// @brief Loads a picture into a sprite slot (through the media lookup, zorby/media.h).
/// The slot is emptied first.
/// @param file The picture file.
/// @param slot 0 to 65503.
/// @return true when loaded; false when the slot is out of range or the file is missing
/// or cannot be decoded (the slot is empty then, and last_load_error() says why). A
/// picture may have at most 16777216 pixels (4096 x 4096, say) and 32768 on a side; a
/// picture larger than the graphics driver's largest texture (16384 at most, often
/// less) shows only its top-left part.
bool load_sprite(const std::string& file, int slot);
/// @brief Empties a sprite slot.
/// @param slot Any number; slots out of range are ignored.
void free_sprite(int slot);
/// @brief The size of the picture in a slot.
/// @param slot Any number.
/// @return Width and height; (0, 0) for an empty slot or one out of range.
Size sprite_size(int slot);
/// @brief Sets the colour that later loads make transparent, for sprites and fonts
/// alike (before the first call: kStartColourKey for sprites, black for fonts).
/// @param colour R + G * 256 + B * 65536.
void set_colour_key(uint32_t colour);

/// @brief Shows a picture under every frame from now on (a screen-sized picture is
/// expected; larger ones are cut at the frame's edges).
/// @param file The picture file (through the media lookup), of the sizes load_sprite
/// takes.
/// @return true when shown; false when the file is missing or cannot be decoded (the
/// frames are black then, and last_load_error() says why).
bool load_background(const std::string& file);
/// @brief Cross-fades from the frame drawn so far to a new background picture over
/// 1.5 seconds, presenting the frames itself (input is read, Escape still ends the run).
/// @param file The picture file (through the media lookup).
/// @return true when the new picture was faded to; false when it is missing or cannot be
/// decoded (the fade then goes to black, and last_load_error() says why).
bool fade_to_background(const std::string& file);
/// @brief Forgets the background picture and clears the frame to black.
void clear_screen();

/// @brief Draws a sprite.
/// @param slot 0 to 65503; an empty slot or one out of range draws nothing.
/// @param x Left edge in pixels (rounded up to a whole pixel).
/// @param y Top edge in pixels (rounded up to a whole pixel).
void draw_sprite(int slot, double x, double y);
/// @brief Draws a line including both end points.
/// @param x1 First end, pixels.
/// @param y1 First end, pixels.
/// @param x2 Second end, pixels.
/// @param y2 Second end, pixels.
/// @param colour R + G * 256 + B * 65536.
void draw_line(double x1, double y1, double x2, double y2, uint32_t colour);
/// @brief Fills a rectangle with a colour, blended as lines are (set_alpha_mode).
/// @param x Left edge in pixels (rounded up to a whole pixel).
/// @param y Top edge in pixels (rounded up to a whole pixel).
/// @param w Width in pixels (truncated; below 1 draws nothing).
/// @param h Height in pixels (truncated; below 1 draws nothing).
/// @param colour R + G * 256 + B * 65536.
void fill_rect(double x, double y, double w, double h, uint32_t colour);
/// @brief Chooses how the following drawing blends with the frame.
/// @param mode 0: opaque (the picture's alpha still cuts its shape); above 0: added to
/// the frame with strength min(mode, 1); below 0: translucent with opacity min(-mode, 1).
/// NaN is error 5 and ends the run.
void set_alpha_mode(double mode);
/// @brief Restricts drawing to a rectangle and moves the origin to its top-left.
/// @param x Left edge in frame pixels.
/// @param y Top edge in frame pixels.
/// @param w Width in pixels.
/// @param h Height in pixels; (0, 0, 0, 0) restores the whole frame.
void clip_viewport(double x, double y, double w, double h);
/// @brief Whether the visible (non-transparent) pixels of two sprites overlap.
/// @param slot1 First sprite slot.
/// @param x1 Its left edge, pixels.
/// @param y1 Its top edge, pixels.
/// @param slot2 Second sprite slot.
/// @param x2 Its left edge, pixels.
/// @param y2 Its top edge, pixels.
/// @return true when at least one pixel is visible in both; false for empty slots and
///         slots out of range.
bool sprites_collide(int slot1, double x1, double y1, int slot2, double x2, double y2);

/// @brief The size of the logical frame.
/// @return RunOptions::width and height of the running engine.
Size frame_size();

}  // namespace zorby
