// What the frame loop and game_main call of the stages and the star burst. The
// routines live with the stage cycle, the four stages and the star burst.
#pragma once

namespace zorby::game {

// One frame of each stage; the frame loop calls the routine of every stage whose
// active flag is 1, in this order, while a game is played.
void run_time_attack();
void run_lost_and_found();
void run_labyrinth();
void run_masked_smileys();

// Sets countdown, attack_patience_reset and attack_spawn_range from difficulty and
// attack_level (Time attack's difficulty table).
void apply_attack_difficulty();

// Writes the 30-hole layout into holes_x and holes_y (holes 0..29).
void lay_out_board();

// The fade of the stars: true with the alpha mode to set for this star_timer, false
// when no mode is to be set.
bool star_fade_mode(double star_timer, double& alpha_mode);
// Moves, draws and retires the stars (once per frame, after the stages).
void update_stars();

}  // namespace zorby::game
