// Frame-by-frame stage runs for the stage tests: the game's record dimensioned and
// its assets loaded as game_main does, then frames driven one at a time, so a test
// can set up the board, hold the pointer on a hole, run a frame (or one stage
// routine) and read the drawn pixels before the frame is presented.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "game/game_harness.h"
#include "game/game_state.h"
#include "game/stage_cycle.h"

namespace zorby::testing {

// One pause of the game (its sleeps joined) and the game as it was when the pause
// began.
struct WaitSample {
    double start_ms;
    double duration_ms;
    int energy;
    int score;
    game::Screen game_state;
};

class StageRun {
public:
    explicit StageRun(uint32_t seed = 20240601);
    ~StageRun();

    GameRun& run() { return run_; }
    game::GameState& g() { return game::game(); }

    // A game in play with Time attack to run first (the Start button without its
    // pause): no stage set up yet, countdown from the difficulty table.
    void begin_game();
    // begin_game, Time attack's set-up frame, then no face standing and no spawns.
    void begin_quiet_attack();

    // Makes stage (not Time attack) the one in play, with nothing pressed and both
    // pointers off the board, runs its set-up frame (that stage's routine alone) and
    // forgets the sounds and pauses so far.
    void enter_stage(game::Stage stage);
    // The next countdown tick takes the countdown to 0.
    void run_out_countdown();

    // Puts the pointer at (x, y) for the next frame (engine mouse and game record).
    void point_mouse(double x, double y);
    // Holds or releases the first mouse button (platform and game record).
    void hold_button(bool down);

    // One whole frame of the frame loop, presented.
    void frame();
    void frames(int n);
    // The frame picture, then routine (one stage's frame) with the current pointer;
    // pixels can be read back afterwards, before present().
    void stage_frame(const std::function<void()>& routine);
    void present();

    // Milliseconds on the engine clock.
    double now() const { return run_.now(); }
    // The pauses since construction (or clear_waits) of at least min_ms.
    std::vector<WaitSample> waits(double min_ms = 100) const;
    void clear_waits() { waits_.clear(); }
    // Sound slots played since the last clear.
    std::vector<int> sounds() const { return run_.sounds(); }
    void clear_sounds() { run_.clear_audio(); }

    // Clears the standing faces of the running Time attack and blocks further spawns
    // (its set-up resets the range).
    void stop_spawns();

private:
    GameRun run_;
    std::vector<WaitSample> waits_;
    bool pause_ended_ = true;
};

// How many pixels of the 18 x 18 face box at (x, y) differ between two read-backs
// of the whole window (read_frame (320, 240)).
int changed_in_box(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, int x,
                   int y, int size = 18);

}  // namespace zorby::testing
