// File channels: byte formats, lines, the end of a file and the error stops.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/file_channels.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"

namespace zorby {
namespace {

using testing::file_text;
using testing::TempDir;
using testing::TestEngine;

void put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class FileChannelTest : public ::testing::Test {
protected:
    // Runs fn and returns the error number it stopped the program with (0: none).
    double stop_code(const std::function<void()>& fn) {
        const int status = te_.run_until_end(fn);
        return status == -1 ? 0.0 : te_.engine().error.error_number;
    }
    EngineString path(const std::string& name) const { return EngineString(dir_.file(name)); }

    TestEngine te_;
    TempDir dir_;
};

TEST_F(FileChannelTest, NumbersRoundTripInTheirByteFormats) {
    ASSERT_EQ(open_channel(0, path("n.bin"), 0), 1.0);
    write_byte(0, 300);    // low 8 bits: 44
    write_word(0, 70000);  // low 16 bits: 4464
    write_long(0, 70000);
    write_long(0, -1);
    write_long(0, 4294967296.0 + 5);
    write_double(0, -2.25);
    write_double(0, std::nan(""));
    write_text(0, "AB");
    write_text(0, EngineString());
    close_channel(0);
    const std::string bytes = file_text(dir_.file("n.bin"));
    ASSERT_EQ(bytes.size(), 1u + 2 + 4 * 3 + 8 * 2 + 2);
    EXPECT_EQ(bytes.substr(0, 7), std::string("\x2c\x70\x11\x70\x11\x01\x00", 7));
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "AB");

    ASSERT_EQ(open_channel(3.9, path("n.bin"), 1), 1.0);  // 3.9 selects channel 3
    EXPECT_EQ(end_of_channel(3), 0.0);
    EXPECT_EQ(read_byte(3), 44.0);
    EXPECT_EQ(read_word(3), 4464.0);
    EXPECT_EQ(read_long(3), 70000.0);
    EXPECT_EQ(read_long(3), 4294967295.0);
    EXPECT_EQ(read_long(3), 5.0);
    EXPECT_EQ(read_double(3), -2.25);
    EXPECT_TRUE(std::isnan(read_double(3)));
    EXPECT_EQ(read_text(3, 0).str(), "");
    EXPECT_EQ(read_text(3, 2).str(), "AB");
    EXPECT_EQ(end_of_channel(3), 1.0);
    EXPECT_EQ(stop_code([] { read_byte(3); }), 3.0);
}

TEST_F(FileChannelTest, LinesWithEveryKindOfLineEnd) {
    ASSERT_EQ(open_channel(1, path("l.txt"), 0), 1.0);
    write_line(1, "abc");
    write_number_line(1, 1.0 / 3.0);
    close_channel(1);
    EXPECT_EQ(file_text(dir_.file("l.txt")), "abc\r\n0.3333333333\r\n");

    // CR LF, a lone LF, an empty line, a line of 2000 bytes, then a last line without
    // a line end.
    const std::string long_line(2000, 'x');
    put(dir_.file("l.txt"), "one\r\ntwo\n\r\n" + long_line + "\r\nlast");
    ASSERT_EQ(open_channel(1, path("l.txt"), 1), 1.0);
    EXPECT_EQ(read_line(1).str(), "one");
    EXPECT_EQ(read_line(1).str(), "two");
    EXPECT_EQ(read_line(1).str(), "");
    EXPECT_EQ(read_line(1).str(), long_line.substr(0, 1024));
    EXPECT_EQ(read_line(1).str(), long_line.substr(1024));
    EXPECT_EQ(end_of_channel(1), 0.0);
    EXPECT_EQ(read_line(1).str(), "last");
    EXPECT_EQ(end_of_channel(1), 1.0);
    EXPECT_EQ(stop_code([] { read_line(1); }), 3.0);
}

TEST_F(FileChannelTest, ReadLinePutsTheFileBackBehindTheLineEnd) {
    // A CR LF pair split by a 64-byte chunk boundary, then binary data after a line.
    const std::string first(63, 'a');
    put(dir_.file("m.bin"), first + "\r\nname\n" + std::string("\x10\x00\x00\x00", 4) + "7.5\n");
    ASSERT_EQ(open_channel(2, path("m.bin"), 1), 1.0);
    EXPECT_EQ(read_line(2).str(), first);
    EXPECT_EQ(read_line(2).str(), "name");
    EXPECT_EQ(read_long(2), 16.0);
    EXPECT_EQ(read_number_line(2), 7.5);
    EXPECT_EQ(end_of_channel(2), 1.0);
}

TEST_F(FileChannelTest, OpeningMissingExistingAndBusyFiles) {
    // A missing file opens as 0.0 and leaves the channel closed.
    EXPECT_EQ(open_channel(0, path("missing.txt"), 1), 0.0);
    EXPECT_EQ(end_of_channel(0), 1.0);
    EXPECT_EQ(open_channel(0, path(""), 1), 0.0);
    EXPECT_EQ(open_channel(0, EngineString(dir_.path()), 1), 0.0);  // a directory

    // Writing empties an existing file.
    put(dir_.file("hc.txt"), "old contents");
    ASSERT_EQ(open_channel(0, path("hc.txt"), 0), 1.0);
    EXPECT_EQ(file_text(dir_.file("hc.txt")), "");
    // While a channel holds a file, no other channel can open it.
    EXPECT_EQ(open_channel(1, path("hc.txt"), 1), 0.0);
    write_text(0, "new");
    close_channel(0);
    EXPECT_EQ(open_channel(1, path("hc.txt"), 1), 1.0);
    EXPECT_EQ(read_text(1, 3).str(), "new");
    // Reopening a channel closes what it held.
    ASSERT_EQ(open_channel(1, path("other.txt"), 0), 1.0);
    EXPECT_EQ(open_channel(2, path("hc.txt"), 1), 1.0);

    // Back-slashes count as slashes; relative names resolve in the current directory.
    std::filesystem::create_directory(dir_.file("sub"));
    put(dir_.file("sub/x.txt"), "hi\n");
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    const double opened = open_channel(4, "sub\\x.txt", 1);
    std::filesystem::current_path(cwd);
    ASSERT_EQ(opened, 1.0);
    EXPECT_EQ(read_line(4).str(), "hi");
}

TEST_F(FileChannelTest, ReadTextStopsAtNulAndRefusesCountsPastTheEnd) {
    put(dir_.file("t.bin"), std::string("ab\0cd", 5));
    ASSERT_EQ(open_channel(5, path("t.bin"), 1), 1.0);
    const EngineString t = read_text(5, 5);
    EXPECT_EQ(t.str(), "ab");
    EXPECT_EQ(end_of_channel(5), 1.0);
    EXPECT_EQ(read_text(99, -1).str(), "");  // count <= 0: the channel is not checked
    ASSERT_EQ(open_channel(5, path("t.bin"), 1), 1.0);
    // A huge count fails as a short read without taking storage for it.
    EXPECT_EQ(stop_code([] { read_text(5, 1e12); }), 3.0);
}

TEST_F(FileChannelTest, BadChannelsAndFailedTransfersStop) {
    EXPECT_EQ(end_of_channel(8), 1.0);
    EXPECT_EQ(end_of_channel(-1), 1.0);
    EXPECT_EQ(end_of_channel(std::nan("")), 1.0);
    for (double bad : {8.0, -0.5, std::nan("")}) {
        TestEngine te;
        EXPECT_EQ(te.run_until_end([bad] { read_long(bad); }), 1);
        EXPECT_EQ(te.engine().error.error_number, 7.0) << bad;
    }
    {
        TestEngine te;
        te.run_until_end([&] { open_channel(8, path("x"), 0); });
        EXPECT_EQ(te.engine().error.error_number, 7.0);
    }
    {
        TestEngine te;
        te.run_until_end([] { close_channel(-1); });
        EXPECT_EQ(te.engine().error.error_number, 7.0);
    }
    {
        // A missing file's channel stays closed: reading from it fails with 3.
        TestEngine te;
        EXPECT_EQ(open_channel(0, path("missing.txt"), 1), 0.0);
        te.run_until_end([] { read_long(0); });
        EXPECT_EQ(te.engine().error.error_number, 3.0);
    }
    {
        TestEngine te;
        te.run_until_end([] { write_long(6, 1); });
        EXPECT_EQ(te.engine().error.error_number, 3.0);
    }
    {
        // A channel opened for reading cannot be written.
        put(dir_.file("r.txt"), "x");
        TestEngine te;
        ASSERT_EQ(open_channel(0, path("r.txt"), 1), 1.0);
        te.run_until_end([] { write_line(0, "y"); });
        EXPECT_EQ(te.engine().error.error_number, 3.0);
    }
}

TEST(FileChannelDeathTest, ReadingPastTheEndEndsTheProcess) {
    TempDir dir;
    const std::string name = dir.file("empty.txt");
    put(name, "");
    EXPECT_EXIT(
        {
            Engine e;
            set_current_engine(&e);
            open_channel(0, EngineString(name), 1);
            read_line(0);
        },
        ::testing::ExitedWithCode(1), "run-time error 3 \\(failed file transfer\\)");
}

}  // namespace
}  // namespace zorby
