// The player's settings file, $XDG_CONFIG_HOME/zorby/settings: plain "key = value"
// lines, '#' starts a comment line. Known keys: scale, fullscreen, sound,
// music_volume. Keys this version does not know are kept and written back.
//
// A damaged file (binary data, a line without '=', a value out of range, too large,
// not a file, unreadable) gives the defaults; the caller warns once and leaves the
// file alone until a setting changes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/portable/file_io.h"

namespace zorby::app {

struct PlayerSettings {
    int scale = 0;            // 0: the largest whole factor that fits; 1..16
    bool fullscreen = false;  // start in full screen
    bool sound = true;        // sound effects and music
    int music_volume = 4;     // 0 (silent) .. 10 (full)
    // Lines with keys this version does not know, in file order (key, value).
    std::vector<std::pair<std::string, std::string>> unknown;

    bool operator==(const PlayerSettings&) const = default;
};

// Largest settings file read (a real one is a few hundred bytes).
inline constexpr size_t kMaxSettingsBytes = 64 * 1024;

enum class SettingsRead { Missing, Loaded, Damaged };

// Parses the text of a settings file. Damaged (why in error, out untouched) when
// the text is not a settings file.
bool parse_settings(const std::string& text, PlayerSettings& out, std::string& error);
// The file's text: every known key with a comment line above it, then the kept
// unknown keys (as many as fit within kMaxSettingsBytes).
std::string format_settings(const PlayerSettings& settings);

// Reads path into out (defaults when missing or damaged; why in error).
SettingsRead read_settings_file(const std::string& path, PlayerSettings& out, std::string& error);
// Creates the folder (0700) when missing and replaces the file safely (the old file
// stays whole when any step fails; ops: the file toolkit's calls).
bool write_settings_file(const std::string& path, const PlayerSettings& settings,
                         std::string& error,
                         const platform::FileOps& ops = platform::system_file_ops());

// The game's music volume step (0..11, Page Up / Page Down) for a stored volume,
// and back: steps 1..11 are the levels 0.0..1.0, step 0 is silent as step 1.
int volume_step_for(int music_volume);
int music_volume_for(double volume_step);

}  // namespace zorby::app
