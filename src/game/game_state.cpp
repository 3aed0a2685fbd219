// The game's record and the helpers every game routine shares.
#include "game/game_state.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#include "engine/numbers.h"
#include "game/keys.h"
#include "input/input_state.h"
#include "runtime/engine.h"
#include "runtime/wait_commands.h"

namespace zorby::game {

namespace {

std::unique_ptr<GameState>& record() {
    static std::unique_ptr<GameState> state;
    return state;
}

}  // namespace

GameState& game() {
    auto& state = record();
    if (!state) state = std::make_unique<GameState>();
    return *state;
}

void reset_game_state() {
    record() = std::make_unique<GameState>();
}

void index_out_of_range(double index, double size) {
    set_error(9, "game array index " + std::to_string(static_cast<long long>(index)) +
                     " outside 0.." + std::to_string(static_cast<long long>(size) - 1));
    end_program();
}

bool strike_pressed() {
    if (game().mouse_button != 0) return true;
    return key_down(key::kZ) != 0 || key_down(key::kSpace) != 0;
}

bool pointer_in(double x1, double x2, double y1, double y2, double c1) {
    const GameState& g = game();
    if (x1 < g.mouse_x && g.mouse_x < x2 && y1 < g.mouse_y && g.mouse_y < y2) return true;
    return x1 < g.cursor_x && g.cursor_x < x2 && c1 < g.cursor_y && g.cursor_y < y2;
}

bool pointer_in(const Hotspot& spot) {
    const GameState& g = game();
    return spot.mouse().contains(g.mouse_x, g.mouse_y) ||
           spot.cursor().contains(g.cursor_x, g.cursor_y);
}

bool hit(const Hotspot& spot) {
    return strike_pressed() && pointer_in(spot);
}

void busy_wait(double ms) {
    wait_ms(ms);
}

void play_game_sound(double slot) {
    if (game().sound_on == 1) play_sound(slot, 0, 1);
}

}  // namespace zorby::game
