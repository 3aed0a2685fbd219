// Golden replays: committed input scripts (tests/golden/*.script, in the
// record-and-replay format) are replayed on the deterministic platform, and the
// game's trace is compared line for line with the committed trace (*.trace). The
// trace has one line per frame the game presents: screen state, menu page, energy,
// score, countdown, the running stage, the sounds asked for since the previous line,
// and every 60th frame a hash of the frame as read back before it is shown. Any
// change of what the game computes or draws shows up as the first differing line.
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

#include "audio/sound.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "graphics/picture_preload.h"
#include "platform/replay/input_script.h"
#include "runtime/replay.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kHashEvery = 60;

std::string golden_path(const std::string& name) {
    return std::string(ZORBY_SOURCE_DIR) + "/tests/golden/" + name;
}

// The running stage while playing ("none" before any was started); "-" in the other
// screens.
const char* stage_column(const game::GameState& g) {
    if (g.game_state != game::Screen::playing) return "-";
    return game::stage_name(game::running_stage(g));
}

// The high-score file the run leaves behind, as "score name" records.
std::string high_score_file(const std::string& path) {
    const std::string bytes = file_text(path);
    std::string out;
    size_t pos = 0;
    while (pos + 4 <= bytes.size()) {
        uint32_t score = 0;
        for (int i = 0; i < 4; ++i)
            score |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[pos + i])) << (8 * i);
        const size_t end = bytes.find('\n', pos + 4);
        const size_t stop = end == std::string::npos ? bytes.size() : end;
        out += ' ' + std::to_string(score) + ' ' + bytes.substr(pos + 4, stop - pos - 4) + ';';
        pos = stop + 1;
    }
    return out;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// Replays the script in a fresh game directory and returns its trace.
std::string replay_trace(const platform::InputScript& script, bool preload,
                         bool full_screen = false) {
    TempDir dir;
    fill_game_dir(dir);
    const fs::path old_cwd = fs::current_path();
    std::ostringstream trace;
    trace << "# frame: state page energy score countdown stage [hash] [sounds]; then the\n"
             "# frame count, the exit status and the high-score file left behind\n";
    std::vector<int> sounds;
    size_t hashes_written = 0;
    platform::ReplayPlatform* replay = nullptr;

    // Hashes of frames not traced yet (frames shown outside the game's frame), then
    // the line of the frame just shown.
    using Hashes = std::vector<std::pair<uint64_t, uint64_t>>;
    auto write_hashes_before = [&](const Hashes& hashes, uint64_t frame) {
        while (hashes_written < hashes.size() && hashes[hashes_written].first < frame) {
            const auto& [f, h] = hashes[hashes_written++];
            trace << f << ": hash " << std::hex << h << std::dec << '\n';
        }
    };
    auto write_frame = [&] {
        const uint64_t frame = replay->frames() - 1;
        write_hashes_before(replay->frame_hashes(), frame);
        const game::GameState& g = game::game();
        trace << frame << ": " << number(static_cast<int>(g.game_state)) << ' '
              << number(static_cast<int>(g.menu_page)) << ' ' << number(g.energy) << ' '
              << number(g.score) << ' ' << number(g.countdown) << ' ' << stage_column(g);
        const auto& hashes = replay->frame_hashes();
        if (hashes_written < hashes.size() && hashes[hashes_written].first == frame) {
            trace << " hash " << std::hex << hashes[hashes_written++].second << std::dec;
        }
        if (!sounds.empty()) {
            trace << " sounds";
            for (int s : sounds) trace << ' ' << s;
            sounds.clear();
        }
        trace << '\n';
    };

    ReplayRunOptions options;
    options.replay.hash_every = kHashEvery;
    options.settings.full_screen = full_screen ? 1 : 0;
    options.on_start = [&](platform::ReplayPlatform& rp) {
        replay = &rp;
        // Start-up has made the program's directory current; the game runs in its own.
        fs::current_path(dir.path());
        Engine& e = engine();
        e.frame_hook = write_frame;
        if (e.sound) {
            auto hash_sound = e.sound->on_play;
            e.sound->on_play = [&sounds, hash_sound](double slot, double pan, double volume,
                                                     double channel) {
                sounds.push_back(static_cast<int>(slot));
                if (hash_sound) hash_sound(slot, pan, volume, channel);
            };
        }
    };
    // As the program does before its engine starts.
    if (preload) game::preload_game_pictures(dir.path());
    const ReplayResult result = run_replay(script, options, [] {
        game::reset_game_state();  // the game's record is process-wide
        game::game_main();
    });
    fs::current_path(old_cwd);
    // The platform is gone with the run's engine: the rest of the hashes from the result.
    write_hashes_before(result.frame_hashes, UINT64_MAX);
    trace << "end: " << result.frames << " frames, exit status " << result.exit_status;
    for (int s : sounds) trace << " sound " << s;  // asked for after the last frame
    trace << '\n';
    trace << "hc.txt:" << high_score_file(dir.file("hc.txt")) << '\n';
    return trace.str();
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
