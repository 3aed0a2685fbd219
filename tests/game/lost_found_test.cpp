// Lost and found: the board the set-up lays out, the find with the mouse and with
// the keyboard cursor, the time-out, and both in one frame.
#include "game/lost_found.h"

#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/stage_harness.h"
#include "graphics/draw.h"
#include "support/engine_fixture.h"

namespace zorby::testing {
namespace {

using game::cell;
using game::GameState;

TEST(LostAndFound, SetUpHidesOneLostFaceInHolesZeroToTwentySix) {
    StageRun run(5);
    GameState& g = run.g();
    int kind_count[8] = {};
    int highest_target = -1;
    for (int round = 0; round < 120; ++round) {
        game::setup_lost_and_found();
        const int target = static_cast<int>(g.lost_target_index);
        ASSERT_GE(target, 0);
        ASSERT_LE(target, 26);
        highest_target = std::max(highest_target, target);
        EXPECT_EQ(g.lost_target_x, cell(g.holes_x, target));
        EXPECT_EQ(g.lost_target_y, cell(g.holes_y, target));
        EXPECT_EQ(g.countdown, 20);
        for (int i = 0; i < 30; ++i) {
            const int kind = static_cast<int>(cell(g.holes_kind, i));
            ASSERT_EQ(kind == 7, i == target) << i;
            ASSERT_TRUE(kind >= 1 && kind <= 7);
            ++kind_count[kind];
            EXPECT_EQ(cell(g.holes_life, i), 1);
            EXPECT_EQ(cell(g.holes_hit, i), 0);
        }
    }
    EXPECT_EQ(highest_target, 26) << "every allowed hole can be drawn";
    // Kind 1 also takes the draws of 0: about twice as common as each other kind.
    EXPECT_GT(kind_count[1], kind_count[2] * 3 / 2);
    EXPECT_GT(kind_count[6], 0);
    EXPECT_EQ(g.stage, game::Stage::lost_and_found);
}

TEST(LostAndFound, FindingTheLostFaceScoresAndHandsOverWithoutPause) {
    StageRun run;
    GameState& g = run.g();
    run.enter_stage(game::Stage::lost_and_found);
    const int target = static_cast<int>(g.lost_target_index);
    const int next = target + 1;

    // Pressing on an ordinary face does nothing.
    run.point_mouse(cell(g.holes_x, next) + 8, cell(g.holes_y, next) + 8);
    run.hold_button(true);
    run.stage_frame(game::run_lost_and_found);
    run.present();
    EXPECT_EQ(g.stage, game::Stage::lost_and_found);
    EXPECT_EQ(g.score, 0);

    g.energy = 200;
    run.point_mouse(g.lost_target_x + 8, g.lost_target_y + 8);
    draw_sprite(0, 0, 0);
    const std::vector<uint8_t> bare = read_frame(320, 240);
    run.stage_frame(game::run_lost_and_found);
    const std::vector<uint8_t> drawn = read_frame(320, 240);
    run.present();

    EXPECT_EQ(changed_in_box(bare, drawn, g.lost_target_x, g.lost_target_y), 0)
        << "the found face is not drawn";
    EXPECT_GT(changed_in_box(bare, drawn, cell(g.holes_x, next), cell(g.holes_y, next)), 100)
        << "faces after it still are";
    EXPECT_EQ(g.score, 100);
    EXPECT_EQ(g.energy, 225);
    EXPECT_EQ(run.sounds(), std::vector<int>{13});
    EXPECT_TRUE(run.waits().empty()) << "no pause after a find";
    EXPECT_FALSE(g.ready.contains(game::Stage::lost_and_found));
    EXPECT_FALSE(g.ready.contains(game::Stage::time_attack));
    EXPECT_EQ(g.stage, game::Stage::labyrinth);
}

TEST(LostAndFound, KeyboardCursorHotSpotMustLieInsideTheTwentyBox) {
    StageRun run;
    GameState& g = run.g();
    run.enter_stage(game::Stage::lost_and_found);
    run.run().engine().platform().set_key(44, true);  // Z
    g.cursor_x = g.lost_target_x - 10;                // hot spot on the box's left edge
    g.cursor_y = g.lost_target_y;
    run.stage_frame(game::run_lost_and_found);
    run.present();
    EXPECT_EQ(g.stage, game::Stage::lost_and_found);
    g.cursor_x = g.lost_target_x - 9;
    run.stage_frame(game::run_lost_and_found);
    run.present();
    EXPECT_EQ(g.stage, game::Stage::labyrinth);
    EXPECT_EQ(g.score, 100);
}

TEST(LostAndFound, TimeOutCostsEnergyAndPausesBeforeAFindInTheSameFrame) {
    StageRun run;
    GameState& g = run.g();
    run.enter_stage(game::Stage::lost_and_found);
    g.energy = 200;
    g.score = 40;
    run.run_out_countdown();
    run.point_mouse(g.lost_target_x + 8, g.lost_target_y + 8);
    run.hold_button(true);
    run.stage_frame(game::run_lost_and_found);
    run.present();
    const auto waits = run.waits();
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_EQ(waits[0].duration_ms, 2500);
    EXPECT_EQ(waits[0].energy, 175) << "penalty before the pause";
    EXPECT_EQ(waits[0].score, 40) << "the find counts after it";
    EXPECT_EQ(g.energy, 200);
    EXPECT_EQ(g.score, 140);
    EXPECT_EQ(run.sounds(), (std::vector<int>{8, 13}));
    EXPECT_EQ(g.stage, game::Stage::labyrinth);
}

TEST(LostAndFound, TimeOutAloneHandsOverToTheLabyrinthInTheSameFrame) {
    StageRun run;
    GameState& g = run.g();
    run.enter_stage(game::Stage::lost_and_found);
    g.energy = 200;
    run.run_out_countdown();
    run.frame();
    EXPECT_EQ(g.stage, game::Stage::labyrinth);
    EXPECT_TRUE(g.ready.contains(game::Stage::labyrinth))
        << "the Labyrinth's set-up ran in this frame";
    EXPECT_EQ(g.energy, 175);
    const auto waits = run.waits(1000);
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_EQ(waits[0].duration_ms, 2500);
    EXPECT_EQ(waits[1].duration_ms, 4000) << "the Labyrinth's card";
}

}  // namespace
}  // namespace zorby::testing
