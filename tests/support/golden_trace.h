// The golden replays' trace: a recording replayed on the deterministic platform in a
// folder of the game's files, written as one line per frame the game presents
// (screen state, menu page, energy, score, countdown, the running stage, the sounds
// asked for since the previous line, and every 60th frame a hash of the frame as read
// back before it is shown), then the frame count, the exit status and the high-score
// file the run leaves behind. The golden tests (tests/golden) compare it with the
// committed traces; tests/golden/golden_trace.cpp prints it, so that another system
// (a web browser) can be compared with the same text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/gl/frame_pixels.h"
#include "platform/replay/input_script.h"

namespace zorby::testing {

struct GoldenTraceOptions {
    // Decode the pictures ahead on a worker thread, as the program entry does.
    bool preload = false;
    bool full_screen = false;
    // Called with every hashed frame's number and pixels (may be empty).
    std::function<void(uint64_t, const platform::FramePixels&)> on_hashed_frame;
};

// Every this many frames the trace holds a frame hash.
constexpr uint64_t kGoldenHashEvery = 60;

// Replays the script with game_dir (a fresh copy of the game's files, which the run may
// change) as the current folder, and returns its trace.
std::string golden_trace(const platform::InputScript& script, const std::string& game_dir,
                         const GoldenTraceOptions& options = {});

}  // namespace zorby::testing
