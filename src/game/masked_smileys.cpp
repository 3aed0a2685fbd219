// Masked smileys: the set-up and one frame of the stage (the drop phase, strikes,
// the blocks, the time-out and the win).
#include "game/masked_smileys.h"

#include "engine/numbers.h"
#include "game/assets.h"
#include "game/game_state.h"
#include "game/stage_cycle.h"
#include "graphics/draw.h"

namespace zorby::game {

namespace {

// A block is drawn 7 pixels up and left of the face it covers.
constexpr double kBlockOffset = 7;
constexpr double kGood = 1, kBad = 8;
constexpr double kPauseMs = 2500;
constexpr double kBadStrikePauseMs = 200;
constexpr int kBadStrikeCost = 100;  // countdown units
// Blocks drop while the countdown is below this; strikes count below kStrikesFrom.
constexpr int kDropsFrom = 990;
constexpr int kStrikesFrom = 960;
constexpr int kLastHole = kHoleCount - 1;

// Drops the next block every 11 frames once the countdown is below 990.
void drop_blocks(GameState& g) {
    if (g.countdown >= kDropsFrom) return;
    if (g.masq_drop_frames > 10 && g.masq_drop_next <= kLastHole) {
        cell(g.masq_dropped, g.masq_drop_next) = 1;
        g.masq_drop_next += 1;
        play_game_sound(sound::kDrop);
        g.masq_drop_frames = 1;
    } else {
        g.masq_drop_frames += 1;
    }
}

void strike_hole(GameState& g, int i) {
    const double kind = cell(g.holes_kind, i);
    if (kind == kGood && cell(g.holes_hit, i) == 0) {
        strike_good_face(i);
        g.masq_good_found += 1;
    } else if (kind == kBad) {
        // Costs again in every frame the bad face stays under a pressed button.
        play_game_sound(sound::kMistake);
        cell(g.holes_hit, i) = 1;
        g.countdown -= kBadStrikeCost;
        busy_wait(kBadStrikePauseMs);
    }
    if (cell(g.masq_covered, i) == 1) cell(g.masq_opened, i) = 1;
}

}  // namespace

void setup_masked_smileys() {
    GameState& g = game();
    g.countdown = 999;
    g.masq_good_total = 0;
    g.masq_good_found = 0;
    g.masq_drop_next = 0;
    g.masq_drop_frames = 0;
    lay_out_board_with_blocks();
    for (int i = 0; i < kHoleCount; ++i) {
        cell(g.masq_covered, i) = 1;
        cell(g.masq_dropped, i) = 0;
        cell(g.masq_opened, i) = 0;
    }
    for (int i = 0; i < kHoleCount; ++i) {
        cell(g.holes_hit, i) = 0;
        cell(g.masq_opened, i) = 0;
        if (random_int(2) == 1) {
            cell(g.holes_kind, i) = kGood;
            g.masq_good_total += 1;
        } else {
            cell(g.holes_kind, i) = kBad;
        }
    }
    show_stage_intro(sprite::kMaskedCard, Stage::masked_smileys);
    g.ready.insert(Stage::masked_smileys);
}

void run_masked_smileys() {
    GameState& g = game();
    stage_tick();
    drop_blocks(g);
    if (!g.ready.contains(Stage::masked_smileys))
        setup_masked_smileys();  // overwrites this frame's tick and drop

    for (g.loop_index = 0; g.loop_index < kHoleCount; g.loop_index += 1) {
        const int i = g.loop_index;
        if (g.countdown < kStrikesFrom && strike_pressed() &&
            pointer_on(cell(g.holes_x, i), cell(g.holes_y, i))) {
            strike_hole(g, i);
        }
        const double kind = cell(g.holes_kind, i);
        if (kind == kGood || kind == kBad) {
            draw_sprite(face_sprite(kind), cell(g.holes_x, i), cell(g.holes_y, i));
        }
        if (cell(g.masq_covered, i) == 1 && cell(g.masq_opened, i) == 0 &&
            cell(g.masq_dropped, i) == 1) {
            draw_sprite(sprite::kBlock, cell(g.block_x, i) - kBlockOffset,
                        cell(g.block_y, i) - kBlockOffset);
        }
    }

    if (g.countdown < 1) {
        end_masked_smileys(-25);
        play_game_sound(sound::kMistake);
        busy_wait(kPauseMs);
    }
    // Tested after a time-out too: the last good face found in that frame still wins.
    if (g.masq_good_found == g.masq_good_total) {
        end_masked_smileys(50);
        play_game_sound(sound::kCheer);
        busy_wait(kPauseMs);
    }
}

}  // namespace zorby::game
