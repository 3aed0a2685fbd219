// Every game kept: the run's input is recorded into memory from the start, and when
// a game ends (the game over, after the name entry of a high score, or the program
// ending during a game) the recording so far, closed by an end line, is written to
// the replays folder; a replay of it runs from the start of the program to the end
// of that game. A stop on a run-time error writes it too, and so does the crash guard
// on a fatal signal. A folder that cannot be written costs one warning line.
//
// Also the replay of a recording as `zorby --replay` runs it: one with a header
// starts from the values it recorded.
#pragma once

#include <cstdio>
#include <functional>
#include <ostream>
#include <string>

#include "app/replay_library.h"
#include "platform/portable/file_io.h"
#include "platform/replay/input_recording_buffer.h"
#include "platform/replay/input_script.h"
#include "runtime/replay.h"
#include "runtime/replay_export.h"

namespace zorby::app {

class GameKeeping {
public:
    // folder: the replays folder, made here (empty, or a folder that cannot be made:
    // nothing is kept, after one warning line). warnings: where that line goes.
    // ops: the file toolkit's calls for writing the kept files (the test seam).
    explicit GameKeeping(const std::string& folder, std::FILE* warnings = stderr,
                         const platform::FileOps& ops = platform::system_file_ops());
    ~GameKeeping();
    GameKeeping(const GameKeeping&) = delete;
    GameKeeping& operator=(const GameKeeping&) = delete;

    // The recorder writes here, after the header.
    std::ostream& stream() { return stream_; }
    const platform::InputRecordingBuffer& buffer() const { return buffer_; }
    const std::string& folder() const { return folder_; }
    // The file the last kept game went to (empty: none yet).
    const std::string& last_kept() const { return last_kept_; }

    // Writes the input so far to the replays folder when a fatal signal comes (one
    // keeping at a time). False when it cannot be armed (no folder).
    bool arm_crash_guard();

    // After every presented frame: the frames presented so far and the game's screen
    // state, menu page and score (game/screens.h values).
    void frame(uint64_t frames_presented, int screen, int page, int score);
    // At the end of the program, with its exit status: a game under way is kept; a
    // stop on a run-time error (status not 0) keeps the input so far and names the
    // file on stderr.
    void at_exit(int status);

private:
    void keep(const std::string& name, int score, const char* how);
    void warn_once(const std::string& what);
    std::string finished_text(int score, const char* how) const;

    platform::InputRecordingBuffer buffer_;
    std::ostream stream_{&buffer_};
    std::string folder_;
    std::FILE* warnings_;
    platform::FileOps ops_;
    GameEndWatcher watcher_;
    std::string last_kept_;
    bool warned_ = false;
    bool armed_ = false;
};

// Runs a recording as `zorby --replay` does: a recording with a header starts from
// its sound switch, music volume and high-score table (the table in a private
// temporary folder, removed afterwards; the player's table is neither read nor
// written). before_main runs on the started engine just before main_routine.
ReplayResult replay_recording(const platform::InputScript& script, const ReplayRunOptions& run,
                              const std::function<void()>& main_routine);
// The same written as a video (runtime/replay_export.h).
ExportResult export_recording(const platform::InputScript& script, const ReplayRunOptions& run,
                              const std::function<void()>& main_routine,
                              const ExportOptions& options);

}  // namespace zorby::app
