// The player's settings file as the program keeps it: read at start, written back
// safely when the game's sound switch or music volume changes and settles, unknown
// keys kept, damaged files warned about once and left alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/settings_keeper.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"
#include "support/save_faults.h"

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;
using app::PlayerSettings;
using app::SettingsKeeper;

#ifndef _WIN32
int mode_of(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}
#endif

void write_text(const std::string& path, const std::string& text) {
    write_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// The program's clock as the keeper sees it: a frame at 60 a second.
double g_clock_ms = 0.0;
constexpr double kFrameMs = 1000.0 / 60.0;
// Frames after which a change has settled.
constexpr int kSettleFrames = static_cast<int>(SettingsKeeper::kSettleMs / kFrameMs) + 1;

void observe(SettingsKeeper& k, bool sound, int volume, bool fullscreen) {
    g_clock_ms += kFrameMs;
    k.observe(sound, volume, fullscreen, g_clock_ms);
}

// Frames of the game as the program entry reports them to the keeper.
void play_frames(SettingsKeeper& k, bool sound, int volume, int frames, bool fullscreen = false) {
    for (int i = 0; i < frames; ++i) observe(k, sound, volume, fullscreen);
}

TEST(SettingsFile, ChangesRoundTripWithUnknownKeysKeptAndPrivateFolders) {
    TempDir dir;
    const std::string folder = dir.file("config/zorby");
    const std::string path = folder + "/settings";
    {
        // No file: the defaults, and nothing is written while nothing changes.
        SettingsKeeper k(path);
        EXPECT_EQ(k.stored(), PlayerSettings{});
        play_frames(k, true, 4, 100);
        EXPECT_FALSE(fs::exists(folder));
        // Started full screen by --fullscreen: the command line is not stored.
        k.start_window(true);
        play_frames(k, true, 4, 100, true);
        EXPECT_FALSE(fs::exists(folder));
        k.start_window(false);
        // Page Up held for three frames: one write once the value has settled.
        observe(k, true, 5, false);
        observe(k, true, 6, false);
        observe(k, true, 7, false);
        EXPECT_FALSE(fs::exists(path)) << "written before the value settled";
        play_frames(k, true, 7, kSettleFrames);
        ASSERT_TRUE(fs::exists(path));
#ifndef _WIN32  // Windows files have no mode bits: the profile's own rights apply
        EXPECT_EQ(mode_of(folder), 0700);
        EXPECT_EQ(mode_of(dir.file("config")), 0700);
        EXPECT_EQ(mode_of(path), 0600);
#else
        EXPECT_TRUE(fs::is_directory(dir.file("config")));
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_TRUE(fs::is_regular_file(path));
#endif
        EXPECT_FALSE(fs::exists(path + ".new"));
    }
    // A hand-edited file with a later version's keys and comments.
    write_text(path,
               "# mine\nscale = 3\n  fullscreen=yes  \nfuture_key = a = b\n\nsound = on\n"
               "music_volume = 7\nother.key=1\n");
    {
        SettingsKeeper k(path);
        PlayerSettings want;
        want.scale = 3;
        want.fullscreen = true;
        want.music_volume = 7;
        want.unknown = {{"future_key", "a = b"}, {"other.key", "1"}};
        EXPECT_EQ(k.stored(), want);
        k.start_window(true);
        // Switched off on the Options page; a change that is undone is not written.
        play_frames(k, true, 2, 5, true);
        play_frames(k, true, 7, 100, true);
        EXPECT_NE(file_text(path).find("# mine"), std::string::npos);
        // Alt+Enter back to the window and sound off, just before the program ends.
        observe(k, false, 7, false);
        k.flush();  // the program ends before the change settles
    }
    SettingsKeeper again(path);
    EXPECT_EQ(again.stored().scale, 3);
    EXPECT_FALSE(again.stored().fullscreen);
    EXPECT_FALSE(again.stored().sound);
    EXPECT_EQ(again.stored().music_volume, 7);
    EXPECT_EQ(again.stored().unknown.size(), 2u);
    const std::string text = file_text(path);
    EXPECT_NE(text.find("# Music volume"), std::string::npos) << "the written file is commented";
    EXPECT_NE(text.find("future_key = a = b\n"), std::string::npos);

    // A file filled to the reader's limit with compact unknown keys ("k1=v" lines
    // grow to "k1 = v" when written): the game's own file is never too large to read
    // back; unknown keys that would not fit are left out, the settings stay.
    std::string full = "music_volume=9\n";
    for (int i = 0; full.size() + 200 < app::kMaxSettingsBytes; ++i) {
        full += "k" + std::to_string(i) + "=" + std::string(100, 'v') + "\n";
    }
    write_text(path, full);
    {
        SettingsKeeper k(path);
        ASSERT_EQ(k.stored().music_volume, 9);
        play_frames(k, true, 3, kSettleFrames + 1);
    }
    EXPECT_LE(file_text(path).size(), app::kMaxSettingsBytes);
    ::testing::internal::CaptureStderr();
    SettingsKeeper refilled(path);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(refilled.stored().music_volume, 3);
    EXPECT_GT(refilled.stored().unknown.size(), 500u);
}

// A file written by another system's editor reads as the game's own: CR LF line
// ends, no line end after the last line, spaces and tabs around keys and values.
TEST(SettingsFile, EveryLineEndStyleReadsTheSame) {
    TempDir dir;
    const std::string path = dir.file("settings");
    PlayerSettings want;
    want.scale = 3;
    want.fullscreen = true;
    want.sound = false;
    want.music_volume = 7;
    want.unknown = {{"future_key", "a b"}};
    for (const LineEnds& style :
         line_end_styles("# mine\n\nscale = 3\n\tfullscreen=yes \nsound = off\nfuture_key = a b\n"
                         "music_volume = 7\n")) {
        SCOPED_TRACE(style.name);
        write_text(path, style.text);
        ::testing::internal::CaptureStderr();
        SettingsKeeper k(path);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(k.stored(), want);
    }
}

TEST(SettingsFile, DamagedFilesWarnOnceGiveTheDefaultsAndStayUntilAChange) {
    TempDir dir;
    const std::string path = dir.file("settings");
    struct Case {
        const char* what;
        std::string text;
    };
    const Case cases[] = {
        {"binary", std::string("scale = 2\n\x01\x02\xff", 13)},
        {"no '='", "scale = 2\nsound off\n"},
        {"bad value", "scale = 2\nmusic_volume = 11\n"},
        {"bad key", "scale = 2\n = 4\n"},
        {"huge", std::string(app::kMaxSettingsBytes + 1, '#')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_text(path, c.text);
        ::testing::internal::CaptureStderr();
        SettingsKeeper k(path);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(k.stored(), PlayerSettings{});
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("settings file " + path + " is damaged"), std::string::npos) << err;
        EXPECT_NE(err.find("using the defaults"), std::string::npos) << err;
        play_frames(k, true, 4, 100);
        EXPECT_EQ(file_text(path), c.text) << "overwritten without a change";
        play_frames(k, false, 4, kSettleFrames + 1);
        SettingsKeeper fixed(path);
        EXPECT_FALSE(fixed.stored().sound);
    }
    // A folder in the file's place: one warning at start, one when a write fails,
    // and the game goes on.
    fs::remove(path);
    fs::create_directory(path);
    ::testing::internal::CaptureStderr();
    SettingsKeeper k(path);
    play_frames(k, false, 4, kSettleFrames + 1);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    EXPECT_NE(err.find("is damaged (not a file)"), std::string::npos) << err;
    EXPECT_NE(err.find("cannot be written"), std::string::npos) << err;
    EXPECT_TRUE(fs::is_directory(path));
}

// A settings file saved by the game, then a change of the music volume to volume that
// is saved through ops. The stderr lines of that save come back.
std::string change_volume(const std::string& path, const platform::FileOps& ops, int volume) {
    SettingsKeeper k(path);
    k.set_file_ops_for_tests(ops);
    ::testing::internal::CaptureStderr();
    play_frames(k, true, volume, kSettleFrames + 1);
    return ::testing::internal::GetCapturedStderr();
}

TEST(SettingsFile, SaveFaultsKeepTheOldFileSayWhyOnceAndTheGameGoesOn) {
    TempDir dir;
    const std::string path = dir.file("zorby/settings");
    const std::string temp = platform::replace_temp_path(path);
    change_volume(path, platform::system_file_ops(), 7);
    const std::string old_text = file_text(path);
    ASSERT_NE(old_text.find("music_volume = 7"), std::string::npos);
    for (const SaveFault& fault : save_faults()) {
        SCOPED_TRACE(fault.name);
        SettingsKeeper k(path);
        platform::FileOps ops = platform::system_file_ops();
        fault.apply(ops);
        k.set_file_ops_for_tests(ops);
        ::testing::internal::CaptureStderr();
        play_frames(k, true, 2, kSettleFrames + 1);
        // The game goes on; the failed save is not retried every frame.
        play_frames(k, true, 2, 200);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(file_text(path), old_text);
        EXPECT_FALSE(fs::exists(temp));
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("settings file " + path + " cannot be written"), std::string::npos)
            << err;
        EXPECT_NE(err.find(fault.reason), std::string::npos) << err;
        // The next change, with the disk mended, is saved.
        k.set_file_ops_for_tests(platform::system_file_ops());
        play_frames(k, true, 3, kSettleFrames + 1);
        EXPECT_EQ(SettingsKeeper(path).stored().music_volume, 3);
        write_text(path, old_text);
    }
    // The program dies at each step of a save: the old file (or, once renamed, the
    // new one) is whole at the next start, whose first save clears what was left.
    for (const CrashPoint& crash : crash_points()) {
        SCOPED_TRACE(crash.name);
        platform::FileOps ops = platform::system_file_ops();
        crash.apply(ops);
        EXPECT_THROW(change_volume(path, ops, 9), SaveCrash);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(SettingsKeeper(path).stored().music_volume, crash.new_in_place ? 9 : 7);
        if (!crash.new_in_place) {
            EXPECT_EQ(file_text(path), old_text);
        }
        EXPECT_EQ(change_volume(path, platform::system_file_ops(), 5), "");
        EXPECT_EQ(SettingsKeeper(path).stored().music_volume, 5);
        EXPECT_FALSE(fs::exists(temp));
        write_text(path, old_text);
    }
}

TEST(SettingsFile, ReadOnlyFolderKeepsTheFileAndTheGameGoesOn) {
    TempDir dir;
    const std::string path = dir.file("zorby/settings");
    EXPECT_EQ(change_volume(path, platform::system_file_ops(), 7), "");
    const std::string old_text = file_text(path);
    ReadOnlyFolder folder(dir.file("zorby"));
    if (folder.writable()) GTEST_SKIP() << kFolderStaysWritable;
    const std::string err = change_volume(path, platform::system_file_ops(), 2);
    EXPECT_EQ(file_text(path), old_text);
    EXPECT_FALSE(fs::exists(platform::replace_temp_path(path)));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("settings file " + path + " cannot be written"), std::string::npos) << err;
    EXPECT_NE(err.find("Permission denied"), std::string::npos) << err;
}

}  // namespace
}  // namespace zorby::testing
