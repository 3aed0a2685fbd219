// Labyrinth: a small walker creeps through one of three mazes toward the point the
// player last struck; a wall or the end of the countdown fails, the exit wins.
#pragma once

namespace zorby::game {

// The stage's set-up: the walker at the maze's left, a maze drawn at random with its
// countdown, the title card.
void setup_labyrinth();

// One frame of the stage; the frame loop calls it while it is the running stage.
void run_labyrinth();

// Sprite slot of the maze picture for maze_number 0, 1 or 2.
double maze_sprite(int maze_number);

}  // namespace zorby::game
