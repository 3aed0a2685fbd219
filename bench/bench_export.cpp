// bench_export [EXT] [SCALE]: how fast a replay is exported as a video. The golden
// mouse game (tests/golden/mouse_game.script) is exported on the virtual clock to a
// temporary file (default .webm at 2x) and the wall-clock time is compared with the
// length of the video (goal for .webm at 2x: at least 3 times faster than real time).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "game/game_main.h"
#include "game/game_state.h"
#include "platform/replay/input_script.h"
#include "runtime/replay_export.h"
#include "support/engine_fixture.h"

namespace fs = std::filesystem;
using namespace zorby;

int main(int argc, char** argv) {
    const std::string ext = argc > 1 ? argv[1] : "webm";
    const int scale = argc > 2 ? std::atoi(argv[2]) : 2;
    platform::InputScript script;
    std::string error;
    const std::string path = std::string(ZORBY_SOURCE_DIR) + "/tests/golden/mouse_game.script";
    if (!platform::load_input_script(path, script, error)) {
        std::fprintf(stderr, "bench_export: %s\n", error.c_str());
        return 1;
    }
    zorby::testing::TempDir dir;
    zorby::testing::fill_game_dir(dir);
    const std::string old_cwd = fs::current_path().string();
    ExportOptions options;
    options.out_path = dir.file("game." + ext);
    options.scale = scale;
    const std::string game_dir = dir.path();
    const auto t0 = std::chrono::steady_clock::now();
    const ExportResult r =
        export_replay(script, ReplayRunOptions{},
                      options.out_path.empty() ? nullptr : std::function<void()>([game_dir] {
                          fs::current_path(game_dir);
                          game::reset_game_state();
                          game::game_main();
                      }),
                      options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    fs::current_path(old_cwd);
    if (r.exit_status != 0) {
        std::fprintf(stderr, "bench_export: %s\n", r.error.c_str());
        return 1;
    }
    const double video_seconds = r.pictures / 60.0;
    std::printf(
        "%s at %dx (%s): %llu pictures = %.1f s of video in %.1f s: %.2f times real "
        "time (goal for .webm at 2x: at least 3); file %.1f MB\n",
        ext.c_str(), scale, r.codecs.c_str(), static_cast<unsigned long long>(r.pictures),
        video_seconds, seconds, video_seconds / seconds, fs::file_size(options.out_path) / 1e6);
    return 0;
}
