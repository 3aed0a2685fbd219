// The file toolkit: replacing a file keeps the old one whenever a step fails, and
// whole-file reads honour their limit. Failures are made through the FileOps seam.
#include "platform/portable/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "platform/portable/private_files.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;

TEST(ReplaceFile, EveryFailingStepLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const std::string path = dir.file("table.bin");
    const std::string new_bytes(100000, 'n');
    struct Case {
        const char* step;
        int error_number;
        std::function<void(platform::FileOps&)> break_it;
    };
    int writes = 0;
    const std::vector<Case> cases = {
        {"open", EACCES,
         [](platform::FileOps& ops) {
             ops.open = [](const char*, int, mode_t) { return errno = EACCES, -1; };
         }},
        // The disk fills up after the first part: a write that makes no progress.
        {"write", ENOSPC,
         [&](platform::FileOps& ops) {
             ops.write = [&](int fd, const void* data, size_t n) -> ssize_t {
                 return ++writes == 1 ? ::write(fd, data, std::min<size_t>(n, 4096)) : 0;
             };
         }},
        {"write", EIO,
         [](platform::FileOps& ops) {
             ops.write = [](int, const void*, size_t) -> ssize_t { return errno = EIO, -1; };
         }},
        {"flush", EIO,
         [](platform::FileOps& ops) { ops.fsync = [](int) { return errno = EIO, -1; }; }},
        {"close", EIO,
         [](platform::FileOps& ops) {
             ops.close = [](int fd) { return ::close(fd), errno = EIO, -1; };
         }},
        {"rename", EXDEV,
         [](platform::FileOps& ops) {
             ops.rename = [](const char*, const char*) { return errno = EXDEV, -1; };
         }},
    };
    for (const Case& c : cases) {
        write_bytes(path, {'o', 'l', 'd'});
        platform::FileOps ops = platform::system_file_ops();
        c.break_it(ops);
        writes = 0;
        const platform::FileStatus status = platform::replace_file(path, new_bytes, ops);
        EXPECT_FALSE(status) << c.step;
        EXPECT_STREQ(status.step, c.step);
        EXPECT_EQ(status.error_number, c.error_number) << c.step;
        EXPECT_EQ(file_text(path), "old") << c.step;
        EXPECT_FALSE(fs::exists(platform::replace_temp_path(path))) << c.step;
    }
    // Nothing broken: the new bytes replace the old, over a left-over temporary file
    // that is a link to a file that must not be written through.
    const std::string victim = dir.file("victim");
    write_bytes(victim, {'v'});
#ifdef _WIN32
    // Windows players cannot make links; what a crash leaves there is a plain file.
    write_bytes(platform::replace_temp_path(path), {'l', 'e', 'f', 't'});
#else
    fs::create_symlink(victim, platform::replace_temp_path(path));
#endif
    ASSERT_TRUE(platform::replace_file(path, new_bytes));
    EXPECT_EQ(file_text(path), new_bytes);
    EXPECT_EQ(file_text(victim), "v");
    EXPECT_FALSE(fs::exists(platform::replace_temp_path(path)));
}

// A player's folder named with letters beyond ASCII (a player "Zoë", Cyrillic, CJK):
// the engine's UTF-8 names reach the system intact, so the folder and the table carry
// the names asked for and are found again.
TEST(ReplaceFile, WorksInFoldersNamedBeyondAscii) {
    TempDir dir;
    const std::string name = "Zo\xC3\xAB \xD0\x98\xD0\xB3\xD1\x80\xD0\xB0 \xE6\xB8\xB8\xE6\x88\x8F";
    const std::string folder = dir.path() + "/" + name + "/zorby";
    std::string error;
    ASSERT_TRUE(platform::make_private_folder(folder, error)) << error;
    const std::string path = folder + "/hc.txt";
    ASSERT_TRUE(platform::replace_file(path, std::string("scores")));
    ASSERT_TRUE(platform::replace_file(path, std::string("better scores")));
    std::vector<uint8_t> out;
    ASSERT_TRUE(platform::read_whole_file(path, 100, out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "better scores");
    EXPECT_TRUE(platform::exists_itself(path));
    EXPECT_FALSE(platform::exists_itself(platform::replace_temp_path(path)));
    // Listed by the system under the UTF-8 name (not a code page's guess at it).
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(platform::native_path(dir.path()))) {
        names.push_back(platform::utf8_path(e.path().filename()));
    }
    EXPECT_EQ(names, std::vector<std::string>{name});
}

TEST(ReadWholeFile, HonoursTheLimitAndReadsOnlyRegularFiles) {
    TempDir dir;
    const std::string path = dir.file("data");
    write_bytes(path, std::vector<uint8_t>(5000, 7));
    std::vector<uint8_t> out;
    ASSERT_TRUE(platform::read_whole_file(path, 5000, out));
    EXPECT_EQ(out, std::vector<uint8_t>(5000, 7));
    platform::FileStatus status = platform::read_whole_file(path, 4999, out);
    EXPECT_STREQ(status.step, "too large");
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(platform::read_file_start(path, 3000, out));
    EXPECT_EQ(out.size(), 3000u);
    // Reads in small pieces, interrupted now and then, still give every byte.
    platform::FileOps ops = platform::system_file_ops();
    int calls = 0;
    ops.read = [&](int fd, void* buffer, size_t n) -> ssize_t {
        if (++calls % 3 == 0) return errno = EINTR, -1;
        return ::read(fd, buffer, std::min<size_t>(n, 7));
    };
    ASSERT_TRUE(platform::read_whole_file(path, 5000, out, ops));
    EXPECT_EQ(out, std::vector<uint8_t>(5000, 7));

    EXPECT_TRUE(platform::read_whole_file(dir.file("none"), 10, out).missing());
    EXPECT_STREQ(platform::read_whole_file(dir.path(), 10, out).step, "not a regular file");
#ifndef _WIN32  // Windows has no named pipes among its files
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_STREQ(platform::read_whole_file(dir.file("fifo"), 10, out).step, "not a regular file");
#endif
}

}  // namespace
}  // namespace zorby::testing
