// The stage cycle and the hole board: countdown tick, pointer test, board layout,
// title cards and the hand-overs between the four stages.
#include "game/stage_cycle.h"

#include "engine/engine_string.h"
#include "game/assets.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game/star_burst.h"
#include "graphics/draw.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace zorby::game {

namespace {

constexpr double kIntroPauseMs = 4000;

// One row of the hand-over table: the stage that runs next, and the stages whose
// set-up is forgotten (their next visit starts with it). Time attack's set-up is
// kept through Lost and found.
struct HandOver {
    Stage next;
    StageSet forgotten;
};

constexpr HandOver kTimeAttackEnd{Stage::lost_and_found, {}};
constexpr HandOver kLostEnd{Stage::labyrinth, {Stage::time_attack, Stage::lost_and_found}};
constexpr HandOver kLabyrinthEnd{Stage::masked_smileys, kEveryStage};
constexpr HandOver kMaskedEnd{Stage::time_attack, kEveryStage};

void hand_over(const HandOver& row) {
    GameState& g = game();
    g.stage = row.next;
    g.ready.erase(row.forgotten);
}

// Writes hole i's position for every hole of the three rows; when with_blocks is set
// the blocks of Masked smileys get the same positions.
void write_layout(bool with_blocks) {
    GameState& g = game();
    int n = 0;
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

void cap_energy() {
    GameState& g = game();
    if (g.energy > 300) g.energy = 300;
    if (g.energy < 1) g.game_state = Screen::game_over;
}

double face_sprite(double kind) {
    switch (static_cast<int>(kind)) {
        case 1:
            return sprite::kGoodFace;
        case 2:
            return sprite::kBadFace;
        case 3:
            return sprite::kBonusFace;
        case 4:  // the ordinary faces of Lost and found
            return sprite::kCalmFace;
        case 5:
            return sprite::kWowFace;
        case 6:
            return sprite::kGrinFace;
        case 7:
            return sprite::kLostFace;
        case 8:
            return sprite::kMaskedBadFace;
        default:
            return -1;
    }
}

void show_stage_intro(double picture, Stage stage) {
    draw_sprite(picture, kStageLeft, kStageTop);
    draw_hud(kHudAll);
    cap_energy();
    present_frame();
    play_game_sound(sound::kFanfare);
    busy_wait(kIntroPauseMs);

    game().stage = stage;
    // Time attack starts without the clock.
    if (stage != Stage::time_attack) play_game_sound(sound::kClock);
}

void end_time_attack() {
    hand_over(kTimeAttackEnd);
}

void end_lost_and_found(int energy_change) {
    hand_over(kLostEnd);
    game().energy += energy_change;
}

void end_labyrinth(int energy_change) {
    hand_over(kLabyrinthEnd);
    game().energy += energy_change;
}

void end_masked_smileys(int energy_change) {
    hand_over(kMaskedEnd);
    game().energy += energy_change;
}

void strike_good_face(int hole) {
    GameState& g = game();
    play_game_sound(sound::kBoing);
    g.score += 25;
    cell(g.holes_hit, hole) = 1;
    g.energy += 10;
    start_star_burst();
}

}  // namespace zorby::game
