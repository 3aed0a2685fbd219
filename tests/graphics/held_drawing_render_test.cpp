// Drawing held back until the swap: a still frame is drawn once and then left as it
// is (also while sprites move outside it), yet every frame reads back and shows the
// same picture; a texture that changes
// under the same drawing, and a grab of the frame in the middle of it, are seen at
// once. At the frame's own size (drawn straight into the window) and enlarged
// (drawn into the framebuffer).
#include <gtest/gtest.h>

#include <vector>

#include "graphics/draw.h"
#include "graphics/font.h"
#include "graphics/sprite_store.h"
#include "platform/gl/frame_gl_work.h"
#include "platform/replay/deterministic.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "support/engine_fixture.h"
#include "test_pictures.h"

namespace zorby {
namespace {

using testing::TestEngine;

// The RGB of pixel (x, y) of a frame read back (rows top first).
testing::Rgb at(const std::vector<uint8_t>& frame, int width, int x, int y) {
    const uint8_t* p = &frame[(static_cast<size_t>(y) * width + x) * 4];
    return {p[0], p[1], p[2]};
}

bool same(testing::Rgb a, testing::Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

class HeldDrawing : public ::testing::TestWithParam<int> {};

TEST_P(HeldDrawing, StillFramesAreNotDrawnAgainAndChangesShowAtOnce) {
    const int scale = GetParam();
    platform::DeterministicOptions o;
    o.window_scale = scale;
    TestEngine te(o);
    ASSERT_TRUE(te.start());
    testing::TempDir dir;
    const std::string red = dir.file("red.png"), blue = dir.file("blue.png");
    ASSERT_TRUE(testing::write_png_format(red, 16, 16, PNG_FORMAT_RGBA,
                                          testing::solid_rgba(16, 16, {255, 0, 0})));
    ASSERT_TRUE(testing::write_png_format(blue, 16, 16, PNG_FORMAT_RGBA,
                                          testing::solid_rgba(16, 16, {0, 0, 255})));
    ASSERT_EQ(load_sprite(EngineString(red), 0), 1.0);

    // What each frame holds when it is shown, and what the window then shows at the
    // sprite's place.
    std::vector<uint8_t> frame, window;
    int ww = 0, wh = 0;
    te.engine().before_swap_hook = [&] {
        frame = testing::read_frame(320, 240);
        ASSERT_TRUE(te.platform().read_window(window, ww, wh));
    };
    auto window_at = [&](int x, int y) { return at(window, ww, x * scale, y * scale); };
    const testing::Rgb red_px{255, 0, 0}, blue_px{0, 0, 255};
    auto present = [] {
        const long long before = platform::frame_gl_work().skipped_frames();
        present_frame();
        return platform::frame_gl_work().skipped_frames() > before;
    };
    auto still = [&](int frames) {
        int skipped = 0;
        std::vector<uint8_t> first;
        for (int i = 0; i < frames; ++i) {
            // Sprites moving wholly outside the frame change no pixel.
            draw_sprite(0, 100 + i, -16 - i);
            draw_sprite(0, 320 + i, 60);
            draw_sprite(0, 300, -8);  // half inside
            draw_sprite(0, 40, 50);
            print_text("HELD", 100, 100);
            draw_line(0, 200, 319, 200, 0x00FF00);
            skipped += present() ? 1 : 0;
            if (i == 0) first = frame;
            EXPECT_EQ(frame, first) << "frame " << i;
        }
        return skipped;
    };

    // The first frame also loaded the sprite; from the third frame of the same
    // drawing after it on, nothing is drawn again.
    EXPECT_EQ(still(12), 9);
    EXPECT_TRUE(same(at(frame, 320, 45, 55), red_px));
    EXPECT_TRUE(same(at(frame, 320, 305, 4), red_px));
    EXPECT_TRUE(same(at(frame, 320, 10, 200), {0, 255, 0}));
    EXPECT_TRUE(same(window_at(45, 55), red_px));
    EXPECT_TRUE(same(window_at(10, 200), {0, 255, 0}));

    // The slot gets another picture (its texture name may well be the same one):
    // the very next frame shows it, and then it is held again.
    ASSERT_EQ(load_sprite(EngineString(blue), 0), 1.0);
    EXPECT_EQ(still(1), 0);
    EXPECT_TRUE(same(at(frame, 320, 45, 55), blue_px));
    EXPECT_TRUE(same(window_at(45, 55), blue_px));
    EXPECT_EQ(still(8), 6);
    EXPECT_TRUE(same(window_at(45, 55), blue_px));

    // A grab of the frame in the middle of held-back drawing holds that drawing.
    draw_sprite(0, 200, 20);
    grab_screen(3);
    clear_screen();
    draw_surface(3);
    EXPECT_FALSE(present());
    EXPECT_TRUE(same(at(frame, 320, 205, 25), blue_px));
    EXPECT_TRUE(same(window_at(205, 25), blue_px));
    te.engine().before_swap_hook = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Factors, HeldDrawing, ::testing::Values(1, 3));

}  // namespace
}  // namespace zorby
