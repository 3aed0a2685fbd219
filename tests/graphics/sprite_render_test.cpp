// Sprites, blending modes, lines, collisions and the viewport, checked on read-back
// pixels of the offscreen window.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/picture_preload.h"
#include "graphics/sprite_store.h"
#include "graphics/test_pictures.h"
#include "graphics/texture_builder.h"
#include "platform/gl/frame_gl_work.h"
#include "runtime/engine.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using testing::read_pixel;
using testing::Rgb;
using testing::Rgba;

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};

bool close_to(Rgba a, Rgba b, int tolerance = 2) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

::testing::AssertionResult pixel_is(int x, int y, Rgba want, int tolerance = 0) {
    const Rgba got = read_pixel(x, y);
    if (close_to(got, want, tolerance)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << int(got.r) << "," << int(got.g) << ","
           << int(got.b) << " want " << int(want.r) << "," << int(want.g) << "," << int(want.b);
}

class SpriteRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(te_.start());
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // Writes an RGBA picture and loads it into a slot.
    double load(double slot, int w, int h, const std::vector<uint8_t>& rgba) {
        const std::string path = dir_.file("s" + std::to_string(count_++) + ".png");
        EXPECT_TRUE(testing::write_png_format(path, w, h, PNG_FORMAT_RGBA, rgba));
        return load_sprite(path, slot);
    }
    double load_solid(double slot, int w, int h, Rgb c) {
        return load(slot, w, h, testing::solid_rgba(w, h, c));
    }
    const SpriteRecord& record(int slot) { return *te_.engine().display->store->record(slot); }

    testing::TestEngine te_;
    testing::TempDir dir_;
    int count_ = 0;
};

TEST_F(SpriteRender, RecordSizesAndFailedLoadsLeaveTheSlotEmpty) {
    ASSERT_EQ(load_solid(3, 100, 60, {255, 0, 0}), 1.0);
    EXPECT_EQ(record(3).width, 100);
    EXPECT_EQ(record(3).height, 60);
    EXPECT_EQ(record(3).texture_width, 128);
    EXPECT_EQ(record(3).texture_height, 64);
    // The mipmapped copy is made on the first request only: level 0 holds the
    // texture's texels, every next level is next_mip_level of the one before.
    EXPECT_EQ(record(3).mipmapped_texture, 0u);
    SpriteStore& store = *te_.engine().display->store;
    const uint32_t copy = store.mipmapped_texture(3);
    ASSERT_NE(copy, 0u);
    EXPECT_NE(copy, record(3).texture);
    EXPECT_EQ(store.mipmapped_texture(3), copy);
    auto level = [](uint32_t texture, int n, int w, int h) {
        std::vector<uint8_t> texels(size_t(w) * h * 4);
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexImage(GL_TEXTURE_2D, n, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    };
    std::vector<uint8_t> want = level(record(3).texture, 0, 128, 64);
    int lw = 128, lh = 64;
    for (int n = 0;; ++n) {
        ASSERT_EQ(level(copy, n, lw, lh), want) << "level " << n;
        if (lw == 1 && lh == 1) break;
        std::vector<uint8_t> next;
        next_mip_level(want, lw, lh, next, lw, lh);
        want.swap(next);
    }
    EXPECT_EQ(store.mipmapped_texture(kFontSlotBase), 0u);
    EXPECT_EQ(store.mipmapped_texture(4), 0u);  // empty
    double w = 0, h = 0;
    sprite_size(3, w, h);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 60);

    // Reloading from a missing file empties the slot; it then draws nothing.
    EXPECT_EQ(load_sprite(dir_.file("missing.png"), 3), 0.0);
    EXPECT_EQ(record(3).texture, 0u);
    EXPECT_EQ(record(3).texture_width, -1);
    draw_sprite(3, 0, 0);
    EXPECT_TRUE(pixel_is(0, 0, kBlack));

    // Slot numbers outside the table are refused everywhere.
    EXPECT_EQ(load_solid(65536, 2, 2, {1, 2, 3}), 0.0);
    EXPECT_EQ(load_solid(-1, 2, 2, {1, 2, 3}), 0.0);
    EXPECT_EQ(load_solid(1e300, 2, 2, {1, 2, 3}), 0.0);
    draw_sprite(-7, 0, 0);
    draw_sprite(1e12, 0, 0);
    free_sprite(70000);
    EXPECT_EQ(sprites_collide(-1, 0, 0, 70000, 0, 0), 0.0);
    sprite_size(99999, w, h);
    EXPECT_EQ(w, 0);
    EXPECT_TRUE(pixel_is(0, 0, kBlack));
}

TEST_F(SpriteRender, PositionsRoundUp) {
    ASSERT_EQ(load_solid(0, 4, 4, {255, 0, 0}), 1.0);
    draw_sprite(0, 10.2, 20);
    EXPECT_TRUE(pixel_is(10, 20, kBlack));
    EXPECT_TRUE(pixel_is(11, 20, kRed));
    EXPECT_TRUE(pixel_is(14, 23, kRed));
    EXPECT_TRUE(pixel_is(15, 23, kBlack));
    EXPECT_TRUE(pixel_is(14, 24, kBlack));
    draw_sprite(0, -0.5, 100.7);
    EXPECT_TRUE(pixel_is(0, 101, kRed));
    EXPECT_TRUE(pixel_is(3, 101, kRed));
    EXPECT_TRUE(pixel_is(4, 101, kBlack));
    EXPECT_TRUE(pixel_is(0, 100, kBlack));
}

// The smoothing flag: a sprite drawn half a pixel to the right (a transform of the
// caller's) blends neighbouring texels when smoothing is on and picks one when it is
// off; at whole pixels both show the texels as they are.
TEST_F(SpriteRender, SmoothingFiltersSpritesDrawnBetweenPixels) {
    // Columns red, blue, red, blue.
    std::vector<uint8_t> rgba;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool red = x % 2 == 0;
            rgba.insert(rgba.end(), {uint8_t(red ? 255 : 0), 0, uint8_t(red ? 0 : 255), 255});
        }
    }
    ASSERT_EQ(load(0, 4, 4, rgba), 1.0);
    OpenGLVizovudo& d = *te_.engine().display;
    platform::FrameGlWork& gl = platform::frame_gl_work();
    auto draw_half_right = [&](double x, double y) {
        gl.matrix_mode(GL_MODELVIEW);
        gl.push_matrix();
        gl.translate(0.5f, 0.0f);
        draw_sprite(0, x, y);
        gl.pop_matrix();
    };
    for (const bool smoothing : {true, false}) {
        SCOPED_TRACE(smoothing ? "smoothing on" : "smoothing off");
        d.smoothing = smoothing;
        glClear(GL_COLOR_BUFFER_BIT);
        draw_sprite(0, 10, 10);
        EXPECT_TRUE(pixel_is(11, 11, kBlue));
        EXPECT_TRUE(pixel_is(12, 11, kRed));
        draw_half_right(10, 30);
        const Rgba between = read_pixel(12, 31);
        if (smoothing) {
            // Half of each neighbour.
            EXPECT_NEAR(between.r, 128, 4);
            EXPECT_NEAR(between.b, 128, 4);
        } else {
            EXPECT_TRUE(close_to(between, kBlue) || close_to(between, kRed));
        }
        // The whole-pixel drawing after it is as sharp as before.
        glClear(GL_COLOR_BUFFER_BIT);
        draw_sprite(0, 10, 10);
        EXPECT_TRUE(pixel_is(11, 11, kBlue));
        EXPECT_TRUE(pixel_is(12, 11, kRed));
    }
}

TEST_F(SpriteRender, AlphaModes) {
    ASSERT_EQ(load_solid(1, 8, 8, {0, 0, 255}), 1.0);
    ASSERT_EQ(load_solid(2, 8, 8, {255, 0, 0}), 1.0);
    struct Case {
        double mode;
        Rgba want;
    };
    const Case cases[] = {
        {0, kRed},
        {-0.5, {128, 0, 128, 255}},  // translucent: half of each
        {0.5, {128, 0, 255, 255}},   // additive: half the red on top of the blue
        {2, {255, 0, 255, 255}},     // like 1
        {-2, kRed},                  // like -1
        {-0.05, kBlue},              // alpha 0.05 fails the alpha test
        {0.03, kBlue},
        {-0.0001, kBlue},
    };
    int x = 0;
    for (const Case& c : cases) {
        set_alpha_mode(0);
        draw_sprite(1, x, 0);
        set_alpha_mode(c.mode);
        draw_sprite(2, x, 0);
        EXPECT_TRUE(pixel_is(x + 4, 4, c.want, 2)) << "mode " << c.mode;
        x += 10;
    }
    // Back to opaque after a translucent mode.
    set_alpha_mode(-0.5);
    set_alpha_mode(0);
    draw_sprite(2, 200, 0);
    EXPECT_TRUE(pixel_is(204, 4, kRed));
    // A line still shows with the small alpha byte of -0.05 (12 / 255 of white).
    glClear(GL_COLOR_BUFFER_BIT);
    set_alpha_mode(-0.05);
    draw_line(0, 50, 10, 50, 0xFFFFFF);
    EXPECT_TRUE(pixel_is(5, 50, {12, 12, 12, 255}, 1));
}

TEST_F(SpriteRender, ColourKeyIsInvisibleWithAndWithoutBlending) {
    // RGB picture: left column in the key colour, right column green.
    const std::string path = dir_.file("keyed.png");
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 4; ++i) rgb.insert(rgb.end(), {255, 0, 128, 0, 255, 0});
    ASSERT_TRUE(testing::write_png_format(path, 2, 4, PNG_FORMAT_RGB, rgb));
    ASSERT_EQ(load_sprite(path, 5), 1.0);
    ASSERT_EQ(load_solid(1, 8, 8, {0, 0, 255}), 1.0);
    for (double mode : {0.0, -1.0, 1.0}) {
        set_alpha_mode(0);
        draw_sprite(1, 0, 0);
        set_alpha_mode(mode);
        draw_sprite(5, 2, 2);
        EXPECT_TRUE(pixel_is(2, 3, kBlue)) << mode;
        const Rgba green = mode > 0 ? Rgba{0, 255, 255, 255} : Rgba{0, 255, 0, 255};
        EXPECT_TRUE(pixel_is(3, 3, green, 1)) << mode;
    }
}

TEST_F(SpriteRender, LinesIncludeBothEnds) {
    draw_line(5, 185, 50, 185, 255);
    EXPECT_TRUE(pixel_is(4, 185, kBlack));
    EXPECT_TRUE(pixel_is(5, 185, kRed));
    EXPECT_TRUE(pixel_is(50, 185, kRed));
    EXPECT_TRUE(pixel_is(51, 185, kBlack));
    EXPECT_TRUE(pixel_is(20, 184, kBlack));
    // A vertical line and a single point.
    draw_line(100, 10, 100, 20, 65310);
    EXPECT_TRUE(pixel_is(100, 10, {30, 255, 0, 255}));
    EXPECT_TRUE(pixel_is(100, 20, {30, 255, 0, 255}));
    draw_line(200, 100, 200, 100, 48895);
    EXPECT_TRUE(pixel_is(200, 100, {255, 190, 0, 255}));
    int lit = 0;
    for (int y = 98; y <= 102; ++y) {
        for (int x = 198; x <= 202; ++x) lit += read_pixel(x, y) == kBlack ? 0 : 1;
    }
    EXPECT_EQ(lit, 1);
    // The key colour has alpha 0: invisible when blending, drawn when not.
    const double key = 255 + 128 * 65536;
    set_alpha_mode(-1);
    draw_line(0, 150, 30, 150, key);
    EXPECT_TRUE(pixel_is(10, 150, kBlack));
    set_alpha_mode(0);
    draw_line(0, 150, 30, 150, key);
    EXPECT_TRUE(pixel_is(10, 150, {255, 0, 128, 255}));
}

TEST_F(SpriteRender, ViewportClipsAndMovesTheOrigin) {
    ASSERT_EQ(load_solid(0, 20, 20, {255, 0, 0}), 1.0);
    clip_viewport(20, 83, 308, 94);
    draw_sprite(0, -10, 0);
    clip_viewport(0, 0, 0, 0);
    EXPECT_TRUE(pixel_is(19, 83, kBlack));
    EXPECT_TRUE(pixel_is(20, 83, kRed));
    EXPECT_TRUE(pixel_is(29, 102, kRed));
    EXPECT_TRUE(pixel_is(30, 90, kBlack));
    EXPECT_TRUE(pixel_is(25, 82, kBlack));
    // After restoring, (0, 0) is the window's corner again.
    draw_sprite(0, 0, 0);
    EXPECT_TRUE(pixel_is(0, 0, kRed));
}

TEST_F(SpriteRender, CollisionsNeedOverlappingOpaquePixels) {
    // A: 4 x 4 opaque. B: 4 x 4 with its left half transparent.
    ASSERT_EQ(load_solid(0, 4, 4, {255, 0, 0}), 1.0);
    auto half = testing::solid_rgba(4, 4, {0, 255, 0});
    for (int y = 0; y < 4; ++y) half[(y * 4 + 0) * 4 + 3] = half[(y * 4 + 1) * 4 + 3] = 0;
    ASSERT_EQ(load(1, 4, 4, half), 1.0);
    EXPECT_EQ(sprites_collide(0, 0, 0, 1, 4, 0), 0.0) << "touching edges";
    EXPECT_EQ(sprites_collide(0, 0, 0, 0, 0, 4), 0.0) << "touching vertically";
    EXPECT_EQ(sprites_collide(0, 0, 0, 1, 2, 0), 0.0) << "only transparent parts overlap";
    EXPECT_EQ(sprites_collide(0, 0, 0, 1, 1, 0), 1.0);
    EXPECT_EQ(sprites_collide(1, 1.9, 3.9, 0, 0, 0), 1.0) << "positions truncate";
    EXPECT_EQ(sprites_collide(0, 0, 0, 1, 1, 4), 0.0);
    EXPECT_EQ(sprites_collide(0, 0, 0, 7, 0, 0), 0.0) << "empty slot";

    // 1 pixel wide (a 2-texel texture): rows of the mask are 2 bytes, not 4. Only the
    // top pixel of the 1 x 3 picture is opaque.
    std::vector<uint8_t> column = testing::solid_rgba(1, 3, {9, 9, 9});
    column[7] = column[11] = 0;
    ASSERT_EQ(load(2, 1, 3, column), 1.0);
    ASSERT_EQ(load_solid(3, 1, 1, {9, 9, 9}), 1.0);
    EXPECT_EQ(sprites_collide(2, 10, 10, 3, 10, 10), 1.0);
    EXPECT_EQ(sprites_collide(2, 10, 10, 3, 10, 11), 0.0);
    EXPECT_EQ(sprites_collide(2, 10, 10, 3, 10, 12), 0.0);

    // The cached mask goes with the picture: a reload is seen.
    ASSERT_EQ(load(0, 4, 4, testing::solid_rgba(4, 4, {1, 1, 1}, 0)), 1.0);
    EXPECT_EQ(sprites_collide(0, 0, 0, 1, 1, 0), 0.0);
}

// A load keeps the picture (or, loaded ahead, the file's bytes) and makes the texture
// when the sprite is first drawn: what is drawn is the picture as it was at the load,
// whatever has become of its file since.
TEST_F(SpriteRender, ASpriteDrawsThePictureOfItsLoadThoughItsFileChangedSince) {
    const uint32_t key = te_.engine().display->sprite_colour_key;
    const std::string ahead = dir_.file("ahead.png"), plain = dir_.file("plain.png");
    ASSERT_TRUE(testing::write_png_format(ahead, 6, 6, PNG_FORMAT_RGBA,
                                          testing::solid_rgba(6, 6, {255, 0, 0})));
    ASSERT_TRUE(testing::write_png_format(plain, 6, 6, PNG_FORMAT_RGBA,
                                          testing::solid_rgba(6, 6, {0, 0, 255})));
    preload_pictures({{ahead, key, PreloadUse::sprite}});
    ASSERT_EQ(load_sprite(ahead, 1), 1.0);
    EXPECT_EQ(preloaded_pictures_taken(), 1);
    ASSERT_EQ(load_sprite(plain, 2), 1.0);
    EXPECT_EQ(record(1).texture, 0u) << "a texture made before the sprite is drawn";
    // Both files now hold another picture, and one that is no picture at all.
    ASSERT_TRUE(testing::write_png_format(ahead, 6, 6, PNG_FORMAT_RGBA,
                                          testing::solid_rgba(6, 6, {0, 255, 0})));
    ASSERT_TRUE(testing::write_file(plain, {'n', 'o', 'p', 'e'}));
    draw_sprite(1, 10, 10);
    draw_sprite(2, 20, 10);
    EXPECT_TRUE(pixel_is(12, 12, kRed));
    EXPECT_TRUE(pixel_is(22, 12, kBlue));
    EXPECT_NE(record(1).texture, 0u);
    // Collisions read the texture too, made for them when the sprite was never drawn.
    ASSERT_EQ(load_sprite(ahead, 3), 1.0);
    EXPECT_EQ(sprites_collide(3, 0, 0, 1, 5, 5), 1.0);
    // A reload shows the file's new picture.
    ASSERT_EQ(load_sprite(ahead, 1), 1.0);
    draw_sprite(1, 10, 10);
    EXPECT_TRUE(pixel_is(12, 12, Rgba{0, 255, 0, 255}));
    drop_preloaded_pictures();
}

// Random sparse shapes at random offsets against a plain pixel-by-pixel search: a
// collision exactly when one opaque pixel of each lies on the same screen pixel.
TEST_F(SpriteRender, CollisionsMatchAPixelByPixelSearch) {
    std::mt19937 random(35);
    struct Shape {
        int w, h;
        std::vector<bool> opaque;  // rows top first
    };
    auto shape = [&random](double density) {
        Shape s{1 + int(random() % 9), 1 + int(random() % 9), {}};
        for (int i = 0; i < s.w * s.h; ++i) s.opaque.push_back(random() % 1000 < density * 1000);
        return s;
    };
    int collisions = 0;
    for (int round = 0; round < 12; ++round) {
        Shape shapes[2] = {shape(0.15), shape(0.3)};
        for (int slot = 0; slot < 2; ++slot) {
            const Shape& s = shapes[slot];
            std::vector<uint8_t> rgba = testing::solid_rgba(s.w, s.h, {200, 10, 10});
            for (int i = 0; i < s.w * s.h; ++i) rgba[size_t(i) * 4 + 3] = s.opaque[i] ? 255 : 0;
            ASSERT_EQ(load(slot, s.w, s.h, rgba), 1.0);
        }
        for (int bx = -9; bx <= 9; ++bx) {
            for (int by = -9; by <= 9; ++by) {
                bool want = false;
                for (int y = 0; y < shapes[0].h && !want; ++y) {
                    for (int x = 0; x < shapes[0].w && !want; ++x) {
                        const int u = x - bx, v = y - by;  // the same pixel in shape 1
                        want = shapes[0].opaque[size_t(y * shapes[0].w + x)] && u >= 0 && v >= 0 &&
                               u < shapes[1].w && v < shapes[1].h &&
                               shapes[1].opaque[size_t(v * shapes[1].w + u)];
                    }
                }
                collisions += want;
                ASSERT_EQ(sprites_collide(0, 20, 30, 1, 20 + bx, 30 + by), want ? 1.0 : 0.0)
                    << "round " << round << " at " << bx << "," << by;
            }
        }
    }
    EXPECT_GT(collisions, 100);
}

}  // namespace
}  // namespace zorby
