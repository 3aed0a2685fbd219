// Time attack: faces pop up in the 30 holes; good ones must be struck quickly, bad
// ones left alone, bonus ones pay extra. Grows harder from one visit to the next.
#pragma once

namespace zorby::game {

// The stage's set-up: the next attack level with its difficulty, a cleared board and
// the title card.
void setup_time_attack();

// One frame of the stage; the frame loop calls it while it is the running stage.
void run_time_attack();

// Sets countdown, attack_patience_reset and attack_spawn_range from difficulty and
// attack_level (the stage's difficulty table).
void apply_attack_difficulty();

}  // namespace zorby::game
