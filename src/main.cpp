// Program entry: reads the command line and the player's settings, finds the game's
// files, starts the engine, runs the game and ends the program. Every game's input is
// recorded in memory and kept in the player's replays folder when the game ends (or
// the program stops on an error or a fatal signal); `--record FILE` writes the run's
// input to FILE instead; `--replay FILE [--realtime]` runs the game on the virtual
// clock with the input of FILE; `--replays` lists the kept recordings.
// `--scale N` (1 to 16) shows the frame N times enlarged; `--fullscreen` starts in
// desktop full screen.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/game_keeping.h"
#include "app/replay_library.h"
#include "app/settings_keeper.h"
#include "app/user_folders.h"
#include "game/data_digest.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "game/high_score_place.h"
#include "platform/console.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/portable/file_io.h"
#include "platform/process.h"
#include "runtime/engine.h"
#include "runtime/replay.h"
#include "runtime/replay_export.h"

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

// The replays folder of the player's data folder; empty without a data folder.
std::string replays_folder() {
    const std::string data = platform::system_files().user_data_folder();
    return data.empty() ? std::string() : data + "/replays";
}

// The high-score table's file as the game is about to read it (nullopt: none).
std::optional<std::string> starting_scores() {
    std::vector<uint8_t> bytes;
    if (!platform::read_whole_file(game::high_score_place().read_path(), 1 << 20, bytes)) {
        return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

app::RecordingStart recording_start(const std::string& data_dir, int sound_on, int volume_step,
                                    int full_screen) {
    app::RecordingStart start;
    start.full_screen = full_screen;
    start.game_version = app::program_version();
    start.data_digest = game::data_digest(data_dir);
    start.date = app::recording_date(std::time(nullptr));
    start.sound_on = sound_on;
    start.volume_step = volume_step;
    start.scores = starting_scores();
    return start;
}

int list_replays() {
    const std::string folder = replays_folder();
    if (folder.empty()) {
        std::fputs("zorby: no data folder (neither XDG_DATA_HOME nor HOME is set)\n", stderr);
        return 1;
    }
    std::fputs(app::format_kept_games(folder, app::list_kept_games(folder)).c_str(), stdout);
    return 0;
}

// `--replay FILE --export OUT`: the replay written as a video, with progress on a
// terminal; Ctrl+C stops it and leaves nothing behind.
int export_replay_file(const app::CommandLine& cl, const platform::InputScript& script,
                       const ReplayRunOptions& run) {
    ExportOptions options;
    // The game works in its data folder once started: a name relative to where the
    // command ran is made absolute first, or the finished file would be looked for
    // (and renamed) in the data folder.
    std::error_code ec;
    const std::filesystem::path out =
        std::filesystem::absolute(platform::native_path(cl.export_file), ec);
    options.out_path = ec ? cl.export_file : platform::utf8_path(out);
    options.scale = cl.scale.value_or(2);
    platform::watch_interrupt_requests();
    options.stop_requested = [] { return platform::interrupt_requested(); };
    const bool terminal = platform::stderr_is_terminal();
    if (terminal) {
        options.progress = [&cl](uint64_t done, uint64_t total) {
            const uint64_t shown = total > 0 ? std::min<uint64_t>(100, 100 * done / total) : 0;
            std::fprintf(stderr, "\rzorby: exporting %s: frame %llu of %llu (%llu%%)",
                         cl.export_file.c_str(), static_cast<unsigned long long>(done),
                         static_cast<unsigned long long>(total),
                         static_cast<unsigned long long>(shown));
            std::fflush(stderr);
        };
    }
    const ExportResult result = app::export_recording(
        script, run, [] { game::game_main(); }, options);
    if (terminal) std::fputs("\n", stderr);
    if (result.exit_status != 0) {
        std::fprintf(stderr, "zorby: %s\n", result.error.c_str());
        return result.exit_status;
    }
    if (terminal) {
        std::fprintf(stderr, "zorby: %s written (%s, %llu frames)\n", cl.export_file.c_str(),
                     result.codecs.c_str(), static_cast<unsigned long long>(result.pictures));
    }
    return 0;
}

int run_replay_file(const app::CommandLine& cl, const ProjectSettings& settings) {
    platform::InputScript script;
    std::string error;
    const bool loaded = platform::load_input_script(cl.replay_file, script, error);
    // Only a recording names the data it was made with: a plain input script reads
    // no data files before the game does.
    const std::string digest =
        app::recording_format(script) != 0 ? game::data_digest(settings.data_dir) : std::string();
    // A recording of a newer format says so rather than where its reading failed.
    if (const std::string refusal = app::replay_refusal(script, cl.replay_file, digest);
        !refusal.empty() && !cl.force && (loaded || app::recording_format(script) != 1)) {
        std::fprintf(stderr, "zorby: %s\n", refusal.c_str());
        return 2;
    }
    if (!loaded) {
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
    if (!cl.export_file.empty()) return export_replay_file(cl, script, run);
    // A recording with a header starts from what it recorded (app::replay_recording).
    const ReplayResult result = app::replay_recording(script, run, [] { game::game_main(); });
    if (!result.started) {
        std::fputs("zorby: no window with an OpenGL context could be made\n", stderr);
        return 1;
    }
    std::fputs(app::format_replay_result(result.frames, game::game().score).c_str(), stdout);
    std::fflush(stdout);
    return result.exit_status;
}

// The keeping of this run's games (null with --record, which writes its own file).
app::GameKeeping* keeping = nullptr;

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

    if (cl.list_replays) return list_replays();
    // A replay runs exactly as recorded: its header's starting values (or the game's
    // own defaults), nothing written.
    if (!cl.replay_file.empty()) return run_replay_file(cl, settings);

    static Engine the_engine;
    set_current_engine(&the_engine);
    Engine& e = the_engine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) e.command_line += ' ';
        e.command_line += argv[i];
    }
    e.settings = settings;

    // A recording made with --record starts from the game's defaults so that it
    // replays the same anywhere; the games kept on their own start from the player's
    // settings, and their header holds them for the replay.
    const game::GameState defaults;
    const int sound_on = cl.record_file.empty() ? (stored.sound ? 1 : 0) : defaults.sound_on;
    const int volume_step =
        cl.record_file.empty() ? app::volume_step_for(stored.music_volume) : defaults.volume_step;
    const std::string header = app::format_recording_header(
        recording_start(data.path, sound_on, volume_step, settings.full_screen));

    std::unique_ptr<platform::Platform> platform = platform::make_sdl_platform();
    platform::RecordingPlatform* recorder = nullptr;
    static std::ofstream record_file;
    uint32_t seed = 0;
    if (!cl.record_file.empty()) {
        record_file.open(platform::native_path(cl.record_file), std::ios::out | std::ios::trunc);
        if (!record_file) {
            std::fprintf(stderr, "zorby: cannot write the recording %s\n", cl.record_file.c_str());
            return 1;
        }
        record_file << header;
        auto r = start_recording(std::move(platform), record_file, seed);
        recorder = r.get();
        platform = std::move(r);
    } else {
        static app::GameKeeping kept(replays_folder());
        keeping = &kept;
        kept.arm_crash_guard();
        kept.stream() << header;
        auto r = start_recording(std::move(platform), kept.stream(), seed);
        recorder = r.get();
        platform = std::move(r);
    }
    if (!engine_start(std::move(platform), 1, "zorby")) {
        std::fputs("zorby: no window with an OpenGL context could be made\n", stderr);
        return 1;
    }
    apply_recorded_seed(seed);
    e.error = ErrorRecord{};

    game::GameState& g = game::game();
    g.sound_on = sound_on;
    g.volume_step = volume_step;
    settings_keeper = &keeper;
    keeper.start_window(current_fullscreen());
    std::atexit(flush_settings_at_exit);
    // Every frame and every step of a wait (the start-up question, pauses): a
    // full-screen toggle is kept wherever the player presses it.
    e.messages_hook = [&g, engine = &e] {
        settings_keeper->observe(g.sound_on == 1, app::music_volume_for(g.volume_step),
                                 current_fullscreen(), engine->platform->clock().now_ms());
    };
    e.frame_hook = [&g, recorder] {
        if (keeping == nullptr) return;
        keeping->frame(recorder->frames(), static_cast<int>(g.game_state),
                       static_cast<int>(g.menu_page), g.score);
    };
    e.exit_hook = [&g, recorder](int status) {
        if (keeping != nullptr) {
            keeping->at_exit(status);
            // The buffer goes before the engine's platform at exit: nothing more is
            // written to it.
            recorder->finish();
        } else {
            // --record: the file ends with the end line and the result.
            recorder->finish();
            record_file << app::format_recording_result(recorder->frames(), g.score,
                                                        status != 0 ? "stopped" : nullptr);
            record_file.flush();
        }
        std::exit(status);
    };
    game::game_main();
    end_program();
}
