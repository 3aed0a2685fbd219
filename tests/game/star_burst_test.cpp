// The star burst: the stars of a burst, their lifetime, overlapping bursts, a timer
// that runs out early, and the fade table.
#include "game/star_burst.h"

#include <gtest/gtest.h>

#include "engine/numbers.h"
#include "game/game_state.h"
#include "game/stage_harness.h"
#include "graphics/draw.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "support/engine_fixture.h"

namespace zorby::testing {
namespace {

using game::GameState;
using game::StarRecord;

double stars(GameState& g) {
    return array_size(g.stars, 0);
}

TEST(StarBurst, FortyStarsFromThePointerOfTheChosenDevice) {
    StageRun run;
    GameState& g = run.g();
    g.mouse_x = 100;
    g.mouse_y = 120;
    g.cursor_x = 30;
    g.cursor_y = 40;
    g.input_device = game::InputDevice::keyboard_cursor;
    game::start_star_burst();
    g.input_device = game::InputDevice::mouse;
    game::start_star_burst();
    ASSERT_EQ(stars(g), 80);
    EXPECT_EQ(g.star_timer, 1200);
    EXPECT_EQ(g.stars_active, 1);
    bool turned = false;
    for (int i = 0; i < 80; ++i) {
        const StarRecord& s = game::star_cell(g.stars, i);
        EXPECT_EQ(s.x, i < 40 ? 30 : 100) << i;
        EXPECT_EQ(s.y, i < 40 ? 40 : 120) << i;
        EXPECT_TRUE(s.angle_x >= 0 && s.angle_x <= 359 && s.angle_y >= 0 && s.angle_y <= 359);
        EXPECT_TRUE(s.speed_x >= 2 && s.speed_x <= 6 && s.speed_y >= 2 && s.speed_y <= 6);
        turned = turned || s.angle_x != game::star_cell(g.stars, 0).angle_x;
    }
    EXPECT_TRUE(turned) << "the stars scatter";
}

TEST(StarBurst, OneBurstLivesThirtyFramesThenGoesTogether) {
    StageRun run;
    GameState& g = run.g();
    g.mouse_x = 160;
    g.mouse_y = 120;
    game::start_star_burst();
    const StarRecord first = game::star_cell(g.stars, 0);
    game::update_stars();
    const StarRecord moved = game::star_cell(g.stars, 0);
    EXPECT_NEAR(moved.x, first.x - cos_deg(first.angle_x) * first.speed_x, 1e-9);
    EXPECT_NEAR(moved.y, first.y - sin_deg(first.angle_y) * first.speed_y, 1e-9);
    EXPECT_EQ(g.star_timer, 1160);
    for (int f = 2; f <= 29; ++f) game::update_stars();
    EXPECT_EQ(stars(g), 40) << "alive through frame 29";
    EXPECT_EQ(g.star_timer, 40);
    game::update_stars();
    EXPECT_EQ(stars(g), 0) << "gone after frame 30";
    EXPECT_EQ(g.star_timer, 1200);
    EXPECT_EQ(g.stars_active, 0);

    // No stars: nothing drawn, the timer stays.
    g.star_timer = 500;
    game::update_stars();
    EXPECT_EQ(g.star_timer, 500);
}

TEST(StarBurst, SecondBurstEndsTheLaterFortyFirst) {
    StageRun run;
    GameState& g = run.g();
    g.mouse_x = 50;
    g.mouse_y = 50;
    game::start_star_burst();
    g.mouse_x = 250;
    g.mouse_y = 150;
    game::start_star_burst();
    std::vector<double> early_angles;
    for (int i = 0; i < 40; ++i) early_angles.push_back(game::star_cell(g.stars, i).angle_x);

    for (int f = 1; f <= 14; ++f) game::update_stars();
    EXPECT_EQ(stars(g), 80);
    game::update_stars();
    ASSERT_EQ(stars(g), 40) << "the later forty went after 15 frames";
    for (int i = 0; i < 40; ++i) EXPECT_EQ(game::star_cell(g.stars, i).angle_x, early_angles[i]);
    EXPECT_EQ(g.star_timer, 1200);
    for (int f = 1; f <= 29; ++f) game::update_stars();
    EXPECT_EQ(stars(g), 40);
    game::update_stars();
    EXPECT_EQ(stars(g), 0) << "the earlier forty lived 30 frames more";
}

TEST(StarBurst, TimerZeroedWithStarsAliveRemovesThemAll) {
    StageRun run;
    GameState& g = run.g();
    game::start_star_burst();
    game::start_star_burst();
    game::update_stars();
    g.star_timer = 0;  // what the game-over sequence does
    game::update_stars();
    EXPECT_EQ(stars(g), 0);
    EXPECT_EQ(g.star_timer, 1200);
    // A new burst afterwards works as usual.
    game::start_star_burst();
    EXPECT_EQ(stars(g), 40);
}

TEST(StarBurst, FadeTableBoundsAreStrict) {
    struct Case {
        int timer;
        bool set;
        double mode;
    };
    const Case cases[] = {
        {1200, false, 0},  {400, false, 0},   {399, true, -0.999}, {371, true, -0.999},
        {370, false, 0},   {369, true, -0.9}, {341, true, -0.9},   {311, true, -0.8},
        {281, true, -0.7}, {251, true, -0.6}, {221, true, -0.5},   {191, true, -0.4},
        {161, true, -0.3}, {131, true, -0.2}, {100, false, 0},     {71, true, -0.2},
        {41, true, -0.2},  {40, false, 0},    {39, true, -0.1},    {0, true, -0.1},
        {-5, true, -0.1},
    };
    for (const Case& c : cases) {
        double mode = 123;
        EXPECT_EQ(game::star_fade_mode(c.timer, mode), c.set) << c.timer;
        if (c.set) {
            EXPECT_EQ(mode, c.mode) << c.timer;
        }
    }
}

TEST(StarBurst, StarsAreDrawnWhereTheyFly) {
    StageRun run;
    GameState& g = run.g();
    g.mouse_x = 160;
    g.mouse_y = 120;
    game::start_star_burst();
    for (int i = 0; i < 40; ++i) {
        StarRecord& s = game::star_cell(g.stars, i);
        s.angle_x = 180;  // x grows by the speed
        s.angle_y = 0;    // y stays
        s.speed_x = 2;
    }
    draw_sprite(0, 0, 0);
    const std::vector<uint8_t> bare = read_frame(320, 240);
    game::update_stars();
    const std::vector<uint8_t> drawn = read_frame(320, 240);
    present_frame();
    EXPECT_GT(changed_in_box(bare, drawn, 162, 120, 7), 5);
    EXPECT_EQ(changed_in_box(bare, drawn, 20, 20, 7), 0);
}

}  // namespace
}  // namespace zorby::testing
