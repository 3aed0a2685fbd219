// Program entry: reads the command line and the player's settings, finds the game's
// files, starts the engine, runs the game and ends the program. `--record FILE`
// writes the run's input to FILE; `--replay FILE [--realtime]` runs the game on the
// virtual clock with the input of FILE.
// `--scale N` (1 to 16) shows the frame N times enlarged; `--fullscreen` starts in
// desktop full screen.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/settings_keeper.h"
#include "app/user_folders.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "game/high_score_place.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "runtime/engine.h"
#include "runtime/replay.h"

#ifndef ZORBY_DATA_FROM_BIN
#define ZORBY_DATA_FROM_BIN "../share/zorby"
#endif

namespace {

using namespace zorby;

// The settings file stays in step until the process ends (end_program exits).
app::SettingsKeeper* settings_keeper = nullptr;

void flush_settings_at_exit() {
    if (settings_keeper != nullptr) settings_keeper->flush();
}

// The folder of the game's files, or an empty path after a message on stderr.
app::DataFolder locate_data(const app::CommandLine& cl) {
    if (!cl.data_dir.empty()) {
        std::error_code ec;
        const std::string dir = platform::utf8_path(
            std::filesystem::absolute(platform::native_path(cl.data_dir), ec).lexically_normal());
        if (ec || !app::holds_game_data(dir)) {
            std::fprintf(stderr, "zorby: %s does not hold the game's files (no %s)\n",
                         cl.data_dir.c_str(), app::kDataMarker);
            return {};
        }
        return {dir, true};
    }
    const std::string exe_dir = executable_directory();
    app::DataFolder found = app::find_data_folder(exe_dir, ZORBY_DATA_FROM_BIN);
    if (found.path.empty()) {
        std::fprintf(stderr,
                     "zorby: the game's files are neither beside the program nor in %s/%s; "
                     "name their folder with --data DIR\n",
                     exe_dir.c_str(), ZORBY_DATA_FROM_BIN);
    }
    return found;
}

int run_replay_file(const app::CommandLine& cl, const ProjectSettings& settings) {
    platform::InputScript script;
    std::string error;
    if (!platform::load_input_script(cl.replay_file, script, error)) {
        // Like a wrong option: the run never starts (no window has been opened).
        std::fprintf(stderr, "zorby: %s\n", error.c_str());
        return 2;
    }
    ReplayRunOptions run;
    run.settings = settings;
    run.platform.realtime = cl.realtime;
    run.platform.show_window = true;
    run.platform.window_scale = settings.window_scale;
    run.platform.real_audio = true;
    // A replay faster than real time would only garble the sound: it is mixed
    // silently, so sounds still load and play exactly as in the recorded run.
    if (!cl.realtime) platform::set_environment("SDL_AUDIODRIVER", "dummy");
    run.replay.watch = true;
    const ReplayResult result = run_replay(script, run, [] { game::game_main(); });
    if (!result.started) {
        std::fputs("zorby: no window with an OpenGL context could be made\n", stderr);
        return 1;
    }
    return result.exit_status;
}

}  // namespace

int main(int argc, char** raw_argv) {
    platform::attach_to_parent_console();
    const std::vector<std::string> arguments = platform::program_arguments(argc, raw_argv);
    std::vector<const char*> argv;
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    argc = static_cast<int>(argv.size());
    app::CommandLine cl;
    std::string error;
    if (!app::parse_command_line(argc, argv.data(), cl, error)) {
        std::fprintf(stderr, "zorby: %s\n", error.c_str());
        return 2;
    }
    if (cl.help) {
        std::fputs(app::usage_text().c_str(), stdout);
        return 0;
    }
    if (cl.version) {
        std::printf("zorby %s\n", app::program_version());
        return 0;
    }
    const app::DataFolder data = locate_data(cl);
    if (data.path.empty()) return 1;
    // The process ends with the game: its audio device need not be closed first.
    platform::leave_audio_device_at_exit();
    // The pictures decode while the window opens.
    game::preload_game_pictures(data.path);
    game::set_high_score_folders(data.path, data.portable,
                                 platform::system_files().user_data_folder());
    const std::string config_dir = platform::system_files().user_config_folder();
    static app::SettingsKeeper keeper(config_dir.empty() ? "" : config_dir + "/settings");
    const app::PlayerSettings& stored = keeper.stored();

    // The command line wins over the file for this run.
    ProjectSettings settings;
    settings.data_dir = data.path;
    settings.window_scale = cl.scale.value_or(stored.scale);
    settings.full_screen = cl.fullscreen || stored.fullscreen ? 1 : 0;

    // A replay runs exactly as recorded: the game's own defaults, nothing written.
    if (!cl.replay_file.empty()) return run_replay_file(cl, settings);

    static Engine the_engine;
    set_current_engine(&the_engine);
    Engine& e = the_engine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) e.command_line += ' ';
        e.command_line += argv[i];
    }
    e.settings = settings;
    std::unique_ptr<platform::Platform> platform = platform::make_sdl_platform();
    uint32_t seed = 0;
    if (!cl.record_file.empty()) {
        auto recorder = start_recording(std::move(platform), cl.record_file, seed, error);
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
    if (!cl.record_file.empty()) apply_recorded_seed(seed);
    e.error = ErrorRecord{};

    // A recording starts from the game's defaults so that its replay matches it
    // anywhere; changes made while recording are still kept.
    game::GameState& g = game::game();
    if (cl.record_file.empty()) {
        g.sound_on = stored.sound ? 1 : 0;
        g.volume_step = app::volume_step_for(stored.music_volume);
    }
    settings_keeper = &keeper;
    keeper.start_window(current_fullscreen());
    std::atexit(flush_settings_at_exit);
    // Every frame and every step of a wait (the start-up question, pauses): a
    // full-screen toggle is kept wherever the player presses it.
    e.messages_hook = [&g, &e] {
        settings_keeper->observe(g.sound_on == 1, app::music_volume_for(g.volume_step),
                                 current_fullscreen(), e.platform->clock().now_ms());
    };
    game::game_main();
    end_program();
}
