// The 2D drawing state set by set_viewport, checked on read-back pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "graphics/display.h"
#include "platform/gl/frame_gl_work.h"
#include "runtime/engine.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using testing::read_frame;
using testing::read_pixel;
using testing::TestEngine;

// Fills the rectangle (x, y, w, h) of the current viewport with a colour, untextured,
// sent counter-clockwise as every 2D quad is.
void fill(float x, float y, float w, float h, uint8_t r, uint8_t g, uint8_t b) {
    glDisable(GL_TEXTURE_2D);
    glColor4ub(r, g, b, 255);
    glBegin(GL_QUADS);
    glVertex2f(x + w, y);
    glVertex2f(x, y);
    glVertex2f(x, y + h);
    glVertex2f(x + w, y + h);
    glEnd();
    glColor4f(1, 1, 1, 1);
}

class ViewportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(te_.start());
        // The test draws with OpenGL itself: nothing the engine drew may be held back.
        platform::frame_gl_work().flush();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    TestEngine te_;
};

TEST_F(ViewportTest, FullWindowByDefault) {
    te_.engine().display->set_viewport(0, 0, 0, 0);
    fill(0, 0, 1, 1, 255, 0, 0);
    fill(319, 239, 1, 1, 0, 255, 0);
    EXPECT_EQ(read_pixel(0, 0), (testing::Rgba{255, 0, 0, 255}));
    EXPECT_EQ(read_pixel(319, 239), (testing::Rgba{0, 255, 0, 255}));
    EXPECT_EQ(read_pixel(1, 0), (testing::Rgba{0, 0, 0, 255}));
}

TEST_F(ViewportTest, OriginAtTheViewportsTopLeftAndClippedToIt) {
    auto& d = *te_.engine().display;
    d.set_viewport(20, 83, 308, 94);
    EXPECT_EQ(d.viewport_x, 20);
    EXPECT_EQ(d.viewport_h, 94);
    fill(0, 0, 1, 1, 255, 0, 0);
    EXPECT_EQ(read_pixel(20, 83), (testing::Rgba{255, 0, 0, 255}));
    // A quad covering far more than the viewport changes only the viewport.
    glClear(GL_COLOR_BUFFER_BIT);
    fill(-100, -100, 1000, 1000, 0, 0, 255);
    const auto frame = read_frame(320, 240);
    int inside = 0, outside = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const bool blue = frame[(y * 320 + x) * 4 + 2] == 255;
            const bool in = x >= 20 && x < 328 && y >= 83 && y < 177;
            if (blue && in) ++inside;
            if (blue && !in) ++outside;
        }
    }
    EXPECT_EQ(inside, 300 * 94);  // clipped by the window's right edge at x 320
    EXPECT_EQ(outside, 0);
}

TEST_F(ViewportTest, ZeroSizeKeepsTheOffset) {
    te_.engine().display->set_viewport(10, 10, 0, 0);
    fill(0, 0, 1, 1, 255, 255, 0);
    EXPECT_EQ(read_pixel(10, 10), (testing::Rgba{255, 255, 0, 255}));
    EXPECT_EQ(read_pixel(0, 0), (testing::Rgba{0, 0, 0, 255}));
}

TEST_F(ViewportTest, ClockwiseQuadsAreCulledAndTheAlphaTestDiscardsFaintPixels) {
    te_.engine().display->set_viewport(0, 0, 0, 0);
    glDisable(GL_TEXTURE_2D);
    glColor4ub(255, 255, 255, 255);
    glBegin(GL_QUADS);  // clockwise on screen: culled
    glVertex2f(0, 0);
    glVertex2f(10, 0);
    glVertex2f(10, 10);
    glVertex2f(0, 10);
    glEnd();
    EXPECT_EQ(read_pixel(5, 5), (testing::Rgba{0, 0, 0, 255}));
    glColor4ub(255, 255, 255, 12);  // alpha 12/255 < 0.05: discarded
    glBegin(GL_QUADS);
    glVertex2f(30, 0);
    glVertex2f(20, 0);
    glVertex2f(20, 10);
    glVertex2f(30, 10);
    glEnd();
    EXPECT_EQ(read_pixel(25, 5), (testing::Rgba{0, 0, 0, 255}));
}

}  // namespace
}  // namespace zorby
