// Masked smileys: the set-up after the first tick, the drop phase, strikes from
// countdown 959 on, good and bad strikes, the blocks, the time-out and the win.
#include "game/masked_smileys.h"

#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/stage_harness.h"
#include "graphics/draw.h"
#include "support/engine_fixture.h"

namespace zorby::testing {
namespace {

using game::cell;
using game::GameState;

constexpr double kGood = 1, kBad = 8;

// Masked smileys in play after its set-up frame, with a known board: good faces in
// holes 0..4, bad ones elsewhere.
void start_masked(StageRun& run) {
    GameState& g = run.g();
    g.masq_good_found = 0;
    g.masq_good_total = 999;  // leftovers must not matter: the set-up replaces them
    run.enter_stage(game::Stage::masked_smileys);
    ASSERT_TRUE(g.ready.contains(game::Stage::masked_smileys));
    ASSERT_EQ(g.stage, game::Stage::masked_smileys) << "a board with good faces is not won at once";
    for (int i = 0; i < 30; ++i) cell(g.holes_kind, i) = i < 5 ? kGood : kBad;
    g.masq_good_total = 5;
}

void aim_at(StageRun& run, int hole) {
    GameState& g = run.g();
    run.point_mouse(cell(g.holes_x, hole) + 8, cell(g.holes_y, hole) + 8);
}

void stage_frame(StageRun& run) {
    run.stage_frame(game::run_masked_smileys);
    run.present();
}

TEST(MaskedSmileys, SetUpRunsAfterTheFirstTickAndDealsGoodFacesAtOneInThree) {
    StageRun run(3);
    GameState& g = run.g();
    g.countdown = 500;  // a leftover of the stage before
    g.tick_frames = 11;
    g.masq_drop_frames = 20;
    g.masq_drop_next = 4;
    start_masked(run);
    EXPECT_EQ(g.countdown, 999);
    EXPECT_EQ(g.masq_drop_next, 0) << "the set-up overwrote the first frame's drop";
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(cell(g.masq_dropped, i), 0) << i;
        EXPECT_EQ(cell(g.masq_covered, i), 1) << i;
        EXPECT_EQ(cell(g.masq_opened, i), 0) << i;
        EXPECT_EQ(cell(g.block_x, i), cell(g.holes_x, i)) << i;
    }
    int good = 0, total = 0;
    for (int round = 0; round < 20; ++round) {
        game::setup_masked_smileys();
        for (int i = 0; i < 30; ++i) {
            const double kind = cell(g.holes_kind, i);
            ASSERT_TRUE(kind == kGood || kind == kBad);
            good += kind == kGood;
        }
        total += static_cast<int>(g.masq_good_total);
    }
    EXPECT_EQ(good, total);
    EXPECT_GT(good, 600 / 5);  // about 200 of 600
    EXPECT_LT(good, 600 / 2);
}

TEST(MaskedSmileys, BlocksDropOneEveryElevenFramesBelowCountdown990) {
    StageRun run;
    GameState& g = run.g();
    start_masked(run);
    g.countdown = 990;
    g.tick_frames = 1;
    stage_frame(run);
    EXPECT_EQ(g.masq_drop_next, 0) << "not while the countdown is 990";
    g.countdown = 989;
    g.masq_drop_frames = 0;
    int frames = 0;
    while (g.masq_drop_next < 3) {
        stage_frame(run);
        ++frames;
    }
    EXPECT_EQ(frames, 12 + 11 + 11);
    EXPECT_EQ(cell(g.masq_dropped, 2), 1);
    EXPECT_EQ(cell(g.masq_dropped, 3), 0);
    EXPECT_EQ(run.run().count_sound(18), 3);
}

TEST(MaskedSmileys, StrikesCountFromCountdown959AndAGoodFaceOnlyOnce) {
    StageRun run;
    GameState& g = run.g();
    start_masked(run);
    cell(g.masq_dropped, 2) = 1;
    aim_at(run, 2);
    run.hold_button(true);
    g.countdown = 960;
    g.tick_frames = 1;
    stage_frame(run);
    EXPECT_EQ(g.masq_good_found, 0) << "countdown 960 still ignores strikes";
    EXPECT_EQ(cell(g.masq_opened, 2), 0);
    EXPECT_TRUE(run.sounds().empty());

    g.countdown = 959;
    g.energy = 100;
    stage_frame(run);
    stage_frame(run);
    EXPECT_EQ(g.masq_good_found, 1);
    EXPECT_EQ(g.score, 25);
    EXPECT_EQ(g.energy, 110);
    EXPECT_EQ(run.run().count_sound(1), 1);
    EXPECT_EQ(cell(g.masq_opened, 2), 1);
    EXPECT_EQ(array_size(g.stars, 0), 40);
}

TEST(MaskedSmileys, HeldBadFaceCostsCountdownAndPauseEveryFrame) {
    StageRun run;
    GameState& g = run.g();
    start_masked(run);
    aim_at(run, 10);
    run.hold_button(true);
    g.countdown = 700;
    g.tick_frames = 1;
    stage_frame(run);
    stage_frame(run);
    EXPECT_EQ(g.countdown, 500);
    EXPECT_EQ(g.energy, 300) << "bad faces cost time, not energy";
    const auto waits = run.waits(150);
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_EQ(waits[0].duration_ms, 200);
    EXPECT_EQ(waits[1].duration_ms, 200);
    EXPECT_EQ(run.run().count_sound(8), 2);
}

TEST(MaskedSmileys, BlocksCoverDroppedHolesUnlessOpenedEarlier) {
    StageRun run;
    GameState& g = run.g();
    start_masked(run);
    g.countdown = 950;
    // Hole 12 struck before its block dropped: it stays open.
    aim_at(run, 12);
    run.hold_button(true);
    stage_frame(run);
    run.hold_button(false);
    run.point_mouse(0, 0);
    EXPECT_EQ(cell(g.masq_opened, 12), 1);
    cell(g.masq_dropped, 12) = 1;
    cell(g.masq_dropped, 14) = 1;

    draw_sprite(0, 0, 0);
    const std::vector<uint8_t> bare = read_frame(320, 240);
    run.stage_frame(game::run_masked_smileys);
    const std::vector<uint8_t> drawn = read_frame(320, 240);
    run.present();
    // The block is 32 x 32 from 7 pixels up and left of the face: its rim shows
    // outside the face box.
    const int x14 = static_cast<int>(cell(g.holes_x, 14)),
              y14 = static_cast<int>(cell(g.holes_y, 14));
    const int x12 = static_cast<int>(cell(g.holes_x, 12)),
              y12 = static_cast<int>(cell(g.holes_y, 12));
    const int x16 = static_cast<int>(cell(g.holes_x, 16)),
              y16 = static_cast<int>(cell(g.holes_y, 16));
    const int covered = changed_in_box(bare, drawn, x14 - 7, y14 - 7, 32);
    const int opened = changed_in_box(bare, drawn, x12 - 7, y12 - 7, 32);
    const int bare_face = changed_in_box(bare, drawn, x16 - 7, y16 - 7, 32);
    EXPECT_GT(covered, bare_face + 100) << "block drawn on hole 14";
    EXPECT_NEAR(opened, bare_face, 24) << "no block on the opened hole 12";
}

TEST(MaskedSmileys, BoardWithoutGoodFacesIsWonInItsFirstPlayingFrame) {
    StageRun run;
    GameState& g = run.g();
    start_masked(run);
    for (int i = 0; i < 30; ++i) cell(g.holes_kind, i) = kBad;
    g.masq_good_total = 0;
    g.energy = 100;
    g.countdown = 999;
    stage_frame(run);
    EXPECT_EQ(g.stage, game::Stage::time_attack);
    EXPECT_FALSE(g.ready.contains(game::Stage::time_attack));
    EXPECT_EQ(g.energy, 150);
    EXPECT_EQ(run.sounds(), std::vector<int>{13});
    ASSERT_EQ(run.waits().size(), 1u);
    EXPECT_EQ(run.waits()[0].duration_ms, 2500);
}

TEST(MaskedSmileys, LastGoodFaceInTheTimeOutFrameLosesThenWins) {
    StageRun run;
    GameState& g = run.g();
    start_masked(run);
    g.masq_good_found = 4;
    cell(g.holes_hit, 0) = cell(g.holes_hit, 1) = cell(g.holes_hit, 2) = cell(g.holes_hit, 3) = 1;
    aim_at(run, 4);
    run.hold_button(true);
    g.energy = 100;
    run.run_out_countdown();
    stage_frame(run);
    const auto waits = run.waits();
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_EQ(waits[0].duration_ms, 2500);
    EXPECT_EQ(waits[0].energy, 100 + 10 - 25) << "time-out penalty first";
    EXPECT_EQ(waits[1].duration_ms, 2500);
    EXPECT_EQ(waits[1].energy, 100 + 10 - 25 + 50) << "then the win";
    EXPECT_EQ(g.energy, 135);
    EXPECT_EQ(run.sounds(), (std::vector<int>{1, 8, 13}));
    EXPECT_EQ(g.stage, game::Stage::time_attack);
}

}  // namespace
}  // namespace zorby::testing
