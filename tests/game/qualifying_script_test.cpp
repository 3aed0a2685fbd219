// The scripted game of the install tests (tests/install/qualifying_game.script): a
// player who strikes every good face until the score reaches the default table's
// lowest entry, then strikes bad faces until the energy runs out, types "TEST" on the name entry
// keyboard and leaves with the Exit button. The run is recorded with the recording
// platform on the virtual clock; regenerating it must give the committed script
// byte for byte (so the game still plays that run the same way), and the run must
// really have saved a table with the new entry.
//
// After a deliberate change of the game: ZORBY_UPDATE_SCRIPTS=1 test_game
// --gtest_filter='QualifyingScript.*' rewrites the committed script.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/numbers.h"
#include "game/game_main.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "platform/replay/deterministic.h"
#include "platform/replay/recording_platform.h"
#include "runtime/engine.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"

namespace zorby::testing {
namespace {

namespace fs = std::filesystem;
using Kind = platform::ScriptEvent::Kind;
using game::cell;

constexpr uint32_t kSeed = 20251207;
const std::string kScript = std::string(ZORBY_SOURCE_DIR) + "/tests/install/qualifying_game.script";

// Reads the game record each frame and answers with the mouse.
class ScoringPlayer {
public:
    explicit ScoringPlayer(platform::DeterministicPlatform& p) : p_(p) {}

    void step(game::GameState& g) {
        ++frame_;
        p_.set_key(45, g.game_state == game::Screen::intro);  // X: play with the mouse
        if (g.game_state == game::Screen::intro) return;
        double x = 160, y = 60;  // an empty spot of the board
        bool strike = false;
        if (g.game_state == game::Screen::playing) {
            if (const int hole = wanted_hole(g); hole >= 0) {
                x = cell(g.holes_x, hole) + 8;
                y = cell(g.holes_y, hole) + 8;
                strike = true;
            } else if (g.stage == game::Stage::lost_and_found && g.score < g.entry_threshold) {
                x = g.lost_target_x + 8;
                y = g.lost_target_y + 8;
                strike = true;
            }
        } else if (g.game_state == game::Screen::menu && g.menu_page == game::MenuPage::main_menu &&
                   typed_ == 0) {
            x = 44;  // Start
            y = 222;
            strike = true;
        } else if (g.game_state == game::Screen::menu &&
                   g.menu_page == game::MenuPage::name_entry) {
            // T, E, S, T on the keyboard picture, then enter.
            static constexpr double kKeys[5][2] = {
                {138, 143}, {175, 107}, {100, 143}, {138, 143}, {214, 161}};
            const int k = std::min(typed_, 4);
            x = kKeys[k][0];
            y = kKeys[k][1];
            strike = true;
        } else if (g.game_state == game::Screen::menu &&
                   g.menu_page == game::MenuPage::high_scores && typed_ > 0) {
            x = 268;  // Exit
            y = 215;
            strike = true;
        }
        const double dx = x - g.mouse_x, dy = y - g.mouse_y;
        if (dx != 0 || dy != 0) {
            p_.apply({Kind::Move, static_cast<int>(std::clamp(dx, -40.0, 40.0)),
                      static_cast<int>(std::clamp(dy, -40.0, 40.0))});
        }
        // Strike only once on the spot, and let go every other frame.
        const bool down = strike && dx == 0 && dy == 0 && !was_down_;
        p_.apply({Kind::Button, 1, down ? 1 : 0});
        if (down && g.menu_page == game::MenuPage::name_entry && g.game_state == game::Screen::menu)
            ++typed_;
        was_down_ = down;
    }

private:
    // Before the score reaches the table: a bonus face, else a good one. After: a bad
    // face, which costs energy (or the masked stage's time), so the game ends soon.
    static int wanted_hole(game::GameState& g) {
        const bool scoring = g.score < g.entry_threshold;
        int found = -1;
        for (int i = 0; i < 30; ++i) {
            const double kind = cell(g.holes_kind, i);
            const bool standing = cell(g.holes_life, i) >= 1;
            if (g.stage == game::Stage::time_attack && standing) {
                if (!scoring && kind == 2) return i;
                if (scoring && kind == 3) return i;
                if (scoring && kind == 1 && found < 0) found = i;
            }
            if (g.stage == game::Stage::masked_smileys) {
                if (!scoring && kind == 8) return i;
                if (scoring && kind == 1 && cell(g.holes_hit, i) == 0 && found < 0) found = i;
            }
        }
        return found;
    }

    platform::DeterministicPlatform& p_;
    uint64_t frame_ = 0;
    int typed_ = 0;
    bool was_down_ = false;
};

TEST(QualifyingScript, RecordedRunMatchesTheCommittedScriptAndSavesTheEntry) {
    TempDir dir;
    for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR)) {
        fs::copy_file(entry.path(), dir.file(entry.path().filename().string()));
    }
    std::ostringstream script;
    const std::string old_cwd = fs::current_path().string();
    {
        Engine e;
        set_current_engine(&e);
        game::reset_game_state();
        e.settings.data_dir = dir.path();
        e.exit_hook = [](int status) { throw ProgramEnded{status}; };
        platform::DeterministicOptions options;
        options.open_real_window = true;
        auto inner = platform::make_deterministic_platform(options);
        platform::DeterministicPlatform& det = *inner;
        platform::RecordingOptions recording;
        recording.realtime = false;
        auto recorder =
            std::make_unique<platform::RecordingPlatform>(std::move(inner), script, recording);
        recorder->record_seed(kSeed);
        ASSERT_TRUE(engine_start(std::move(recorder), 1, "zorby"));
        seed_random(kSeed);
        ScoringPlayer player(det);
        uint64_t frames = 0;
        e.frame_hook = [&] {
            // A guard against a run that never ends (an hour of game time).
            if (++frames > 60 * 60 * 60) {
                set_error(3, "the scripted player got stuck");
                end_program();
            }
            player.step(game::game());
        };
        int status = -1;
        try {
            game::game_main();
            end_program();
        } catch (const ProgramEnded& ended) {
            status = ended.exit_status;
        }
        EXPECT_EQ(status, 0) << e.error_detail;
        e.frame_hook = nullptr;
    }
    set_current_engine(nullptr);
    game::reset_game_state();
    fs::current_path(old_cwd);

    const std::string table = file_text(dir.file("hc.txt"));
    EXPECT_NE(table.find("TEST\n"), std::string::npos) << "no entry was saved";
    if (std::getenv("ZORBY_UPDATE_SCRIPTS") != nullptr) {
        std::ofstream(kScript, std::ios::binary | std::ios::trunc) << script.str();
    }
    EXPECT_EQ(script.str(), file_text(kScript))
        << "the recorded run differs from " << kScript
        << " (ZORBY_UPDATE_SCRIPTS=1 rewrites it after a deliberate change)";
}

}  // namespace
}  // namespace zorby::testing
