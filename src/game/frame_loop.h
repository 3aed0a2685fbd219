// One frame of the game: frame picture, mouse, stages, heads-up display, menu
// pages, the Start / Menu / Exit buttons, the pointer glyph, the volume keys, the
// game-over sequence and the star burst, ended by present_frame.
#pragma once

#include "game/stage.h"

namespace zorby::game {

// Draws, updates and presents one frame.
void run_frame();

// One frame of stage's routine (nothing for none).
void run_stage(Stage stage);

// The Start button: a new game with Time attack as the running stage and every
// stage's set-up forgotten, so each stage visit of the new game runs its set-up and
// title card.
void start_sequence();
// The Menu button: back to the menu (page 2 from a stage explanation, else page 1),
// with Time attack as the running stage and its set-up forgotten.
void menu_sequence();
// Run in the frame in which game_state became Screen::game_over: the entry rule, the
// game-over card, the new-high-score slide when the score qualified, and the board
// reset.
void game_over_sequence();

// Starts the menu music unless it is playing already or sound is off.
void start_menu_music();

}  // namespace zorby::game
