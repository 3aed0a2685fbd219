// The engine kit's run: the engine on the real window (SDL), recorded when asked,
// for a game's main routine, ended by end_program, the quit keys or a run-time
// error, then cleaned up; and the public forms of the frame, pause and error commands.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>

#include "engine/numbers.h"
#include "kit/kit_options.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/replay/recording_platform.h"
#include "runtime/engine.h"
#include "runtime/frame.h"
#include "runtime/replay.h"
#include "zorby/runtime.h"
#include "zorby/version.h"

namespace zorby {

static_assert(kMaxWaitMs == kLongestWaitMs, "the header's limit is the engine's");

ProjectSettings project_settings_for(const RunOptions& options) {
    ProjectSettings s;
    s.width = options.width;
    s.height = options.height;
    s.window_scale = options.window_scale;
    s.full_screen = options.full_screen ? 1 : 0;
    s.frame_rate = options.frame_rate;
    s.pointer_hidden = options.pointer_hidden ? 1 : 0;
    s.data_dir = options.data_dir;
    s.quiet_console = options.console_messages ? 0 : 1;
    s.explain_loads = 1;
    return s;
}

std::string run_options_problem(const RunOptions& options) {
    if (options.width < 16 || options.width > 4096 || options.height < 16 ||
        options.height > 4096) {
        return "the frame must be 16 to 4096 pixels wide and high";
    }
    if (options.frame_rate < 1 || options.frame_rate > 1000) {
        return "the frame rate must be 1 to 1000";
    }
    if (options.window_scale < 0 || options.window_scale > 16) {
        return "the window scale must be 0 to 16";
    }
    std::error_code ec;
    if (!options.data_dir.empty() &&
        !std::filesystem::is_directory(platform::native_path(options.data_dir), ec)) {
        return "the data folder " + options.data_dir + " does not exist";
    }
    return {};
}

int run(const RunOptions& options, const std::function<void()>& main_routine) {
    if (engine_if_any() != nullptr) {
        std::fputs("zorby: run: an engine is already running in this process\n", stderr);
        return exit_error;
    }
    if (const std::string problem = run_options_problem(options); !problem.empty()) {
        std::fprintf(stderr, "zorby: run: %s\n", problem.c_str());
        return exit_error;
    }
    // The platform, and its recorder when asked for, before any engine exists: a
    // recording that cannot be written stops the run before anything started.
    std::unique_ptr<platform::Platform> p = platform::make_sdl_platform();
    uint32_t seed = 0;
    if (!options.record_file.empty()) {
        std::string error;
        // The recorder's clock runs at the game's frame rate, as the replay's will.
        platform::RecordingOptions recording;
        recording.frame_period_ms = 1000.0 / options.frame_rate;
        auto recorder = start_recording(std::move(p), options.record_file, seed, error,
                                        "# zorby engine kit recording\n", recording);
        if (!recorder) {
            std::fprintf(stderr, "zorby: run: %s\n", error.c_str());
            return exit_error;
        }
        p = std::move(recorder);
    }
    int status = exit_ok;
    {
        Engine e;
        set_current_engine(&e);
        e.settings = project_settings_for(options);
        // end_program (and the quit keys) unwind to here instead of ending the process.
        e.exit_hook = [](int s) { throw ProgramEnded{s}; };
        try {
            if (!engine_start(std::move(p), 1, options.title)) {
                std::fputs("zorby: no window with an OpenGL context could be made\n", stderr);
                status = exit_error;
            } else {
                // A recording starts from the seed it wrote.
                if (!options.record_file.empty()) apply_recorded_seed(seed);
                main_routine();
                end_program();
            }
        } catch (const ProgramEnded& ended) {
            status = ended.exit_status;
        }
        // The platform (and its window) goes while the engine is still current; the
        // engine's destructor then stops it being current.
        if (e.started && !e.cleaned_up) engine_cleanup();
        e.platform.reset();
    }
    return status;
}

const char* library_version() {
    return ZORBY_KIT_VERSION_STRING;
}

void present_frame() {
    present_frame(true);
}

void set_escape_ends_program(bool ends) {
    set_escape_ends_program(ends ? 1.0 : 0.0);
}

void set_auto_pause(bool pause) {
    set_auto_pause(pause ? 1.0 : 0.0);
}

int error_number() {
    const EngineCore* core = engine_core_if_any();
    return core == nullptr ? 0 : truncate_int32(core->error.error_number);
}

void clear_error() {
    EngineCore* core = engine_core_if_any();
    if (core == nullptr) return;
    core->error = ErrorRecord{};
    core->error_detail.clear();
}

}  // namespace zorby
