// The engine's grid path command.
#pragma once

#include "engine/engine_array.h"

namespace zorby {

// Finds the cheapest 4-neighbour path over `map` (cell (x, y) is element (x, y);
// values <= 0 block a cell, positive values are costs) from (start_x, start_y) to
// (goal_x, goal_y); coordinates are truncated toward zero. weight (clamped to
// 0..1) trades path cost (0) against heading for the goal (1). On success `path` is
// dimensioned (n, 2), row i holding x and y of the i-th cell from the start to the
// goal, and n is returned. Returns 0 and leaves `path` untouched when there is no
// path or the input is unusable (start or goal outside the map, start equal to
// goal, no positive cell).
double find_path(NumberArray& map, NumberArray& path, double weight, double start_x, double start_y,
                 double goal_x, double goal_y);

}  // namespace zorby
