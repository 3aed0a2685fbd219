// Labyrinth: the walker's creep toward its target, the target from the mouse or the
// cursor, the exit rule, and wall touches and time-outs failing alike.
#include "game/labyrinth.h"

#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/stage_harness.h"
#include "graphics/draw.h"

namespace zorby::testing {
namespace {

using game::GameState;

constexpr double kWalker = 27;

// Puts the walker at (x, y) with the target on it, so it stays.
void place_walker(GameState& g, double x, double y) {
    g.maze_x = g.maze_target_x = x;
    g.maze_y = g.maze_target_y = y;
}

bool touches_wall(GameState& g, double x, double y) {
    return sprites_collide(kWalker, x, y, game::maze_sprite(g.maze_number), 10, 85) == 1;
}

TEST(Labyrinth, WalkerCreepsToItsFirstTargetWithoutInputAndStops) {
    StageRun run;
    GameState& g = run.g();
    g.game_state = game::Screen::playing;
    g.stage = game::Stage::labyrinth;
    run.frame();  // set-up: walker at (10, 100), target (60, 100)
    ASSERT_TRUE(g.ready.contains(game::Stage::labyrinth));
    EXPECT_EQ(g.maze_target_x, 60);
    EXPECT_EQ(g.maze_target_y, 100);
    const double start_x = g.maze_x;
    run.frames(40);
    EXPECT_EQ(g.maze_x, start_x + 10) << "one pixel every fourth frame";
    run.frames(200);
    EXPECT_EQ(g.maze_x, 60);
    EXPECT_EQ(g.maze_y, 100);
    EXPECT_EQ(g.stage, game::Stage::labyrinth) << "the start segment is free of walls";
}

TEST(Labyrinth, AnyStrikeSetsTheTargetFromTheChosenDevice) {
    StageRun run;
    GameState& g = run.g();
    run.enter_stage(game::Stage::labyrinth);
    g.input_device = game::InputDevice::mouse;
    run.point_mouse(100, 120);
    g.cursor_x = 200;
    g.cursor_y = 130;
    run.run().engine().platform().set_key(57, true);  // Space strikes, the mouse aims
    run.stage_frame(game::run_labyrinth);
    run.present();
    EXPECT_EQ(g.maze_target_x, 100);
    EXPECT_EQ(g.maze_target_y, 119);
    EXPECT_EQ(run.sounds(), std::vector<int>{6});
    run.run().engine().platform().set_key(57, false);

    g.input_device = game::InputDevice::keyboard_cursor;
    run.hold_button(true);  // the mouse button strikes, the cursor aims
    run.stage_frame(game::run_labyrinth);
    run.present();
    EXPECT_EQ(g.maze_target_x, 200);
    EXPECT_EQ(g.maze_target_y, 129);

    // Held on, the target follows the pointer; released, it stays.
    g.cursor_x = 150;
    run.stage_frame(game::run_labyrinth);
    run.present();
    EXPECT_EQ(g.maze_target_x, 150);
    run.hold_button(false);
    g.cursor_x = 20;
    run.stage_frame(game::run_labyrinth);
    run.present();
    EXPECT_EQ(g.maze_target_x, 150);
}

TEST(Labyrinth, ExitCountsOnlyStrictlyBeyondBothLines) {
    StageRun run;
    GameState& g = run.g();
    run.enter_stage(game::Stage::labyrinth);
    g.maze_number = 0;
    for (const auto& [x, y] : {std::pair{270.0, 150.0}, {275.0, 145.0}, {275.0, 150.0}}) {
        ASSERT_FALSE(touches_wall(g, x, y))
            << "exit corridor of labyrinth1.png at " << x << "," << y;
    }
    g.energy = 100;
    place_walker(g, 270, 150);
    run.stage_frame(game::run_labyrinth);
    run.present();
    place_walker(g, 275, 145);
    run.stage_frame(game::run_labyrinth);
    run.present();
    EXPECT_EQ(g.stage, game::Stage::labyrinth);
    EXPECT_EQ(g.score, 0);

    place_walker(g, 275, 150);
    run.stage_frame(game::run_labyrinth);
    run.present();
    EXPECT_EQ(g.score, 250);
    EXPECT_EQ(g.energy, 125);
    EXPECT_EQ(run.sounds(), std::vector<int>{13});
    ASSERT_EQ(run.waits().size(), 1u);
    EXPECT_EQ(run.waits()[0].duration_ms, 2500);
    EXPECT_FALSE(g.ready.contains(game::Stage::labyrinth));
    EXPECT_EQ(g.stage, game::Stage::masked_smileys);
    EXPECT_FALSE(g.ready.contains(game::Stage::masked_smileys));
}

TEST(Labyrinth, WallTouchAndTimeOutFailAlikeAndAFailedFrameNeverExits) {
    struct Case {
        const char* name;
        double x, y;
        int countdown;
    };
    const Case cases[] = {
        {"wall", 10, 85, 100},
        {"time-out", 60, 100, 0},
        {"time-out at the exit", 275, 150, 0},
    };
    for (const Case& c : cases) {
        StageRun run;
        GameState& g = run.g();
        run.enter_stage(game::Stage::labyrinth);
        g.maze_number = 0;
        ASSERT_EQ(touches_wall(g, c.x, c.y), c.countdown > 0) << c.name;
        g.energy = 100;
        g.countdown = c.countdown;
        place_walker(g, c.x, c.y);
        run.stage_frame(game::run_labyrinth);
        run.present();
        EXPECT_EQ(g.maze_x, 10) << c.name;
        EXPECT_EQ(g.maze_y, 90) << c.name;
        EXPECT_EQ(g.countdown, 999) << c.name;
        EXPECT_EQ(g.energy, 75) << c.name;
        EXPECT_EQ(g.score, 0) << c.name;
        EXPECT_EQ(run.sounds(), std::vector<int>{8}) << c.name;
        ASSERT_EQ(run.waits().size(), 1u) << c.name;
        EXPECT_EQ(run.waits()[0].duration_ms, 2500) << c.name;
        EXPECT_EQ(g.stage, game::Stage::masked_smileys) << c.name;
    }
}

TEST(Labyrinth, SetUpDrawsEachMazeWithItsCountdown) {
    StageRun run(11);
    GameState& g = run.g();
    int seen[3] = {0, 0, 0};
    const double countdowns[3] = {250, 120, 200};
    for (int round = 0; round < 30; ++round) {
        game::setup_labyrinth();
        const int n = static_cast<int>(g.maze_number);
        ASSERT_TRUE(n >= 0 && n <= 2);
        ++seen[n];
        EXPECT_EQ(g.countdown, countdowns[n]);
        EXPECT_EQ(g.maze_x, 10);
        EXPECT_EQ(g.maze_y, 100);
        EXPECT_TRUE(g.ready.contains(game::Stage::labyrinth));
    }
    EXPECT_GT(seen[0] * seen[1] * seen[2], 0);
}

}  // namespace
}  // namespace zorby::testing
