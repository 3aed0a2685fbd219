// Keeping games: the in-memory recording, the kept files and the crash guard.
#include "app/game_keeping.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

#include "game/game_state.h"
#include "game/high_score_place.h"
#include "platform/paths.h"
#include "platform/portable/private_files.h"
#include "platform/replay/crash_guard.h"

namespace zorby::app {

namespace {

// Read by the crash guard's tail writer, which runs in a signal handler.
std::atomic<uint64_t> g_frames{0};
std::atomic<int> g_score{0};

// "FRAME end" just after the frame now shown, and the result line of a stop.
size_t write_crash_tail(char* out, size_t size) {
    const uint64_t end_frame = g_frames.load() + 1;
    size_t pos = platform::append_decimal(out, 0, size, end_frame);
    pos = platform::append_text(out, pos, size, " end\nrecording result frames ");
    pos = platform::append_decimal(out, pos, size, end_frame);
    pos = platform::append_text(out, pos, size, " score ");
    const int score = g_score.load();
    if (score < 0) pos = platform::append_text(out, pos, size, "-");
    const unsigned long long magnitude = score < 0 ? 0ull - static_cast<unsigned long long>(score)
                                                   : static_cast<unsigned long long>(score);
    pos = platform::append_decimal(out, pos, size, magnitude);
    return platform::append_text(out, pos, size, " stopped\n");
}

}  // namespace

GameKeeping::GameKeeping(const std::string& folder, std::FILE* warnings,
                         const platform::FileOps& ops)
    : folder_(folder), warnings_(warnings), ops_(ops) {
    std::string why = "no data folder (neither XDG_DATA_HOME nor HOME is set)";
    if (folder_.empty() || !platform::make_private_folder(folder_, why)) {
        folder_.clear();
        warn_once(why);
    }
}

GameKeeping::~GameKeeping() {
    if (armed_) platform::remove_crash_guard();
}

bool GameKeeping::arm_crash_guard() {
    if (folder_.empty()) return false;
    const std::string path = folder_ + "/" + stopped_game_name(std::time(nullptr));
    armed_ = platform::install_crash_guard(path, buffer_, write_crash_tail);
    return armed_;
}

void GameKeeping::warn_once(const std::string& what) {
    if (warned_) return;
    warned_ = true;
    if (warnings_ != nullptr)
        std::fprintf(warnings_, "zorby: games are not kept: %s\n", what.c_str());
}

std::string GameKeeping::finished_text(int score, const char* how) const {
    const uint64_t end_frame = g_frames.load() + 1;
    return buffer_.text() + std::to_string(end_frame) + " end\n" +
           format_recording_result(end_frame, score, how);
}

void GameKeeping::keep(const std::string& name, int score, const char* how) {
    if (folder_.empty()) return;
    std::string error, path;
    if (keep_recording(folder_, name, finished_text(score, how), error, &path, ops_)) {
        last_kept_ = path;
    } else {
        warn_once(error);
    }
}

void GameKeeping::frame(uint64_t frames_presented, int screen, int page, int score) {
    g_frames.store(frames_presented);
    g_score.store(score);
    if (const auto ended = watcher_.observe(screen, page, score)) {
        keep(kept_game_name(std::time(nullptr), ended->score, ended->high_score), ended->score,
             nullptr);
    }
}

void GameKeeping::at_exit(int status) {
    if (armed_) platform::remove_crash_guard();
    armed_ = false;
    if (status != 0) {
        last_kept_.clear();
        keep(stopped_game_name(std::time(nullptr)), g_score.load(), "stopped");
        if (!last_kept_.empty() && warnings_ != nullptr) {
            std::fprintf(warnings_,
                         "zorby: the input so far is recorded in %s (zorby --replay %s "
                         "repeats the stop)\n",
                         last_kept_.c_str(), last_kept_.c_str());
        }
        return;
    }
    if (const auto ended = watcher_.at_exit()) {
        keep(kept_game_name(std::time(nullptr), ended->score, ended->high_score), ended->score,
             nullptr);
    }
}

namespace {

// Runs play(main) from the recording's starting values: its table in a private
// temporary folder (removed afterwards), its sound switch and music volume.
template <typename Result, typename Play>
Result from_recorded_start(const platform::InputScript& script,
                           const std::function<void()>& main_routine, Result failed,
                           const Play& play) {
    RecordingStart start;
    if (!read_recording_start(script, start)) return play(main_routine);
    const std::string table_folder = platform::make_private_temporary_folder("zorby-replay-");
    if (table_folder.empty()) {
        std::fputs("zorby: no private temporary folder for the replay's high-score table\n",
                   stderr);
        return failed;
    }
    Result result = failed;
    if (start.scores && !platform::write_private_file(
                            table_folder + "/hc.txt",
                            std::vector<uint8_t>(start.scores->begin(), start.scores->end()))) {
        std::fprintf(stderr, "zorby: cannot write %s/hc.txt\n", table_folder.c_str());
    } else {
        game::set_high_score_folders(table_folder, true, "");
        result = play([&] {
            game::GameState& g = game::game();
            g.sound_on = start.sound_on;
            g.volume_step = start.volume_step;
            main_routine();
        });
    }
    std::error_code ec;
    std::filesystem::remove_all(platform::native_path(table_folder), ec);
    return result;
}

}  // namespace

namespace {

// The run as the recording started: in full screen when the game was (its frames were
// paced at that rate), whatever the replaying player's own setting.
ReplayRunOptions as_recorded(const platform::InputScript& script, const ReplayRunOptions& run) {
    ReplayRunOptions out = run;
    RecordingStart start;
    if (read_recording_start(script, start)) out.settings.full_screen = start.full_screen;
    return out;
}

}  // namespace

ReplayResult replay_recording(const platform::InputScript& script, const ReplayRunOptions& run,
                              const std::function<void()>& main_routine) {
    ReplayResult failed;
    failed.started = true;  // what failed is said here, not as a window that failed
    failed.exit_status = 1;
    const ReplayRunOptions recorded = as_recorded(script, run);
    return from_recorded_start(script, main_routine, failed,
                               [&](const std::function<void()>& routine) {
                                   return run_replay(script, recorded, routine);
                               });
}

ExportResult export_recording(const platform::InputScript& script, const ReplayRunOptions& run,
                              const std::function<void()>& main_routine,
                              const ExportOptions& options) {
    ExportResult failed;
    failed.exit_status = 1;
    failed.error = "the replay could not start";
    const ReplayRunOptions recorded = as_recorded(script, run);
    return from_recorded_start(script, main_routine, failed,
                               [&](const std::function<void()>& routine) {
                                   return export_replay(script, recorded, routine, options);
                               });
}

}  // namespace zorby::app
