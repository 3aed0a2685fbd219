// The kit's run options as the engine's start-up settings (shared by run and the
// test kit; not part of the public commands).
#pragma once

#include <functional>
#include <string>

#include "runtime/engine.h"
#include "zorby/runtime.h"

namespace zorby {

ProjectSettings project_settings_for(const RunOptions& options);
// Why the options cannot start an engine (options out of range, a data folder that
// does not exist); "" when they can.
std::string run_options_problem(const RunOptions& options);

// The reason last_load_error() gives: set by a load that failed, cleared by one that
// succeeded.
void set_load_error(const std::string& reason);
// Looks a media file up as the loading commands do (the music archive when music is
// set); when it is not found, sets the load error for command and returns false.
bool find_for_load(const char* command, const std::string& file, bool music, std::string& path);

// Told of every play_sound (slot, pan, volume, the channel it returned) and play_music
// (file) the kit's commands make, while set (the test kit's replays list them).
struct AudioRequestHooks {
    std::function<void(int slot, double pan, double volume, int channel)> sound;
    std::function<void(const std::string& file)> music;
};
AudioRequestHooks& audio_request_hooks();

}  // namespace zorby
