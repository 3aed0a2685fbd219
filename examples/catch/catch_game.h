// Catch: stars fall from the top of the window and the player catches them with a
// paddle moved by the mouse or the arrow keys. A caught star scores a point; a star
// that reaches the ground costs one of three lives. The best score is kept in a file.
//
// The game is one function, play_catch(), run by main() through zorby::run() and by the
// golden test through zorby::testing::replay(); it reports what it is doing in a
// CatchState the caller owns, which the test traces frame by frame.
#pragma once

#include <string>

/// What a game starts with.
struct CatchSettings {
    /// The high-score file: read at the start, replaced when a game ends with a new best
    /// score. An absolute path (zorby::run() changes the current folder).
    std::string high_score_file;
    /// End the program normally after this many seconds of play; 0: no limit.
    double seconds = 0;
};

/// What the game is doing; updated every frame before the frame is presented.
struct CatchState {
    enum class Phase { title, playing, over };
    Phase phase = Phase::title;
    int score = 0;
    int lives = 0;
    int best = 0;            ///< the best score, from the file and this session's games
    int paddle_x = 0;        ///< left edge of the paddle, frame pixels
    int stars = 0;           ///< stars falling now
    int games = 0;           ///< games started
    std::string events;      ///< what happened in this frame ("caught missed ..."), or ""
    std::string save_error;  ///< why the last high-score save failed, or ""
};

/// @brief Plays Catch until the player quits (Escape, closing the window) or the
/// seconds in the settings have passed; both end the run through zorby::end_program().
/// Needs a running engine whose data folder holds the game's pictures and sounds.
/// @param settings The high-score file and the time limit.
/// @param state Filled in every frame.
/// @return Only when the pictures cannot be loaded (one line on stderr).
void play_catch(const CatchSettings& settings, CatchState& state);

/// @brief The state as one line of text for a trace ("playing score 3 lives 2 ...").
std::string describe(const CatchState& state);
