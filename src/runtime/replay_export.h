// Exporting a replay as a video: the recording runs on the virtual clock as a replay
// does, every frame is read back before it is shown, enlarged by a whole factor with
// sharp pixels and encoded at 60 frames a second; the sound track is made by a mixer
// of our own that the game's sound commands reach instead of the sound device, mixed
// on the same virtual clock, so picture and sound keep in step (within half a frame).
// The file is written under a temporary name and renamed at the end; a stop request
// or a failure leaves nothing behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/replay/input_script.h"
#include "runtime/replay.h"

namespace zorby {

struct ExportOptions {
    std::string out_path;
    int scale = 2;  // 1 to 16
    // Asked between frames; true stops the export (Ctrl+C).
    std::function<bool()> stop_requested;
    // Called every few frames with the frames done and the recording's length.
    std::function<void(uint64_t done, uint64_t total)> progress;
};

struct ExportResult {
    // 0 written; 1 the game stopped on an error; 2 the file cannot be written (an
    // unknown extension, a missing encoder, a write failure); 130 stopped on request.
    int exit_status = 0;
    std::string error;   // the reason, one line (without "zorby: ")
    std::string codecs;  // "VP9 + Opus"
    uint64_t pictures = 0;
    uint64_t sound_frames = 0;
};

ExportResult export_replay(const platform::InputScript& script, ReplayRunOptions run,
                           const std::function<void()>& main_routine, const ExportOptions& options);

}  // namespace zorby
