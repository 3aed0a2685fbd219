// Lost and found: the set-up and one frame of the stage (the time-out, the find and
// the drawing of the board).
#include "game/lost_found.h"

#include "engine/numbers.h"
#include "game/assets.h"
#include "game/game_state.h"
#include "game/stage_cycle.h"
#include "graphics/draw.h"

namespace zorby::game {

namespace {

constexpr double kLostKind = 7;
constexpr int kStageCountdown = 20;
// The lost face goes into one of the holes 0..26: never the last three of the board.
constexpr double kLastTargetHole = 26;
constexpr double kPauseMs = 2500;

}  // namespace

void setup_lost_and_found() {
    GameState& g = game();
    g.countdown = kStageCountdown;
    lay_out_board();
    for (int i = 0; i < kHoleCount; ++i) {
        cell(g.holes_life, i) = 1;
        cell(g.holes_hit, i) = 0;
        const double kind = random_int(6);
        cell(g.holes_kind, i) = kind == 0 ? 1 : kind;
    }
    g.lost_target_index = static_cast<int>(random_int(kLastTargetHole));
    cell(g.holes_kind, g.lost_target_index) = kLostKind;
    g.lost_target_x = cell(g.holes_x, g.lost_target_index);
    g.lost_target_y = cell(g.holes_y, g.lost_target_index);
    show_stage_intro(sprite::kLostFoundCard, Stage::lost_and_found);
}

void run_lost_and_found() {
    GameState& g = game();
    if (!g.ready.contains(Stage::lost_and_found)) {
        setup_lost_and_found();
        g.ready.insert(Stage::lost_and_found);
    }
    stage_tick();
    if (g.countdown < 1) {
        end_lost_and_found(-25);
        play_game_sound(sound::kMistake);
        busy_wait(kPauseMs);
    }

    for (g.loop_index = 0; g.loop_index < kHoleCount; g.loop_index += 1) {
        const int i = g.loop_index;
        const double kind = cell(g.holes_kind, i);
        if (kind == kLostKind && strike_pressed() && pointer_on(g.lost_target_x, g.lost_target_y)) {
            g.score += 100;
            play_game_sound(sound::kCheer);
            cell(g.holes_hit, i) = 1;
            end_lost_and_found(25);  // no pause after a find
        }
        if (kind == kLostKind && cell(g.holes_hit, i) != 0) continue;  // struck: gone
        const double sprite = face_sprite(kind);
        if (sprite >= 0) draw_sprite(sprite, cell(g.holes_x, i), cell(g.holes_y, i));
    }
}

}  // namespace zorby::game
