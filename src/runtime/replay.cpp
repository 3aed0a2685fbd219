// Record and replay: the in-process replay driver and the start of a recording.
#include "runtime/replay.h"

#include <cmath>
#include <fstream>

#include "audio/sound.h"
#include "engine/numbers.h"
#include "platform/paths.h"

namespace zorby {

uint64_t fnv1a(const void* data, size_t size, uint64_t hash) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        hash ^= p[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

namespace {

// Ends the program with status 0 when the script is over.
void end_replay() {
    Engine& e = engine();
    e.error.error_number = 0.0;
    e.error_detail.clear();
    end_program();
}

}  // namespace

ReplayResult run_replay(const platform::InputScript& script, const ReplayRunOptions& options,
                        const std::function<void()>& main_routine) {
    ReplayResult result;
    Engine* previous = engine_if_any();
    {
        Engine e;
        set_current_engine(&e);
        e.settings = options.settings;
        e.exit_hook = [](int status) { throw ProgramEnded{status}; };
        auto replay = std::make_unique<platform::ReplayPlatform>(
            platform::make_deterministic_platform(options.platform), script, options.replay);
        platform::ReplayPlatform& rp = *replay;
        rp.on_end = end_replay;
        uint64_t sound_hash = fnv1a(nullptr, 0);
        bool start_failed = false;
        try {
            if (!engine_start(std::move(replay), 1, "zorby")) {
                start_failed = true;
                result.exit_status = 1;
            } else {
                if (script.seed) seed_random(*script.seed);
                if (e.sound) {
                    e.sound->on_play = [&sound_hash](double slot, double pan, double volume,
                                                     double channel) {
                        const double values[4] = {slot, pan, volume, channel};
                        sound_hash = fnv1a(values, sizeof values, sound_hash);
                    };
                }
                if (options.on_start) options.on_start(rp);
                main_routine();
                end_program();  // as the program entry does after the main routine
            }
        } catch (const ProgramEnded& ended) {
            // Also when the script ended during start-up: the engine was running.
            result.exit_status = ended.exit_status;
        }
        result.started = !start_failed;
        result.frames = rp.frames();
        result.frame_hashes = rp.frame_hashes();
        result.sound_hash = sound_hash;
        uint64_t combined = fnv1a(nullptr, 0);
        for (const auto& [frame, hash] : result.frame_hashes) {
            const uint64_t pair[2] = {frame, hash};
            combined = fnv1a(pair, sizeof pair, combined);
        }
        result.combined_hash = combined;
        if (e.sound) e.sound->on_play = nullptr;
    }
    set_current_engine(previous);
    return result;
}

std::unique_ptr<platform::RecordingPlatform> start_recording(
    std::unique_ptr<platform::Platform> inner, const std::string& path, uint32_t& seed,
    std::string& error, const std::string& header, const platform::RecordingOptions& options) {
    auto file = std::make_unique<std::ofstream>(platform::native_path(path),
                                                std::ios::out | std::ios::trunc);
    if (!*file) {
        error = "cannot write the recording " + path;
        return nullptr;
    }
    if (header.empty()) {
        *file << "# zorby input recording: FRAME[:READ] event, see the README\n";
    } else {
        *file << header;
    }
    seed = clock_seed(inner->clock().now_ms());
    auto recorder =
        std::make_unique<platform::RecordingPlatform>(std::move(inner), std::move(file), options);
    recorder->record_seed(seed);
    return recorder;
}

std::unique_ptr<platform::RecordingPlatform> start_recording(
    std::unique_ptr<platform::Platform> inner, std::ostream& out, uint32_t& seed,
    const platform::RecordingOptions& options) {
    seed = clock_seed(inner->clock().now_ms());
    auto recorder = std::make_unique<platform::RecordingPlatform>(std::move(inner), out, options);
    recorder->record_seed(seed);
    return recorder;
}

void apply_recorded_seed(uint32_t seed) {
    seed_random(seed);
}

}  // namespace zorby
