// Program entry: fills the start-up settings, starts the engine, runs the game and
// ends the program. `--record FILE` writes the run's input to FILE; `--replay FILE
// [--realtime]` runs the game on the virtual clock with the input of FILE.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/game_main.h"
#include "runtime/engine.h"
#include "runtime/replay.h"

namespace {

struct Options {
    std::string record_file;
    std::string replay_file;
    bool realtime = false;
};

// Takes the options the entry understands; everything stays in the command line.
bool parse_options(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--record") == 0 || std::strcmp(argv[i], "--replay") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zorby: %s needs a file name\n", argv[i]);
                return false;
            }
            const bool record = std::strcmp(argv[i], "--record") == 0;
            (record ? o.record_file : o.replay_file) = argv[i + 1];
            ++i;
        } else if (std::strcmp(argv[i], "--realtime") == 0) {
            o.realtime = true;
        }
    }
    if (!o.record_file.empty() && !o.replay_file.empty()) {
        std::fputs("zorby: --record and --replay cannot be used together\n", stderr);
        return false;
    }
    return true;
}

int run_replay_file(const Options& o) {
    using namespace zorby;
    platform::InputScript script;
    std::string error;
    if (!platform::load_input_script(o.replay_file, script, error)) {
        // Like a wrong option: the run never starts (no window has been opened).
        std::fprintf(stderr, "zorby: %s\n", error.c_str());
        return 2;
    }
    ReplayRunOptions run;
    run.platform.realtime = o.realtime;
    run.platform.show_window = true;
    run.platform.real_audio = true;
    // A replay faster than real time would only garble the sound: it is mixed
    // silently, so sounds still load and play exactly as in the recorded run.
    if (!o.realtime) setenv("SDL_AUDIODRIVER", "dummy", 1);
    run.replay.watch = true;
    const ReplayResult result = run_replay(script, run, [] { game::game_main(); });
    if (!result.started) {
        std::fputs("zorby: no window with an OpenGL context could be made\n", stderr);
        return 1;
    }
    return result.exit_status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zorby;
    Options options;
    if (!parse_options(argc, argv, options)) return 2;
    if (!options.replay_file.empty()) return run_replay_file(options);

    static Engine the_engine;
    set_current_engine(&the_engine);
    Engine& e = the_engine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) e.command_line += ' ';
        e.command_line += argv[i];
    }
    e.settings = ProjectSettings{};
    std::unique_ptr<platform::Platform> platform = platform::make_sdl_platform();
    uint32_t seed = 0;
    if (!options.record_file.empty()) {
        std::string error;
        auto recorder = start_recording(std::move(platform), options.record_file, seed, error);
        if (!recorder) {
            std::fprintf(stderr, "zorby: %s\n", error.c_str());
            return 1;
        }
        platform = std::move(recorder);
    }
    if (!engine_start(std::move(platform), 1, "zorby")) {
        std::fputs("zorby: no window with an OpenGL context could be made\n", stderr);
        return 1;
    }
    if (!options.record_file.empty()) apply_recorded_seed(seed);
    e.error = ErrorRecord{};
    game::game_main();
    end_program();
}
