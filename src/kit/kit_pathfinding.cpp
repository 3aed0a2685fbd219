// The engine kit's path command: the public grid handed to the engine's command as
// its array of costs, the path read back as cells.
#include <cmath>
#include <cstddef>
#include <vector>

#include "engine/engine_array.h"
#include "pathfinding/find_path.h"
#include "zorby/pathfinding.h"

namespace zorby {

std::vector<GridCell> find_path(const Grid& grid, GridCell start, GridCell goal, double weight) {
    // Needs no running engine, so a NaN weight cannot end a run: it counts as 0.
    if (std::isnan(weight)) weight = 0.0;
    std::vector<GridCell> cells;
    if (grid.width <= 0 || grid.height <= 0 ||
        grid.costs.size() != static_cast<size_t>(grid.width) * static_cast<size_t>(grid.height)) {
        return cells;
    }
    // The engine's map is element (x, y) of a width x height array.
    NumberArray map;
    dim_numbers(map, grid.width, grid.height);
    for (int y = 0; y < grid.height; ++y) {
        for (int x = 0; x < grid.width; ++x) number_at(map, x, y) = grid.at(x, y);
    }
    NumberArray path;
    const double n = find_path(map, path, weight, start.x, start.y, goal.x, goal.y);
    cells.reserve(static_cast<size_t>(n));
    for (int i = 0; i < static_cast<int>(n); ++i) {
        cells.push_back(
            {static_cast<int>(number_at(path, i, 0)), static_cast<int>(number_at(path, i, 1))});
    }
    return cells;
}

}  // namespace zorby
