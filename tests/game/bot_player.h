// A bot player for long runs and benchmark recordings: it looks at the game record
// as a player looks at the screen and answers with noisy mouse moves, clicks and
// keys on the deterministic platform, never pressing Escape and never striking on
// the Exit button.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "game/game_state.h"
#include "platform/replay/deterministic.h"

namespace zorby::testing {

// A player who looks at the screen (the game record) and answers with noisy mouse
// moves, clicks and keys. Its skill changes from game to game, so some games last
// long and reach the later stages and some end early.
class BotPlayer {
    using Kind = platform::ScriptEvent::Kind;

public:
    // device_key answers the intro's question (45 X: mouse, 44 Z: keyboard cursor).
    BotPlayer(platform::DeterministicPlatform& platform, uint32_t seed, int device_key = 45)
        : platform_(platform), rng_(seed), device_key_(device_key) {}

    // Chooses the input for the next frame.
    void step(game::GameState& g) {
        platform_.set_key(device_key_, g.game_state == game::Screen::intro);
        if (g.game_state == game::Screen::intro) return;
        if (g.game_state != last_state_ && g.game_state == game::Screen::playing) {
            skill_ = uniform(0.3, 0.95);
        }
        last_state_ = g.game_state;
        if (--intent_frames_ <= 0) choose_intent(g);
        steer(g);
        press(g);
        noise();
    }

private:
    double uniform(double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(rng_);
    }
    int pick(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }
    bool chance(double p) { return uniform(0, 1) < p; }

    void aim_at_hole(game::GameState& g, int hole) {
        aim_x_ = game::cell(g.holes_x, hole) + pick(2, 15);
        aim_y_ = game::cell(g.holes_y, hole) + pick(2, 15);
    }

    // A hole with a face worth striking, or -1.
    int wanted_hole(game::GameState& g) {
        std::vector<int> wanted;
        for (int i = 0; i < 30; ++i) {
            const double kind = game::cell(g.holes_kind, i);
            if (g.stage == game::Stage::time_attack && game::cell(g.holes_life, i) >= 1 &&
                (kind == 1 || kind == 3)) {
                wanted.push_back(i);
            }
            if (g.stage == game::Stage::masked_smileys && kind == 1 &&
                game::cell(g.holes_hit, i) == 0)
                wanted.push_back(i);
        }
        if (wanted.empty()) return -1;
        return wanted[static_cast<size_t>(pick(0, static_cast<int>(wanted.size()) - 1))];
    }

    void choose_intent(game::GameState& g) {
        intent_frames_ = pick(4, 40);
        if (g.game_state == game::Screen::playing) {
            if (chance(0.003)) {  // now and then the player gives up or restarts
                aim_x_ = pick(10, 80);
                aim_y_ = chance(0.5) ? pick(192, 203) : pick(216, 228);
                return;
            }
            const bool skilled = chance(skill_);
            const int hole = wanted_hole(g);
            if (skilled && hole >= 0) {
                aim_at_hole(g, hole);
            } else if (skilled && g.stage == game::Stage::lost_and_found) {
                aim_x_ = g.lost_target_x + pick(2, 15);
                aim_y_ = g.lost_target_y + pick(2, 15);
            } else if (g.stage == game::Stage::labyrinth) {
                aim_x_ = g.maze_x + pick(-30, 60);
                aim_y_ = g.maze_y + pick(-20, 20);
            } else {
                aim_at_hole(g, pick(0, 29));
            }
            return;
        }
        if (g.menu_page == game::MenuPage::name_entry) {  // name entry: letters, delete and enter
            if (chance(0.12)) {
                aim_x_ = pick(182, 247);
                aim_y_ = pick(157, 165);
            } else {
                aim_x_ = pick(8, 300);
                aim_y_ = pick(102, 150);
            }
            return;
        }
        if (chance(0.25)) {  // Start
            aim_x_ = pick(8, 80);
            aim_y_ = pick(216, 228);
        } else if (chance(0.08)) {  // Menu
            aim_x_ = pick(8, 80);
            aim_y_ = pick(191, 203);
        } else {  // the page's items
            aim_x_ = pick(10, 300);
            aim_y_ = pick(86, 176);
        }
    }

    // Mouse games move the mouse; cursor games mostly hold the arrow keys.
    void steer(const game::GameState& g) {
        const bool cursor = g.input_device == game::InputDevice::keyboard_cursor && !chance(0.05);
        if (!cursor) {
            const int dx =
                static_cast<int>(std::clamp(aim_x_ - g.mouse_x, -14.0, 14.0)) + pick(-2, 2);
            const int dy =
                static_cast<int>(std::clamp(aim_y_ - g.mouse_y, -14.0, 14.0)) + pick(-2, 2);
            platform_.apply({Kind::Move, dx, dy});
            return;
        }
        const double hx = g.cursor_x + 10, hy = g.cursor_y + 10;
        platform_.set_key(205, hx < aim_x_ - 2);  // right
        platform_.set_key(203, hx > aim_x_ + 2);  // left
        platform_.set_key(208, hy < aim_y_ - 2);  // down
        platform_.set_key(200, hy > aim_y_ + 2);  // up
    }

    static bool in_exit(double x, double y, double x1, double x2, double y1, double y2) {
        return x1 < x && x < x2 && y1 < y && y < y2;
    }

    void press(const game::GameState& g) {
        const double px =
            g.input_device == game::InputDevice::keyboard_cursor ? g.cursor_x + 10 : g.mouse_x;
        const double py =
            g.input_device == game::InputDevice::keyboard_cursor ? g.cursor_y + 10 : g.mouse_y;
        const bool near = std::abs(px - aim_x_) <= 4 && std::abs(py - aim_y_) <= 4;
        // The bot never quits: no strike while either pointer is on the Exit button.
        const bool on_exit = in_exit(g.mouse_x, g.mouse_y, 228, 309, 201, 229) ||
                             in_exit(g.cursor_x, g.cursor_y, 219, 304, 189, 220);
        const bool down = !on_exit && (near ? chance(0.7) : chance(0.03));
        const int how = pick(0, 2);
        platform_.apply({Kind::Button, 1, down && how == 0 ? 1 : 0});
        platform_.set_key(44, down && how == 1 && !on_exit);  // Z
        platform_.set_key(57, down && how == 2);              // Space
        if (on_exit) platform_.set_key(44, false);
    }

    // Other keys now and then: volume, Enter, letters; never Escape or Alt.
    void noise() {
        static const int keys[] = {201, 209, 28, 16, 17, 18, 19, 31, 32, 45, 48, 30};
        if (chance(0.01)) platform_.set_key(keys[pick(0, 11)], true);
        if (chance(0.05)) {
            for (int k : keys) platform_.set_key(k, false);
        }
    }

    platform::DeterministicPlatform& platform_;
    std::mt19937 rng_;
    double aim_x_ = 160, aim_y_ = 120;
    int intent_frames_ = 0;
    double skill_ = 0.8;
    game::Screen last_state_ = game::Screen::intro;  // not playing
    int device_key_;
};

}  // namespace zorby::testing
