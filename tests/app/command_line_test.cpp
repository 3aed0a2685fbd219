// The program's command line: every option at both ends of what it takes, and the
// combinations it refuses with the one-line reason the program prints.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zorby::app {
namespace {

struct Parsed {
    bool ok;
    CommandLine line;
    std::string error;
};

Parsed parse(std::vector<const char*> args) {
    args.insert(args.begin(), "zorby");
    Parsed p;
    p.ok = parse_command_line(static_cast<int>(args.size()), args.data(), p.line, p.error);
    return p;
}

TEST(CommandLine, EachOptionAtBothEndsOfWhatItTakes) {
    EXPECT_EQ(parse({"--scale", "1"}).line.scale, 1);
    EXPECT_EQ(parse({"--scale=16"}).line.scale, 16);
    EXPECT_EQ(parse({"--scale", "09"}).line.scale, 9);
    EXPECT_FALSE(parse({}).line.scale.has_value());
    const Parsed all =
        parse({"--fullscreen", "--data", "d", "--replay=r", "--realtime", "--force"});
    ASSERT_TRUE(all.ok) << all.error;
    EXPECT_TRUE(all.line.fullscreen && all.line.realtime && all.line.force);
    EXPECT_EQ(all.line.data_dir, "d");
    EXPECT_EQ(all.line.replay_file, "r");
    const Parsed exporting = parse({"--replay", "r", "--export", "out.mkv", "--record", "x"});
    EXPECT_FALSE(exporting.ok);
    EXPECT_EQ(exporting.error, "--record and --replay cannot be used together");
    EXPECT_EQ(parse({"--replay", "r", "--export", "v.mkv"}).line.export_file, "v.mkv");
    EXPECT_EQ(parse({"--record", "-"}).line.record_file, "-");
    EXPECT_TRUE(parse({"-h"}).line.help);
    EXPECT_TRUE(parse({"--version"}).line.version);
    EXPECT_TRUE(parse({"--replays"}).line.list_replays);

    struct Refused {
        std::vector<const char*> args;
        const char* error;
    };
    const std::vector<Refused> refused = {
        {{"--scale", "0"}, "--scale needs a factor from 1 to 16, not '0'"},
        {{"--scale", "17"}, "--scale needs a factor from 1 to 16, not '17'"},
        {{"--scale", "100"}, "--scale needs a factor from 1 to 16, not '100'"},
        {{"--scale", "-1"}, "--scale needs a factor from 1 to 16, not '-1'"},
        {{"--scale", "2x"}, "--scale needs a factor from 1 to 16, not '2x'"},
        {{"--scale"}, "--scale needs a factor from 1 to 16"},
        {{"--scale="}, "--scale needs a factor from 1 to 16"},
        {{"--data"}, "--data needs a folder"},
        {{"--fullscreen=yes"}, "--fullscreen takes no value"},
        {{"--bogus"}, "unknown option --bogus (zorby --help lists the options)"},
        {{"extra"}, "unexpected argument 'extra' (zorby --help lists the options)"},
        {{"--realtime"}, "--realtime goes with --replay FILE"},
        {{"--export", "v.mkv"}, "--export goes with --replay FILE"},
        {{"--replay", "r", "--export", "v.mkv", "--realtime"},
         "--export and --realtime cannot be used together"},
        {{"--force"}, "--force goes with --replay FILE"},
        {{"--replays", "--record", "r"}, "--replays lists the kept recordings; it goes alone"},
    };
    for (const Refused& r : refused) {
        const Parsed p = parse(r.args);
        EXPECT_FALSE(p.ok) << r.error;
        EXPECT_EQ(p.error, r.error);
    }
}

}  // namespace
}  // namespace zorby::app
