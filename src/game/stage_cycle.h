// What the four stages share: the countdown tick, the 30-hole board and its pointer
// test, the stage title card with its pause, and the hand-overs from one stage to the
// next with their energy changes.
#pragma once

#include "game/stage.h"

namespace zorby::game {

// Number of holes the stages play on (indices 0..29 of the 100-element board arrays).
inline constexpr int kHoleCount = 30;
// Every stage picture and title card is drawn with its top-left corner here.
inline constexpr double kStageLeft = 10;
inline constexpr double kStageTop = 85;

// Counts a frame: every 11th frame the countdown falls by one.
void stage_tick();

// True when the mouse lies strictly inside the 17 x 17 box after (x, y), or the
// keyboard cursor's hot spot (cursor + 10) strictly inside the 20 x 20 box after it.
bool pointer_on(double x, double y);

// Writes the 30-hole layout into holes_x and holes_y (holes 0..29).
void lay_out_board();
// The 30-hole layout, also copied into block_x and block_y (Masked smileys' blocks).
void lay_out_board_with_blocks();

// After the energy bar is drawn: the energy is cut to 300, and below 1 the game is
// over.
void cap_energy();

// The title card of a stage, drawn over the frame begun by the frame loop: picture
// and the whole heads-up display, presented; then the fanfare and a 4 s
// pause, then stage becomes the running one (with the clock sound for every stage but
// Time attack). An energy below 1 ends the game (after the pause).
void show_stage_intro(double picture, Stage stage);

// Hand-overs. Each makes the next stage of its row of the hand-over table the running
// one, forgets the set-ups of the row and changes the energy by the given amount; a
// later stage runs in the same frame because the frame loop tests the stage afresh.
void end_time_attack();
void end_lost_and_found(int energy_change);
void end_labyrinth(int energy_change);
void end_masked_smileys(int energy_change);

// A good face struck in hole: the boing, 25 points, the hole marked hit, 10 energy
// and a star burst at the pointer.
void strike_good_face(int hole);

// The face sprite slot for a hole kind (1..8), or -1 for kinds that draw nothing.
double face_sprite(double kind);

}  // namespace zorby::game
