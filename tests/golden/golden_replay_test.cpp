// Golden replays: committed input scripts (tests/golden/*.script, in the
// record-and-replay format) are replayed on the deterministic platform, and the
// game's trace (tests/support/golden_trace.h) is compared line for line with the
// committed trace (*.trace). Any change of what the game computes or draws shows up
// as the first differing line.
//
// When a change is intended, rewrite the traces and commit them with the change:
//   ZORBY_GOLDEN_UPDATE=1 ctest --test-dir build -R Golden
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/picture_preload.h"
#include "platform/replay/input_script.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"
#include "support/golden_trace.h"

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;

std::string golden_path(const std::string& name) {
    return std::string(ZORBY_SOURCE_DIR) + "/tests/golden/" + name;
}

// Replays the script in a fresh game directory and returns its trace.
std::string replay_trace(const platform::InputScript& script, bool preload,
                         bool full_screen = false) {
    TempDir dir;
    fill_game_dir(dir);
    GoldenTraceOptions options;
    options.preload = preload;
    options.full_screen = full_screen;
    return golden_trace(script, dir.path(), options);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// preload: the pictures are decoded ahead on the worker thread, as the program entry
// has them; every one of them must then have been taken, and the trace is the same.
void check_golden(const std::string& name, bool preload = false) {
    platform::InputScript script;
    std::string error;
    ASSERT_TRUE(platform::load_input_script(golden_path(name + ".script"), script, error)) << error;
    const std::string actual = replay_trace(script, preload);
    if (preload) {
        // The 38 sprites, 3 fonts and 3 intro backgrounds.
        EXPECT_EQ(preloaded_pictures_taken(), 44);
    }
    const std::string golden_file = golden_path(name + ".trace");

    const char* update = std::getenv("ZORBY_GOLDEN_UPDATE");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(golden_file, std::ios::binary | std::ios::trunc) << actual;
        std::printf("rewrote %s\n", golden_file.c_str());
        return;
    }

    const std::string actual_file = std::string(ZORBY_BINARY_DIR) + "/golden/" + name + ".trace";
    fs::create_directories(fs::path(actual_file).parent_path());
    std::ofstream(actual_file, std::ios::binary | std::ios::trunc) << actual;

    const std::vector<std::string> want = lines_of(file_text(golden_file));
    const std::vector<std::string> got = lines_of(actual);
    ASSERT_FALSE(want.empty()) << golden_file << " is missing or empty";
    for (size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
        const std::string w = i < want.size() ? want[i] : "(end of file)";
        const std::string g = i < got.size() ? got[i] : "(end of trace)";
        if (w == g) continue;
        ADD_FAILURE() << name << ": the replay differs from the golden trace at line " << i + 1
                      << "\n  golden: " << w << "\n  actual: " << g
                      << "\n  golden trace: " << golden_file << "\n  actual trace: " << actual_file
                      << "\n  (if the change is intended: ZORBY_GOLDEN_UPDATE=1 ctest --test-dir "
                         "build -R Golden)";
        return;
    }
}

// A mouse game through every stage, ending in a name entry with a qualifying score.
TEST(GoldenReplay, MouseGame) {
    check_golden("mouse_game");
}

// A keyboard-cursor game through every stage.
TEST(GoldenReplay, KeyboardCursorGame) {
    check_golden("cursor_game");
}

// Every menu page, how-to-play page and option, with the mouse and the keys.
TEST(GoldenReplay, MenuTour) {
    check_golden("menu_tour");
}

// The same with the pictures decoded ahead while the window opens.
TEST(GoldenReplay, MenuTourWithPicturesDecodedAhead) {
    check_golden("menu_tour", true);
}

// A recording made in a real X11 window by tests/runtime/x11_pointer_test.sh, where
// the X server's pointer was moved over Start and clicked (an absolute pointer, as a
// tablet or a virtual machine's): the click started a game from the menu, and the
// recording replays to the same trace twice. Skipped unless that script runs it.
TEST(RecordedOnX11, TheClickOnStartStartedAGameAndReplaysTheSame) {
    const char* file = std::getenv("ZORBY_X11_RECORDING");
    if (file == nullptr) GTEST_SKIP() << "run by tests/runtime/x11_pointer_test.sh";
    platform::InputScript script;
    std::string error;
    ASSERT_TRUE(platform::load_input_script(file, script, error)) << error;
    // A game started in full screen paces its frames at the full-screen rate, and is
    // replayed so.
    const char* full = std::getenv("ZORBY_X11_FULL_SCREEN");
    const bool full_screen = full != nullptr && std::string(full) == "1";
    const std::string first = replay_trace(script, false, full_screen);
    EXPECT_EQ(replay_trace(script, false, full_screen), first);
    // For the comparison between systems: the same recording replayed on another.
    if (const char* out = std::getenv("ZORBY_X11_TRACE_OUT")) {
        std::ofstream(out, std::ios::binary | std::ios::trunc) << first;
    }
    // The frame after a menu frame that is a running Time attack.
    const std::vector<std::string> lines = lines_of(first);
    bool started = false;
    for (size_t i = 1; i < lines.size() && !started; ++i) {
        started = lines[i - 1].find(": 90 ") != std::string::npos &&
                  lines[i].find(": 10 ") != std::string::npos &&
                  lines[i].find(" time-attack") != std::string::npos;
    }
    EXPECT_TRUE(started) << first;
}

}  // namespace
}  // namespace zorby::testing
