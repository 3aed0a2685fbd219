// Masked smileys: a memory game. Faces are shown, then masked by dropping blocks;
// the player must strike the holes that hide good faces.
#pragma once

namespace zorby::game {

// The stage's set-up: countdown 999, the board with blocks, good faces with chance
// 1/3 and bad ones otherwise, the title card.
void setup_masked_smileys();

// One frame of the stage; the frame loop calls it while it is the running stage.
void run_masked_smileys();

}  // namespace zorby::game
