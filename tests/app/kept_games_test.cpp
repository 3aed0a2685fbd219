// Every game kept: a scripted game (the install tests' qualifying game, whose score
// enters the table) is played on a recorder that keeps it, as the program does. The
// kept file must replay to the same frames, score and name entry from the values its
// header recorded, without touching the player's table; the keep rule, a folder that
// cannot be written, a full disk, and the recordings of a run-time error and of a
// fatal signal (faults injected by the test) are checked on the same run.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/game_keeping.h"
#include "app/replay_library.h"
#include "engine/numbers.h"
#include "game/data_digest.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "game/high_score_place.h"
#include "platform/folder_listing.h"
#include "platform/replay/deterministic.h"
#include "platform/replay/recording_platform.h"
#include "platform/replay/replay_platform.h"
#include "runtime/engine.h"
#include "runtime/replay.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"
#include "support/posix_compat.h"
#include "support/save_faults.h"

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;

const std::string kQualifyingGame =
    std::string(ZORBY_SOURCE_DIR) + "/tests/install/qualifying_game.script";

// The first frame of a game in which a face has been struck: where the faults are
// injected.
bool first_strike(const game::GameState& g) {
    return g.game_state == game::Screen::playing && g.score > 0;
}

enum class Fault { none, run_time_error, fatal_signal };

struct LiveRun {
    int status = -1;
    int final_score = -1;
    std::optional<uint64_t> fault_frame;  // frames shown at the first strike
};

// Plays the qualifying game as the program plays a game: the input comes from the
// script (standing in for the player), goes through a recorder into keeping, and the
// frame and exit hooks are the program's.
LiveRun play_kept_game(const std::string& data_dir, app::GameKeeping& keeping,
                       Fault fault = Fault::none, bool full_screen = false) {
    platform::InputScript live;
    std::string error;
    EXPECT_TRUE(platform::load_input_script(kQualifyingGame, live, error)) << error;
    LiveRun run;
    Engine e;
    set_current_engine(&e);
    game::reset_game_state();
    e.settings.data_dir = data_dir;
    e.settings.full_screen = full_screen ? 1 : 0;
    game::set_high_score_folders(data_dir, true, "");
    app::RecordingStart start;
    start.full_screen = full_screen ? 1 : 0;
    start.game_version = "3.2.0";
    start.data_digest = game::data_digest(data_dir);
    start.date = app::recording_date(0);
    const game::GameState defaults;
    start.sound_on = defaults.sound_on;
    start.volume_step = defaults.volume_step;
    start.scores = file_text(data_dir + "/hc.txt");
    keeping.stream() << app::format_recording_header(start);

    platform::DeterministicOptions options;
    options.open_real_window = true;
    auto player = std::make_unique<platform::ReplayPlatform>(
        platform::make_deterministic_platform(options), live);
    platform::ReplayPlatform& rp = *player;
    rp.on_end = [] { end_program(); };
    platform::RecordingOptions recording;
    recording.realtime = false;
    auto recorder = std::make_unique<platform::RecordingPlatform>(std::move(player),
                                                                  keeping.stream(), recording);
    platform::RecordingPlatform& rec = *recorder;
    rec.record_seed(*live.seed);
    e.exit_hook = [&](int status) {
        keeping.at_exit(status);
        rec.finish();
        throw ProgramEnded{status};
    };
    e.frame_hook = [&] {
        game::GameState& g = game::game();
        keeping.frame(rec.frames(), static_cast<int>(g.game_state), static_cast<int>(g.menu_page),
                      g.score);
        if (fault != Fault::none && first_strike(g) && !run.fault_frame) {
            run.fault_frame = rec.frames();
            if (fault == Fault::fatal_signal) std::raise(SIGSEGV);
            game::index_out_of_range(7, 6);  // a run-time error, as a bad index makes
        }
    };
    try {
        if (!engine_start(std::move(recorder), 1, "zorby")) throw ProgramEnded{1};
        seed_random(*live.seed);
        game::GameState& g = game::game();
        g.sound_on = start.sound_on;
        g.volume_step = start.volume_step;
        game::game_main();
        end_program();
    } catch (const ProgramEnded& ended) {
        run.status = ended.exit_status;
    }
    run.final_score = game::game().score;
    e.frame_hook = nullptr;
    e.exit_hook = nullptr;
    set_current_engine(nullptr);
    game::reset_game_state();
    return run;
}

struct ReplayedRun {
    ReplayResult result;
    int final_score = -1;
    std::optional<uint64_t> first_strike_frame;
    bool name_entry_seen = false;
};

// Replays a kept file as `zorby --replay` does.
ReplayedRun replay_kept(const std::string& path) {
    platform::InputScript script;
    std::string error;
    EXPECT_TRUE(platform::load_input_script(path, script, error)) << error;
    ReplayRunOptions run;
    run.platform.open_real_window = true;
    run.replay.hash_every = 60;
    ReplayedRun out;
    platform::ReplayPlatform* rp = nullptr;
    run.on_start = [&](platform::ReplayPlatform& p) { rp = &p; };
    out.result = app::replay_recording(script, run, [&] {
        engine().frame_hook = [&] {
            const game::GameState& g = game::game();
            if (first_strike(g) && !out.first_strike_frame) out.first_strike_frame = rp->frames();
            out.name_entry_seen = out.name_entry_seen || g.menu_page == game::MenuPage::name_entry;
            out.final_score = g.score;
        };
        game::game_main();
    });
    game::reset_game_state();
    return out;
}

std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> names;
    platform::list_regular_files(folder, names);
    std::sort(names.begin(), names.end());
    return names;
}

class KeptGames : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR)) {
            fs::copy_file(entry.path(), data_.file(entry.path().filename().string()));
        }
        table_before_ = file_text(data_.file("hc.txt"));
    }
    std::string replays() const { return home_.file("replays"); }

    TempDir data_, home_;
    std::string table_before_;
};

TEST_F(KeptGames, AQualifyingGameIsKeptAndReplaysTheSameFromItsHeader) {
    // The reference: the script itself replayed from the same table.
    platform::InputScript script;
    std::string error;
    ASSERT_TRUE(platform::load_input_script(kQualifyingGame, script, error)) << error;
    ReplayRunOptions options;
    options.platform.open_real_window = true;
    options.replay.hash_every = 60;
    game::set_high_score_folders(data_.path(), true, "");
    const ReplayResult reference = run_replay(script, options, [] { game::game_main(); });
    game::reset_game_state();
    std::ofstream(data_.file("hc.txt"), std::ios::binary | std::ios::trunc) << table_before_;

    app::GameKeeping keeping(replays(), nullptr);
    const LiveRun live = play_kept_game(data_.path(), keeping);
    ASSERT_EQ(live.status, 0);
    const std::string table_after = file_text(data_.file("hc.txt"));
    ASSERT_NE(table_after, table_before_) << "the scripted game no longer enters the table";

    const std::vector<app::KeptGame> kept = app::list_kept_games(replays());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(kept[0].high_score);
    EXPECT_EQ(kept[0].score, live.final_score);
    EXPECT_GT(kept[0].frames, 600u);
    EXPECT_NE(kept[0].file.find("_score-" + std::to_string(live.final_score) + "_best.replay"),
              std::string::npos);

    // The replay starts from the table the game started with (so the score enters it
    // again) and leaves the player's table as the game left it.
    const ReplayedRun replayed = replay_kept(replays() + "/" + kept[0].file);
    EXPECT_EQ(replayed.result.exit_status, 0);
    EXPECT_TRUE(replayed.name_entry_seen);
    EXPECT_EQ(replayed.final_score, live.final_score);
    EXPECT_EQ(replayed.result.frames, kept[0].frames);
    EXPECT_EQ(file_text(data_.file("hc.txt")), table_after);
    // Every frame hashed in the replay is drawn the same in the script's own replay.
    ASSERT_GT(replayed.result.frame_hashes.size(), 10u);
    ASSERT_GE(reference.frame_hashes.size(), replayed.result.frame_hashes.size());
    for (size_t i = 0; i < replayed.result.frame_hashes.size(); ++i) {
        ASSERT_EQ(replayed.result.frame_hashes[i], reference.frame_hashes[i]) << "frame " << i * 60;
    }
}

// A game started in full screen paces its frames at the full-screen rate: its replay
// does too, whatever the replaying player's own setting.
TEST_F(KeptGames, AFullScreenGameReplaysTheSameInAWindowedSetting) {
    app::GameKeeping keeping(replays(), nullptr);
    const LiveRun live = play_kept_game(data_.path(), keeping, Fault::none, true);
    ASSERT_EQ(live.status, 0);
    const std::vector<app::KeptGame> kept = app::list_kept_games(replays());
    ASSERT_EQ(kept.size(), 1u);
    const ReplayedRun replayed = replay_kept(replays() + "/" + kept[0].file);
    EXPECT_EQ(replayed.final_score, live.final_score);
    EXPECT_EQ(replayed.result.frames, kept[0].frames);
    EXPECT_TRUE(replayed.name_entry_seen);
}

TEST_F(KeptGames, TheLastTwentyAndEveryHighScoreStay) {
    const std::string folder = replays();
    std::string error;
    std::ofstream(home_.file("notes.txt")) << "not a recording\n";
    fs::create_directories(folder);
    std::ofstream(folder + "/notes.txt") << "not a recording\n";
    const std::time_t t0 = 1700000000;
    ASSERT_TRUE(app::keep_recording(folder, app::kept_game_name(t0, 9000, true), "x\n", error));
    for (int i = 1; i <= 21; ++i) {
        ASSERT_TRUE(
            app::keep_recording(folder, app::kept_game_name(t0 + 60 * i, i, false), "x\n", error))
            << error;
        const std::vector<std::string> names = files_in(folder);
        // The high score, the newest 20 games at most, and the file that is no recording.
        EXPECT_EQ(names.size(), std::min(i, 20) + 2u) << "after game " << i;
    }
    const std::vector<std::string> names = files_in(folder);
    EXPECT_TRUE(std::count(names.begin(), names.end(), app::kept_game_name(t0, 9000, true)));
    EXPECT_FALSE(std::count(names.begin(), names.end(), app::kept_game_name(t0 + 60, 1, false)))
        << "the 21st game did not remove the oldest";
    EXPECT_TRUE(std::count(names.begin(), names.end(), app::kept_game_name(t0 + 120, 2, false)));
    EXPECT_TRUE(std::count(names.begin(), names.end(), "notes.txt"));
    // Two games in the same second keep both.
    ASSERT_TRUE(
        app::keep_recording(folder, app::kept_game_name(t0 + 60 * 21, 21, false), "y\n", error));
    EXPECT_EQ(file_text(folder + "/" + app::kept_game_name(t0 + 60 * 21, 21, false)), "x\n");
}

// A recording carried from another system reads the same whatever its line ends: the
// list of kept games (date, length, score) and the starting values its replay uses.
TEST(KeptGameHeaders, EveryLineEndStyleReadsTheSame) {
    app::RecordingStart start;
    start.game_version = "3.2.0";
    start.data_digest = "0123abcd";
    start.date = "2026-01-02 03:04:05";
    start.sound_on = 0;
    start.volume_step = 9;
    start.full_screen = 1;
    start.scores = std::string("\x10\x27\0\0ANNA\r\n", 10);
    const std::string text = app::format_recording_header(start) + "seed 12\n30 key 57 tap\n" +
                             app::format_recording_result(7260, 350, "lost");
    TempDir dir;
    for (const LineEnds& style : line_end_styles(text)) {
        SCOPED_TRACE(style.name);
        const std::string name = app::kept_game_name(1700000000, 350, false);
        std::ofstream(dir.file(name), std::ios::binary) << style.text;
        const std::vector<app::KeptGame> games = app::list_kept_games(dir.path());
        ASSERT_EQ(games.size(), 1u);
        EXPECT_EQ(games[0].date, start.date);
        EXPECT_EQ(games[0].frames, 7260u);
        EXPECT_EQ(games[0].score, 350);
        platform::InputScript script;
        std::string error;
        ASSERT_TRUE(platform::parse_input_script(style.text, script, error)) << error;
        app::RecordingStart read;
        ASSERT_TRUE(app::read_recording_start(script, read));
        EXPECT_EQ(read.date, start.date);
        EXPECT_EQ(read.game_version, start.game_version);
        EXPECT_EQ(read.data_digest, start.data_digest);
        EXPECT_EQ(read.sound_on, 0);
        EXPECT_EQ(read.volume_step, 9);
        EXPECT_EQ(read.full_screen, 1);
        EXPECT_EQ(read.scores, start.scores);
        EXPECT_EQ(script.seed, 12u);
    }
}

// A replays folder that cannot be made, a read-only one and a full disk: one warning
// line, the game plays to its end and saves its table as without them.
TEST_F(KeptGames, AFolderThatCannotBeWrittenCostsOneWarningLine) {
    struct Case {
        const char* name;
        std::string folder;
        std::function<void(platform::FileOps&)> fault;
        const char* reason;
    };
    std::ofstream(home_.file("a-file")) << "x";
    const std::vector<Case> cases = {
        {"a folder under a file", home_.file("a-file/replays"), nullptr, "a-file"},
        {"a read-only folder", replays(),
         [](platform::FileOps& ops) {
             ops.open = [](const char*, int, mode_t) { return errno = EROFS, -1; };
         },
         "Read-only file system"},
        {"a full disk", replays(), save_faults()[1].apply, "No space left on device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(data_.file("hc.txt"), std::ios::binary | std::ios::trunc) << table_before_;
        platform::FileOps ops = platform::system_file_ops();
        if (c.fault) c.fault(ops);
        std::FILE* warnings = std::tmpfile();
        LiveRun live;
        {
            app::GameKeeping keeping(c.folder, warnings, ops);
            live = play_kept_game(data_.path(), keeping);
            // A second game's failure says nothing more.
            keeping.frame(1, static_cast<int>(game::Screen::playing), 1, 5);
            keeping.frame(2, static_cast<int>(game::Screen::menu), 1, 5);
        }
        EXPECT_EQ(live.status, 0);
        EXPECT_NE(file_text(data_.file("hc.txt")), table_before_) << "the table was not saved";
        std::rewind(warnings);
        std::string text;
        for (int ch; (ch = std::fgetc(warnings)) != EOF;) text += static_cast<char>(ch);
        std::fclose(warnings);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        if (fs::is_directory(c.folder)) {
            EXPECT_TRUE(files_in(c.folder).empty());
        }
    }
}

// A stop on a run-time error and a fatal signal: the input so far is kept under a
// "stopped" name, the message names the file, and replaying it stops at the same
// frame (the replay meets the same state, where the test's fault would strike again).
TEST_F(KeptGames, AStopLeavesARecordingThatReachesTheSameFrame) {
    {
        std::FILE* messages = std::tmpfile();
        app::GameKeeping keeping(replays(), messages);
        const LiveRun live = play_kept_game(data_.path(), keeping, Fault::run_time_error);
        EXPECT_EQ(live.status, 1);
        ASSERT_TRUE(live.fault_frame);
        std::rewind(messages);
        char line[1024] = "";
        ASSERT_NE(std::fgets(line, sizeof line, messages), nullptr);
        std::fclose(messages);
        ASSERT_FALSE(keeping.last_kept().empty());
        EXPECT_NE(keeping.last_kept().find("_stopped.replay"), std::string::npos);
        EXPECT_NE(std::string(line).find("recorded in " + keeping.last_kept()), std::string::npos)
            << line;
        const ReplayedRun replayed = replay_kept(keeping.last_kept());
        EXPECT_EQ(replayed.first_strike_frame, live.fault_frame);
        fs::remove(keeping.last_kept());
    }
    // The fatal signal in a child process: the crash guard writes the file.
#ifdef _WIN32
    // Windows' C library ends a process whose fatal signal takes its default course
    // with status 3.
    const auto killed_by_segv = ::testing::ExitedWithCode(3);
#else
    const auto killed_by_segv = ::testing::KilledBySignal(SIGSEGV);
#endif
    // Where Windows runs the child as a new process (which runs this test again up to
    // here), its fixture has folders of its own: the parent's replays folder is
    // handed over in the environment, and the child keeps what it inherited.
    setenv("ZORBY_TEST_REPLAYS_FOLDER", replays().c_str(), 0);
    EXPECT_EXIT(
        {
            app::GameKeeping keeping(std::getenv("ZORBY_TEST_REPLAYS_FOLDER"), stderr);
            keeping.arm_crash_guard();
            const LiveRun live = play_kept_game(data_.path(), keeping, Fault::fatal_signal);
            std::exit(live.status == 0 ? 5 : 6);  // not reached
        },
        killed_by_segv, "stopped by SIGSEGV; the input so far is recorded in");
    unsetenv("ZORBY_TEST_REPLAYS_FOLDER");
    const std::vector<app::KeptGame> kept = app::list_kept_games(replays());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(kept[0].file.find("_stopped.replay"), std::string::npos);
    const ReplayedRun replayed = replay_kept(replays() + "/" + kept[0].file);
    ASSERT_TRUE(replayed.first_strike_frame);
    // The recording ends just after the frame of the fault.
    EXPECT_EQ(*replayed.first_strike_frame + 1, kept[0].frames);
    EXPECT_EQ(replayed.result.frames, kept[0].frames);
}

}  // namespace
}  // namespace zorby::testing
