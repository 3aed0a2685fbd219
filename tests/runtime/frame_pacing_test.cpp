// Frame presentation on the virtual clock: the frame grid, dropped slots, the pause
// while the window is inactive.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "graphics/display.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "support/engine_fixture.h"

namespace zorby {
namespace {

using testing::TestEngine;
using Kind = platform::ScriptEvent::Kind;

std::vector<double> frame_starts(TestEngine& te, int frames) {
    std::vector<double> marks;
    for (int i = 0; i < frames; ++i) {
        present_frame();
        marks.push_back(te.engine().current_frame_mark);
    }
    return marks;
}

TEST(FramePacing, SixtyFramesPerSecondLieOnTheGrid) {
    TestEngine te;
    ASSERT_TRUE(te.start());
    const auto marks = frame_starts(te, 120);
    for (size_t i = 1; i < marks.size(); ++i) {
        EXPECT_NEAR(marks[i] - marks[i - 1], 1000.0 / 60.0, 1e-6) << "frame " << i;
    }
    EXPECT_NEAR(frame_duration_ms(), 1000.0 / 60.0, 1e-6);
}

TEST(FramePacing, ALongFrameIsFollowedByTheNextSlotNotACatchUp) {
    TestEngine te;
    ASSERT_TRUE(te.start());
    frame_starts(te, 3);
    const double period = te.engine().display->frame_period;
    // A slot boundary the engine aims for next.
    const double before = te.engine().display->next_frame_time;
    te.platform().advance_ms(50.0);  // this frame took 50 ms
    present_frame();
    const double after = te.engine().display->next_frame_time;
    // The schedule skipped the missed slots: the next slot lies within one period
    // after now, on the same grid.
    const double now = te.platform().now_ms();
    EXPECT_GT(after, now - 1e-9);
    EXPECT_LE(after - now, period + 1e-9);
    const double slots = (after - before) / period;
    EXPECT_NEAR(slots, std::round(slots), 1e-6);
    // The frames after it are one period apart again (no three quick frames).
    const auto marks = frame_starts(te, 4);
    for (size_t i = 1; i < marks.size(); ++i) EXPECT_NEAR(marks[i] - marks[i - 1], period, 1e-6);
}

TEST(FramePacing, SwapWaitsForTheSlotWhenTheFrameWasQuick) {
    // A frame presented early waits (on the virtual clock) until its slot has passed.
    TestEngine te;
    ASSERT_TRUE(te.start());
    present_frame();
    auto& d = *te.engine().display;
    d.next_frame_time = te.platform().now_ms() + 10.0;
    te.platform().set_frame_period_ms(0.0);  // presenting takes no time here
    const double t0 = te.platform().now_ms();
    const double spent = swap_and_pace();
    EXPECT_GT(te.platform().now_ms(), t0 + 10.0);
    EXPECT_NEAR(spent, 10.0 + 1.0, 0.01);
}

TEST(FramePacing, RateZeroGivesTwoMilliseconds) {
    ProjectSettings s;
    s.frame_rate = 0;
    TestEngine te({}, s);
    ASSERT_TRUE(te.start());
    EXPECT_DOUBLE_EQ(te.engine().display->frame_period, 2.0);
}

TEST(Pause, FocusLossHoldsTheGameAndMarksTheTitle) {
    TestEngine te;
    ASSERT_TRUE(te.start());
    present_frame();
    te.platform().apply({Kind::FocusLost});
    present_frame();  // the event is handled while presenting
    EXPECT_TRUE(te.engine().paused);
    EXPECT_EQ(te.platform().title(), "zorby <pause>");

    // The next frame is held: it sleeps in 100 ms steps until focus comes back.
    int sleeps = 0;
    te.platform().sleep_hook = [&](double ms) {
        if (ms == 100.0 && ++sleeps == 5) te.platform().apply({Kind::FocusGained});
    };
    const uint64_t frames = te.platform().frames_presented();
    present_frame();
    EXPECT_EQ(sleeps, 5);
    EXPECT_FALSE(te.engine().paused);
    EXPECT_EQ(te.platform().title(), "zorby");
    EXPECT_EQ(te.platform().frames_presented(), frames + 1);
}

TEST(Pause, DebugModeAndAutoPauseOffNeverPause) {
    {
        ProjectSettings s;
        s.debug_mode = 1;
        TestEngine te({}, s);
        ASSERT_TRUE(te.start());
        te.platform().apply({Kind::FocusLost});
        present_frame();
        EXPECT_FALSE(te.engine().paused);
        EXPECT_EQ(te.platform().title(), "zorby");
    }
    {
        TestEngine te;
        ASSERT_TRUE(te.start());
        set_auto_pause(0);
        te.platform().apply({Kind::FocusLost});
        present_frame();
        EXPECT_FALSE(te.engine().paused);
    }
}

TEST(Display, MultisampleRequestsHalveUntilOneIsFound) {
    struct Case {
        int requested, max_supported;
        std::vector<int> asked;
        int stored;
    };
    const Case cases[] = {
        {8, 2, {8, 4, 2}, 8},
        {6, 1, {6, 3, 1}, 6},
        {8, 0, {8, 4, 2, 1}, 0},
        {0, 8, {}, 0},
    };
    for (const Case& c : cases) {
        ProjectSettings s;
        s.multisample = c.requested;
        TestEngine te({}, s);
        te.platform().set_max_multisample(c.max_supported);
        // The platform moves into the engine at start; keep a pointer for checks.
        auto* p = &te.platform();
        ASSERT_TRUE(te.start());
        EXPECT_EQ(p->multisample_requests(), c.asked) << "request " << c.requested;
        EXPECT_EQ(te.engine().display->multisample, c.stored) << "request " << c.requested;
    }
}

TEST(Display, SoftwareRenderersAreRecognised) {
    EXPECT_TRUE(is_software_renderer("llvmpipe (LLVM 15.0.6, 256 bits)", false));
    EXPECT_TRUE(is_software_renderer("softpipe", false));
    EXPECT_TRUE(is_software_renderer("Software Rasterizer", false));
    EXPECT_TRUE(is_software_renderer("Mesa Windows GDI Driver", false));
    EXPECT_TRUE(is_software_renderer("Some GPU", true));
    EXPECT_FALSE(is_software_renderer("Mesa Intel(R) UHD Graphics 620", false));
}

TEST(Display, FullScreenSwitchKeepsTheWindowAndCarriesTheRate) {
    TestEngine te;
    ASSERT_TRUE(te.start());
    auto& d = *te.engine().display;
    EXPECT_TRUE(d.set_fullscreen_mode());
    EXPECT_DOUBLE_EQ(d.is_fullscreen(), 1.0);
    EXPECT_DOUBLE_EQ(d.frame_period, 1000.0 / 59.0);
    EXPECT_TRUE(te.platform().fullscreen());
    EXPECT_EQ(d.set_windowed_mode(), 1);
    EXPECT_DOUBLE_EQ(d.is_fullscreen(), 0.0);
    EXPECT_TRUE(d.has_extension("GL_ARB_multitexture"));
    EXPECT_FALSE(d.has_extension("GL_ARB_multi"));
}

}  // namespace
}  // namespace zorby
