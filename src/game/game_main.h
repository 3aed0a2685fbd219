// The game's main routine, called by the program entry once the engine runs.
#pragma once

namespace zorby::game {

// Runs the game until the player quits; returns for the normal end.
void game_main();

}  // namespace zorby::game
