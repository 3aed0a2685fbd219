// The libraries a started game has loaded, read from /proc/PID/maps as the process
// ends (support/traced_run.h): a game that shows no video never loads the media
// libraries, and an export loads them through the video module. Linux only.
#ifdef __linux__
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/engine_fixture.h"
#include "support/traced_run.h"

namespace zorby::testing {
namespace {

TEST(StartupLibraries, AGameWithoutVideoLoadsNoMediaLibraryAndAnExportLoadsThemThroughTheModule) {
    TempDir dir;
    const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + dir.path(),
                                          "XDG_DATA_HOME=" + dir.path()};
    // Answers the start-up question and ends after the first frame of the main menu
    // (every picture, font, sound and the music loaded).
    const std::string start = dir.file("start.script");
    std::ofstream(start) << "seed 1\n3 key 45 down\n4 key 45 up\n6 end\n";

    const test::TracedRun game = test::run_traced({ZORBY_GAME, "--replay", start}, env);
    ASSERT_EQ(game.status, 0);
    EXPECT_TRUE(game.has("libSDL2-2.0.so")) << "the maps were not read";
    for (const char* media : {"libavcodec.so", "libavformat.so", "libavutil.so", "libswscale.so",
                              "libswresample.so", "libzorby-video.so"}) {
        EXPECT_FALSE(game.has(media)) << media << " is loaded by a start without video";
    }

    const test::TracedRun exported =
        test::run_traced({ZORBY_GAME, "--replay", start, "--export", dir.file("start.mkv")}, env);
    ASSERT_EQ(exported.status, 0);
    EXPECT_TRUE(std::filesystem::file_size(dir.file("start.mkv")) > 0);
    EXPECT_TRUE(exported.has("libzorby-video.so"));
    EXPECT_TRUE(exported.has("libavcodec.so"));
}

}  // namespace
}  // namespace zorby::testing
#endif
