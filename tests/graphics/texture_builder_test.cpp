// The pixel steps of the texture builder and the built-in font picture, without a
// rendering context.
#include "graphics/texture_builder.h"

#include <gtest/gtest.h>

#include <set>

#include "graphics/font.h"

namespace zorby {
namespace {

using Px = std::vector<uint8_t>;

Px texel(const std::vector<uint8_t>& t, int tw, int x, int y) {
    const uint8_t* p = t.data() + (size_t(y) * tw + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(TextureBuilder, PowerOfTwoSizes) {
    EXPECT_EQ(power_of_two_size(1), 2);
    EXPECT_EQ(power_of_two_size(2), 2);
    EXPECT_EQ(power_of_two_size(3), 4);
    EXPECT_EQ(power_of_two_size(60), 64);
    EXPECT_EQ(power_of_two_size(100), 128);
    EXPECT_EQ(power_of_two_size(320), 512);
}

TEST(TextureBuilder, RegionIsFlippedIntoATransparentTexture) {
    // 100 x 60 goes into 128 x 64: row 0 of the texture is the picture's bottom row.
    PixelImage image;
    ASSERT_TRUE(image.resize(100, 60));
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 100; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 1;
            p[3] = 255;
        }
    }
    const auto t = texels_from_region(image, 0, 0, 100, 60, 128, 64);
    ASSERT_EQ(t.size(), 128u * 64 * 4);
    EXPECT_EQ(texel(t, 128, 0, 0), (Px{0, 59, 1, 255}));
    EXPECT_EQ(texel(t, 128, 99, 59), (Px{99, 0, 1, 255}));
    EXPECT_EQ(texel(t, 128, 100, 0), (Px{0, 0, 0, 0}));
    EXPECT_EQ(texel(t, 128, 0, 60), (Px{0, 0, 0, 0}));
    // A tile region reaching past the picture's edge: the part beyond stays empty.
    const auto tile = texels_from_region(image, 64, 32, 64, 64, 64, 64);
    EXPECT_EQ(texel(tile, 64, 0, 63), (Px{64, 32, 1, 255}));
    EXPECT_EQ(texel(tile, 64, 35, 36), (Px{99, 59, 1, 255}));
    EXPECT_EQ(texel(tile, 64, 36, 36), (Px{0, 0, 0, 0}));
    EXPECT_EQ(texel(tile, 64, 0, 35), (Px{0, 0, 0, 0}));
}

TEST(TextureBuilder, BleedingAveragesInnerOpaqueNeighbours) {
    const int tw = 8, th = 8;
    std::vector<uint8_t> t(tw * th * 4, 0);
    auto set = [&](int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = t.data() + (size_t(y) * tw + x) * 4;
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = 255;
    };
    set(3, 3, 100, 0, 0);
    set(4, 3, 0, 200, 1);
    set(0, 6, 50, 50, 50);  // outermost column: it never bleeds
    set(6, 7, 50, 50, 50);  // outermost row
    bleed_colours(t, tw, th);
    EXPECT_EQ(texel(t, tw, 3, 2), (Px{50, 100, 0, 0})) << "two neighbours, truncated average";
    EXPECT_EQ(texel(t, tw, 2, 3), (Px{100, 0, 0, 0}));
    EXPECT_EQ(texel(t, tw, 5, 4), (Px{0, 200, 1, 0}));
    EXPECT_EQ(texel(t, tw, 1, 6), (Px{0, 0, 0, 0})) << "only neighbour on the outer column";
    EXPECT_EQ(texel(t, tw, 6, 6), (Px{0, 0, 0, 0})) << "only neighbour on the outer row";
    EXPECT_EQ(texel(t, tw, 3, 3), (Px{100, 0, 0, 255})) << "opaque texels stay";
}

// The direct reading of the bleeding rule, to check the faster one against.
std::vector<uint8_t> reference_bleed(std::vector<uint8_t> t, int tw, int th) {
    const auto in = t;
    for (int y = 0; y < th; ++y) {
        for (int x = 0; x < tw; ++x) {
            uint8_t* p = t.data() + (size_t(y) * tw + x) * 4;
            if (p[3] != 0) continue;
            int sum[3] = {0, 0, 0}, n = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if ((dx == 0 && dy == 0) || nx < 1 || nx > tw - 2 || ny < 1 || ny > th - 2) {
                        continue;
                    }
                    const uint8_t* q = in.data() + (size_t(ny) * tw + nx) * 4;
                    if (q[3] == 0) continue;
                    for (int c = 0; c < 3; ++c) sum[c] += q[c];
                    ++n;
                }
            }
            for (int c = 0; c < 3; ++c) p[c] = uint8_t(n ? sum[c] / n : 0);
        }
    }
    return t;
}

TEST(TextureBuilder, BleedingMatchesTheRuleOnRandomTextures) {
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int round = 0; round < 200; ++round) {
        const int tw = 2 << (next() % 5), th = 2 << (next() % 5);
        const int density = int(next() % 100);
        std::vector<uint8_t> t(size_t(tw) * th * 4);
        for (size_t i = 0; i < t.size(); i += 4) {
            for (int c = 0; c < 3; ++c) t[i + c] = uint8_t(next());
            t[i + 3] = int(next() % 100) < density ? uint8_t(1 + next() % 255) : 0;
        }
        const auto want = reference_bleed(t, tw, th);
        bleed_colours(t, tw, th);
        ASSERT_EQ(t, want) << tw << " x " << th << " density " << density;
    }
}

TEST(TextureBuilder, MipLevelsWeightTheirSamples) {
    // 4 x 4 level with one channel varying; the other channels are 0.
    std::vector<uint8_t> level(4 * 4 * 4, 0);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) level[(j * 4 + i) * 4] = uint8_t(10 * (j * 4 + i));
    }
    std::vector<uint8_t> out;
    int w = 0, h = 0;
    next_mip_level(level, 4, 4, out, w, h);
    ASSERT_EQ(w, 2);
    ASSERT_EQ(h, 2);
    // (0,0): s0 = p(0,0) 0, s1 = p(1,0) 10, s2 = p(1,2) 90, s3 = p(0,2) 80.
    EXPECT_EQ(out[0], (4 * 0 + 2 * 10 + 2 * 90 + 80) / 9);
    // (1,0) last column: (2 p(2,0) + p(2,2)) / 3.
    EXPECT_EQ(out[4], (2 * 20 + 100) / 3);
    // (0,1) last row: (2 p(0,2) + p(1,2)) / 3.
    EXPECT_EQ(out[8], (2 * 80 + 90) / 3);
    // (1,1) both last: p(2,2).
    EXPECT_EQ(out[12], 100);
    // Down to 1 x 1 through non-square levels.
    std::vector<uint8_t> wide(8 * 2 * 4, 7);
    next_mip_level(wide, 8, 2, out, w, h);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(out[0], 7);
}

TEST(BuiltinFont, GlyphsAreDistinctAndOutlined) {
    const auto& glyphs = default_font_glyphs();
    EXPECT_EQ(glyphs[0], 0u) << "space";
    std::set<uint32_t> seen;
    for (int code = 33; code < 127; ++code) {
        const uint32_t g = glyphs[size_t(code - 32)];
        EXPECT_NE(g, 0u) << char(code);
        EXPECT_LT(g, 1u << 30) << "5 x 6 pattern";
        EXPECT_TRUE(seen.insert(g).second) << "duplicate glyph for " << char(code);
    }
    PixelImage font;
    build_default_font(font);
    ASSERT_EQ(font.width, 128);
    ASSERT_EQ(font.height, 64);
    // 'I' (code 73): cell column 9, row 4; top bar at glyph (1..3, 0) -> cell (2..4, 1).
    auto at = [&](int cx, int cy) {
        const uint8_t* p = font.pixel(8 * 9 + cx, 8 * 4 + cy);
        return Px{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(at(2, 1), (Px{255, 255, 255, 255}));
    EXPECT_EQ(at(1, 1), (Px{8, 8, 8, 255})) << "outline left of the bar";
    EXPECT_EQ(at(2, 0), (Px{8, 8, 8, 255})) << "outline above";
    EXPECT_EQ(at(1, 0), (Px{0, 0, 0, 0})) << "diagonal neighbours are not outline";
    EXPECT_EQ(at(7, 1), (Px{0, 0, 0, 0})) << "column 7 stays empty";
    // Codes below 32 have no glyph.
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 128; ++x) EXPECT_EQ(font.pixel(x, y)[3], 0);
    }
}

}  // namespace
}  // namespace zorby
