// The long run: a bot plays the whole game with random mouse, key and button input
// on the virtual clock, game after game, through every stage, the menu pages and the
// name entry, and the run must end without an error stop, with sane game values in
// every frame and with steady memory.
//
// It has the CTest label soak, which the default test run leaves out; CI runs it on its
// own (scripts/zorby.sh soak). A longer one, by hand:
//   ZORBY_BOT_GAME_MINUTES=600 ZORBY_BOT_REAL_SECONDS=900 test_game_soak --gtest_filter=Bot.*
// (best in the sanitizer build); the run stops at whichever limit comes first and
// prints what it covered.
#include <gtest/gtest.h>
#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define ZORBY_BOT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZORBY_BOT_ASAN 1
#endif
#endif
#ifndef ZORBY_BOT_ASAN
#define ZORBY_BOT_ASAN 0
#endif
#if ZORBY_BOT_ASAN
// From the sanitizer runtime (its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

#include "game/bot_player.h"
#include "game/game_harness.h"
#include "game/game_state.h"
#include "runtime/engine.h"

namespace zorby::testing {
namespace {

using game::cell;
using game::GameState;
using Kind = platform::ScriptEvent::Kind;

double env_number(const char* name, double fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    const double value = std::atof(text);
    return value > 0 ? value : fallback;
}

// Bytes the program holds on the heap now (the sanitizer's count in sanitizer builds,
// where freed memory waits in a quarantine before it is reused).
double live_heap_bytes() {
#if ZORBY_BOT_ASAN
    return static_cast<double>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
#endif
}

// What the run went through.
struct Coverage {
    uint64_t frames = 0;
    int games = 0;         // game overs
    int name_entries = 0;  // game overs that opened the name entry
    int fullscreen_toggles = 0;
    int stage_setups[4] = {0, 0, 0, 0};
    std::set<int> menu_pages;
    bool keyboard_cursor_game = false;
    bool mouse_game = false;
};

// Frames between the bot's switches of full screen (three minutes of game time).
constexpr uint64_t kFramesBetweenToggles = 3 * 60 * 60;

// One bot run of up to game_minutes of game time (or real_seconds of real time).
void bot_run(uint32_t seed, double game_minutes, double real_seconds, Coverage& seen) {
    GameRun run;  // no "hc.txt": the table starts at its defaults
    const bool keyboard = seed % 2 == 0;
    run.answer_intro(keyboard ? GameRun::kKeyboardCursor : GameRun::kMouse);
    BotPlayer bot(run.engine().platform(), seed);

    const auto real_start = std::chrono::steady_clock::now();
    const double clock_start = run.now();
    double memory_early = 0, memory_peak = 0;
    bool closing = false;
    game::StageSet last_ready;

    const int status = run.run(UINT64_MAX, [&](uint64_t frame) {
        GameState& g = run.state();
        ++seen.frames;
        // Sane values at the end of every frame.
        ASSERT_LE(g.energy, 300) << "frame " << frame;
        ASSERT_TRUE(g.energy >= 1 || g.game_state != game::Screen::playing) << "frame " << frame;
        ASSERT_LE(array_size(g.stars, 0), 4000) << "stars pile up";
        // A stage's opening card is presented after the energy check, so a game lost
        // at a stage change shows that card once in the game-over state.
        ASSERT_TRUE(g.game_state == game::Screen::playing || g.game_state == game::Screen::menu ||
                    g.game_state == game::Screen::game_over)
            << static_cast<int>(g.game_state);

        int s = 0;
        for (game::Stage stage : {game::Stage::time_attack, game::Stage::lost_and_found,
                                  game::Stage::labyrinth, game::Stage::masked_smileys}) {
            if (g.ready.contains(stage) && !last_ready.contains(stage)) ++seen.stage_setups[s];
            ++s;
        }
        last_ready = g.ready;
        if (g.game_state == game::Screen::menu)
            seen.menu_pages.insert(static_cast<int>(g.menu_page));
        // Every game over plays the buzz of the game-over card once.
        const int game_overs = run.count_sound(5);
        if (game_overs > 0) {
            seen.games += game_overs;
            if (g.menu_page == game::MenuPage::name_entry) ++seen.name_entries;
        }
        run.clear_audio();
        if (g.input_device == game::InputDevice::keyboard_cursor) seen.keyboard_cursor_game = true;
        if (g.input_device == game::InputDevice::mouse) seen.mouse_game = true;

        // Memory after the warm-up (every asset and page used once) against later.
        if (frame == 3000) memory_early = live_heap_bytes();
        if (frame > 3000 && frame % 1000 == 0)
            memory_peak = std::max(memory_peak, live_heap_bytes());

        const double game_ms = run.now() - clock_start;
        const double real_s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - real_start).count();
        if (!closing && (game_ms >= game_minutes * 60000 || real_s >= real_seconds)) {
            closing = true;  // the player closes the window
            run.engine().platform().apply({Kind::Close});
            return;
        }
        // Now and then the player switches between the window and full screen, as
        // Alt+Enter does: the window's size and the copy into it change mid-game.
        if (!closing && frame > 0 && frame % kFramesBetweenToggles == 0) {
            auto& platform = run.engine().platform();
            EXPECT_TRUE(platform.set_fullscreen(!platform.fullscreen())) << "frame " << frame;
            ++seen.fullscreen_toggles;
        }
        if (!closing) bot.step(g);
    });
    EXPECT_EQ(status, 0) << "the run must end by closing the window, not by an error";
    EXPECT_EQ(run.engine().engine().error.error_number, 0) << run.engine().engine().error_detail;
    if (memory_early > 0 && memory_peak > 0) {
        EXPECT_LT(memory_peak - memory_early, 8.0 * 1024 * 1024) << "the heap grows";
    }
    std::printf(
        "bot seed %u: %.1f game minutes in %.1f s, heap %.1f -> at most %.1f MB\n", seed,
        (run.now() - clock_start) / 60000,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - real_start).count(),
        memory_early / 1048576, memory_peak / 1048576);
}

TEST(Bot, PlaysGameAfterGameThroughEveryStageMenuAndNameEntry) {
    const double game_minutes = env_number("ZORBY_BOT_GAME_MINUTES", 40);
    const double real_seconds = env_number("ZORBY_BOT_REAL_SECONDS", 400);
    Coverage seen;
    // One mouse player and one keyboard-cursor player, each for half the time.
    bot_run(2, game_minutes / 2, real_seconds / 2, seen);
    bot_run(3, game_minutes / 2, real_seconds / 2, seen);

    std::printf(
        "bot: %llu frames, %d games, %d name entries, %d full-screen toggles, set-ups "
        "%d/%d/%d/%d, %zu pages\n",
        static_cast<unsigned long long>(seen.frames), seen.games, seen.name_entries,
        seen.fullscreen_toggles, seen.stage_setups[0], seen.stage_setups[1], seen.stage_setups[2],
        seen.stage_setups[3], seen.menu_pages.size());
    EXPECT_TRUE(seen.keyboard_cursor_game);
    EXPECT_TRUE(seen.mouse_game);
    for (int s = 0; s < 4; ++s) EXPECT_GE(seen.stage_setups[s], 2) << "stage " << s;
    EXPECT_GE(seen.games, 2);
    EXPECT_GE(seen.name_entries, 1);
    EXPECT_GE(seen.fullscreen_toggles, 2);
    EXPECT_GE(seen.menu_pages.size(), 5u);
}

}  // namespace
}  // namespace zorby::testing
