// Stage cost: the game's CPU time per frame in each stage (and in the menu), replayed
// from an input recording on the virtual clock with off-screen rendering, drawing
// included (the process CPU time counts the software renderer's threads too).
//
//   bench_stages [RECORDING] [--frames N] [--keep PATH]
//
// RECORDING is an input script as "zorby --record FILE" writes it. Without one, a bot
// plays N frames (default 30000, about 8 minutes of play) with the mouse, and that
// run is recorded first (--keep PATH keeps the recording). The replay then runs as
// fast as it can; per stage it reports the frames, the CPU time per frame (median,
// mean, 99th percentile) and the frames per second the replay sustained. Frames that
// end in a pause (title cards, stage ends) carry the pause's polling, so the mean
// and the 99th percentile sit above the median. Goal: under 1 ms CPU per frame.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/numbers.h"
#include "game/bot_player.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "platform/monotonic_clock.h"
#include "runtime/engine.h"
#include "runtime/replay.h"
#include "support/engine_fixture.h"

namespace {

using zorby::platform::monotonic_ms;
using zorby::platform::process_cpu_ms;

namespace fs = std::filesystem;
using zorby::game::GameState;

// The game's files in a private directory (the name entry may write "hc.txt").
void fill_game_dir(const zorby::testing::TempDir& dir) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR, ec)) {
        const std::string name = entry.path().filename().string();
        if (name == "hc.txt") {
            fs::copy_file(entry.path(), dir.file(name), ec);
        } else {
            fs::create_symlink(entry.path(), dir.file(name), ec);
        }
    }
}

// Plays frames frames with the bot and records the run's input to path.
bool record_bot_run(const std::string& path, const std::string& game_dir, uint64_t frames) {
    zorby::Engine e;
    zorby::set_current_engine(&e);
    e.exit_hook = [](int status) { throw zorby::ProgramEnded{status}; };
    auto inner = zorby::platform::make_deterministic_platform({});
    zorby::platform::DeterministicPlatform& input = *inner;
    auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!*file) {
        std::fprintf(stderr, "bench_stages: cannot write %s\n", path.c_str());
        zorby::set_current_engine(nullptr);
        return false;
    }
    // Not paced to real time: the bot plays as fast as the machine allows.
    zorby::platform::RecordingOptions recording;
    recording.realtime = false;
    auto recorder = std::make_unique<zorby::platform::RecordingPlatform>(
        std::move(inner), std::move(file), recording);
    const uint32_t seed = 20240601;
    recorder->record_seed(seed);
    bool ok = true;
    try {
        if (!zorby::engine_start(std::move(recorder), 1, "zorby")) throw zorby::ProgramEnded{1};
        zorby::seed_random(seed);
        fs::current_path(game_dir);
        zorby::game::reset_game_state();
        zorby::testing::BotPlayer bot(input, 1234);
        uint64_t presented = 0;
        e.frame_hook = [&] {
            if (++presented == frames) {
                input.apply({zorby::platform::ScriptedInput::Action::Kind::Close});
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

// Where a frame's time goes: the stage that runs, or the menu and game-over screens.
const char* bucket_of(const GameState& g) {
    if (g.game_state != zorby::game::kStatePlaying) return "menu";
    if (g.attack_active == 1) return "time attack";
    if (g.lost_active == 1) return "lost and found";
    if (g.maze_active == 1) return "labyrinth";
    if (g.masq_active == 1) return "masked smileys";
    return "menu";
}

struct Samples {
    std::vector<double> cpu;
    double wall = 0;
};

void report(const char* name, Samples& s) {
    if (s.cpu.empty()) return;
    std::vector<double>& c = s.cpu;
    std::sort(c.begin(), c.end());
    double sum = 0;
    for (double v : c) sum += v;
    const double mean = sum / static_cast<double>(c.size());
    const double median = c[c.size() / 2];
    const double p99 = c[std::min(c.size() - 1, c.size() * 99 / 100)];
    const double fps = s.wall > 0 ? 1000.0 * static_cast<double>(c.size()) / s.wall : 0;
    std::printf("%-15s %8zu %10.3f %10.3f %10.3f %10.0f   %s\n", name, c.size(), median, mean, p99,
                fps, median < 1.0 ? "goal met" : "over the goal");
}

}  // namespace

int main(int argc, char** argv) {
    std::string recording;
    std::string keep;
    uint64_t frames = 30000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            frames = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
            keep = argv[++i];
        } else {
            recording = argv[i];
        }
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    zorby::testing::TempDir dir;
    fill_game_dir(dir);
    const fs::path start_dir = fs::current_path();
    if (recording.empty()) {
        recording = keep.empty() ? dir.file("bot.rec") : keep;
        std::printf("recording a bot run of %llu frames...\n",
                    static_cast<unsigned long long>(frames));
        if (!record_bot_run(recording, dir.path(), frames)) {
            std::fprintf(stderr, "bench_stages: the bot run failed\n");
            return 1;
        }
        fs::current_path(start_dir);
    }

    zorby::platform::InputScript script;
    std::string error;
    if (!zorby::platform::load_input_script(recording, script, error)) {
        std::fprintf(stderr, "bench_stages: %s\n", error.c_str());
        return 1;
    }

    std::map<std::string, Samples> buckets;
    std::string current = "menu";
    double last_cpu = 0, last_wall = 0;
    zorby::ReplayRunOptions options;
    options.on_start = [&](zorby::platform::ReplayPlatform&) { fs::current_path(dir.path()); };
    const double wall_start = monotonic_ms();
    const zorby::ReplayResult result = zorby::run_replay(script, options, [&] {
        zorby::game::reset_game_state();
        last_cpu = process_cpu_ms();
        last_wall = monotonic_ms();
        zorby::engine().frame_hook = [&] {
            const double c = process_cpu_ms(), w = monotonic_ms();
            Samples& s = buckets[current];
            s.cpu.push_back(c - last_cpu);
            s.wall += w - last_wall;
            last_cpu = c;
            last_wall = w;
            current = bucket_of(zorby::game::game());
        };
        zorby::game::game_main();
    });
    const double wall_total = monotonic_ms() - wall_start;
    fs::current_path(start_dir);

    std::printf("replayed %llu frames in %.1f s (%.0f frames per second, exit status %d)\n",
                static_cast<unsigned long long>(result.frames), wall_total / 1000.0,
                1000.0 * static_cast<double>(result.frames) / wall_total, result.exit_status);
    std::printf("%-15s %8s %10s %10s %10s %10s\n", "stage", "frames", "cpu median", "cpu mean",
                "cpu p99", "fps");
    for (const char* name :
         {"time attack", "lost and found", "labyrinth", "masked smileys", "menu"}) {
        report(name, buckets[name]);
    }
    std::printf("(cpu in ms per frame, drawing included)\n");
    return result.exit_status == 0 ? 0 : 1;
}
