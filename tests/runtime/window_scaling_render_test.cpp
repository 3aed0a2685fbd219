// The scaled window: the engine draws and reads the logical frame whatever factor
// the window shows it at; the window holds whole-factor blocks of it, centred, with
// black bars; the screen-mode command really changes the frame and the window.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "game/game_main.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "input/input_state.h"
#include "platform/portable/window_layout.h"
#include "platform/replay/deterministic.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "runtime/replay.h"
#include "runtime/wait_commands.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"

namespace zorby {
namespace {

namespace fs = std::filesystem;
using platform::DeterministicPlatform;
using testing::TestEngine;

bool offscreen_driver() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return driver && std::string(driver) == "offscreen";
}

// Checks that the window shows frame (frame_w x frame_h, RGBA rows top first)
// enlarged by its layout's factor, and black everywhere else.
void expect_window_shows(DeterministicPlatform& p, const std::vector<uint8_t>& frame, int frame_w,
                         int frame_h, int expected_scale, bool compose = true) {
    std::vector<uint8_t> win;
    int ww = 0, wh = 0;
    ASSERT_TRUE(p.read_window(win, ww, wh, compose));
    const platform::WindowLayout l = platform::fit_picture(ww, wh, frame_w, frame_h);
    ASSERT_EQ(l.scale, expected_scale) << ww << " x " << wh;
    int wrong = 0;
    for (int y = 0; y < wh && wrong < 5; ++y) {
        for (int x = 0; x < ww && wrong < 5; ++x) {
            const uint8_t* w = &win[(static_cast<size_t>(y) * ww + x) * 4];
            const int fx = x - l.x, fy = y - l.y;
            uint8_t want[3] = {0, 0, 0};
            if (fx >= 0 && fy >= 0 && fx < l.width && fy < l.height) {
                const uint8_t* f =
                    &frame[(static_cast<size_t>(fy / l.scale) * frame_w + fx / l.scale) * 4];
                want[0] = f[0], want[1] = f[1], want[2] = f[2];
            }
            if (w[0] != want[0] || w[1] != want[1] || w[2] != want[2]) {
                ADD_FAILURE() << "window pixel (" << x << ", " << y << ") is " << int(w[0]) << " "
                              << int(w[1]) << " " << int(w[2]) << ", want " << int(want[0]) << " "
                              << int(want[1]) << " " << int(want[2]);
                ++wrong;
            }
        }
    }
}

// The intro answered with the mouse, then two menu pages clicked open and closed.
const char kMenuScript[] =
    "0 key 45 down\n10 key 45 up\n"
    "150 mouse 60 104\n151 button 1 down\n153 button 1 up\n"
    "200 mouse 40 200\n201 button 1 down\n203 button 1 up\n"
    "260 end\n";

TEST(WindowScaling, TheGameDrawsTheSameFramesAtEveryFactorAndTheWindowShowsThemInBlocks) {
    platform::InputScript script;
    std::string error;
    ASSERT_TRUE(platform::parse_input_script(kMenuScript, script, error)) << error;
    // The game's files, from the asset folder.
    testing::TempDir dir;
    for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR)) {
        testing::link_or_copy(entry.path(), dir.file(entry.path().filename().string()));
    }
    const fs::path old_cwd = fs::current_path();
    auto run_at = [&](int scale, bool check_window) {
        ReplayRunOptions o;
        o.platform.window_scale = scale;
        o.replay.hash_every = 1;
        int checked = 0;
        o.on_start = [&](platform::ReplayPlatform& rp) {
            auto& p = dynamic_cast<DeterministicPlatform&>(rp.inner());
            int ww = 0, wh = 0;
            p.window_pixel_size(ww, wh);
            EXPECT_EQ(ww, 320 * scale);
            EXPECT_EQ(wh, 240 * scale);
            if (!check_window) return;
            engine().before_swap_hook = [&p, &checked] {
                // A menu frame with the pointer over the first page's picture.
                if (p.frames_presented() != 180) return;
                expect_window_shows(p, testing::read_frame(320, 240), 320, 240, 3);
#ifndef _WIN32
                // Mesa's software renderer copies the rectangle right: the check must
                // keep that copy (the blit would show the same pixels, only slower).
                EXPECT_TRUE(p.window_copies_as_rectangle());
#endif
                // Another shape: the largest factor that fits, with bars. (Smaller than
                // the first size: the offscreen driver's surface keeps its size.)
                p.resize_window(900, 700);
                expect_window_shows(p, testing::read_frame(320, 240), 320, 240, 2);
                p.resize_window(960, 720);
                ++checked;
            };
        };
        const ReplayResult r = run_replay(script, o, [&] {
            fs::current_path(dir.path());
            game::game_main();
        });
        fs::current_path(old_cwd);
        if (check_window) {
            EXPECT_EQ(checked, 1);
        }
        return r;
    };
    const ReplayResult one = run_at(1, false);
    const ReplayResult three = run_at(3, true);
    ASSERT_TRUE(one.started);
    EXPECT_EQ(one.exit_status, 0);
    EXPECT_GT(one.frames, 250u);
    EXPECT_EQ(three.frames, one.frames);
    EXPECT_EQ(three.frame_hashes, one.frame_hashes);
    EXPECT_EQ(three.sound_hash, one.sound_hash);
}

// A frame identical to the one on show is not copied into the window again; any
// change, even of one pixel, and any resize of the window shows the frame again.
TEST(WindowScaling, OnlyChangedFramesAreCopiedIntoTheWindow) {
    platform::DeterministicOptions o;
    o.window_scale = 3;
    TestEngine te(o);
    auto* p = &te.platform();
    ASSERT_TRUE(te.start());
    // The same picture every frame (the frame is cleared after each swap).
    auto draw = [](int dot_x) {
        draw_line(10, 10, 200, 10, 0x00FF00);
        if (dot_x >= 0) draw_line(dot_x, 100, dot_x, 100, 0xFFFFFF);
    };
    auto present = [&](int dot_x) {
        draw(dot_x);
        const long long before = p->unchanged_swaps();
        present_frame();
        return p->unchanged_swaps() == before;  // true: the frame was shown
    };
    auto shown_of = [&](int frames, int dot_x) {
        int shown = 0;
        for (int i = 0; i < frames; ++i) shown += present(dot_x) ? 1 : 0;
        return shown;
    };
    // A still picture (after the start-up frames): the copies stop within a few
    // frames and stay stopped.
    EXPECT_LE(shown_of(20, -1), 17);
    EXPECT_EQ(shown_of(10, -1), 0);
    // One pixel differs: that frame is shown, the same one again is not.
    EXPECT_TRUE(present(50));
    EXPECT_EQ(shown_of(10, 50), 0);
    EXPECT_TRUE(present(-1));
    EXPECT_TRUE(present(50));
    EXPECT_EQ(shown_of(10, 50), 0);
    // The window changes shape: the same frame is shown again, with bars.
    p->resize_window(900, 700);
    EXPECT_TRUE(present(50));
    EXPECT_EQ(shown_of(10, 50), 0);
    draw(50);
    expect_window_shows(*p, testing::read_frame(320, 240), 320, 240, 2);
    present_frame();
    // A moving picture is shown every frame; once it stands still the copies stop
    // again within a few frames.
    for (int i = 0; i < 60; ++i) EXPECT_TRUE(present(i)) << i;
    EXPECT_LE(shown_of(20, 59), 17);
    EXPECT_EQ(shown_of(10, 59), 0);
    EXPECT_TRUE(present(58));
}

// While the window is the frame's size the engine draws straight into it; the frame
// moves between the window and the framebuffer when the window starts or stops
// fitting it, and nothing drawn is lost on the way. (prepare_next false: frames are
// not cleared, so a frame still holds what the frames before it drew.)
TEST(WindowScaling, TheFrameCarriesOverWhenTheWindowStartsOrStopsFittingIt) {
    platform::DeterministicOptions o;
    o.window_scale = 2;
    TestEngine te(o);
    auto* p = &te.platform();
    ASSERT_TRUE(te.start());
    const testing::Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255},
        white{255, 255, 255, 255};
    draw_line(0, 10, 319, 10, 0x0000FF);
    present_frame(false);
    p->resize_window(320, 240);
    draw_line(0, 20, 319, 20, 0x00FF00);
    present_frame(false);  // shown through the framebuffer, then the window takes over
    expect_window_shows(*p, testing::read_frame(320, 240), 320, 240, 1);
    draw_line(0, 30, 319, 30, 0xFF0000);
    EXPECT_EQ(testing::read_pixel(5, 10), red);
    EXPECT_EQ(testing::read_pixel(319, 20), green);
    EXPECT_EQ(testing::read_pixel(160, 30), blue);
    // The window grows while a frame is half drawn into it.
    p->resize_window(640, 480);
    draw_line(0, 239, 319, 239, 0xFFFFFF);
    const std::vector<uint8_t> drawn = testing::read_frame(320, 240);
    present_frame(false);
    EXPECT_EQ(testing::read_frame(320, 240), drawn);
    expect_window_shows(*p, drawn, 320, 240, 2);
    EXPECT_EQ(testing::read_pixel(0, 10), red);
    EXPECT_EQ(testing::read_pixel(0, 20), green);
    EXPECT_EQ(testing::read_pixel(0, 30), blue);
    EXPECT_EQ(testing::read_pixel(319, 239), white);
}

// A window at the frame's size goes full screen: its buffer takes the new size one
// swap late. The copy must be checked, and the picture shown, at the new size: the
// next frame shows the picture enlarged although it is unchanged, and the copy is
// the one a window opened at that size chooses. (Needs a window that can grow: run
// under Xvfb.)
TEST(WindowScaling, FullScreenFromTheFrameSizeShowsTheFrameEnlarged) {
    if (offscreen_driver()) GTEST_SKIP() << "the offscreen driver's surface cannot grow";
    auto draw = [] {
        draw_line(0, 0, 319, 239, 0x00FF00);
        draw_line(10, 200, 300, 200, 0x0000FF);
        draw_line(319, 0, 319, 239, 0xFFFFFF);
    };
    auto full_screen_from = [&](int scale, std::vector<uint8_t>& frame, bool& rectangle) {
        platform::DeterministicOptions o;
        o.window_scale = scale;
        TestEngine te(o);
        ASSERT_TRUE(te.start());
        for (int i = 0; i < 3; ++i) draw(), present_frame();
        set_screen_mode(0, 0, 1);
        for (int i = 0; i < 2; ++i) {
            draw();
            frame = testing::read_frame(320, 240);
            present_frame();
        }
        expect_window_shows(te.platform(), frame, 320, 240, 3, false);
        rectangle = te.platform().window_copies_as_rectangle();
    };
    std::vector<uint8_t> enlarged, direct;
    bool enlarged_rectangle = false, direct_rectangle = false;
    full_screen_from(3, enlarged, enlarged_rectangle);
    full_screen_from(1, direct, direct_rectangle);
    EXPECT_EQ(direct, enlarged);
    EXPECT_EQ(direct_rectangle, enlarged_rectangle);
}

TEST(WindowScaling, TheScreenModeCommandChangesTheFrameAndTheWindow) {
    platform::DeterministicOptions o;
    o.window_scale = 2;
    TestEngine te(o);
    auto* p = &te.platform();
    ASSERT_TRUE(te.start());
    Engine& e = te.engine();
    set_screen_mode(640, 480, 0);
    int w = 0, h = 0;
    e.platform->window().client_size(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    p->window_pixel_size(w, h);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 960);
    // Drawing reaches the new frame's far corner, the viewport's origin is its top
    // left and the mouse clamps to its edge.
    draw_line(600, 400, 639, 400, 0x0000FF);
    EXPECT_EQ(testing::read_pixel(620, 400), (testing::Rgba{255, 0, 0, 255}));
    p->apply({platform::ScriptEvent::Kind::MouseTo, 900, 900});
    p->apply({platform::ScriptEvent::Kind::Move, 900, 900});
    present_frame();
    double x = 0, y = 0, l = 0, r = 0;
    mouse_state(x, y, l, r);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    draw_line(0, 0, 639, 0, 0x00FF00);
    // The offscreen driver's surface cannot grow with its window; a real one does.
    if (!offscreen_driver()) {
        expect_window_shows(*p, testing::read_frame(640, 480), 640, 480, 2);
    }
    // Full screen and back keep the frame's size.
    set_screen_mode(0, 0, 1);
    EXPECT_EQ(e.display->is_fullscreen(), 1.0);
    e.platform->window().client_size(w, h);
    EXPECT_EQ(w, 640);
    set_screen_mode(320, 240, 0);
    EXPECT_EQ(e.display->is_fullscreen(), 0.0);
    e.platform->window().client_size(w, h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    p->window_pixel_size(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
}

}  // namespace
}  // namespace zorby
