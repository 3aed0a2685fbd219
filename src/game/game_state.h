// The game's record: every variable of the game lives in one GameState, reached
// through game(). Also the small helpers every game routine shares: the checked
// array access (a bad index ends the program with error 9), the press test, the
// hotspot test, the pause and the game's way of playing a sound.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/engine_array.h"
#include "engine/engine_string.h"
#include "game/hotspots.h"
#include "game/screens.h"
#include "game/stage.h"

namespace zorby::game {

// One star of a burst.
struct StarRecord {
    double x = 0, y = 0;              // position, pixels
    double angle_x = 0, angle_y = 0;  // degrees, 0..359
    double speed_x = 0, speed_y = 0;  // pixels per frame, 2..6
};

using NumberArray = EngineArray<double>;
using TextArray = EngineArray<EngineString>;

// The pointer the player chose at the intro.
enum class InputDevice { keyboard_cursor = 0, mouse = 1 };

// Counters, indices, tallies and 0/1 switches are integers; positions, the music
// volume and the values that come from an engine command as double or go through
// the high-score table stay double.
struct GameState {
    // ---- screen state and menu pages ----
    Screen game_state = Screen::intro;  // game_main sets it again before the intro
    MenuPage menu_page = MenuPage::main_menu;
    double scroll_y = 81;  // where the scrolling pages' text starts, pixels
    int scroll_delay = 0;  // frames since the last scroll step

    // ---- input ----
    InputDevice input_device = InputDevice::mouse;
    double mouse_x = 10, mouse_y = 10;
    double mouse_button = 0;  // as mouse_state reads it
    double cursor_x = 10, cursor_y = 10;
    int device_chosen = 0;

    // ---- the game in progress ----
    int energy = 300;
    int score = 0;
    int countdown = 0;
    int difficulty = 1;  // 1 to 3
    int tick_frames = 1;
    int loop_index = 0;  // the hole of a stage's loop; the x of the high-score banner

    // ---- the stages ----
    // The stage the frame loop runs while a game is played (none until the first
    // game starts). The menu and the game over leave it as it was.
    Stage stage = Stage::none;
    // The stages whose set-up (and title card) has run in the current visit: a stage
    // that runs without being here starts with its set-up.
    StageSet ready;

    // ---- sound and music ----
    int sound_on = 1;
    int music_playing = 0;
    int volume_step = 5;       // 0 to 11
    double music_level = 0.0;  // the music volume, 0 to 1

    // ---- high scores and name entry ----
    NumberArray high_scores;     // dimension 6; entries 0..2 the table, ascending
    TextArray high_names;        // dimension 6
    double entry_threshold = 0;  // a score of the table (the file's scores reach 2^32 - 1)
    EngineString typed_name, shown_name, name_scratch;

    // ---- star burst ----
    int star_timer = 0;
    int stars_active = 0;
    EngineArray<StarRecord> stars;

    // ---- hole board (dimension 100 each) ----
    NumberArray holes_x, holes_y, holes_life, holes_hit, holes_kind;
    NumberArray block_x, block_y, masq_opened, masq_covered;
    NumberArray masq_dropped;  // dimension 30

    // ---- Time attack ----
    int attack_level = 0;
    int attack_spawn_range = 0;  // the bound of the spawn draw
    int attack_patience = 0;
    int attack_patience_reset = 0;

    // ---- Lost and found ----
    int lost_target_index = 0;
    double lost_target_x = 0, lost_target_y = 0;

    // ---- Labyrinth ----
    double maze_x = 10, maze_y = 10;
    double maze_target_x = 0, maze_target_y = 0;
    int maze_number = 0;  // 0 to 2
    int maze_step_frames = 0;

    // ---- Masked smileys ----
    int masq_good_total = 0;
    int masq_good_found = 0;
    int masq_drop_next = 0;  // the hole whose block drops next
    int masq_drop_frames = 0;
};

// The game's record. It exists from the first call until reset_game_state.
GameState& game();
// Replaces the record with a fresh one holding the initial values (a new run; tests).
void reset_game_state();

// The stage that runs in this frame: the record's stage while a game is played, none
// in every other screen.
inline Stage running_stage(const GameState& g) {
    return g.game_state == Screen::playing ? g.stage : Stage::none;
}

// ---- checked array access ----
// The element index after truncation toward zero. When the array is not
// dimensioned, or the index is negative or not below the first dimension, reports
// error 9 and ends the program.
[[noreturn]] void index_out_of_range(double index, double size);
template <typename T>
int32_t checked_index(const EngineArray<T>& array, double index) {
    const double whole = std::trunc(index);
    const double size = array_size(array, 0);
    if (!(whole >= 0) || !(whole < size)) index_out_of_range(whole, size);
    return static_cast<int32_t>(whole);
}
// The element at index (checked as above).
inline double& cell(NumberArray& array, double index) {
    return number_at(array, checked_index(array, index));
}
inline EngineString& text_cell(TextArray& array, double index) {
    return string_at(array, checked_index(array, index));
}
inline StarRecord& star_cell(EngineArray<StarRecord>& array, double index) {
    return record_at(array, checked_index(array, index));
}

// ---- shared tests and actions ----
// True while the first mouse button, Z or Space is held (the held state, not a new
// press). The keys are only asked when the mouse button is up.
bool strike_pressed();
// True when x1 < mouse_x < x2 and y1 < mouse_y < y2, or x1 < cursor_x < x2 and
// c1 < cursor_y < y2 (strict bounds; both pointers count whatever the device).
bool pointer_in(double x1, double x2, double y1, double y2, double c1);
// True when the mouse lies inside the hotspot's mouse range or the keyboard cursor
// inside its cursor range.
bool pointer_in(const Hotspot& spot);
// True while a strike is held and the pointer is on the hotspot: a hotspot acts.
bool hit(const Hotspot& spot);
// Pauses the game for ms milliseconds of the engine clock. Draws, presents and reads
// nothing of the game; window events are still handled (closing the window ends the
// program, losing focus pauses) and the music is kept alive.
void busy_wait(double ms);
// Plays sound slot n when sound_on = 1, centred and at full volume.
void play_game_sound(double slot);

}  // namespace zorby::game
