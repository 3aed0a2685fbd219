// The stage cycle and the hole board: countdown tick, pointer test, board layout,
// title cards and the hand-overs between the four stages.
#include "game/stage_cycle.h"

#include <vector>

#include "engine/engine_string.h"
#include "game/game_state.h"
#include "game/stages.h"
#include "game/star_burst.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace zorby::game {

namespace {

constexpr double kFanfareSound = 12;
constexpr double kClockSound = 11;
constexpr double kIntroPauseMs = 4000;

// One row of the hand-over table: the stage flags that become 0, then those that
// become 1.
using Flag = double GameState::*;
struct FlagChange {
    std::vector<Flag> cleared;
    std::vector<Flag> started;
};

const FlagChange kTimeAttackEnd{{&GameState::attack_active}, {&GameState::lost_active}};
const FlagChange kLostEnd{{&GameState::attack_active, &GameState::lost_active,
                           &GameState::attack_ready, &GameState::lost_ready},
                          {&GameState::maze_active}};
const FlagChange kLabyrinthEnd{
    {&GameState::attack_active, &GameState::attack_ready, &GameState::lost_ready,
     &GameState::maze_ready, &GameState::maze_active, &GameState::lost_active,
     &GameState::masq_ready},
    {&GameState::masq_active}};
const FlagChange kMaskedEnd{
    {&GameState::attack_ready, &GameState::lost_ready, &GameState::maze_ready,
     &GameState::maze_active, &GameState::lost_active, &GameState::masq_active,
     &GameState::masq_ready},
    {&GameState::attack_active}};
// The ends of the title cards, in the order of Stage.
const FlagChange kIntroEnd[] = {
    {{&GameState::lost_active}, {&GameState::attack_active}},
    {{&GameState::attack_active}, {&GameState::lost_active}},
    {{&GameState::attack_active, &GameState::lost_active}, {&GameState::maze_active}},
    {{&GameState::attack_active, &GameState::maze_active, &GameState::lost_active},
     {&GameState::masq_active}},
};

void set_flags(const FlagChange& change) {
    GameState& g = game();
    for (Flag f : change.cleared) g.*f = 0;
    for (Flag f : change.started) g.*f = 1;
}

// Writes hole i's position for every hole of the three rows; when with_blocks is set
// the blocks of Masked smileys get the same positions.
void write_layout(bool with_blocks) {
    GameState& g = game();
    double n = 0;
    for (double y = 90; y <= 150; y += 30) {
        for (double x = 15; x <= 285; x += 30) {
            cell(g.holes_x, n) = x;
            cell(g.holes_y, n) = y;
            if (with_blocks) {
                cell(g.block_x, n) = x;
                cell(g.block_y, n) = y;
            }
            n += 1;
        }
    }
}

}  // namespace

void stage_tick() {
    GameState& g = game();
    if (g.tick_frames > 10) {
        g.countdown -= 1;
        g.tick_frames = 0;
    }
    g.tick_frames += 1;
}

bool pointer_on(double x, double y) {
    const GameState& g = game();
    if (g.mouse_x > x && g.mouse_x < x + 17 && g.mouse_y > y && g.mouse_y < y + 17) return true;
    const double hot_x = g.cursor_x + 10;
    const double hot_y = g.cursor_y + 10;
    return x < hot_x && hot_x < x + 20 && y < hot_y && hot_y < y + 20;
}

void lay_out_board() {
    write_layout(false);
}

void lay_out_board_with_blocks() {
    write_layout(true);
}

void draw_energy_bar() {
    const GameState& g = game();
    double colour = 65310;  // green
    if (g.energy < 100) {
        colour = 255;  // red
    } else if (g.energy < 200) {
        colour = 48895;  // orange
    }
    for (double y = 182; y <= 185; y += 1) draw_line(5, y, g.energy, y, colour);
}

double face_sprite(double kind) {
    switch (static_cast<int>(kind)) {
        case 1:
            return 1;  // good face
        case 2:
            return 6;  // bad face
        case 3:
            return 7;  // bonus face
        case 4:
            return 12;  // ordinary faces of Lost and found
        case 5:
            return 13;
        case 6:
            return 14;
        case 7:
            return 15;  // the lost face
        case 8:
            return 25;  // bad face of Masked smileys
        default:
            return -1;
    }
}

void show_stage_intro(double picture, Stage stage) {
    GameState& g = game();
    draw_sprite(picture, kStageLeft, kStageTop);
    set_font(1);
    print_number(g.score, 130, 218);
    set_font(3);
    print_text("V3.2", 6, 60);
    set_font(1);
    print_number(g.countdown, 270, 187);
    draw_energy_bar();
    if (g.energy > 300) g.energy = 300;
    if (g.energy < 1) g.game_state = kStateGameOver;
    present_frame();
    play_game_sound(kFanfareSound);
    busy_wait(kIntroPauseMs);

    set_flags(kIntroEnd[static_cast<int>(stage)]);
    // Time attack starts without the clock.
    if (stage != Stage::time_attack) play_game_sound(kClockSound);
}

void end_time_attack() {
    set_flags(kTimeAttackEnd);
}

void end_lost_and_found(double energy_change) {
    set_flags(kLostEnd);
    game().energy += energy_change;
}

void end_labyrinth(double energy_change) {
    set_flags(kLabyrinthEnd);
    game().energy += energy_change;
}

void end_masked_smileys(double energy_change) {
    set_flags(kMaskedEnd);
    game().energy += energy_change;
}

void strike_good_face(double hole) {
    GameState& g = game();
    play_game_sound(1);  // "boing.wav"
    g.score += 25;
    cell(g.holes_hit, hole) = 1;
    g.energy += 10;
    start_star_burst();
}

}  // namespace zorby::game
