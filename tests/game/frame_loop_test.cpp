// The frame loop: the Start, Menu and Exit buttons with their sequences, the energy
// limits, the game-over sequence and the pauses between frames.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/game_harness.h"
#include "game/game_state.h"

namespace zorby::testing {
namespace {

using game::cell;
using game::GameState;
using Kind = platform::ScriptEvent::Kind;

TEST(GameOver, RestoresEnergyLevelAndBoardAndGoesToTheMainMenu) {
    GameRun run;  // no "hc.txt": threshold 10
    run.answer_intro(GameRun::kMouse);
    double wait_start = 0;
    std::vector<int> sounds_after;
    run.run(3, [&](uint64_t f) {
        GameState& g = run.state();
        if (f == 0) {
            g.score = 5;
            g.energy = 0;
            g.star_timer = 300;
            g.difficulty = 2;
            g.attack_level = 6;
            for (int i = 0; i < 100; ++i) {
                cell(g.holes_x, i) = cell(g.holes_y, i) = -1;
                cell(g.holes_life, i) = cell(g.holes_hit, i) = 7;
            }
            run.clear_audio();
            wait_start = run.now();
        }
        if (f == 1) {
            EXPECT_GE(run.now() - wait_start, 500);
            EXPECT_LT(run.now() - wait_start, 600) << "one frame, no slide";
            sounds_after = run.sounds();
        }
    });
    GameState& g = run.state();
    EXPECT_EQ(g.game_state, game::Screen::menu);
    EXPECT_EQ(g.menu_page, game::MenuPage::main_menu) << "5 is below the threshold";
    EXPECT_EQ(g.entry_threshold, 10);
    EXPECT_EQ(g.energy, 300);
    EXPECT_EQ(g.attack_level, 1);
    EXPECT_EQ(g.star_timer, 0);
    EXPECT_EQ(g.countdown, 400) << "difficulty 2 in the menu";
    EXPECT_EQ(sounds_after, (std::vector<int>{5, 13}));
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(cell(g.holes_x, i), 15 + 30 * (i % 10)) << i;
        EXPECT_EQ(cell(g.holes_y, i), 90 + 30 * (i / 10)) << i;
    }
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(cell(g.holes_life, i), 0) << i;
        EXPECT_EQ(cell(g.holes_hit, i), 0) << i;
    }
}

TEST(Energy, IsCutTo300AfterTheBarIsDrawn) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    std::vector<int> energy;
    run.run(3, [&](uint64_t f) {
        if (f == 0) run.state().energy = 350;
        energy.push_back(run.state().energy);
    });
    EXPECT_EQ(energy[1], 300);
    EXPECT_EQ(run.state().game_state, game::Screen::menu);
}

TEST(Buttons, StartBeginsAGameAndExitIsRefusedWhilePlaying) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    run.click(1, 40, 220);   // Start
    run.click(4, 260, 215);  // Exit: refused
    double before_start = 0;
    run.run(6, [&](uint64_t f) {
        GameState& g = run.state();
        if (f == 0) {
            g.score = 123;
            g.stage = game::Stage::labyrinth;
            g.ready = game::kEveryStage;
            before_start = run.now();
            run.clear_audio();
        }
        if (f == 1) {
            EXPECT_EQ(g.game_state, game::Screen::playing);
            EXPECT_EQ(g.score, 0);
            EXPECT_EQ(g.music_playing, 0);
            EXPECT_EQ(g.stage, game::Stage::time_attack);
            EXPECT_TRUE(g.ready.empty()) << "a new game";
            EXPECT_GE(run.now() - before_start, 1500);
            ASSERT_FALSE(run.sounds().empty());
            EXPECT_EQ(run.sounds().front(), 2);
            EXPECT_EQ(run.count_music_stops(), 1);
        }
    });
    EXPECT_EQ(run.state().game_state, game::Screen::playing);
    EXPECT_EQ(run.state().ready, game::StageSet{game::Stage::time_attack})
        << "Time attack ran its set-up";
}

TEST(Buttons, StartDuringAGameKeepsTheEnergyAndMenuStopsTheStages) {
    GameRun run;
    run.answer_intro(GameRun::kMouse);
    // Frame numbers count presented frames; a stage's title card is one of them.
    run.click(1, 40, 220);  // Start (frame 2 shows Time attack's card, 3 ends frame 2)
    run.click(4, 40, 220);  // Start again while playing
    run.click(7, 40, 197);  // Menu
    run.run(10, [&](uint64_t f) {
        GameState& g = run.state();
        if (f == 3) {
            g.energy = 150;
            g.score = 60;
        }
        if (f == 4) {
            EXPECT_EQ(g.energy, 150);
            EXPECT_EQ(g.score, 0);
            EXPECT_EQ(g.game_state, game::Screen::playing);
        }
        if (f == 6) {
            g.stage = game::Stage::labyrinth;
            g.ready = {game::Stage::labyrinth, game::Stage::time_attack};
        }
    });
    const GameState& g = run.state();
    EXPECT_EQ(g.game_state, game::Screen::menu);
    EXPECT_EQ(g.menu_page, game::MenuPage::main_menu);
    EXPECT_EQ(g.stage, game::Stage::time_attack);
    EXPECT_EQ(g.ready, game::StageSet{game::Stage::labyrinth}) << "only Time attack's set-up goes";
    EXPECT_EQ(g.music_playing, 1) << "the menu music starts again";
}

TEST(Pauses, SleepInShortStepsAndEndTheProgramWhenTheWindowCloses) {
    {
        GameRun run;
        run.answer_intro(GameRun::kMouse);
        run.click(1, 40, 197);  // Menu: a 1000 ms pause
        double longest = 0, total = 0;
        bool armed = false;
        run.engine().platform().sleep_hook = [&](double ms) {
            if (!armed) return;
            longest = std::max(longest, ms);
            total += ms;
        };
        run.run(2, [&](uint64_t) { armed = true; });
        EXPECT_GT(longest, 0);
        EXPECT_LE(longest, 10);
        EXPECT_GE(total, 1000);
    }

    GameRun closing;
    closing.answer_intro(GameRun::kMouse);
    closing.click(1, 40, 197);
    bool armed = false, closed = false;
    closing.engine().platform().sleep_hook = [&](double) {
        if (armed && !closed) {
            closed = true;
            closing.engine().platform().apply({Kind::Close});
        }
    };
    uint64_t frames = 0;
    EXPECT_EQ(closing.run(10,
                          [&](uint64_t f) {
                              frames = f + 1;
                              armed = true;
                          }),
              0);
    EXPECT_TRUE(closed);
    EXPECT_EQ(frames, 1u) << "the window closed during frame 1's pause";
}

}  // namespace
}  // namespace zorby::testing
