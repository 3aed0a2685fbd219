// Where the game finds its own files and where a player's files live: the data
// folder (beside the program, in the install tree next to it, or named on the
// command line). The per-user folders are the platform's (platform/files.h).
#pragma once

#include <string>

namespace zorby::app {

// The file whose presence marks a folder as holding the game's files (the start-up
// font, the first file the engine loads).
inline constexpr const char* kDataMarker = "smalfont.bmp";

// A file beside the program that marks an installed copy (the Windows installer
// writes it): the game's files are beside the program, yet the players' scores and
// settings belong in their own folders, as the install folder is shared (and under
// Program Files not theirs to write).
inline constexpr const char* kInstalledMarker = "zorby-installed.txt";

struct DataFolder {
    std::string path;       // absolute; empty when none was found
    bool portable = false;  // beside the program or named by --data (not an install)
};

// The game's files: exe_dir itself when it holds them (a build folder, an unpacked
// folder; portable unless the installed marker is there), else
// exe_dir/install_relative (the install tree, "../share/zorby" for the usual layout).
// Empty path when neither holds them.
DataFolder find_data_folder(const std::string& exe_dir, const std::string& install_relative);

// True when folder holds the game's files.
bool holds_game_data(const std::string& folder);

}  // namespace zorby::app
