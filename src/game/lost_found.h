// Lost and found: thirty faces of six ordinary kinds and one that differs; the
// player must strike the lost one before the short countdown runs out.
#pragma once

namespace zorby::game {

// The stage's set-up: countdown 20, a board of ordinary faces with the lost face in
// one of the holes 0..26, and the title card.
void setup_lost_and_found();

// One frame of the stage; the frame loop calls it while it is the running stage.
void run_lost_and_found();

}  // namespace zorby::game
