// The game's main routine, called by the program entry once the engine runs.
#pragma once

#include <string>

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

// Starts decoding, on a worker thread, the pictures that load_game_assets and the
// intro load from the game's folder data_dir, so that they are ready when the engine
// has started (call it before the engine starts).
void preload_game_pictures(const std::string& data_dir);

}  // namespace zorby::game
