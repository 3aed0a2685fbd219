// Tiled surfaces on read-back pixels: backgrounds with their log lines, tiles of large
// pictures, screen grabs, the cross-fade, and the start-up text.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/error_log.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "graphics/sprite_store.h"
#include "graphics/test_pictures.h"
#include "runtime/engine.h"
#include "runtime/fade.h"
#include "runtime/frame.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using testing::read_pixel;
using testing::Rgba;

constexpr Rgba kBlack{0, 0, 0, 255};

std::string error_log() {
    std::ifstream f(error_log_path(), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// A picture whose pixel (x, y) is (x mod 256, y mod 256, 7 + x / 256).
std::vector<uint8_t> gradient(int w, int h) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            rgb.insert(rgb.end(), {uint8_t(x), uint8_t(y), uint8_t(7 + x / 256)});
    }
    return rgb;
}

Rgba gradient_at(int x, int y) {
    return {uint8_t(x), uint8_t(y), uint8_t(7 + x / 256), 255};
}

class SurfaceRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(te_.start());
        glClear(GL_COLOR_BUFFER_BIT);
    }
    std::string picture(const std::string& name, int w, int h) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(testing::write_png_format(path, w, h, PNG_FORMAT_RGB, gradient(w, h)));
        return path;
    }
    TiledSurface& surface(int n) { return *te_.engine().display->store->surface(n); }

    testing::TestEngine te_;
    testing::TempDir dir_;
};

TEST_F(SurfaceRender, BackgroundShowsUnderEveryFrameUntilCleared) {
    const std::string path = picture("back.png", 320, 240);
    ::unlink(error_log_path().c_str());
    load_background(path);
    EXPECT_EQ(error_log(), "Loadbmp\r\nShoeboxing\r\nOK?\r\n");
    EXPECT_EQ(read_pixel(100, 50), gradient_at(100, 50)) << "drawn into the frame in progress";
    present_frame();
    EXPECT_EQ(read_pixel(319, 239), gradient_at(319, 239)) << "and under the next frame";
    EXPECT_EQ(read_pixel(0, 0), gradient_at(0, 0));
    clear_screen();
    EXPECT_EQ(read_pixel(100, 50), kBlack);
    present_frame();
    EXPECT_EQ(read_pixel(100, 50), kBlack);

    // A missing picture: log lines, no background, a cleared frame.
    load_background(path);
    ::unlink(error_log_path().c_str());
    load_background(dir_.file("missing.png"));
    EXPECT_EQ(error_log(), "Loadbmp\r\nShoeboxing\r\nfailed\r\n");
    EXPECT_EQ(surface(0).column_count, 0);
    EXPECT_EQ(read_pixel(100, 50), kBlack);
    // A file that is no picture: found, but the load fails.
    const std::string junk = dir_.file("junk.png");
    ASSERT_TRUE(testing::write_file(junk, {1, 2, 3, 4}));
    load_background(junk);
    EXPECT_EQ(surface(0).column_count, 0);
}

TEST_F(SurfaceRender, LargePicturesBecomeTiles) {
    // 600 x 300 with 512-pixel tiles: two columns, one row.
    ASSERT_TRUE(load_surface(4, picture("wide.png", 600, 300)));
    TiledSurface& s = surface(4);
    EXPECT_EQ(s.column_count, 2);
    EXPECT_EQ(s.row_count, 1);
    EXPECT_EQ(s.tile_used_width[64], 512);
    EXPECT_NE(s.tile_texture[64], 0u);
    // Move the origin 400 pixels left so the second column shows.
    clip_viewport(-400, 0, 720, 240);
    draw_surface(4);
    clip_viewport(0, 0, 0, 0);
    EXPECT_EQ(read_pixel(0, 0), gradient_at(400, 0));
    EXPECT_EQ(read_pixel(150, 200), gradient_at(550, 200));
    EXPECT_EQ(read_pixel(199, 10), gradient_at(599, 10));
    // Beyond the picture the tile is transparent; the alpha test is off for surfaces,
    // so the first column shows the colour bled from its neighbours, then black.
    EXPECT_EQ(read_pixel(200, 10), (Rgba{87, 10, 9, 255}));
    EXPECT_EQ(read_pixel(201, 10), kBlack);

    EXPECT_FALSE(load_surface(16, picture("x.png", 4, 4)));
    EXPECT_FALSE(load_surface(-1, picture("x.png", 4, 4)));
    free_surface(4);
    EXPECT_EQ(s.column_count, 0);
    EXPECT_EQ(s.tile_texture[64], 0u);
    draw_surface(4);
    draw_surface(99);
}

TEST_F(SurfaceRender, GrabbedScreenDrawsBackTheSame) {
    load_background(picture("back.png", 320, 240));
    grab_screen(3);
    const TiledSurface& s = surface(3);
    EXPECT_EQ(s.tile_texture_width[0], 512);
    EXPECT_EQ(s.tile_used_width[0], 320);
    EXPECT_EQ(s.tile_used_height[0], 240);
    clear_screen();
    draw_surface(3);
    for (auto [x, y] : {std::pair{0, 0}, {319, 0}, {0, 239}, {319, 239}, {123, 45}}) {
        EXPECT_EQ(read_pixel(x, y), gradient_at(x, y)) << x << "," << y;
    }
    // Grabbing again reuses the tile's texture.
    const uint32_t name = s.tile_texture[0];
    grab_screen(3);
    EXPECT_EQ(s.tile_texture[0], name);
    // A grab over a larger grid drops the tiles it does not use.
    ASSERT_TRUE(load_surface(3, picture("wide.png", 600, 300)));
    ASSERT_NE(s.tile_texture[64], 0u);
    grab_screen(3);
    EXPECT_EQ(s.column_count, 1);
    EXPECT_EQ(s.tile_texture[64], 0u);
}

TEST_F(SurfaceRender, FadeEndsOnTheNewBackground) {
    const std::string path = picture("next.png", 320, 240);
    const uint64_t frames = te_.platform().frames_presented();
    fade_to_background(path);
    // 1.5 seconds of 60 frames per second, plus the final frame.
    const uint64_t shown = te_.platform().frames_presented() - frames;
    EXPECT_GE(shown, 88u) << "frames";
    EXPECT_LE(shown, 92u);
    EXPECT_EQ(surface(1).column_count, 0);
    EXPECT_EQ(surface(2).column_count, 0);
    EXPECT_EQ(surface(0).column_count, 1);
    EXPECT_EQ(read_pixel(200, 100), gradient_at(200, 100));
    // A name that cannot be resolved changes nothing.
    fade_to_background(dir_.file("missing.png"));
    EXPECT_EQ(te_.platform().frames_presented() - frames, shown);
}

TEST(StartUpText, LoadingIsCentredInTheBuiltInFont) {
    testing::TestEngine te;
    // The second frame start-up presents holds the text; read it from the front
    // buffer right after that swap.
    std::vector<uint8_t> shown;
    int swaps = 0;
#ifdef _WIN32
    // Wine's OpenGL windows give back no front buffer (it reads as zeros): there the
    // frame is read from where it is drawn, just before the swap that shows it.
    te.engine().before_swap_hook = [&] {
        if (++swaps != 2) return;
        shown.resize(320 * 240 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, shown.data());
    };
#else
    te.platform().swap_hook = [&] {
        if (++swaps != 2) return;
        glReadBuffer(GL_FRONT);
        shown.resize(320 * 240 * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 320, 240, GL_RGBA, GL_UNSIGNED_BYTE, shown.data());
        glReadBuffer(GL_BACK);
    };
#endif
    ASSERT_TRUE(te.start());
    ASSERT_EQ(shown.size(), 320u * 240 * 4);
    // Without "smalfont.bmp" beside the program the built-in 8 x 8 font is used:
    // ten cells from (120, 116); 'L' has its stem in cell column 2.
    const SpriteRecord& font = *te.engine().display->store->record(kFontSlotBase);
    ASSERT_EQ(font.width, 128);
    auto white = [&](int x, int y) {
        const uint8_t* p = shown.data() + (size_t(239 - y) * 320 + x) * 4;
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    };
    EXPECT_TRUE(white(120 + 2, 116 + 1));
    EXPECT_TRUE(white(120 + 2, 116 + 5));
    int lit = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) lit += white(x, y) ? 1 : 0;
    }
    int outside = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            if ((x < 120 || x >= 200 || y < 116 || y >= 124) && white(x, y)) ++outside;
        }
    }
    EXPECT_GT(lit, 40);
    EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace zorby
