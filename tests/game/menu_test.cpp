// The menu pages: hotspots of the main menu, the how-to-play index and the options
// page with their strict mouse and cursor ranges, the scrolling pages, the Menu / Start / Exit
// buttons and the keyboard cursor.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "game/frame_loop.h"
#include "game/game_harness.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "game/pages.h"

namespace zorby::testing {
namespace {

using game::GameState;
using P = game::MenuPage;

// One row of a page's hotspot table as the game's documentation gives it: the x
// range, the mouse's y range and the keyboard cursor's y range (all open), and what
// the page's settings are after a press there.
struct Hotspot {
    double x1, x2, y1, y2, c1, c2;
    P page;          // menu_page afterwards
    int difficulty;  // afterwards (kUntouched: as before)
    int sound_on;    // afterwards (kUntouched: as before)
};
constexpr int kUntouched = -7;

// What a page press can change.
struct Outcome {
    P page;
    int difficulty, sound_on;
    bool operator==(const Outcome&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << "page " << static_cast<int>(o.page) << " difficulty " << o.difficulty
               << " sound_on " << o.sound_on;
}

// Runs one page routine with the mouse (or the keyboard cursor with Z held) at
// (x, y). press() starts from difficulty and sound_on kUntouched, so that any change
// shows, and returns the settings afterwards; page_after() keeps them and returns
// menu_page.
class PageProbe {
public:
    PageProbe() {
        game::dimension_game_arrays();
        run_.state().game_state = game::Screen::menu;
    }
    Outcome press(void (*page)(), P start_page, double x, double y, bool mouse) {
        GameState& g = run_.state();
        g.difficulty = kUntouched;
        g.sound_on = kUntouched;
        run(page, start_page, x, y, mouse);
        return {g.menu_page, g.difficulty, g.sound_on};
    }
    P page_after(void (*page)(), P start_page, double x, double y, bool mouse) {
        run(page, start_page, x, y, mouse);
        return run_.state().menu_page;
    }
    GameRun& run() { return run_; }

private:
    void run(void (*page)(), P start_page, double x, double y, bool mouse) {
        GameState& g = run_.state();
        g.menu_page = start_page;
        g.mouse_x = mouse ? x : -50;
        g.mouse_y = mouse ? y : -50;
        g.mouse_button = mouse ? 1 : 0;
        g.cursor_x = mouse ? -50 : x;
        g.cursor_y = mouse ? -50 : y;
        run_.engine().platform().set_key(44, !mouse);
        page();
        run_.engine().platform().set_key(44, false);
    }

    GameRun run_;
};

// Probes every row inside each corner and at each bound, for the mouse and for the
// keyboard cursor, and checks that the other pointer's range does not leak in.
void check_hotspots(void (*page)(), P start_page, const std::vector<Hotspot>& spots) {
    PageProbe probe;
    const Outcome none{start_page, kUntouched, kUntouched};
    for (const Hotspot& h : spots) {
        const Outcome acted{h.page, h.difficulty, h.sound_on};
        SCOPED_TRACE(::testing::Message() << "hotspot x " << h.x1 << ".." << h.x2 << " y " << h.y1
                                          << ".." << h.y2 << " cursor y " << h.c1 << ".." << h.c2);
        for (bool mouse : {true, false}) {
            SCOPED_TRACE(mouse ? "mouse" : "keyboard cursor");
            const double lo = mouse ? h.y1 : h.c1, hi = mouse ? h.y2 : h.c2;
            const double mx = (h.x1 + h.x2) / 2, my = (lo + hi) / 2;
            EXPECT_EQ(probe.press(page, start_page, mx, my, mouse), acted);
            EXPECT_EQ(probe.press(page, start_page, h.x1 + 1, lo + 1, mouse), acted);
            EXPECT_EQ(probe.press(page, start_page, h.x2 - 1, lo + 1, mouse), acted);
            EXPECT_EQ(probe.press(page, start_page, h.x1 + 1, hi - 1, mouse), acted);
            EXPECT_EQ(probe.press(page, start_page, h.x2 - 1, hi - 1, mouse), acted);
            // The bounds themselves are outside.
            EXPECT_EQ(probe.press(page, start_page, h.x1, my, mouse), none);
            EXPECT_EQ(probe.press(page, start_page, h.x2, my, mouse), none);
            EXPECT_EQ(probe.press(page, start_page, mx, lo, mouse), none);
            EXPECT_EQ(probe.press(page, start_page, mx, hi, mouse), none);
        }
        // Where one pointer's range reaches beyond the other's, only it acts there.
        const double mx = (h.x1 + h.x2) / 2;
        for (double y = std::min(h.y1, h.c1) + 1; y < std::max(h.y2, h.c2); y += 1) {
            const bool in_mouse = h.y1 < y && y < h.y2, in_cursor = h.c1 < y && y < h.c2;
            if (in_mouse == in_cursor) continue;
            EXPECT_EQ(probe.press(page, start_page, mx, y, true), in_mouse ? acted : none) << y;
            EXPECT_EQ(probe.press(page, start_page, mx, y, false), in_cursor ? acted : none) << y;
        }
        // Without a press nothing happens.
        GameState& g = probe.run().state();
        g.menu_page = start_page;
        g.mouse_x = mx, g.mouse_y = (h.y1 + h.y2) / 2, g.mouse_button = 0;
        page();
        EXPECT_EQ(g.menu_page, start_page);
    }
}

// The rows below are transcribed from the documented hotspot tables of the main
// menu, the how-to-play index and the options page (screen pixels, open ranges).
TEST(MenuPages, MainMenuHotspotsHaveStrictMouseAndCursorRanges) {
    constexpr int u = kUntouched;
    check_hotspots(game::main_menu_page, P::main_menu,
                   {{18, 135, 92, 116, 86, 116, P::how_to_play, u, u},
                    {203, 281, 138, 160, 132, 160, P::credits, u, u},
                    {28, 171, 140, 159, 134, 159, P::high_scores, u, u},
                    {177, 261, 101, 120, 96, 120, P::options, u, u}});
}

TEST(MenuPages, HowToPlayHotspotsHaveStrictMouseAndCursorRanges) {
    constexpr int u = kUntouched;
    check_hotspots(game::help_index_page, P::how_to_play,
                   {{35, 143, 125, 139, 124, 141, P::explain_time_attack, u, u},
                    {35, 153, 150, 163, 146, 163, P::explain_lost_found, u, u},
                    {174, 264, 125, 140, 121, 140, P::explain_labyrinth, u, u},
                    {174, 281, 150, 166, 146, 166, P::explain_masked, u, u}});
    // The Time attack entry: the keyboard cursor reaches two rows below the mouse.
    PageProbe probe;
    for (double y : {139.0, 140.0}) {
        EXPECT_EQ(probe.page_after(game::help_index_page, P::how_to_play, 80, y, false),
                  P::explain_time_attack)
            << y;
        EXPECT_EQ(probe.page_after(game::help_index_page, P::how_to_play, 80, y, true),
                  P::how_to_play)
            << y;
    }
}

TEST(MenuPages, OptionsHotspotsSetDifficultyAndSound) {
    constexpr int u = kUntouched;
    check_hotspots(game::options_page, P::options,
                   {{234, 247, 143, 156, 143, 156, P::options, 1, u},
                    {258, 270, 143, 156, 143, 156, P::options, 2, u},
                    {284, 296, 143, 156, 143, 156, P::options, 3, u},
                    {15, 33, 141, 155, 141, 155, P::options, u, 1},
                    {44, 66, 141, 155, 141, 155, P::options, u, 0}});
}

TEST(MenuPages, ChoicesSetTheScrollStartAndPlayTheChime) {
    PageProbe probe;
    GameState& g = probe.run().state();
    g.scroll_y = 5;
    probe.page_after(game::main_menu_page, P::main_menu, 240, 150, true);
    EXPECT_EQ(g.scroll_y, 81);
    probe.page_after(game::help_index_page, P::how_to_play, 80, 130, true);
    EXPECT_EQ(g.scroll_y, 89);
    probe.page_after(game::help_index_page, P::how_to_play, 80, 155, true);
    EXPECT_EQ(g.scroll_y, 81);
    EXPECT_EQ(probe.run().count_sound(2), 3);
}

TEST(MenuPages, HighScoreChoicePausesTwoSecondsThenApplauds) {
    PageProbe probe;
    const double before = probe.run().now();
    probe.page_after(game::main_menu_page, P::main_menu, 100, 150, true);
    EXPECT_GE(probe.run().now() - before, 2000);
    EXPECT_EQ(probe.run().sounds(), (std::vector<int>{2, 10}));
}

TEST(MenuPages, CreditsScroll1382StepsOfThreeFramesThenStartAgain) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    run.click(0, 240, 150);  // Credits
    std::vector<double> ys;
    uint64_t restart_frame = 0;
    run.run(4200, [&](uint64_t f) {
        const GameState& g = run.state();
        ASSERT_EQ(g.menu_page, P::credits);
        ys.push_back(g.scroll_y);
        if (f > 0 && g.scroll_y == 81 && ys[f - 1] != 81 && restart_frame == 0) restart_frame = f;
    });
    // Frame 0 chose the page and drew it once: the text starts at 81.
    EXPECT_EQ(ys[0], 81);
    EXPECT_EQ(ys[1], 81);
    EXPECT_EQ(ys[2], 80);  // one pixel every third frame
    // After 1382 steps of three frames it starts again.
    EXPECT_EQ(restart_frame, 1382u * 3 - 1);
    EXPECT_EQ(ys[restart_frame - 1], -1300);
}

TEST(MenuPages, StageExplanationReturnsToTheIndexAfterItsLimit) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    run.click(0, 80, 100);  // How to play
    run.click(2, 80, 130);  // Time attack explanation, starts at 89
    uint64_t back = 0;
    run.run(1600, [&](uint64_t f) {
        if (f >= 2 && back == 0 && run.state().menu_page == P::how_to_play) back = f;
    });
    // From 89 down past -400: 490 steps of three frames.
    EXPECT_EQ(back, 2u + 490 * 3 - 1);
    EXPECT_EQ(run.state().scroll_y, 81);
}

TEST(MenuButtons, MenuReturnsToTheIndexFromAnExplanationAndToPageOneElsewhere) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    run.script(R"(
        # How to play, the Masked smileys explanation, Menu back to the index
        0 mouse 80 100
        0 button 1 down
        1 button 1 up
        2 mouse 200 155
        2 button 1 down
        3 button 1 up
        4 mouse 40 197
        4 button 1 down
        5 button 1 up
        # the Lost and found explanation, Menu, Menu again on the index
        6 mouse 80 155
        6 button 1 down
        7 button 1 up
        8 mouse 40 197
        8 button 1 down
        9 button 1 up
        10 button 1 down
        11 button 1 up
        # Credits, then Menu
        12 mouse 240 150
        12 button 1 down
        13 button 1 up
        14 mouse 40 197
        14 button 1 down
        15 button 1 up
    )");
    std::vector<P> pages;
    run.run(16, [&](uint64_t) { pages.push_back(run.state().menu_page); });
    EXPECT_EQ(pages[0], P::how_to_play);
    EXPECT_EQ(pages[2], P::explain_masked);
    EXPECT_EQ(pages[4], P::how_to_play);
    EXPECT_EQ(pages[6], P::explain_lost_found);
    EXPECT_EQ(pages[8], P::how_to_play);
    EXPECT_EQ(pages[10], P::main_menu);
    EXPECT_EQ(pages[12], P::credits);
    EXPECT_EQ(pages[14], P::main_menu);
}

TEST(MenuButtons, ExitInTheMenuEndsTheGameWithTheClosingChime) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    run.click(3, 260, 215);
    double exit_at = 0;
    uint64_t frames = 0;
    run.run(100, [&](uint64_t f) {
        frames = f + 1;
        exit_at = run.now();
    });
    EXPECT_EQ(frames, 4u) << "the frame in which Exit was pressed still runs";
    EXPECT_EQ(run.state().game_state, game::Screen::quit);
    EXPECT_EQ(run.sounds().back(), 2);
    EXPECT_GE(run.now() - exit_at, 1500);
}

TEST(KeyboardCursor, ArrowsMoveThreePixelsPerFrameWithinTheScreen) {
    GameRun run;
    run.answer_intro(GameRun::kKeyboardCursor);
    run.key_down(1, 205);  // right
    run.key_down(1, 208);  // down
    run.key_up(4, 205);
    run.key_up(4, 208);
    run.key_down(5, 203);  // left, held long enough to reach the edge
    run.key_down(5, 200);  // up
    std::vector<std::pair<double, double>> pos;
    run.run(30, [&](uint64_t) { pos.emplace_back(run.state().cursor_x, run.state().cursor_y); });
    EXPECT_EQ(pos[0], std::make_pair(10.0, 10.0));
    EXPECT_EQ(pos[3], std::make_pair(19.0, 19.0));
    EXPECT_EQ(pos[4], std::make_pair(19.0, 19.0));
    EXPECT_EQ(pos[5], std::make_pair(16.0, 16.0));
    EXPECT_EQ(pos[29], std::make_pair(-10.0, -10.0));

    GameState& g = run.state();
    g.cursor_x = 319;
    g.cursor_y = 239;
    run.engine().platform().set_key(203, false);
    run.engine().platform().set_key(200, false);
    run.engine().platform().set_key(205, true);
    run.engine().platform().set_key(208, true);
    game::keyboard_cursor_step();
    EXPECT_EQ(g.cursor_x, 320);
    EXPECT_EQ(g.cursor_y, 240);
}

TEST(KeyboardCursor, ZOverTheButtonsActsLikeThemWithTheirOwnRules) {
    PageProbe probe;
    GameRun& run = probe.run();
    GameState& g = run.state();
    auto press_z_at = [&](double x, double y) {
        g.cursor_x = x;
        g.cursor_y = y;
        run.engine().platform().set_key(44, true);
        game::keyboard_cursor_step();
        run.engine().platform().set_key(44, false);
    };
    // Keyboard Start: a game without changing the running stage, every set-up forgotten.
    g.stage = game::Stage::lost_and_found;
    g.ready = {game::Stage::time_attack, game::Stage::lost_and_found};
    g.score = 70;
    const double before = run.now();
    press_z_at(3, 210);
    EXPECT_EQ(g.game_state, game::Screen::playing);
    EXPECT_EQ(g.score, 0);
    EXPECT_EQ(g.stage, game::Stage::lost_and_found);
    EXPECT_TRUE(g.ready.empty());
    EXPECT_GE(run.now() - before, 2000);
    // Keyboard Exit is refused while playing.
    press_z_at(260, 200);
    EXPECT_EQ(g.game_state, game::Screen::playing);
    // Keyboard Menu: always page 1, the stages left alone.
    g.menu_page = P::explain_lost_found;
    press_z_at(40, 190);
    EXPECT_EQ(g.game_state, game::Screen::menu);
    EXPECT_EQ(g.menu_page, P::main_menu);
    EXPECT_EQ(g.stage, game::Stage::lost_and_found);
    // In the menu the keyboard Exit works.
    press_z_at(260, 200);
    EXPECT_EQ(g.game_state, game::Screen::quit);
    // Space does not act here.
    g.game_state = game::Screen::menu;
    run.engine().platform().set_key(57, true);
    g.cursor_x = 260;
    game::keyboard_cursor_step();
    EXPECT_EQ(g.game_state, game::Screen::menu);
}

}  // namespace
}  // namespace zorby::testing
