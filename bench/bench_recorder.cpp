// bench_recorder [ROUNDS]: what the always-on recorder costs. The golden mouse game
// (tests/golden/mouse_game.script) is replayed on the virtual clock with off-screen
// rendering, once as it is and once with the recorder the program keeps games with
// wrapped around the replay (writing into an in-memory recording buffer, as a played
// game does), alternating, ROUNDS times each (default 5). Prints the process CPU of
// each run, the best of each side, the difference per frame, and the median of the
// rounds' ratios (goal: the recorder adds at most 2%).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/numbers.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "platform/replay/deterministic.h"
#include "platform/replay/input_recording_buffer.h"
#include "platform/replay/input_script.h"
#include "platform/replay/recording_platform.h"
#include "platform/replay/replay_platform.h"
#include "runtime/engine.h"
#include "support/engine_fixture.h"

namespace fs = std::filesystem;
using namespace zorby;

namespace {

struct Run {
    double cpu_ms = 0;
    uint64_t frames = 0;
    size_t recorded_bytes = 0;
};

Run replay_once(const platform::InputScript& script, const std::string& dir, bool recording) {
    Run run;
    fs::copy_file(std::string(ZORBY_ASSET_DIR) + "/hc.txt", dir + "/hc.txt",
                  fs::copy_options::overwrite_existing);
    const std::string old_cwd = fs::current_path().string();
    platform::InputRecordingBuffer buffer;
    std::ostream out(&buffer);
    {
        Engine e;
        set_current_engine(&e);
        game::reset_game_state();
        e.settings.data_dir = dir;
        e.exit_hook = [](int status) { throw ProgramEnded{status}; };
        platform::DeterministicOptions options;
        options.open_real_window = true;
        auto replay = std::make_unique<platform::ReplayPlatform>(
            platform::make_deterministic_platform(options), script);
        platform::ReplayPlatform& rp = *replay;
        rp.on_end = [] { end_program(); };
        std::unique_ptr<platform::Platform> platform = std::move(replay);
        if (recording) {
            platform::RecordingOptions ro;
            ro.realtime = false;
            auto rec = std::make_unique<platform::RecordingPlatform>(std::move(platform), out, ro);
            rec->record_seed(*script.seed);
            platform = std::move(rec);
        }
        const std::clock_t c0 = std::clock();
        try {
            if (!engine_start(std::move(platform), 1, "zorby")) throw ProgramEnded{1};
            fs::current_path(dir);
            seed_random(*script.seed);
            game::game_main();
            end_program();
        } catch (const ProgramEnded&) {
        }
        run.cpu_ms = 1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        run.frames = rp.frames();
        set_current_engine(nullptr);
    }
    run.recorded_bytes = buffer.size();
    fs::current_path(old_cwd);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    platform::InputScript script;
    std::string error;
    const std::string path = std::string(ZORBY_SOURCE_DIR) + "/tests/golden/mouse_game.script";
    if (!platform::load_input_script(path, script, error)) {
        std::fprintf(stderr, "bench_recorder: %s\n", error.c_str());
        return 1;
    }
    zorby::testing::TempDir dir;
    zorby::testing::fill_game_dir(dir);
    fs::remove(dir.file("hc.txt"));
    double best_plain = 1e300, best_recorded = 1e300;
    std::vector<double> ratios;
    uint64_t frames = 0;
    size_t bytes = 0;
    for (int i = 0; i < rounds; ++i) {
        // Which side runs first alternates, so neither gains from going second.
        Run plain, recorded;
        if (i % 2 == 0) {
            plain = replay_once(script, dir.path(), false);
            recorded = replay_once(script, dir.path(), true);
        } else {
            recorded = replay_once(script, dir.path(), true);
            plain = replay_once(script, dir.path(), false);
        }
        std::printf("round %d: plain %.1f ms, with the recorder %.1f ms (%llu frames)\n", i + 1,
                    plain.cpu_ms, recorded.cpu_ms, static_cast<unsigned long long>(plain.frames));
        ratios.push_back(recorded.cpu_ms / plain.cpu_ms);
        best_plain = std::min(best_plain, plain.cpu_ms);
        best_recorded = std::min(best_recorded, recorded.cpu_ms);
        frames = plain.frames;
        bytes = recorded.recorded_bytes;
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf(
        "best: plain %.1f ms, with the recorder %.1f ms (%+.2f us a frame, ratio %.4f); "
        "median of the rounds' ratios %.4f (goal at most 1.02); recording %zu bytes for "
        "%llu frames\n",
        best_plain, best_recorded, 1000.0 * (best_recorded - best_plain) / frames,
        best_recorded / best_plain, ratios[ratios.size() / 2], bytes,
        static_cast<unsigned long long>(frames));
    return 0;
}
