// The SDL platform's pointer, headless (SDL's offscreen video driver): positions and
// motion in logical pixels at any factor from position-only events, as every kind
// of pointing device reports them.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/replay/event_injection.h"

namespace zorby {
namespace {

platform::MouseSample sample(platform::Platform& p) {
    return p.input().sample_mouse();
}

// Positions only, as an absolute pointing device reports them (no relative motion):
// the pointer and its motion in logical pixels at any factor, bars read as the
// nearest edge, and the motion always summing to where the pointer is.
TEST(SdlPointer, PositionsAndMotionAreLogicalPixelsFromPositionsAlone) {
    auto p = platform::make_sdl_platform();
    platform::WindowConfig c;
    c.scale = 2;
    c.hidden = true;
    ASSERT_TRUE(p->window().create_window(c));
    const platform::MouseSample first = p->input().sample_mouse();
    // 2x, no bars: window pixels 2 x 2 per logical one.
    ASSERT_TRUE(platform::push_mouse_motion(101, 51));
    platform::MouseSample s = sample(*p);
    EXPECT_EQ(s.x, 50);
    EXPECT_EQ(s.y, 25);
    EXPECT_EQ(s.dx, 50 - first.x);
    EXPECT_EQ(s.dy, 25 - first.y);
    ASSERT_TRUE(platform::push_mouse_motion(102, 51));
    EXPECT_EQ(sample(*p).dx, 1);
    ASSERT_TRUE(platform::push_mouse_motion(103, 51));
    EXPECT_EQ(sample(*p).dx, 0);  // the same logical pixel
    // Several positions between two samples: the motion of all of them.
    ASSERT_TRUE(platform::push_mouse_motion(300, 200));
    ASSERT_TRUE(platform::push_mouse_motion(639, 479));
    s = sample(*p);
    EXPECT_EQ(s.x, 319);
    EXPECT_EQ(s.y, 239);
    EXPECT_EQ(s.dx, 319 - 51);
    EXPECT_EQ(s.dy, 239 - 25);
    // A warp moves the pointer without motion, and its own echo adds none.
    p->input().warp_pointer(10, 20);
    ASSERT_TRUE(platform::push_mouse_motion(21, 41));
    s = sample(*p);
    EXPECT_EQ(s.x, 10);
    EXPECT_EQ(s.y, 20);
    EXPECT_EQ(s.dx, 0);
    EXPECT_EQ(s.dy, 0);

    // 3x in a window of another shape: a 960 x 720 picture at (20, 40), bars around.
    ASSERT_TRUE(platform::resize_current_window(1000, 800));
    EXPECT_EQ(p->window().window_scale(), 3);
    struct Case {
        int wx, wy, x, y;
    };
    int x = s.x, y = s.y;
    for (const Case& k :
         {Case{5, 100, 0, 20}, Case{20, 40, 0, 0}, Case{22, 42, 0, 0}, Case{23, 43, 1, 1},
          Case{20 + 3 * 100 + 2, 40 + 3 * 50, 100, 50}, Case{979, 759, 319, 239},
          Case{999, 799, 319, 239}, Case{500, 0, 160, 0}, Case{-30, -30, 0, 0}}) {
        ASSERT_TRUE(platform::push_mouse_motion(k.wx, k.wy));
        s = sample(*p);
        EXPECT_EQ(s.x, k.x) << k.wx << ", " << k.wy;
        EXPECT_EQ(s.y, k.y) << k.wx << ", " << k.wy;
        x += s.dx;
        y += s.dy;
        EXPECT_EQ(x, k.x) << "the motion so far ends where the pointer is";
        EXPECT_EQ(y, k.y) << "the motion so far ends where the pointer is";
    }
    p->window().destroy_window();
}

}  // namespace
}  // namespace zorby
