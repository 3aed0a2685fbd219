// Record and replay: running the program on a recorded (or hand-written) input
// script on the deterministic platform, and starting a recording of a live run.
//
// A replay starts the engine on the virtual clock, seeds the random generator with
// the script's seed, runs the given main routine and ends when the script ends (exit
// status 0), or earlier when the program ends by itself. The same script always gives
// the same run: the same frames, the same sounds, the same score.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/replay/deterministic.h"
#include "platform/replay/input_script.h"
#include "platform/replay/recording_platform.h"
#include "platform/replay/replay_platform.h"
#include "runtime/engine.h"

namespace zorby {

struct ReplayRunOptions {
    platform::DeterministicOptions platform;
    platform::ReplayOptions replay;
    ProjectSettings settings;
    // Called once the engine has started and the seed is set, with the platform the
    // engine runs on (tests look at it; may be empty).
    std::function<void(platform::ReplayPlatform&)> on_start;
};

struct ReplayResult {
    bool started = false;
    // The status the program ended with (1 when the engine could not start).
    int exit_status = -1;
    uint64_t frames = 0;
    // (frame, hash) for every hashed frame, and one hash over all of them.
    std::vector<std::pair<uint64_t, uint64_t>> frame_hashes;
    uint64_t combined_hash = 0;
    // Every play_sound request in order as "slot pan volume -> channel" lines folded
    // into one hash (two runs that play the same sounds agree).
    uint64_t sound_hash = 0;
};

// Runs main_routine on a fresh engine of its own (the current engine, if any, is
// restored afterwards) with the script's input.
ReplayResult run_replay(const platform::InputScript& script, const ReplayRunOptions& options,
                        const std::function<void()>& main_routine);

// Wraps a live platform so the run is written to path as an input script, starting
// with a seed taken from the clock. Returns null (and says why in error) when the file
// cannot be written. After engine_start, call apply_recorded_seed.
// header: lines written before the seed (a recording's header; empty: a comment line);
// options: the recorder's (its clock's frame period must be the engine's).
std::unique_ptr<platform::RecordingPlatform> start_recording(
    std::unique_ptr<platform::Platform> inner, const std::string& path, uint32_t& seed,
    std::string& error, const std::string& header = {},
    const platform::RecordingOptions& options = {});
// The same into out, which must outlive the platform; options: the recorder's.
std::unique_ptr<platform::RecordingPlatform> start_recording(
    std::unique_ptr<platform::Platform> inner, std::ostream& out, uint32_t& seed,
    const platform::RecordingOptions& options = {});
// Seeds the engine's random generator with the recorded seed (after engine_start).
void apply_recorded_seed(uint32_t seed);

// 64-bit FNV-1a, used for frame and sound hashes.
uint64_t fnv1a(const void* data, size_t size, uint64_t hash = 14695981039346656037ull);

}  // namespace zorby
