#include "support/golden_trace.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

#include "audio/sound.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "graphics/picture_preload.h"
#include "runtime/replay.h"

namespace zorby::testing {

namespace {

namespace fs = std::filesystem;

// The running stage while playing ("none" before any was started); "-" in the other
// screens.
const char* stage_column(const game::GameState& g) {
    if (g.game_state != game::Screen::playing) return "-";
    return game::stage_name(game::running_stage(g));
}

// The high-score file the run leaves behind, as "score name" records.
std::string high_score_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

}  // namespace

std::string golden_trace(const platform::InputScript& script, const std::string& game_dir,
                         const GoldenTraceOptions& trace_options) {
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
    options.replay.hash_every = kGoldenHashEvery;
    options.replay.on_hashed_frame = trace_options.on_hashed_frame;
    options.settings.full_screen = trace_options.full_screen ? 1 : 0;
    options.on_start = [&](platform::ReplayPlatform& rp) {
        replay = &rp;
        // Start-up has made the program's directory current; the game runs in its own.
        fs::current_path(game_dir);
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
    if (trace_options.preload) game::preload_game_pictures(game_dir);
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
    trace << "hc.txt:" << high_score_file((fs::path(game_dir) / "hc.txt").string()) << '\n';
    return trace.str();
}

}  // namespace zorby::testing
