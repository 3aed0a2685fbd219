// The high-score commands in a running game: "hc.txt" loading, damage handling and
// saving, the entry rule across games and the name entry keyboard. The table's bytes
// and the sort are tested without an engine in high_score_table_test.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "game/game_harness.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "support/save_faults.h"

namespace zorby::testing {
namespace {

// A path as the game's messages show it: on Windows in the system's own form, with
// backslashes.
std::string shown_path(const std::string& path) {
#ifdef _WIN32
    return std::filesystem::path(path).lexically_normal().string();
#else
    return path;
#endif
}

using game::cell;
using game::GameState;
using game::text_cell;
using Table = std::vector<std::pair<uint32_t, std::string>>;

// The table entries 0..2 as (score, name).
Table table_of(GameState& g) {
    Table t;
    for (int i = 0; i < 3; ++i) {
        t.emplace_back(static_cast<uint32_t>(cell(g.high_scores, i)),
                       text_cell(g.high_names, i).str());
    }
    return t;
}

// A started engine with the game's arrays and, optionally, an "hc.txt".
struct TableRun {
    explicit TableRun(const std::string* hc = nullptr) : run(hc) { game::dimension_game_arrays(); }
    GameState& g() { return run.state(); }
    void set_table(const Table& t) {
        for (int i = 0; i < 3; ++i) {
            cell(g().high_scores, i) = t[i].first;
            text_cell(g().high_names, i) = t[i].second;
        }
    }
    GameRun run;
};

TEST(HighScoreFile, LoadsThreeRecordsAndTakesTheLowestAsThreshold) {
    const std::string bytes = table_bytes({{5, "AB"}, {12, "ANNA\r"}, {4000000000u, "X"}});
    TableRun t(&bytes);
    game::load_high_scores();
    EXPECT_EQ(table_of(t.g()), (Table{{5, "AB"}, {12, "ANNA"}, {4000000000u, "X"}}));
    EXPECT_EQ(t.g().entry_threshold, 5);
}

TEST(HighScoreFile, MissingFileStartsWithTheInitialTable) {
    TableRun t;
    game::load_high_scores();
    EXPECT_EQ(table_of(t.g()), (Table{{10, "Player 1"}, {20, "Player 2"}, {30, "Player 3"}}));
    EXPECT_EQ(t.g().entry_threshold, 10);
    EXPECT_FALSE(std::filesystem::exists(t.run.file("hc.txt")));
}

TEST(HighScoreFile, DamagedFileEndsTheProgramWithErrorThreeAndStaysUntouched) {
    const std::string full = table_bytes({{5, "AB"}, {12, "ANNA"}, {40, "X"}});
    const std::vector<std::string> damaged = {
        "",                                      // empty
        full.substr(0, 3),                       // first score cut
        full.substr(0, 4),                       // first name missing
        table_bytes({{5, "AB"}, {12, "ANNA"}}),  // two records
        full.substr(0, full.size() - 2),         // third record's name missing
    };
    for (const std::string& bytes : damaged) {
        TableRun t(&bytes);
        const int status = t.run.engine().run_until_end([] { game::load_high_scores(); });
        EXPECT_EQ(status, 1) << bytes.size() << " bytes";
        EXPECT_EQ(t.run.engine().engine().error.error_number, 3);
        EXPECT_EQ(t.run.read_file("hc.txt"), bytes);
    }
}

TEST(HighScoreFile, UnreadableTableIsNotTakenForAMissingOne) {
    TableRun t;
    std::filesystem::create_directory(t.run.file("hc.txt"));
    EXPECT_EQ(t.run.engine().run_until_end([] { game::load_high_scores(); }), 1);
    EXPECT_EQ(t.run.engine().engine().error.error_number, 3);
    EXPECT_TRUE(std::filesystem::is_directory(t.run.file("hc.txt")));
}

TEST(HighScoreFileDeathTest, DamagedFileSaysSoOnStderr) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string bytes = table_bytes({{5, "AB"}}).substr(0, 6);
            TableRun t(&bytes);
            t.run.engine().engine().exit_hook = nullptr;
            game::load_high_scores();
        },
        ::testing::ExitedWithCode(1), "hc.txt is damaged");
}

TEST(HighScoreFile, SavesTheExactBytesAndReadsThemBack) {
    TableRun t;
    t.set_table({{20, "AB"}, {25, "Zorby"}, {30, "X"}});
    cell(t.g().high_scores, 1) = 25.9;  // stored truncated
    game::save_high_scores();
    const std::string expected = table_bytes({{20, "AB"}, {25, "Zorby"}, {30, "X"}});
    EXPECT_EQ(t.run.read_file("hc.txt"), expected);
    EXPECT_EQ(expected.size(), 15u + 2 + 5 + 1);
    EXPECT_FALSE(std::filesystem::exists(t.run.file("hc.txt.new")));
    t.set_table({{0, ""}, {0, ""}, {0, ""}});
    game::load_high_scores();
    EXPECT_EQ(table_of(t.g()), (Table{{20, "AB"}, {25, "Zorby"}, {30, "X"}}));
}

TEST(HighScoreFileDeathTest, CrashBeforeTheRenameLeavesTheOldTable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string old_table = table_bytes({{10, "OLD"}, {20, "OLDER"}, {30, "OLDEST"}});
    TableRun t(&old_table);
    const std::string dir = t.run.dir();
    EXPECT_EXIT(
        {
            std::filesystem::current_path(dir);
            t.set_table({{40, "NEW"}, {50, "NEWER"}, {60, "NEWEST"}});
            // The program stops after the new table is flushed, before the rename.
            platform::FileOps ops = platform::system_file_ops();
            ops.rename = [](const char*, const char*) -> int { std::_Exit(7); };
            game::save_high_scores(ops);
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(t.run.read_file("hc.txt"), old_table);
    game::load_high_scores();
    EXPECT_EQ(table_of(t.g()), (Table{{10, "OLD"}, {20, "OLDER"}, {30, "OLDEST"}}));
    // The next save replaces the table and the left-over temporary file.
    game::save_high_scores();
    EXPECT_EQ(t.run.read_file("hc.txt"), old_table);
    EXPECT_FALSE(std::filesystem::exists(t.run.file("hc.txt.new")));
}

// Runs a save that must fail: as for every failed save, error 3 ends the program, the
// old table stays byte for byte, no temporary file is left and stderr has one line,
// which is returned.
std::string expect_refused_save(TableRun& t, const std::string& old_table,
                                const std::function<void()>& save) {
    ::testing::internal::CaptureStderr();
    const int status = t.run.engine().run_until_end(save);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(t.run.engine().engine().error.error_number, 3);
    EXPECT_EQ(t.run.read_file("hc.txt"), old_table);
    EXPECT_FALSE(std::filesystem::exists(t.run.file("hc.txt.new")));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    return err;
}

TEST(HighScoreSaveFaults, OldTableStaysNoTemporaryOneLineSaysWhyAndTheProgramEndsAsBefore) {
    const Table old_entries{{10, "OLD"}, {20, "OLDER"}, {30, "OLDEST"}};
    const std::string old_table = table_bytes(old_entries);
    const Table new_entries{{40, "NEW"}, {50, "NEWER"}, {60, "NEWEST"}};
    const std::string new_table = table_bytes(new_entries);
    for (const SaveFault& fault : save_faults()) {
        SCOPED_TRACE(fault.name);
        TableRun t(&old_table);
        t.set_table(new_entries);
        platform::FileOps ops = platform::system_file_ops();
        fault.apply(ops);
        const std::string err =
            expect_refused_save(t, old_table, [&] { game::save_high_scores(ops); });
        EXPECT_NE(err.find(shown_path(t.run.file("hc.txt")) + " cannot be saved"),
                  std::string::npos)
            << err;
        EXPECT_NE(err.find(fault.reason), std::string::npos) << err;
    }
    // The program dies at each step: the old table (or, once renamed, the new one)
    // stands whole, and the next save replaces it and clears what was left.
    for (const CrashPoint& crash : crash_points()) {
        SCOPED_TRACE(crash.name);
        TableRun t(&old_table);
        t.set_table(new_entries);
        platform::FileOps ops = platform::system_file_ops();
        crash.apply(ops);
        EXPECT_THROW(game::save_high_scores(ops), SaveCrash);
        EXPECT_EQ(t.run.read_file("hc.txt"), crash.new_in_place ? new_table : old_table);
        game::load_high_scores();
        EXPECT_EQ(table_of(t.g()), crash.new_in_place ? new_entries : old_entries);
        t.set_table({{1, "A"}, {2, "B"}, {3, "C"}});
        game::save_high_scores();
        EXPECT_EQ(t.run.read_file("hc.txt"), table_bytes({{1, "A"}, {2, "B"}, {3, "C"}}));
        EXPECT_FALSE(std::filesystem::exists(t.run.file("hc.txt.new")));
    }
}

TEST(HighScoreSaveFaults, ReadOnlyFolderKeepsTheTableAndEndsTheProgramNamingIt) {
    const std::string old_table = table_bytes({{10, "OLD"}, {20, "OLDER"}, {30, "OLDEST"}});
    TableRun t(&old_table);
    t.set_table({{40, "NEW"}, {50, "NEWER"}, {60, "NEWEST"}});
    ReadOnlyFolder folder(t.run.dir());
    if (folder.writable()) GTEST_SKIP() << kFolderStaysWritable;
    const std::string err = expect_refused_save(t, old_table, [] { game::save_high_scores(); });
    EXPECT_NE(err.find(shown_path(t.run.file("hc.txt")) +
                       " cannot be saved: open failed: Permission denied"),
              std::string::npos)
        << err;
}

// Name entry, driven page call by page call with the mouse or the cursor on a key.
struct Keyboard : TableRun {
    Keyboard() { g().game_state = game::Screen::menu; }
    void press_at(double x, double y, bool mouse = true) {
        g().menu_page = game::MenuPage::name_entry;
        g().mouse_x = mouse ? x : -50;
        g().mouse_y = mouse ? y : -50;
        g().mouse_button = mouse ? 1 : 0;
        g().cursor_x = mouse ? -50 : x;
        g().cursor_y = mouse ? -50 : y;
        run.engine().platform().set_key(44, !mouse);
        game::name_entry_page();
        run.engine().platform().set_key(44, false);
    }
    void letter(char c) {
        const int i = c - 'A';
        static const double cols[8] = {20, 60, 100, 140, 175, 215, 250, 290};
        static const double rows[3] = {108, 126, 143};
        if (c == 'Y') return press_at(80, 160);
        if (c == 'Z') return press_at(120, 160);
        press_at(cols[i % 8], rows[i / 8]);
    }
    void erase() { press_at(150, 160); }
    void enter() { press_at(200, 160); }
};

TEST(NameEntry, TypesDeletesAndEntersTheName) {
    Keyboard k;
    for (char c : std::string("ABHIPQXYZ")) k.letter(c);
    EXPECT_EQ(k.g().typed_name.str(), "ABHIPQXYZ");
    EXPECT_EQ(k.g().shown_name.str(), "ABHIPQXYZ");
    EXPECT_EQ(k.run.count_sound(1), 9);
    // Cursor ranges reach a few pixels higher than the mouse's.
    k.press_at(20, 98, false);
    k.press_at(20, 98, true);
    EXPECT_EQ(k.g().typed_name.str(), "ABHIPQXYZA");
    // Bounds are outside.
    k.press_at(39, 108);
    k.press_at(20, 114);
    EXPECT_EQ(k.g().typed_name.str(), "ABHIPQXYZA");
    k.erase();
    k.erase();
    EXPECT_EQ(k.g().typed_name.str(), "ABHIPQXY");
    const double before = k.run.now();
    k.erase();
    EXPECT_GE(k.run.now() - before, 200);

    k.set_table({{10, "A"}, {20, "B"}, {30, "C"}});
    k.g().entry_threshold = 25;
    k.run.clear_audio();
    k.enter();
    EXPECT_EQ(table_of(k.g()), (Table{{20, "B"}, {25, "ABHIPQX"}, {30, "C"}}));
    EXPECT_EQ(k.run.read_file("hc.txt"), table_bytes({{20, "B"}, {25, "ABHIPQX"}, {30, "C"}}));
    EXPECT_EQ(k.g().typed_name.str(), "");
    EXPECT_EQ(k.g().shown_name.str(), "");
    EXPECT_EQ(k.g().menu_page, game::MenuPage::high_scores);
    EXPECT_EQ(k.run.sounds(), (std::vector<int>{13}));
}

TEST(NameEntry, DeleteOnAnEmptyNameKeepsItEmptyAndEnterStoresZorby) {
    Keyboard k;
    k.letter('Q');
    k.erase();
    k.erase();
    EXPECT_EQ(k.g().typed_name.str(), "");
    EXPECT_EQ(k.run.count_sound(1), 3);
    k.set_table({{10, "A"}, {20, "B"}, {30, "C"}});
    k.g().entry_threshold = 40;
    k.enter();
    EXPECT_EQ(table_of(k.g()), (Table{{20, "B"}, {30, "C"}, {40, "Zorby"}}));
}

TEST(NameEntry, NamesStopGrowingAtAThousandLettersAndReadBackWhole) {
    Keyboard k;
    k.g().typed_name = std::string(998, 'K');
    for (int i = 0; i < 4; ++i) k.letter('M');
    EXPECT_EQ(k.g().typed_name.length(), 1000);
    EXPECT_EQ(k.g().typed_name.str(), std::string(998, 'K') + "MM");
    k.set_table({{10, "A"}, {20, "B"}, {30, "C"}});
    k.g().entry_threshold = 50;
    k.enter();
    k.set_table({{0, ""}, {0, ""}, {0, ""}});
    game::load_high_scores();
    EXPECT_EQ(table_of(k.g()), (Table{{20, "B"}, {30, "C"}, {50, std::string(998, 'K') + "MM"}}));
}

TEST(NameEntry, HeldLetterTypesOnePer200Milliseconds) {
    const std::string hc = table_bytes({{10, "A"}, {20, "B"}, {30, "C"}});
    std::vector<double> times;
    // The name entry opens after frame 0; the mouse holds B over frames 1..5.
    GameRun held(&hc);
    held.answer_intro(GameRun::kMouse);
    held.mouse_to(1, 60, 108);
    held.button_down(1);
    held.button_up(6);
    double last_length = 0;
    held.run(8, [&](uint64_t f) {
        GameState& g = held.state();
        if (f == 0) g.menu_page = game::MenuPage::name_entry;
        if (g.typed_name.length() != last_length) times.push_back(held.now());
        last_length = g.typed_name.length();
    });
    EXPECT_EQ(held.state().typed_name.str(), "BBBBB");
    ASSERT_EQ(times.size(), 5u);
    for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 200);
}

TEST(HighScoreEntry, ThresholdRulesAcrossGamesWithSlideNameEntryAndTable) {
    const std::string hc = table_bytes({{10, "A"}, {20, "B"}, {30, "C"}});
    GameRun run(&hc);
    run.answer_intro(GameRun::kMouse);
    // Game 1 ends with 25 after frame 0: the slide runs inside frame 1 (616 frames),
    // then the name entry is open.
    std::vector<int> slide;
    game::MenuPage page_after_game_1 = game::MenuPage::main_menu;
    run.run(618, [&](uint64_t f) {
        GameState& g = run.state();
        if (f == 0) {
            g.score = 25;
            g.energy = 0;
        } else if (f <= 616) {
            slide.push_back(g.loop_index);
        } else if (f == 617) {
            page_after_game_1 = g.menu_page;
        }
    });
    ASSERT_EQ(slide.size(), 616u);
    EXPECT_EQ(slide.front(), 330);
    EXPECT_EQ(slide.back(), 330 - 2 * 615);
    EXPECT_EQ(page_after_game_1, game::MenuPage::name_entry);
    EXPECT_EQ(run.state().entry_threshold, 25);
    EXPECT_EQ(run.state().energy, 300);
    EXPECT_EQ(run.state().game_state, game::Screen::menu);
}

TEST(HighScoreEntry, EnteredScoreRaisesTheThresholdForTheRestOfTheRun) {
    const std::string hc = table_bytes({{10, "A"}, {20, "B"}, {30, "C"}});
    GameRun run(&hc);
    run.answer_intro(GameRun::kMouse);
    std::vector<std::pair<uint64_t, double>> pages;
    // Frame 0: game over with 25 (slide: frames 1..616, frame 1 ends at 617).
    // Frame 618: enter on the keyboard. Frame 620: game over with 22 -> main menu,
    // no slide. Frame 622: game over with 25 -> qualifies again.
    run.click(618, 200, 160);
    run.run(622 + 616 + 2, [&](uint64_t f) {
        GameState& g = run.state();
        if (f == 0) g.score = 25, g.energy = 0;
        if (f == 619) {
            EXPECT_EQ(g.menu_page, game::MenuPage::high_scores);
            EXPECT_EQ(table_of(g), (Table{{20, "B"}, {25, "Zorby"}, {30, "C"}}));
            g.score = 22, g.energy = 0;
        }
        if (f == 620) {
            EXPECT_EQ(g.menu_page, game::MenuPage::main_menu) << "22 is below the threshold 25";
            EXPECT_EQ(g.entry_threshold, 25);
            g.score = 25, g.energy = 0;
        }
        if (f == 621 + 616) {
            EXPECT_EQ(g.menu_page, game::MenuPage::name_entry)
                << "equal to the threshold qualifies";
        }
    });
    EXPECT_EQ(run.read_file("hc.txt"), table_bytes({{20, "B"}, {25, "Zorby"}, {30, "C"}}));
}

}  // namespace
}  // namespace zorby::testing
