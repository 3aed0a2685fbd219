// Time attack: the difficulty table, strikes on the three kinds, the drawing of
// struck faces, patience and its energy drain, spawning and the level growing from
// one visit to the next.
#include "game/time_attack.h"

#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/stage_harness.h"
#include "graphics/draw.h"
#include "support/engine_fixture.h"

namespace zorby::testing {
namespace {

using game::cell;
using game::GameState;

void put_face(GameState& g, int hole, double kind, double life = 250) {
    cell(g.holes_kind, hole) = kind;
    cell(g.holes_life, hole) = life;
}

// Hole i's corner, and its middle for the mouse.
int hole_x(int i) {
    return 15 + 30 * (i % 10);
}
int hole_y(int i) {
    return 90 + 30 * (i / 10);
}
double hole_mid_x(int i) {
    return hole_x(i) + 8;
}
double hole_mid_y(int i) {
    return hole_y(i) + 8;
}

TEST(AttackDifficulty, TableCorners) {
    StageRun run;
    GameState& g = run.g();
    struct Row {
        int difficulty, level, countdown, patience, range;
    };
    // The corners of each difficulty's rows.
    const Row rows[] = {
        {1, 1, 250, 50, 4000},  {1, 4, 250, 50, 4000}, {1, 5, 300, 50, 4000},
        {1, 40, 300, 50, 4000}, {2, 3, 400, 50, 3000}, {2, 4, 500, 50, 3000},
        {2, 7, 600, 25, 2000},  {3, 6, 800, 20, 1500}, {3, 7, 999, 10, 1000},
        {3, 12, 999, 10, 1000},
    };
    for (const Row& r : rows) {
        g.difficulty = r.difficulty;
        g.attack_level = r.level;
        game::apply_attack_difficulty();
        EXPECT_EQ(g.countdown, r.countdown) << r.difficulty << "/" << r.level;
        EXPECT_EQ(g.attack_patience_reset, r.patience) << r.difficulty << "/" << r.level;
        EXPECT_EQ(g.attack_spawn_range, r.range) << r.difficulty << "/" << r.level;
    }
    // Outside the table nothing changes.
    for (const auto& [d, level] : {std::pair{0, 3}, {4, 3}, {2, 0}, {2, -1}}) {
        g.countdown = g.attack_patience_reset = g.attack_spawn_range = 1;
        g.difficulty = d;
        g.attack_level = level;
        game::apply_attack_difficulty();
        EXPECT_EQ(g.countdown, 1) << d << "/" << level;
        EXPECT_EQ(g.attack_patience_reset, 1);
        EXPECT_EQ(g.attack_spawn_range, 1);
    }
}

TEST(AttackDifficulty, LevelGrowsWithEachVisitAndReachesTheHardestRow) {
    StageRun run;
    GameState& g = run.g();
    g.difficulty = 3;
    g.attack_level = 6;
    run.begin_game();
    g.tick_frames = 1;
    run.frame();
    EXPECT_EQ(g.attack_level, 7);
    EXPECT_EQ(g.countdown, 999);
    EXPECT_EQ(g.attack_patience_reset, 10);
    EXPECT_EQ(g.attack_spawn_range, 1000);
}

TEST(TimeAttack, FirstStandingGoodFaceCostsTenEnergyAtOnceThenPatienceRuns) {
    StageRun run;
    GameState& g = run.g();
    run.begin_quiet_attack();
    ASSERT_EQ(g.attack_patience, 0) << "patience starts at 0 with the program";
    put_face(g, 12, 1);
    run.frame();
    EXPECT_EQ(g.energy, 290);
    EXPECT_EQ(g.attack_patience, 50);
    // Two standing good faces use two units a frame; a bad face uses none.
    put_face(g, 13, 1);
    put_face(g, 14, 2);
    run.frames(3);
    EXPECT_EQ(g.attack_patience, 44);
    EXPECT_EQ(g.energy, 290);
    run.frames(22);
    EXPECT_EQ(g.energy, 280) << "patience ran out once more";
    EXPECT_EQ(g.attack_patience, 50);
}

TEST(TimeAttack, StruckFaceIsNotDrawnInItsFrame) {
    StageRun run;
    GameState& g = run.g();
    run.begin_quiet_attack();
    g.attack_patience = 100;
    put_face(g, 3, 1);
    put_face(g, 4, 1);
    run.point_mouse(hole_mid_x(3), hole_mid_y(3));
    run.hold_button(true);
    run.clear_sounds();

    draw_sprite(0, 0, 0);
    const std::vector<uint8_t> bare = read_frame(320, 240);
    run.stage_frame(game::run_time_attack);
    const std::vector<uint8_t> drawn = read_frame(320, 240);
    run.present();

    EXPECT_EQ(changed_in_box(bare, drawn, hole_x(3), hole_y(3)), 0) << "struck face drawn";
    EXPECT_GT(changed_in_box(bare, drawn, hole_x(4), hole_y(4)), 100) << "standing face missing";
    EXPECT_EQ(g.score, 25);
    EXPECT_EQ(g.energy, 310) << "the frame loop cuts it to 300 later";
    EXPECT_EQ(cell(g.holes_life, 3), 0);
    EXPECT_EQ(cell(g.holes_hit, 3), 0) << "hit lasts only for its frame";
    EXPECT_EQ(array_size(g.stars, 0), 40);
    EXPECT_EQ(g.star_timer, 1200);
    EXPECT_EQ(run.sounds(), std::vector<int>{1});
}

TEST(TimeAttack, BadStrikeCostsEnergyBonusStrikePaysAndEmptyHolesDoNothing) {
    StageRun run;
    GameState& g = run.g();
    run.begin_quiet_attack();
    put_face(g, 20, 2);
    run.point_mouse(hole_mid_x(20), hole_mid_y(20));
    run.hold_button(true);
    run.clear_sounds();
    run.stage_frame(game::run_time_attack);
    run.present();
    EXPECT_EQ(g.energy, 275);
    EXPECT_EQ(g.score, 0);
    EXPECT_EQ(array_size(g.stars, 0), 0) << "no burst for a bad face";
    EXPECT_EQ(run.sounds(), std::vector<int>{8});

    // Holding on in the next frames strikes nothing: the hole is empty now.
    run.clear_sounds();
    run.stage_frame(game::run_time_attack);
    run.present();
    EXPECT_EQ(g.energy, 275);
    EXPECT_TRUE(run.sounds().empty());

    put_face(g, 20, 3);
    g.attack_patience = 5;
    run.stage_frame(game::run_time_attack);
    run.present();
    EXPECT_EQ(g.energy, 300);
    EXPECT_EQ(g.score, 100);
    EXPECT_EQ(g.attack_patience, 30);
    EXPECT_EQ(array_size(g.stars, 0), 40);
    EXPECT_EQ(run.sounds(), std::vector<int>{9});
}

TEST(TimeAttack, HeldButtonStrikesEveryFaceThatPassesUnderThePointer) {
    StageRun run;
    GameState& g = run.g();
    run.begin_quiet_attack();
    g.attack_patience = 1000;
    for (int hole = 0; hole < 5; ++hole) put_face(g, hole, 1);
    run.hold_button(true);
    for (int hole = 0; hole < 5; ++hole) {
        run.point_mouse(hole_mid_x(hole), hole_mid_y(hole));
        run.frame();
    }
    EXPECT_EQ(g.score, 125);
    EXPECT_EQ(run.run().count_sound(1), 5);
}

TEST(TimeAttack, EverySpawnBringsAVisibleFaceWithItsSound) {
    StageRun run(77);
    GameState& g = run.g();
    run.begin_quiet_attack();
    g.attack_spawn_range = 40;  // about one spawn per frame on the board
    g.attack_patience = 1000000000;
    run.clear_sounds();
    int spawned = 0;
    int kinds[4] = {0, 0, 0, 0};
    for (int f = 0; f < 400; ++f) {
        run.frame();
        for (int i = 0; i < 30; ++i) {
            if (cell(g.holes_life, i) != 250) continue;
            ++spawned;
            const double kind = cell(g.holes_kind, i);
            ASSERT_TRUE(kind >= 1 && kind <= 3) << "spawn without a face, kind " << kind;
            ++kinds[static_cast<int>(kind)];
        }
    }
    int spawn_sounds = 0;
    for (int s : run.sounds()) spawn_sounds += (s == 3 || s == 6 || s == 7) ? 1 : 0;
    EXPECT_EQ(spawn_sounds, spawned);
    EXPECT_GT(spawned, 40);
    EXPECT_GT(kinds[1], 2 * (kinds[2] + kinds[3])) << "good faces dominate";
    EXPECT_GT(kinds[2] + kinds[3], 0);
    // A face stands 250 frames, then its hole is free again.
    for (int i = 0; i < 30; ++i) EXPECT_LE(cell(g.holes_life, i), 250);
}

}  // namespace
}  // namespace zorby::testing
