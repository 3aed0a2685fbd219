// The intro: the input-device question, its pictures and pauses, and the first menu
// frame it leads to.
#include <gtest/gtest.h>

#include "game/game_harness.h"
#include "game/game_state.h"
#include "input/input_state.h"
#include "runtime/frame.h"

namespace zorby::testing {
namespace {

using game::GameState;

struct FirstFrame {
    game::Screen game_state;
    game::MenuPage menu_page;
    int countdown, energy;
    game::InputDevice input_device;
    double cursor_x, cursor_y;
};

FirstFrame first_frame_after(int key, double* intro_ms = nullptr) {
    GameRun run;
    run.answer_intro(key);
    const double start = run.now();
    FirstFrame seen{};
    run.run(1, [&](uint64_t) {
        const GameState& g = run.state();
        seen = {g.game_state,   g.menu_page, g.countdown, g.energy,
                g.input_device, g.cursor_x,  g.cursor_y};
        if (intro_ms) *intro_ms = run.now() - start;
    });
    return seen;
}

TEST(Intro, ZAndAChooseTheKeyboardCursorXAndBTheMouse) {
    for (int key : {44, 30}) {
        const FirstFrame f = first_frame_after(key);
        EXPECT_EQ(f.input_device, game::InputDevice::keyboard_cursor) << "key " << key;
    }
    for (int key : {45, 48}) {
        const FirstFrame f = first_frame_after(key);
        EXPECT_EQ(f.input_device, game::InputDevice::mouse) << "key " << key;
    }
}

TEST(Intro, LaterKeyOfTheQuestionWinsWhenBothKindsAreDown) {
    // Polled in the order Z, X, A, B: with Z and X down, X (mouse) is read last; with
    // X and A down, A (cursor) is read last.
    using Device = game::InputDevice;
    for (auto [first, second, device] :
         {std::tuple{44, 45, Device::mouse}, std::tuple{45, 30, Device::keyboard_cursor},
          std::tuple{48, 44, Device::mouse}}) {
        GameRun run;
        run.answer_intro(first);
        run.answer_intro(second);
        run.run(1);
        EXPECT_EQ(run.state().input_device, device) << first << "+" << second;
    }
}

TEST(Intro, FirstFrameShowsTheMainMenuWithCountdownAndFullEnergy) {
    double intro_ms = 0;
    const FirstFrame f = first_frame_after(GameRun::kKeyboardCursor, &intro_ms);
    EXPECT_EQ(f.game_state, game::Screen::menu);
    EXPECT_EQ(f.menu_page, game::MenuPage::main_menu);
    EXPECT_EQ(f.countdown, 250);
    EXPECT_EQ(f.energy, 300);
    EXPECT_EQ(f.cursor_x, 10);
    EXPECT_EQ(f.cursor_y, 10);
    // Two pictures shown for 2 s each before the first frame.
    EXPECT_GE(intro_ms, 4000);
    EXPECT_LT(intro_ms, 4200);
}

// The pixels of a rectangle of the first game frame, with the mouse moved to
// (160, 60) in that frame.
std::vector<Rgba> first_frame_pixels(int key, int x0, int y0, int w, int h) {
    GameRun run;
    run.answer_intro(key);
    run.mouse_to(0, 160, 60);
    std::vector<Rgba> pixels;
    run.before_show = [&](uint64_t f) {
        if (f != 0) return;
        for (int y = y0; y < y0 + h; ++y) {
            for (int x = x0; x < x0 + w; ++x) pixels.push_back(read_pixel(x, y));
        }
    };
    run.run(1);
    return pixels;
}

TEST(Intro, FirstFrameDrawsTheChosenPointerGlyphAndAFullGreenBar) {
    // The mouse glyph "X" sits at the mouse - 4; the cursor glyph "x" at the cursor
    // (10, 10). Each run shows its own glyph and not the other's.
    const auto mouse_area_x = first_frame_pixels(GameRun::kMouse, 156, 56, 12, 16);
    const auto mouse_area_z = first_frame_pixels(GameRun::kKeyboardCursor, 156, 56, 12, 16);
    EXPECT_NE(mouse_area_x, mouse_area_z);
    const auto cursor_area_x = first_frame_pixels(GameRun::kMouse, 10, 10, 12, 16);
    const auto cursor_area_z = first_frame_pixels(GameRun::kKeyboardCursor, 10, 10, 12, 16);
    EXPECT_NE(cursor_area_x, cursor_area_z);
    // Energy 300: four green lines from x 5 to 300 on y 182..185.
    const auto bar = first_frame_pixels(GameRun::kMouse, 0, 181, 310, 6);
    auto at = [&](int x, int y) { return bar[(y - 181) * 310 + x]; };
    const Rgba green{30, 255, 0, 255};
    for (int y = 182; y <= 185; ++y) {
        for (int x : {5, 150, 300}) EXPECT_EQ(at(x, y), green) << x << "," << y;
        EXPECT_FALSE(at(302, y) == green) << y;
    }
}

TEST(Intro, GreetsWithZorbyAndStartsTheMusicAtVolumeFourTenths) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    run.run(1);
    const std::vector<int> sounds = run.sounds();
    ASSERT_FALSE(sounds.empty());
    EXPECT_EQ(sounds.front(), 3);
    EXPECT_EQ(run.count_music_starts(), 1);
    EXPECT_DOUBLE_EQ(run.last_volume(), 0.4);
    // Centred, at full volume.
    for (const AudioCall& c : run.audio()) {
        if (c.kind != AudioCall::Kind::Sound) continue;
        EXPECT_EQ(c.pan, 0);
        EXPECT_EQ(c.volume, 1);
    }
}

TEST(Intro, KeyWaitSleepsAndStillHonoursClosingTheWindowAndEscape) {
    using Kind = platform::ScriptEvent::Kind;
    for (auto kind : {Kind::Close, Kind::Key}) {
        GameRun run;
        // No answer: the question waits. Ten virtual seconds later the window closes
        // (or Escape is pressed).
        run.engine().platform().sleep_hook = [&, fired = false](double) mutable {
            if (!fired && run.now() > 10000) {
                fired = true;
                run.engine().platform().apply({kind, 1, 1});
            }
        };
        const int status = run.run(1);
        EXPECT_EQ(status, 0) << "the program ends normally";
        EXPECT_EQ(run.state().game_state, game::Screen::intro) << "still in the intro";
        EXPECT_GT(run.engine().platform().slept_ms(), 9000) << "the wait sleeps";
    }
}

}  // namespace
}  // namespace zorby::testing

namespace zorby::testing {
namespace {

using Event = platform::ScriptEvent;

// A key pressed and released between two reads (a quick tap, or one during a slow
// frame) is read as down once: it answers the question, a tapped Escape ends the
// program, and a tap nobody reads within the next frame is dropped.
TEST(Intro, QuickTapsAnswerTheQuestionAndEscapeEndsTheProgram) {
    GameRun run;
    auto& p = run.engine().platform();
    p.schedule(p.frames_presented(), {Event::Kind::Key, GameRun::kMouse, 2});
    run.at(30, {Event::Kind::Key, 1, 2});
    uint64_t last = 0;
    EXPECT_EQ(run.run(100, [&](uint64_t frame) { last = frame; }), 0);
    EXPECT_EQ(run.state().input_device, game::InputDevice::mouse);
    EXPECT_EQ(last, 29u);

    GameRun direct;
    auto& q = direct.engine().platform();
    q.apply({Event::Kind::Key, 45, 2});
    EXPECT_EQ(key_down(44), 0.0);  // the read of another key leaves it waiting
    EXPECT_EQ(key_down(45), 1.0);
    EXPECT_EQ(key_down(45), 0.0);
    q.apply({Event::Kind::Key, 45, 2});
    key_down(44);
    present_frame();
    present_frame();
    EXPECT_EQ(key_down(45), 0.0);
}

}  // namespace
}  // namespace zorby::testing
