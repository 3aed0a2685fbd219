// Keeps the player's settings file in step with the game: reads it at start (one
// warning line on stderr when it is damaged, then the defaults) and writes it when
// the sound switch, the music volume or full screen (toggled by the player) has
// changed and settled.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "app/settings_file.h"

namespace zorby::app {

class SettingsKeeper {
public:
    // How long a changed value must stay before it is written (Page Up held moves
    // the volume one step per frame; one write covers the whole move). Looked at on
    // every frame and every step of a wait, so a change is on disk within half a
    // second wherever the player makes it.
    static constexpr double kSettleMs = 400.0;

    // Reads path (empty: no settings file; nothing is read or written).
    explicit SettingsKeeper(std::string path);

    // The settings as stored in the file (defaults when missing or damaged).
    const PlayerSettings& stored() const { return stored_; }
    const std::string& path() const { return path_; }

    // The window's state when the run starts (the command line may differ from the
    // file); only a later toggle of full screen counts as the player's change.
    void start_window(bool fullscreen) { seen_fullscreen_ = fullscreen; }
    // Called often (every frame and every step of a wait) with what the game and the
    // window use now, and the program's clock in milliseconds.
    void observe(bool sound, int music_volume, bool fullscreen, double now_ms);
    // Writes a change that has not settled yet (at the end of the program).
    void flush();

    // Tests only: the file toolkit's calls the writes go through (a copy of
    // system_file_ops() with calls replaced to make a save fail).
    void set_file_ops_for_tests(platform::FileOps ops) { ops_ = std::move(ops); }

private:
    void write(const PlayerSettings& wanted);

    std::string path_;
    platform::FileOps ops_ = platform::system_file_ops();
    PlayerSettings stored_;
    PlayerSettings pending_;
    bool has_pending_ = false;
    bool seen_fullscreen_ = false;
    double pending_since_ms_ = 0.0;
};

}  // namespace zorby::app
