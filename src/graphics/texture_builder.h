// The texture builder: turns a region of a decoded picture into a power-of-two
// OpenGL texture (flipped so the bottom row comes first, transparent texels given the
// colour of their opaque neighbours), and the mipmapped copy of one. The pixel
// steps are plain functions so they can be checked without a context.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/image_decode.h"

namespace zorby {

// The texture size for a picture side: 2, doubled until it is at least n.
int32_t power_of_two_size(int32_t n);

// Copies the region (x, y, w, h) of image into a tw x th RGBA texel buffer, bottom
// row of the region first; texels outside the region are transparent black.
std::vector<uint8_t> texels_from_region(const PixelImage& image, int32_t x, int32_t y, int32_t w,
                                        int32_t h, int32_t tw, int32_t th);
// Gives every texel with alpha 0 the average colour of its non-transparent
// neighbours that lie off the outermost rows and columns (black when none).
void bleed_colours(std::vector<uint8_t>& texels, int32_t tw, int32_t th);
// Builds the next, smaller mipmap level from one of size w x h; returns the new size.
void next_mip_level(const std::vector<uint8_t>& level, int32_t w, int32_t h,
                    std::vector<uint8_t>& out, int32_t& out_w, int32_t& out_h);
// Turns the texels into a normal map: brightness as height, normal as RGB.
void convert_to_normal_map(std::vector<uint8_t>& texels, int32_t tw, int32_t th);

// Deletes the texture named by name (when not 0), makes a new one with repeat
// wrapping and the given filters, binds it and stores its name; the unpack state is
// set for tightly packed rows.
void replace_texture(uint32_t& name, int32_t mag_filter, int32_t min_filter);

// The texels of a texture made from the region (x, y, w, h) of a picture, as
// make_sprite_texture makes them before uploading: flipped, and bled unless for a
// font. Made without OpenGL, so a picture loaded ahead can have them made on
// another thread.
struct RegionTexels {
    int32_t x = 0, y = 0, w = 0, h = 0;
    bool font = false;
    int32_t tw = 0, th = 0;  // power-of-two size
    std::vector<uint8_t> texels;
};
// w and h as make_sprite_texture has them after its clipping (at least 1).
RegionTexels region_texels(const PixelImage& image, int32_t x, int32_t y, int32_t w, int32_t h,
                           bool font);

// Builds a texture from the region of the picture whose top-left is (x, y); w or h 0
// means "to the picture's edge". The texture named in out (when not 0) is replaced.
// Fonts get nearest filtering and no colour bleeding. False when the region is
// empty. prepared, when it holds the texels of exactly this region, is used (and
// emptied) instead of making them again. (The mipmapped copy for the 3D scene is
// made from the texture on request: make_mipmapped_texture.)
bool make_sprite_texture(const PixelImage& image, int32_t x, int32_t y, int32_t w, int32_t h,
                         uint32_t& out, bool normal_map, bool font,
                         RegionTexels* prepared = nullptr);

// Replaces the texture named in out (when not 0) with a mipmapped one whose level 0
// is the tw x th texels; each next level is made by next_mip_level down to 1 x 1.
void make_mipmapped_texture(std::vector<uint8_t> texels, int32_t tw, int32_t th, uint32_t& out);

}  // namespace zorby
