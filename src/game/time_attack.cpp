// Time attack: the difficulty table, the set-up and one frame of the stage (strikes,
// face life, patience with its energy drain, spawning).
#include "game/time_attack.h"

#include <array>

#include "engine/numbers.h"
#include "game/assets.h"
#include "game/game_state.h"
#include "game/stage_cycle.h"
#include "game/star_burst.h"
#include "graphics/draw.h"

namespace zorby::game {

namespace {

constexpr double kFaceLife = 250;  // frames a face stands
constexpr double kSpawnHit = 22;   // the spawn draw that brings a face

// Face kinds of this stage.
constexpr double kGood = 1, kBad = 2, kBonus = 3;

struct Difficulty {
    int countdown;
    int patience_reset;
    int spawn_range;
};

// Rows for attack levels 1 to 6 and for 7 and more, one table per difficulty.
using LevelTable = std::array<Difficulty, 7>;
constexpr std::array<LevelTable, 3> kDifficulty{{
    {{{250, 50, 4000},
      {250, 50, 4000},
      {250, 50, 4000},
      {250, 50, 4000},
      {300, 50, 4000},
      {300, 50, 4000},
      {300, 50, 4000}}},
    {{{400, 50, 3000},
      {400, 50, 3000},
      {400, 50, 3000},
      {500, 50, 3000},
      {500, 40, 2000},
      {500, 30, 2000},
      {600, 25, 2000}}},
    {{{600, 50, 2000},
      {600, 50, 2000},
      {600, 40, 2000},
      {600, 50, 2000},
      {700, 30, 1500},
      {800, 20, 1500},
      {999, 10, 1000}}},
}};

// The kind a spawn's second draw (0..14) brings: a good face for 0..12, a bad one
// for 13, a bonus one for 14.
double spawned_kind(double draw) {
    if (draw == 13) return kBad;
    if (draw == 14) return kBonus;
    return kGood;
}

// The pointer struck hole i's standing face.
void strike_face(GameState& g, int i) {
    const double kind = cell(g.holes_kind, i);
    if (kind == kGood) {
        cell(g.holes_life, i) = 0;
        strike_good_face(i);
    } else if (kind == kBad) {
        cell(g.holes_life, i) = 0;
        play_game_sound(sound::kMistake);
        cell(g.holes_hit, i) = 1;
        g.energy -= 25;
    } else if (kind == kBonus) {
        cell(g.holes_life, i) = 0;
        play_game_sound(sound::kBonus);
        g.score += 100;
        cell(g.holes_hit, i) = 1;
        g.energy += 25;
        g.attack_patience += 25;
        start_star_burst();
    }
}

// A standing good face that was not struck uses up patience; exhausted patience
// costs energy and starts again.
void drain_patience(GameState& g) {
    if (g.attack_patience - 1 < 1) {
        g.attack_patience = g.attack_patience_reset;
        g.energy -= 10;
    } else {
        g.attack_patience -= 1;
    }
}

void spawn_face(GameState& g, int i) {
    const double r = random_int(g.attack_spawn_range);
    const double k = random_int(14);
    if (r != kSpawnHit || cell(g.holes_life, i) >= 1) return;
    cell(g.holes_life, i) = kFaceLife;
    cell(g.holes_kind, i) = spawned_kind(k);
    const double s = random_int(2);
    play_game_sound(s == 0 ? sound::kZorby : s == 1 ? sound::kZorby2 : sound::kZorby3);
}

}  // namespace

void apply_attack_difficulty() {
    GameState& g = game();
    const int d = g.difficulty;
    const int level = g.attack_level;
    if (d != 1 && d != 2 && d != 3) return;
    int row = 0;
    if (level >= 7) {
        row = 6;
    } else if (level >= 1) {
        row = level - 1;
    } else {
        return;
    }
    const Difficulty& entry = kDifficulty[static_cast<size_t>(d) - 1][static_cast<size_t>(row)];
    g.countdown = entry.countdown;
    g.attack_patience_reset = entry.patience_reset;
    g.attack_spawn_range = entry.spawn_range;
}

void setup_time_attack() {
    GameState& g = game();
    g.stage = Stage::time_attack;
    g.attack_level += 1;
    apply_attack_difficulty();
    lay_out_board();
    for (int i = 0; i < 100; ++i) {
        cell(g.holes_life, i) = 0;
        cell(g.holes_hit, i) = 0;
        cell(g.holes_kind, i) = 0;
    }
    show_stage_intro(sprite::kTimeAttackCard, Stage::time_attack);
}

void run_time_attack() {
    GameState& g = game();
    if (!g.ready.contains(Stage::time_attack)) {
        setup_time_attack();
        g.ready.insert(Stage::time_attack);
    }
    stage_tick();
    if (g.countdown < 1) end_time_attack();  // the rest of this frame still runs

    for (g.loop_index = 0; g.loop_index < kHoleCount; g.loop_index += 1) {
        const int i = g.loop_index;
        if (strike_pressed() && pointer_on(cell(g.holes_x, i), cell(g.holes_y, i)) &&
            cell(g.holes_life, i) > 0) {
            strike_face(g, i);
        }
        if (cell(g.holes_life, i) >= 1) {
            const double sprite = face_sprite(cell(g.holes_kind, i));
            if (sprite >= 0) draw_sprite(sprite, cell(g.holes_x, i), cell(g.holes_y, i));
        }
        cell(g.holes_life, i) -= 1;
        if (cell(g.holes_life, i) < 1) cell(g.holes_life, i) = 0;
        if (cell(g.holes_life, i) >= 1 && cell(g.holes_hit, i) == 0 &&
            cell(g.holes_kind, i) == kGood) {
            drain_patience(g);
        }
        spawn_face(g, i);
        cell(g.holes_hit, i) = 0;
    }
}

}  // namespace zorby::game
