// The golden test of Catch: scripted games replayed on the test kit's virtual clock.
//
//     catch_golden_test GOLDEN_TRACE
//
// Two games (the first started with a click and played with the mouse, the second
// started with Space and played with the arrow keys) are traced frame by frame and
// compared with the committed trace GOLDEN_TRACE; ZORBY_GOLDEN_UPDATE=1 rewrites it
// after an intended change of the game. A second replay must give the same frames and sounds.
// Then the high-score file: a better score kept by an earlier session is read and left
// alone, a save that fails leaves the game running, and --seconds ends a run.
// Exit status 0 when everything holds, 1 otherwise (each failure named on stderr).
#include <unistd.h>
#include <zorby/input.h>
#include <zorby/testing.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "catch_game.h"
#include "example_args.h"

namespace {

namespace fs = std::filesystem;
namespace zt = zorby::testing;

int failures = 0;
const uint32_t kSeed = 2026;

void check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        ++failures;
    }
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Text with its line ends shown, for one line of a trace.
std::string visible(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    }
    return out;
}

void write_file(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The golden games. Frames count from the game's first presented frame.
std::string golden_script(uint32_t seed) {
    zt::Script script;
    script.seed(seed);
    // Title screen: the pointer comes in, a click starts the first game.
    script.mouse(10, 160, 120).button(20, 1, true).button(21, 1, false);
    // The mouse sweeps the paddle from side to side, a step every 6 frames, until the
    // game is long over.
    for (uint64_t frame = 30, step = 0; frame < 600; frame += 6, ++step) {
        const int phase = static_cast<int>(step % 80);
        const int x = 20 + (phase < 40 ? phase : 80 - phase) * 7;
        script.mouse(frame, x, 200);
    }
    // Space starts the second game, played with the arrow keys: the paddle goes right
    // and left in holds of different lengths.
    script.tap(620, zorby::key::space);
    const int holds[] = {30, 45, 20, 60, 35, 50, 25, 40};
    uint64_t frame = 640;
    for (int i = 0; frame < 1100; i = (i + 1) % 8) {
        const int code = i % 2 == 0 ? zorby::key::right : zorby::key::left;
        script.key(frame, code, true).key(frame + holds[i], code, false);
        frame += holds[i] + 10;
    }
    script.end(1200);
    return script.text();
}

struct Run {
    zt::ReplayResult result;
    CatchState state;  // as the game left it
};

Run play(const std::string& script, const CatchSettings& settings, const std::string& assets) {
    Run run;
    zt::ReplayOptions options;
    options.run = {.title = "Catch test", .width = 320, .height = 240, .data_dir = assets};
    options.hash_every = 30;
    // The game's state every 10th frame and at every frame where something happened.
    options.on_frame = [&run](uint64_t frame) {
        return !run.state.events.empty() || frame % 10 == 0 ? describe(run.state) : std::string();
    };
    run.result = zt::replay(
        script, [&] { play_catch(settings, run.state); }, options);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: catch_golden_test GOLDEN_TRACE\n");
        return 2;
    }
    const std::string golden = example::absolute_path(argv[1]);
    const std::string assets = example::assets_folder(argv[0]);
    const fs::path folder =
        fs::temp_directory_path() / ("catch_golden_test." + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path scores = folder / "scores.txt";
    const std::string script = golden_script(kSeed);

    // The golden games, from no high-score file.
    const Run first = play(script, {.high_score_file = scores.string()}, assets);
    check(first.result.error.empty(), "the script is refused: " + first.result.error);
    check(first.result.started, "the engine did not start");
    check(first.result.exit_status == 0,
          "exit status " + std::to_string(first.result.exit_status) + ", not 0");
    check(first.state.games == 2, "games played: " + std::to_string(first.state.games) + ", not 2");
    check(first.state.best > 0, "no star was caught, so the trace proves little");
    // The golden text: the trace, then a hash of every sound asked for (with its pan and
    // volume), then what the game left in the high-score file.
    char sounds[40];
    std::snprintf(sounds, sizeof sounds, "sounds: %016llx\n",
                  static_cast<unsigned long long>(first.result.sound_hash));
    const std::string golden_text =
        first.result.trace + sounds + "high-score file: " + visible(read_file(scores)) + "\n";
    const zt::GoldenComparison golden_check = zt::compare_with_golden(golden_text, golden);
    check(golden_check.same, "the trace differs from " + golden + ": " + golden_check.message);
    // The best score is in the file, as one line (the golden text shows it too).
    check(read_file(scores) == std::to_string(first.state.best) + "\r\n",
          "the high-score file holds \"" + read_file(scores) + "\", not the best score " +
              std::to_string(first.state.best));

    // The same input from the same start gives the same frames, sounds and trace.
    fs::remove(scores);
    const Run second = play(script, {.high_score_file = scores.string()}, assets);
    check(second.result.combined_hash == first.result.combined_hash,
          "a second replay drew other frames");
    check(second.result.sound_hash == first.result.sound_hash,
          "a second replay played other sounds");
    check(second.result.trace == first.result.trace, "a second replay traced another game");

    // A better score from an earlier session is shown and kept: the file is not touched.
    write_file(scores, "500\r\n");
    const Run kept = play(script, {.high_score_file = scores.string()}, assets);
    check(kept.state.best == 500, "best score " + std::to_string(kept.state.best) + ", not 500");
    check(read_file(scores) == "500\r\n", "the better score in the file was replaced");
    check(kept.result.combined_hash != first.result.combined_hash,
          "the best score read from the file is not shown");

    // A file that cannot be saved costs the score, not the game.
    const fs::path unwritable = folder / "missing-folder" / "scores.txt";
    const Run failed = play(script, {.high_score_file = unwritable.string()}, assets);
    check(failed.result.exit_status == 0, "a failed save ended the game");
    check(failed.state.games == 2 && !failed.state.save_error.empty(),
          "a failed save is not reported in the state");
    check(!fs::exists(unwritable), "a score was written where no folder is");

    // --seconds: the game ends itself, normally, after that much play.
    const Run timed = play(zt::Script().seed(1).end(10000).text(),
                           {.high_score_file = scores.string(), .seconds = 2}, assets);
    check(timed.result.exit_status == 0, "a timed run did not end normally");
    check(timed.result.frames >= 118 && timed.result.frames <= 125,
          "a 2-second run presented " + std::to_string(timed.result.frames) + " frames");

    fs::remove_all(folder);
    if (failures == 0) {
        std::printf("catch golden test: all checks passed (%llu frames traced)\n",
                    static_cast<unsigned long long>(first.result.frames));
    }
    return failures == 0 ? 0 : 1;
}
