// Helpers shared by the asset checks: where the committed assets are, and loading a
// picture through the engine's own decoders.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/image_decode.h"

namespace zorby::testing {

inline std::string asset_path(const std::string& name) {
    return std::string(ZORBY_ASSET_DIR) + "/" + name;
}

inline std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Decodes an asset the way the sprite store does (BMP first, then PNG) with the
// given colour key; fails the test when the engine cannot read it.
inline PixelImage load_asset(const std::string& name, uint32_t key = 0x8000FFu) {
    PixelImage image;
    EXPECT_TRUE(load_picture(image, asset_path(name), key)) << name << " does not decode";
    return image;
}

inline uint8_t alpha_at(const PixelImage& image, int x, int y) {
    return image.pixel(x, y)[3];
}

}  // namespace zorby::testing
