// Memory over long play: the peak resident memory of a replayed game after its first
// minute against the peak at the end of a long replay (default one hour of game
// time), both on the virtual clock with off-screen rendering.
//
//   bench_memory [RECORDING] [--minutes N] [--keep PATH]
//
// RECORDING is an input script as "zorby --record FILE" writes it. Without one, a bot
// plays N minutes of game time (default 60) with the mouse in a child process (so
// the recording's own memory is not counted), and that run is recorded (--keep PATH
// keeps it). The replay then runs as fast as it can and reports the peak resident
// memory (VmHWM) and the resident memory (VmRSS) every ten minutes of game time.
// Goal: the final peak within 10% of the peak after the first minute.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/numbers.h"
#include "game/bot_player.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "platform/monotonic_clock.h"
#include "runtime/engine.h"
#include "runtime/replay.h"
#include "support/engine_fixture.h"

namespace {

namespace fs = std::filesystem;
using zorby::platform::monotonic_ms;

constexpr uint64_t kFramesPerMinute = 3600;  // 60 frames per second

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"), or -1.
long status_kb(const char* field) {
    std::ifstream in("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    }
    return -1;
}

// Plays frames frames with the bot and records the run's input to path.
bool record_bot_run(const std::string& path, const std::string& game_dir, uint64_t frames) {
    zorby::Engine e;
    zorby::set_current_engine(&e);
    e.exit_hook = [](int status) { throw zorby::ProgramEnded{status}; };
    auto inner = zorby::platform::make_deterministic_platform({});
    zorby::platform::DeterministicPlatform& input = *inner;
    auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!*file) return false;
    zorby::platform::RecordingOptions recording;
    recording.realtime = false;
    auto recorder = std::make_unique<zorby::platform::RecordingPlatform>(
        std::move(inner), std::move(file), recording);
    const uint32_t seed = 20240607;
    recorder->record_seed(seed);
    bool ok = true;
    try {
        if (!zorby::engine_start(std::move(recorder), 1, "zorby")) throw zorby::ProgramEnded{1};
        zorby::seed_random(seed);
        fs::current_path(game_dir);
        zorby::game::reset_game_state();
        zorby::testing::BotPlayer bot(input, 4321);
        uint64_t presented = 0;
        e.frame_hook = [&] {
            if (++presented == frames) {
                input.apply({zorby::platform::ScriptEvent::Kind::Close});
            } else if (presented < frames) {
                bot.step(zorby::game::game());
            }
        };
        zorby::game::game_main();
        zorby::end_program();
    } catch (const zorby::ProgramEnded& ended) {
        ok = ended.exit_status == 0;
    }
    zorby::set_current_engine(nullptr);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::string recording, keep;
    uint64_t minutes = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--minutes") == 0 && i + 1 < argc) {
            minutes = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
            keep = argv[++i];
        } else {
            recording = argv[i];
        }
    }
    if (minutes < 2) minutes = 2;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    zorby::testing::TempDir dir;
    zorby::testing::fill_game_dir(dir);
    const fs::path start_dir = fs::current_path();
    if (recording.empty()) {
        recording = keep.empty() ? dir.file("bot.rec") : keep;
        std::printf("recording a bot run of %llu minutes of game time...\n",
                    static_cast<unsigned long long>(minutes));
        std::fflush(stdout);
        const double t0 = monotonic_ms();
        const pid_t child = fork();
        if (child == 0) {
            _exit(record_bot_run(recording, dir.path(), minutes * kFramesPerMinute) ? 0 : 1);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "bench_memory: the bot run failed\n");
            return 1;
        }
        std::printf("recorded in %.1f s\n", (monotonic_ms() - t0) / 1000.0);
    }

    zorby::platform::InputScript script;
    std::string error;
    if (!zorby::platform::load_input_script(recording, script, error)) {
        std::fprintf(stderr, "bench_memory: %s\n", error.c_str());
        return 1;
    }
    std::printf("%8s %12s %12s %6s\n", "minute", "VmRSS kB", "VmHWM kB", "games");
    long first_minute_peak = -1;
    uint64_t frames = 0;
    zorby::ReplayRunOptions options;
    options.on_start = [&](zorby::platform::ReplayPlatform&) { fs::current_path(dir.path()); };
    const double t0 = monotonic_ms();
    int games = 0;
    bool was_playing = false;
    const zorby::ReplayResult result = zorby::run_replay(script, options, [&] {
        zorby::game::reset_game_state();
        zorby::engine().frame_hook = [&] {
            const bool playing = zorby::game::game().game_state == zorby::game::Screen::playing;
            if (playing && !was_playing) ++games;
            was_playing = playing;
            if (++frames % kFramesPerMinute != 0) return;
            const uint64_t minute = frames / kFramesPerMinute;
            if (minute == 1) first_minute_peak = status_kb("VmHWM");
            if (minute == 1 || minute % 10 == 0) {
                std::printf("%8llu %12ld %12ld %6d\n", static_cast<unsigned long long>(minute),
                            status_kb("VmRSS"), status_kb("VmHWM"), games);
                std::fflush(stdout);
            }
        };
        zorby::game::game_main();
    });
    fs::current_path(start_dir);
    const long final_peak = status_kb("VmHWM");
    std::printf(
        "replayed %llu frames (%.1f minutes of game time, %d games) in %.1f s, exit "
        "status %d\n",
        static_cast<unsigned long long>(result.frames),
        static_cast<double>(frames) / kFramesPerMinute, games, (monotonic_ms() - t0) / 1000.0,
        result.exit_status);
    if (first_minute_peak <= 0) {
        std::fprintf(stderr, "bench_memory: the replay ended within its first minute\n");
        return 1;
    }
    const double growth = 100.0 * (final_peak - first_minute_peak) / first_minute_peak;
    std::printf("peak after the first minute %ld kB, at the end %ld kB: %+.1f%% (%s)\n",
                first_minute_peak, final_peak, growth,
                growth <= 10.0 ? "goal met: within 10%" : "over the goal");
    return result.exit_status == 0 ? 0 : 1;
}
