// The player's recordings: the header every recording the game writes starts with,
// the check before one is replayed, and the kept games in the replays folder
// ($XDG_DATA_HOME/zorby/replays): their names, the keep rule and the listing.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "platform/portable/file_io.h"
#include "platform/replay/input_script.h"

namespace zorby::app {

// The recording format this program writes and the newest it reads.
inline constexpr int kRecordingFormat = 1;
// Kept besides every game whose score entered the high-score table.
inline constexpr size_t kKeptGames = 20;
// The ending of a kept recording's file name.
inline constexpr const char* kReplayEnding = ".replay";

// What a recording starts from, beside the seed: the program and its data, and the
// starting values that change what the game computes (the sound switch and the music
// volume step, which the game reads, and the high-score table, which decides the
// name entry and is drawn on the menu).
struct RecordingStart {
    std::string game_version;
    std::string data_digest;
    std::string date;  // "2026-12-08 21:40:12", local time
    int sound_on = 1;
    int volume_step = 5;
    // 1 when the game started in full screen (its frames are paced at that rate).
    int full_screen = 0;
    // The table's file as it was at the start; nullopt: there was none.
    std::optional<std::string> scores;
};

// The header lines ("recording KEY VALUE"), each ending with a newline.
std::string format_recording_header(const RecordingStart& start);
// Reads the header back. False when the script has none (hand-written, older).
bool read_recording_start(const platform::InputScript& script, RecordingStart& out);
// The format number of a header (0 without one, -1 when it is not a number).
int recording_format(const platform::InputScript& script);
// The last line of a finished recording: the frames played and the final score; how
// ("stopped") follows when the program stopped on an error.
std::string format_recording_result(uint64_t frames, int score, const char* how = nullptr);
// The same words after a replay ("replay result frames N score S"), which `--replay`
// prints when it ends: a recording's result can be checked on any system.
std::string format_replay_result(uint64_t frames, int score);

// Empty when the recording may be replayed on this program with data of the given
// digest; otherwise the one line that says why not (without "zorby: ").
std::string replay_refusal(const platform::InputScript& script, const std::string& file,
                           const std::string& data_digest);

// "2026-12-08 21:40:12" and the file-name form "2026-12-08_21-40-12" of a moment.
std::string recording_date(std::time_t when);
// The file name of a kept game: date, time and score, "_best" when the score entered
// the high-score table ("2026-12-08_21-40-12_score-5600_best.replay"); "stopped"
// names the recording of a stop on an error.
std::string kept_game_name(std::time_t when, int score, bool high_score);
std::string stopped_game_name(std::time_t when);

struct KeptGame {
    std::string file;      // the name in the folder
    std::string date;      // from the header
    long long score = -1;  // -1: not known (a stopped game)
    uint64_t frames = 0;
    bool high_score = false;
};
// The kept recordings of folder, newest first (by name: names begin with the date).
std::vector<KeptGame> list_kept_games(const std::string& folder);
// The listing `zorby --replays` prints.
std::string format_kept_games(const std::string& folder, const std::vector<KeptGame>& games);

// Writes a kept recording into folder (made when missing, mode 0700) under name, or
// name with "-2", "-3", ... when taken; then applies the keep rule. False with the
// reason in error when it cannot be written. ops: the file toolkit's calls.
bool keep_recording(const std::string& folder, const std::string& name, const std::string& text,
                    std::string& error, std::string* written_path = nullptr,
                    const platform::FileOps& ops = platform::system_file_ops());
// The keep rule: of the recordings in folder, the newest `keep` and every high-score
// game stay; older ones are removed.
void prune_kept_games(const std::string& folder, size_t keep = kKeptGames);

// Follows the game from frame to frame and says when a game has ended: at the game
// over, or after the name entry that follows it when the score entered the table.
class GameEndWatcher {
public:
    struct Ended {
        int score = 0;
        bool high_score = false;
    };
    // screen and page: the game's screen state and menu page (game/screens.h values).
    std::optional<Ended> observe(int screen, int page, int score);
    // The program ends: a game under way (or its name entry) ends with it.
    std::optional<Ended> at_exit() const;

private:
    bool in_game_ = false;
    bool name_entry_ = false;
    int score_ = 0;
};

}  // namespace zorby::app
