// The system's files and folders: the player's folders from the XDG variables or the
// home folder, and the temporary folder from $TMPDIR; on Windows the player's folder
// in %APPDATA% and the temporary folder GetTempPath names (from TMP, else TEMP).
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/posix_compat.h"

namespace zorby {
namespace {

// Sets (or, with nullptr, removes) an environment variable for one scope.
class EnvFor {
public:
    EnvFor(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~EnvFor() { set(old_ ? old_->c_str() : nullptr); }
    void set(const char* value) {
        if (value) {
            ::setenv(name_, value, 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

#ifndef _WIN32
TEST(SystemFiles, UserFoldersFollowTheXdgVariablesElseTheHomeFolder) {
    platform::Files& files = platform::system_files();
    EnvFor home("HOME", "/home/player/");
    EnvFor data("XDG_DATA_HOME", "/xdg/data/");
    EnvFor config("XDG_CONFIG_HOME", "/xdg/./config");
    EXPECT_EQ(files.user_data_folder(), "/xdg/data/zorby");
    EXPECT_EQ(files.user_config_folder(), "/xdg/config/zorby");
    // Relative or missing variables are ignored.
    data.set("relative/data");
    config.set(nullptr);
    EXPECT_EQ(files.user_data_folder(), "/home/player/.local/share/zorby");
    EXPECT_EQ(files.user_config_folder(), "/home/player/.config/zorby");
    // Without an absolute home there is no folder at all.
    home.set("player");
    EXPECT_EQ(files.user_data_folder(), "");
    EXPECT_EQ(files.user_config_folder(), "");
}

TEST(SystemFiles, TheTemporaryFolderIsTmpdirWithoutItsTrailingSlashesElseTmp) {
    platform::Files& files = platform::system_files();
    EnvFor tmpdir("TMPDIR", "/var/scratch//");
    EXPECT_EQ(files.temporary_folder(), "/var/scratch");
    tmpdir.set("/");
    EXPECT_EQ(files.temporary_folder(), "/");
    tmpdir.set("");
    EXPECT_EQ(files.temporary_folder(), "/tmp");
    tmpdir.set(nullptr);
    EXPECT_EQ(files.temporary_folder(), "/tmp");
}
#else
bool is_absolute_windows_path(const std::string& path) {
    return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

TEST(SystemFiles, UserFoldersAreZorbyInTheRoamingApplicationDataFolder) {
    platform::Files& files = platform::system_files();
    EnvFor app_data("APPDATA", "C:\\Users\\player\\AppData\\Roaming");
    EXPECT_EQ(files.user_data_folder(), "C:\\Users\\player\\AppData\\Roaming\\zorby");
    EXPECT_EQ(files.user_config_folder(), "C:\\Users\\player\\AppData\\Roaming\\zorby");
    // Trailing separators are not doubled.
    app_data.set("D:\\Roaming\\\\");
    EXPECT_EQ(files.user_data_folder(), "D:\\Roaming\\zorby");
    // A relative or missing variable gives the folder Windows itself names.
    for (const char* value : {"relative\\Roaming", static_cast<const char*>(nullptr)}) {
        app_data.set(value);
        const std::string folder = files.user_data_folder();
        EXPECT_TRUE(is_absolute_windows_path(folder)) << folder;
        ASSERT_GE(folder.size(), 6u);
        EXPECT_EQ(folder.substr(folder.size() - 6), "\\zorby") << folder;
        EXPECT_EQ(files.user_config_folder(), folder);
    }
}

TEST(SystemFiles, TheTemporaryFolderIsGetTempPathWithoutItsTrailingSeparator) {
    platform::Files& files = platform::system_files();
    EnvFor tmp("TMP", "C:\\scratch\\");
    EnvFor temp("TEMP", "C:\\other");
    EXPECT_EQ(files.temporary_folder(), "C:\\scratch");
    tmp.set("C:\\scratch");
    EXPECT_EQ(files.temporary_folder(), "C:\\scratch");
    // A drive's root keeps its separator.
    tmp.set("D:\\");
    EXPECT_EQ(files.temporary_folder(), "D:\\");
    // Without TMP, TEMP.
    tmp.set(nullptr);
    EXPECT_EQ(files.temporary_folder(), "C:\\other");
}
#endif

}  // namespace
}  // namespace zorby
