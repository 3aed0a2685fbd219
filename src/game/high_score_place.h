// Where the high-score table "hc.txt" lives. A folder of the game's files that is
// writable and holds its own "hc.txt" (a build folder, an unpacked folder) keeps the
// table there. Otherwise (an install, a read-only folder) the table is the player's
// own, in their data folder ($XDG_DATA_HOME/zorby); until the first save the game's
// "hc.txt" stands in for it.
#pragma once

#include <string>

namespace zorby::game {

struct HighScorePlace {
    std::string table;             // read from and saved to (absolute)
    std::string default_table;     // read while table does not exist (may be empty)
    std::string folder_to_create;  // made (mode 0700) before the first save; may be empty

    // The file load_high_scores reads: table when anything exists under that name,
    // else default_table when set, else table (missing: the initial table stands).
    std::string read_path() const;
};

// Set by the program entry. data_dir: the folder of the game's files; portable: it is
// not an install tree (beside the program or named by --data); user_dir: the
// player's data folder (empty when there is no home folder). Without a call (tests),
// the table is "hc.txt" in the current directory.
void set_high_score_folders(const std::string& data_dir, bool portable,
                            const std::string& user_dir);

// Where the table is now (decided on every call, so a folder made read-only while
// the game runs is noticed at the save).
HighScorePlace high_score_place();

}  // namespace zorby::game
