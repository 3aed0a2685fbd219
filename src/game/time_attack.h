// Time attack: faces pop up in the 30 holes; good ones must be struck quickly, bad
// ones left alone, bonus ones pay extra. Grows harder from one visit to the next.
#pragma once

namespace zorby::game {

// The stage's set-up: the next attack level with its difficulty, a cleared board and
// the title card.
void setup_time_attack();

}  // namespace zorby::game
