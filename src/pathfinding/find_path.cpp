// The engine's grid path command: one A* planner per call, set up for the map,
// searched once, the path copied out.
#include "pathfinding/find_path.h"

#include <cstdint>

#include "pathfinding/astar_planner.h"

namespace zorby {

namespace {

// Truncation toward zero; values with no int32 counterpart (NaN, huge) become -1,
// which lies outside every map.
int32_t to_cell(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return -1;
    return static_cast<int32_t>(v);
}

}  // namespace

double find_path(NumberArray& map, NumberArray& path, double weight, double start_x, double start_y,
                 double goal_x, double goal_y) {
    PlannerParams params;
    params.start_x = to_cell(start_x);
    params.start_y = to_cell(start_y);
    params.goal_x = to_cell(goal_x);
    params.goal_y = to_cell(goal_y);
    params.diagonal_cost = 1;
    params.diagonal_moves = 0;
    params.node_pool_size = 0;
    params.open_capacity = 0;
    params.hash_bits = 8;
    // NaN gives no direction: it counts as 0.
    params.weight = weight > 0.0 ? static_cast<float>(weight < 1.0 ? weight : 1.0) : 0.0f;
    params.width = map.size(0);
    params.height = map.size(1);
    params.map = map.data();

    // The planner lives for this call only, so it is never reset: a reset walks
    // every node handed out to make the planner ready for another search, and
    // there is none; its memory is simply freed on return.
    AStarPlanner planner;
    if (!planner.setup(params)) return 0.0;
    planner.start();
    if (!planner.search()) return 0.0;

    int32_t n = 0;
    for (const PathNode* node = planner.goal_node(); node; node = node->parent) ++n;
    dim_numbers(path, n, 2);
    // `path` may be the map itself; the planner works on its own cost map by now.
    int32_t row = n;
    for (const PathNode* node = planner.goal_node(); node; node = node->parent) {
        --row;
        number_at(path, row, 0) = node->x;
        number_at(path, row, 1) = node->y;
    }
    return static_cast<double>(path.size(0));
}

}  // namespace zorby
