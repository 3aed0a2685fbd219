// The records the grid planners share: one search node, and the parameters a
// planner is set up with.
#pragma once

#include <cstdint>

namespace zorby {

// One search node. Nodes live in a planner's pool; a cell has at most one node
// per search. Fields are filled by whoever takes the node from the pool.
struct PathNode {
    PathNode* parent;  // the node this one was reached from; null for the start
    int32_t x;
    int32_t y;
    float f;         // estimated total cost, the open list's sort key
    float g;         // cost of the best known path from the start
    PathNode* next;  // next node of the same closed-table bucket
};

// What a planner is asked to do. Every field is zero unless set.
struct PlannerParams {
    int32_t start_x = 0;
    int32_t start_y = 0;
    int32_t goal_x = 0;
    int32_t goal_y = 0;
    uint8_t diagonal_cost = 0;   // diagonal steps cost sqrt(2) times the cell cost
    uint8_t diagonal_moves = 0;  // diagonal neighbours are considered
    int32_t node_pool_size = 0;  // nodes allocated up front; 0 means width * height
    int32_t open_capacity = 0;   // open list capacity; 0 means width * height
    int32_t hash_bits = 0;       // closed table has 2^bits buckets (at most 24, even)
    float weight = 0.0f;         // 0: order by path cost, 1: by distance to the goal
    int32_t width = 0;
    int32_t height = 0;
    const double* map = nullptr;  // width * height cells, x fastest; <= 0 blocks a cell
};

}  // namespace zorby
