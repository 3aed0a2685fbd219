// Frame-by-frame stage runs: the game's record and assets as game_main sets them up,
// frames driven one at a time, pauses observed through the platform's sleep hook.
#include "game/stage_harness.h"

#include <cstdlib>
#include <limits>

#include "audio/sound.h"
#include "engine/numbers.h"
#include "game/frame_loop.h"
#include "game/game_main.h"
#include "game/time_attack.h"
#include "graphics/draw.h"
#include "input/input_state.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace zorby::testing {

using Kind = platform::ScriptEvent::Kind;

StageRun::StageRun(uint32_t seed) {
    game::GameState& s = g();
    for (game::NumberArray* board :
         {&s.holes_x, &s.holes_y, &s.holes_life, &s.holes_hit, &s.holes_kind, &s.block_x,
          &s.block_y, &s.masq_opened, &s.masq_covered}) {
        dim_numbers(*board, 100);
    }
    dim_numbers(s.high_scores, 6);
    dim_numbers(s.masq_dropped, 30);
    dim_strings(s.high_names, 6);
    game::load_game_assets();
    seed_random(seed);
    s.game_state = game::Screen::menu;
    s.mouse_x = s.mouse_y = 0;

    // A pause is a run of sleeps with no frame presented and no sound played between
    // them: every pause of the game follows a sound or a presented frame.
    run_.engine().platform().sleep_hook = [this](double ms) {
        const game::GameState& st = game::game();
        if (!waits_.empty() && !pause_ended_) {
            waits_.back().duration_ms += ms;
            return;
        }
        pause_ended_ = false;
        waits_.push_back({timer_ms() - ms, ms, st.energy, st.score, st.game_state});
    };
    Engine& e = run_.engine().engine();
    auto recorded = e.sound->on_play;
    e.sound->on_play = [this, recorded](double slot, double pan, double volume, double channel) {
        if (recorded) recorded(slot, pan, volume, channel);
        pause_ended_ = true;
    };
    e.frame_hook = [this] { pause_ended_ = true; };
}

StageRun::~StageRun() {
    run_.engine().platform().sleep_hook = nullptr;
    run_.engine().engine().frame_hook = nullptr;
}

void StageRun::begin_game() {
    game::GameState& s = g();
    s.game_state = game::Screen::playing;
    s.score = 0;
    s.stage = game::Stage::time_attack;
    s.ready.clear();
    game::apply_attack_difficulty();
}

void StageRun::begin_quiet_attack() {
    begin_game();
    frame();
    stop_spawns();
}

void StageRun::enter_stage(game::Stage stage) {
    game::GameState& s = g();
    s.game_state = game::Screen::playing;
    s.stage = stage;
    s.ready.erase(stage);
    s.cursor_x = s.cursor_y = -100;
    point_mouse(0, 0);
    stage_frame([stage] { game::run_stage(stage); });
    present();
    clear_sounds();
    clear_waits();
}

void StageRun::run_out_countdown() {
    g().countdown = 1;
    g().tick_frames = 11;
}

void StageRun::point_mouse(double x, double y) {
    InputState& input = *run_.engine().engine().input;
    input.mouse_x = static_cast<int32_t>(x);
    input.mouse_y = static_cast<int32_t>(y);
    g().mouse_x = x;
    g().mouse_y = y;
}

void StageRun::hold_button(bool down) {
    run_.engine().platform().apply({Kind::Button, 1, down ? 1 : 0});
    g().mouse_button = down ? 1 : 0;
}

void StageRun::frame() {
    game::run_frame();
}

void StageRun::frames(int n) {
    for (int i = 0; i < n; ++i) frame();
}

void StageRun::stage_frame(const std::function<void()>& routine) {
    draw_sprite(0, 0, 0);
    routine();
}

void StageRun::present() {
    present_frame();
}

std::vector<WaitSample> StageRun::waits(double min_ms) const {
    std::vector<WaitSample> out;
    for (const WaitSample& w : waits_) {
        if (w.duration_ms >= min_ms) out.push_back(w);
    }
    return out;
}

void StageRun::stop_spawns() {
    game::GameState& s = g();
    s.attack_spawn_range = std::numeric_limits<int>::max();
    for (int i = 0; i < 30; ++i) game::cell(s.holes_life, i) = 0;
}

int changed_in_box(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, int x,
                   int y, int size) {
    int changed = 0;
    for (int py = y; py < y + size; ++py) {
        for (int px = x; px < x + size; ++px) {
            const size_t at = (static_cast<size_t>(py) * 320 + static_cast<size_t>(px)) * 4;
            for (int c = 0; c < 3; ++c) {
                if (std::abs(before[at + c] - after[at + c]) > 8) {
                    ++changed;
                    break;
                }
            }
        }
    }
    return changed;
}

}  // namespace zorby::testing
