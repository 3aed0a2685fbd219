// The long run: a bot plays the whole game with random mouse, key and button input
// on the virtual clock, game after game, through every stage, the menu pages and the
// name entry, and the run must end without an error stop, with sane game values in
// every frame and with steady memory.
//
// The short version runs with the tests. A longer one, by hand:
//   ZORBY_BOT_GAME_MINUTES=600 ZORBY_BOT_REAL_SECONDS=900 test_game --gtest_filter=Bot.*
// (best in the sanitizer build); the run stops at whichever limit comes first and
// prints what it covered.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "engine/engine.h"
#include "game/game_harness.h"
#include "game/game_state.h"

namespace zorby::testing {
namespace {

using game::cell;
using game::GameState;
using Action = platform::ScriptedInput::Action;

double env_number(const char* name, double fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    const double value = std::atof(text);
    return value > 0 ? value : fallback;
}

// Resident memory of this process in bytes.
double resident_bytes() {
    std::ifstream statm("/proc/self/statm");
    double total = 0, resident = 0;
    statm >> total >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// What the run went through.
struct Coverage {
    uint64_t frames = 0;
    int games = 0;         // game overs
    int name_entries = 0;  // game overs that opened the name entry
    int stage_setups[4] = {0, 0, 0, 0};
    std::set<int> menu_pages;
    bool keyboard_cursor_game = false;
    bool mouse_game = false;
};

// A player who looks at the screen (the game record) and answers with noisy mouse
// moves, clicks and keys. Its skill changes from game to game, so some games last
// long and reach the later stages and some end early.
class Bot {
  public:
    Bot(platform::DeterministicPlatform& platform, uint32_t seed)
        : platform_(platform), rng_(seed) {}

    // Chooses the input for the next frame.
    void step(GameState& g) {
        if (g.game_state != last_state_ && g.game_state == game::kStatePlaying) {
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

    void aim_at_hole(GameState& g, int hole) {
        aim_x_ = cell(g.holes_x, hole) + pick(2, 15);
        aim_y_ = cell(g.holes_y, hole) + pick(2, 15);
    }

    // A hole with a face worth striking, or -1.
    int wanted_hole(GameState& g) {
        std::vector<int> wanted;
        for (int i = 0; i < 30; ++i) {
            const double kind = cell(g.holes_kind, i);
            if (g.attack_active == 1 && cell(g.holes_life, i) >= 1 && (kind == 1 || kind == 3)) {
                wanted.push_back(i);
            }
            if (g.masq_active == 1 && kind == 1 && cell(g.holes_hit, i) == 0) wanted.push_back(i);
        }
        if (wanted.empty()) return -1;
        return wanted[static_cast<size_t>(pick(0, static_cast<int>(wanted.size()) - 1))];
    }

    void choose_intent(GameState& g) {
        intent_frames_ = pick(4, 40);
        if (g.game_state == game::kStatePlaying) {
            if (chance(0.003)) {  // now and then the player gives up or restarts
                aim_x_ = pick(10, 80);
                aim_y_ = chance(0.5) ? pick(192, 203) : pick(216, 228);
                return;
            }
            const bool skilled = chance(skill_);
            const int hole = wanted_hole(g);
            if (skilled && hole >= 0) {
                aim_at_hole(g, hole);
            } else if (skilled && g.lost_active == 1) {
                aim_x_ = g.lost_target_x + pick(2, 15);
                aim_y_ = g.lost_target_y + pick(2, 15);
            } else if (g.maze_active == 1) {
                aim_x_ = g.maze_x + pick(-30, 60);
                aim_y_ = g.maze_y + pick(-20, 20);
            } else {
                aim_at_hole(g, pick(0, 29));
            }
            return;
        }
        if (g.menu_page == 6) {  // name entry: letters, delete and enter
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
    void steer(const GameState& g) {
        const bool cursor = g.input_device == 0 && !chance(0.05);
        if (!cursor) {
            const int dx =
                static_cast<int>(std::clamp(aim_x_ - g.mouse_x, -14.0, 14.0)) + pick(-2, 2);
            const int dy =
                static_cast<int>(std::clamp(aim_y_ - g.mouse_y, -14.0, 14.0)) + pick(-2, 2);
            platform_.apply({Action::Kind::MouseMove, dx, dy});
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

    void press(const GameState& g) {
        const double px = g.input_device == 0 ? g.cursor_x + 10 : g.mouse_x;
        const double py = g.input_device == 0 ? g.cursor_y + 10 : g.mouse_y;
        const bool near = std::abs(px - aim_x_) <= 4 && std::abs(py - aim_y_) <= 4;
        // The bot never quits: no strike while either pointer is on the Exit button.
        const bool on_exit = in_exit(g.mouse_x, g.mouse_y, 228, 309, 201, 229) ||
                             in_exit(g.cursor_x, g.cursor_y, 219, 304, 189, 220);
        const bool down = !on_exit && (near ? chance(0.7) : chance(0.03));
        const int how = pick(0, 2);
        platform_.apply({down && how == 0 ? Action::Kind::ButtonDown : Action::Kind::ButtonUp, 0});
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
    double last_state_ = -1;
};

// One bot run of up to game_minutes of game time (or real_seconds of real time).
void bot_run(uint32_t seed, double game_minutes, double real_seconds, Coverage& seen) {
    GameRun run;  // no "hc.txt": the table starts at its defaults
    const bool keyboard = seed % 2 == 0;
    run.answer_intro(keyboard ? GameRun::kKeyboardCursor : GameRun::kMouse);
    Bot bot(run.engine().platform(), seed);

    const auto real_start = std::chrono::steady_clock::now();
    const double clock_start = run.now();
    double memory_early = 0, memory_peak = 0;
    bool closing = false;
    double last_ready[4] = {0, 0, 0, 0};

    const int status = run.run(UINT64_MAX, [&](uint64_t frame) {
        GameState& g = run.state();
        ++seen.frames;
        // Sane values at the end of every frame.
        ASSERT_LE(g.energy, 300) << "frame " << frame;
        ASSERT_TRUE(g.energy >= 1 || g.game_state != game::kStatePlaying) << "frame " << frame;
        ASSERT_LE(array_size(g.stars, 0), 4000) << "stars pile up";
        ASSERT_TRUE(g.game_state == game::kStatePlaying || g.game_state == game::kStateMenu)
            << g.game_state;

        const double ready[4] = {g.attack_ready, g.lost_ready, g.maze_ready, g.masq_ready};
        for (int s = 0; s < 4; ++s) {
            if (ready[s] == 1 && last_ready[s] == 0) ++seen.stage_setups[s];
            last_ready[s] = ready[s];
        }
        if (g.game_state == game::kStateMenu) seen.menu_pages.insert(static_cast<int>(g.menu_page));
        // Every game over plays the buzz of the game-over card once.
        const int game_overs = run.count_sound(5);
        if (game_overs > 0) {
            seen.games += game_overs;
            if (g.menu_page == 6) ++seen.name_entries;
        }
        run.clear_audio();
        if (g.input_device == 0) seen.keyboard_cursor_game = true;
        if (g.input_device == 1) seen.mouse_game = true;

        // Memory after the warm-up (every asset and page used once) against later.
        if (frame == 3000) memory_early = resident_bytes();
        if (frame > 3000 && frame % 1000 == 0)
            memory_peak = std::max(memory_peak, resident_bytes());

        const double game_ms = run.now() - clock_start;
        const double real_s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - real_start).count();
        if (!closing && (game_ms >= game_minutes * 60000 || real_s >= real_seconds)) {
            closing = true;  // the player closes the window
            run.engine().platform().apply({Action::Kind::Close});
            return;
        }
        if (!closing) bot.step(g);
    });
    EXPECT_EQ(status, 0) << "the run must end by closing the window, not by an error";
    EXPECT_EQ(run.engine().engine().error.error_number, 0) << run.engine().engine().error_detail;
    if (memory_early > 0 && memory_peak > 0) {
        EXPECT_LT(memory_peak - memory_early, 32.0 * 1024 * 1024) << "memory grows";
    }
    std::printf(
        "bot seed %u: %.1f game minutes in %.1f s, memory %.1f -> %.1f MB\n", seed,
        (run.now() - clock_start) / 60000,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - real_start).count(),
        memory_early / 1048576, memory_peak / 1048576);
}

TEST(Bot, PlaysGameAfterGameThroughEveryStageMenuAndNameEntry) {
    const double game_minutes = env_number("ZORBY_BOT_GAME_MINUTES", 40);
    const double real_seconds = env_number("ZORBY_BOT_REAL_SECONDS", 150);
    Coverage seen;
    // One mouse player and one keyboard-cursor player, each for half the time.
    bot_run(2, game_minutes / 2, real_seconds / 2, seen);
    bot_run(3, game_minutes / 2, real_seconds / 2, seen);

    std::printf("bot: %llu frames, %d games, %d name entries, set-ups %d/%d/%d/%d, %zu pages\n",
                static_cast<unsigned long long>(seen.frames), seen.games, seen.name_entries,
                seen.stage_setups[0], seen.stage_setups[1], seen.stage_setups[2],
                seen.stage_setups[3], seen.menu_pages.size());
    EXPECT_TRUE(seen.keyboard_cursor_game);
    EXPECT_TRUE(seen.mouse_game);
    for (int s = 0; s < 4; ++s) EXPECT_GE(seen.stage_setups[s], 2) << "stage " << s;
    EXPECT_GE(seen.games, 2);
    EXPECT_GE(seen.name_entries, 1);
    EXPECT_GE(seen.menu_pages.size(), 5u);
}

}  // namespace
}  // namespace zorby::testing
