// Where the program takes its files from and where the high-score table goes: the
// choices that depend on a marker file beside the program and on whether a folder
// and its table may be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/user_folders.h"
#include "game/high_score_place.h"
#include "support/engine_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;

void touch(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x";
}

TEST(DataFolder, MarkersChooseTheFolderAndWhetherItIsPortable) {
    struct Case {
        const char* what;
        std::vector<const char*> files;  // made under the test folder
        const char* install_relative;
        const char* found;  // relative to the test folder; "" for none
        bool portable;
    };
    const Case cases[] = {
        {"build folder", {"bin/smalfont.bmp"}, "../share/zorby", "bin", true},
        {"installed copy beside its files",
         {"bin/smalfont.bmp", "bin/zorby-installed.txt"},
         "../share/zorby",
         "bin",
         false},
        {"install tree", {"share/zorby/smalfont.bmp"}, "../share/zorby/", "share/zorby", false},
        {"install tree, marker beside the program",
         {"share/zorby/smalfont.bmp", "bin/zorby-installed.txt"},
         "../share/zorby",
         "share/zorby",
         false},
        {"beside the program wins",
         {"bin/smalfont.bmp", "share/zorby/smalfont.bmp"},
         "../share/zorby",
         "bin",
         true},
        {"a folder named as the marker", {"bin/smalfont.bmp/x"}, "../share/zorby", "", false},
        {"no install tree named", {"share/zorby/smalfont.bmp"}, "", "", false},
        {"nothing", {"bin/zorby-installed.txt"}, "../share/zorby", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::create_directories(dir.file("bin"));
        for (const char* f : c.files) touch(dir.file(f));
        const app::DataFolder found = app::find_data_folder(dir.file("bin"), c.install_relative);
        // Compared part by part: Windows' paths mix both separators.
        if (*c.found) {
            EXPECT_TRUE(fs::path(found.path) == fs::path(dir.file(c.found))) << found.path;
        } else {
            EXPECT_EQ(found.path, "");
        }
        EXPECT_EQ(found.portable, c.portable);
    }
    EXPECT_TRUE(app::find_data_folder("", "../share/zorby").path.empty());
}

#ifndef _WIN32
// Runs check as an ordinary user (root may write anywhere): in a child process that
// gave root up, else here. The number of wrong answers comes back.
int as_ordinary_user(const std::function<int()>& check) {
    if (::geteuid() != 0) return check();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
        ::_exit(check());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return 98;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 97;
}

// The table stays in the game's folder only when that folder is portable, holds its
// own table, and both may be written; otherwise it is the player's, with the game's
// table standing in until the first save. Without a player's folder it stays.
TEST(HighScorePlace, OwnTableOnlyInAWritablePortableFolderThatHoldsOne) {
    struct Case {
        const char* what;
        bool portable, own_table;
        int folder_mode, table_mode;
        bool user_folder, stays;
    };
    const Case cases[] = {
        {"writable portable folder", true, true, 0777, 0666, true, true},
        {"installed", false, true, 0777, 0666, true, false},
        {"no table of its own", true, false, 0777, 0666, true, false},
        {"read-only folder", true, true, 0555, 0666, true, false},
        {"read-only table", true, true, 0777, 0444, true, false},
        {"no player's folder", false, true, 0555, 0444, false, true},
    };
    // Where an ordinary user can reach it (the test's private TMPDIR is root's own).
    TempDir dir(::geteuid() == 0 ? "/tmp" : std::filesystem::temp_directory_path().string());
    ::chmod(dir.path().c_str(), 0755);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string data = dir.file("data" + std::to_string(n));
        const std::string user = dir.file("user" + std::to_string(n++));
        fs::create_directories(data);
        if (c.own_table) {
            touch(data + "/hc.txt");
            ::chmod((data + "/hc.txt").c_str(), static_cast<mode_t>(c.table_mode));
        }
        ::chmod(data.c_str(), static_cast<mode_t>(c.folder_mode));
        game::set_high_score_folders(data, c.portable, c.user_folder ? user : "");
        const int wrong = as_ordinary_user([&] {
            const game::HighScorePlace place = game::high_score_place();
            const bool own = place.table == data + "/hc.txt";
            const bool stands_in = place.default_table == data + "/hc.txt";
            const bool creates = place.folder_to_create == user;
            const bool player = place.table == user + "/hc.txt";
            if (c.stays) return own && place.default_table.empty() ? 0 : 1;
            return player && stands_in && creates ? 0 : 1;
        });
        EXPECT_EQ(wrong, 0);
        ::chmod(data.c_str(), 0755);
    }
    game::set_high_score_folders(".", true, "");  // "hc.txt" in the current folder again
}
#endif

}  // namespace
}  // namespace zorby::testing
