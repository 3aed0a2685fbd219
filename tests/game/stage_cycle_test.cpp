// The stage cycle: countdown tick, the hole board and its pointer test, the title
// cards, the hand-over table and hand-overs within one frame.
#include "game/stage_cycle.h"

#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/stage_harness.h"

namespace zorby::testing {
namespace {

using game::cell;
using game::GameState;
using game::Stage;
using game::StageSet;

TEST(StageTick, CountdownFallsEveryEleventhFrame) {
    StageRun run;
    GameState& g = run.g();
    g.countdown = 100;
    g.tick_frames = 1;
    std::vector<int> seen;
    for (int f = 1; f <= 33; ++f) {
        game::stage_tick();
        seen.push_back(g.countdown);
    }
    EXPECT_EQ(seen[9], 100) << "frame 10";
    EXPECT_EQ(seen[10], 99) << "frame 11";
    EXPECT_EQ(seen[20], 99) << "frame 21";
    EXPECT_EQ(seen[21], 98) << "frame 22";
    EXPECT_EQ(seen[32], 97) << "frame 33";

    // In play: a Time attack of countdown 250 after its set-up frame.
    run.begin_game();
    g.tick_frames = 1;
    run.frame();  // set-up and title card, then the first tick
    run.stop_spawns();
    const int start = g.countdown;
    run.frames(110);
    EXPECT_EQ(g.countdown, start - 10);
}

TEST(HoleBoard, LayoutIsThreeRowsOfTenAndBlocksFollowIt) {
    StageRun run;
    GameState& g = run.g();
    game::lay_out_board_with_blocks();
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(cell(g.holes_x, i), 15 + 30 * (i % 10)) << i;
        EXPECT_EQ(cell(g.holes_y, i), 90 + 30 * (i / 10)) << i;
        EXPECT_EQ(cell(g.block_x, i), cell(g.holes_x, i)) << i;
        EXPECT_EQ(cell(g.block_y, i), cell(g.holes_y, i)) << i;
    }
    EXPECT_EQ(cell(g.holes_x, 30), 0) << "holes after 29 untouched";
}

TEST(HoleBoard, PointerBoxesAreOpenSeventeenForTheMouseTwentyForTheCursor) {
    StageRun run;
    GameState& g = run.g();
    const double x = 45, y = 120;
    g.cursor_x = g.cursor_y = -200;  // cursor far away: mouse only
    auto mouse_hits = [&](double mx, double my) {
        g.mouse_x = mx;
        g.mouse_y = my;
        return game::pointer_on(x, y);
    };
    EXPECT_FALSE(mouse_hits(x, y + 8)) << "on the left edge";
    EXPECT_TRUE(mouse_hits(x + 1, y + 8));
    EXPECT_TRUE(mouse_hits(x + 16, y + 16));
    EXPECT_FALSE(mouse_hits(x + 17, y + 8));
    EXPECT_FALSE(mouse_hits(x + 8, y));
    EXPECT_FALSE(mouse_hits(x + 8, y + 17));

    g.mouse_x = g.mouse_y = -200;  // mouse far away: cursor only, hot spot at +10
    auto cursor_hits = [&](double cx, double cy) {
        g.cursor_x = cx;
        g.cursor_y = cy;
        return game::pointer_on(x, y);
    };
    EXPECT_FALSE(cursor_hits(x - 10, y));
    EXPECT_TRUE(cursor_hits(x - 9, y - 9));
    EXPECT_TRUE(cursor_hits(x + 9, y + 9));
    EXPECT_FALSE(cursor_hits(x + 10, y));
    EXPECT_FALSE(cursor_hits(x, y + 10));

    // Both pointers count whatever the chosen device.
    g.input_device = game::InputDevice::keyboard_cursor;
    EXPECT_TRUE(mouse_hits(x + 5, y + 5));
    g.input_device = game::InputDevice::mouse;
    g.mouse_x = g.mouse_y = -200;
    EXPECT_TRUE(cursor_hits(x, y));
}

TEST(HandOver, EveryEndStartsItsSuccessorForgetsItsRowOfSetUpsAndChangesTheEnergy) {
    StageRun run;
    GameState& g = run.g();
    struct Row {
        void (*end)(int);
        int change;
        Stage ending, next;
        StageSet kept;  // of every stage set up, those still set up afterwards
    };
    const Row rows[] = {
        {game::end_lost_and_found,
         25,
         Stage::lost_and_found,
         Stage::labyrinth,
         {Stage::labyrinth, Stage::masked_smileys}},
        {game::end_lost_and_found,
         -25,
         Stage::lost_and_found,
         Stage::labyrinth,
         {Stage::labyrinth, Stage::masked_smileys}},
        {game::end_labyrinth, 25, Stage::labyrinth, Stage::masked_smileys, {}},
        {game::end_masked_smileys, 50, Stage::masked_smileys, Stage::time_attack, {}},
        {game::end_masked_smileys, -25, Stage::masked_smileys, Stage::time_attack, {}},
    };
    for (const Row& row : rows) {
        g.stage = row.ending;
        g.ready = game::kEveryStage;
        g.energy = 100;
        row.end(row.change);
        EXPECT_EQ(g.stage, row.next) << row.change;
        EXPECT_EQ(g.ready, row.kept) << game::stage_name(row.ending) << " " << row.change;
        EXPECT_EQ(g.energy, 100 + row.change);
    }

    // Time attack keeps every set-up and changes no energy.
    g.stage = Stage::time_attack;
    g.ready = game::kEveryStage;
    g.energy = 100;
    game::end_time_attack();
    EXPECT_EQ(g.stage, Stage::lost_and_found);
    EXPECT_EQ(g.ready, game::kEveryStage);
    EXPECT_EQ(g.energy, 100);
}

TEST(StageIntro, ShowsCardFanfareAndFourSecondPauseThenClockForLaterStages) {
    StageRun run;
    GameState& g = run.g();
    run.begin_game();
    run.clear_sounds();
    run.frame();  // Time attack's set-up
    auto waits = run.waits(1000);
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_EQ(waits[0].duration_ms, 4000);
    EXPECT_EQ(run.sounds().front(), 12) << "fanfare";
    EXPECT_EQ(run.run().count_sound(11), 0) << "no clock for Time attack";
    EXPECT_EQ(g.stage, Stage::time_attack);
    EXPECT_TRUE(g.ready.contains(Stage::time_attack));

    // The countdown runs out: Lost and found's card in the same frame, with the clock.
    run.stop_spawns();
    run.run_out_countdown();
    run.clear_sounds();
    run.clear_waits();
    run.frame();
    EXPECT_EQ(g.stage, Stage::lost_and_found);
    EXPECT_TRUE(g.ready.contains(Stage::lost_and_found)) << "set up in the frame Time attack ended";
    EXPECT_EQ(g.countdown, 20);
    EXPECT_EQ(run.waits(1000).size(), 1u);
    const std::vector<int> sounds = run.sounds();
    ASSERT_GE(sounds.size(), 2u);
    EXPECT_EQ(sounds[0], 12);
    EXPECT_EQ(sounds[1], 11);
}

TEST(StageIntro, EnergyBelowOneEndsTheGameAfterThePause) {
    StageRun run;
    GameState& g = run.g();
    run.begin_quiet_attack();
    // The last Time attack frame leaves the energy below 1 (a struck bad face):
    // Lost and found's card finds it and ends the game.
    run.run_out_countdown();
    g.energy = 0;
    g.entry_threshold = 1000;  // no name entry
    run.clear_waits();
    run.frame();
    auto waits = run.waits(1000);
    ASSERT_GE(waits.size(), 1u);
    EXPECT_EQ(waits[0].duration_ms, 4000);
    EXPECT_EQ(waits[0].game_state, game::Screen::game_over) << "decided before the pause";
    // The game-over sequence ran in the same frame.
    EXPECT_EQ(g.game_state, game::Screen::menu);
    EXPECT_EQ(g.energy, 300);
}

TEST(StageCycle, AFullRoundVisitsEveryStageAndReturnsToTimeAttack) {
    StageRun run;
    GameState& g = run.g();
    run.begin_quiet_attack();
    run.run_out_countdown();
    run.frame();  // Time attack ends, Lost and found starts
    ASSERT_EQ(g.stage, Stage::lost_and_found);
    run.run_out_countdown();
    run.frame();  // Lost and found times out, the Labyrinth starts
    ASSERT_EQ(g.stage, Stage::labyrinth);
    ASSERT_EQ(g.ready, StageSet{Stage::labyrinth});
    g.countdown = 0;
    run.frame();  // Labyrinth times out, Masked smileys starts
    ASSERT_EQ(g.stage, Stage::masked_smileys);
    ASSERT_EQ(g.ready, StageSet{Stage::masked_smileys});
    EXPECT_EQ(g.countdown, 999);
    run.run_out_countdown();
    g.masq_good_found = -1;  // not won
    run.frame();             // Masked smileys times out
    EXPECT_EQ(g.stage, Stage::time_attack);
    EXPECT_TRUE(g.ready.empty()) << "Time attack starts in the next frame";
    EXPECT_EQ(g.energy, 300 - 3 * 25);
    const int level = g.attack_level;
    run.frame();
    EXPECT_EQ(g.ready, StageSet{Stage::time_attack});
    EXPECT_EQ(g.attack_level, level + 1);
}

TEST(GameOver, AStageEndingTheGameLeadsToTheNameEntryWhenTheScoreQualifies) {
    for (const int score : {500, 5}) {
        StageRun run;
        GameState& g = run.g();
        g.entry_threshold = 10;
        run.begin_quiet_attack();
        g.score = score;
        run.run_out_countdown();
        run.frame();  // on to Lost and found
        g.energy = 20;
        run.run_out_countdown();
        run.frame();  // Lost and found times out: -25 ends the game
        EXPECT_EQ(g.game_state, game::Screen::menu);
        EXPECT_EQ(g.energy, 300);
        EXPECT_EQ(g.menu_page, score >= 10 ? game::MenuPage::name_entry : game::MenuPage::main_menu)
            << score;
        EXPECT_EQ(g.entry_threshold, score >= 10 ? score : 10);
    }
}

}  // namespace
}  // namespace zorby::testing
