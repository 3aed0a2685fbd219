// The game's main routine, called by the program entry once the engine runs.
#pragma once

namespace zorby::game {

// Sets up the game record, loads the assets and the high-score table, shows the
// intro and runs frames until the player quits; returns 0 then. Escape, Alt+F4 and
// closing the window end the program from inside instead.
double game_main();

// Dimensions the board and high-score arrays and puts the initial table in.
void dimension_game_arrays();

// The asset table: loads the sprites, fonts and sounds into their slots. Missing
// files leave their slots empty.
void load_game_assets();

}  // namespace zorby::game
