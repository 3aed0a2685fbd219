// A* search over a planner's cost map.
#include "pathfinding/astar_planner.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace zorby {

namespace {

constexpr float sqrt2 = 1.41421356f;

}  // namespace

void AStarPlanner::start() {
    Planner::start();
    PathNode* node = pool_.take();
    if (!node) return;
    node->parent = nullptr;
    node->x = params_.start_x;
    node->y = params_.start_y;
    node->g = 0.0f;
    // Alone in the open list, its f orders nothing; it gets the f any node on the
    // start cell with g = 0 would get.
    node->f = params_.weight * heuristic(node->x, node->y);
    node->next = nullptr;
    if (!insert_open(node)) pool_.give_back(1);
}

// Manhattan distance for edge moves. With diagonal moves the cheapest step is
// still above 1 per cell, so the estimate becomes the diagonal distance (with
// diagonals costing sqrt(2) when they cost more).
float AStarPlanner::heuristic(int32_t x, int32_t y) const {
    const int32_t dx = std::abs(params_.goal_x - x);
    const int32_t dy = std::abs(params_.goal_y - y);
    if (!params_.diagonal_moves) return static_cast<float>(dx + dy);
    const int32_t lo = std::min(dx, dy);
    const int32_t hi = std::max(dx, dy);
    if (!params_.diagonal_cost) return static_cast<float>(hi);
    return static_cast<float>(hi - lo) + sqrt2 * static_cast<float>(lo);
}

inline bool AStarPlanner::visit(PathNode* from, int32_t x, int32_t y, const MapCell& cell,
                                float step_cost) {
    const float g = from->g + step_cost;
    const uint32_t where = cell.place & place_mask;
    // Most offers reach a cell that already has a node by a way no cheaper.
    if (where != 0 && !(g < cell.g)) return true;
    const float h = heuristic(x, y);
    const float f = g + params_.weight * (h - g);

    if (where == 0) {
        PathNode* node = pool_.take();
        if (!node) return false;
        node->parent = from;
        node->x = x;
        node->y = y;
        node->f = f;
        node->g = g;
        node->next = nullptr;
        return insert_open(node);
    }

    PathNode* node = pool_.node(static_cast<int32_t>(cell.place >> 2));
    if (where == in_closed) {
        // A cheaper way into a closed cell: re-open it.
        closed_.find(x, y);
        closed_.remove_found();
    } else {
        drop_open(node);
    }
    node->parent = from;
    node->g = g;
    node->f = f;
    return insert_open(node);
}

bool AStarPlanner::search() {
    const int32_t width = params_.width;
    const int32_t height = params_.height;
    const ptrdiff_t row = width;
    // Offers one neighbour unless it is blocked; false when the search ran out of room.
    auto offer = [this](PathNode* from, int32_t x, int32_t y, const MapCell& cell) {
        return cell.cost < 0.0f || visit(from, x, y, cell, cell.cost);
    };

    while (PathNode* node = pop_open()) {
        const int32_t x = node->x;
        const int32_t y = node->y;
        if (x == params_.goal_x && y == params_.goal_y) {
            closed_.insert_new(node);
            place(node, in_closed);
            goal_node_ = node;
            done_ = true;
            return true;
        }
        // The neighbours in this order: up, right, left, down; then the diagonals.
        const MapCell* here = &cells_[cell_index(x, y)];
        if (y > 0 && !offer(node, x, y - 1, here[-row])) return false;
        if (x + 1 < width && !offer(node, x + 1, y, here[1])) return false;
        if (x > 0 && !offer(node, x - 1, y, here[-1])) return false;
        if (y + 1 < height && !offer(node, x, y + 1, here[row])) return false;
        if (params_.diagonal_moves && !offer_diagonals(node, here)) return false;
        closed_.insert_new(node);
        place(node, in_closed);
    }
    return false;
}

bool AStarPlanner::offer_diagonals(PathNode* node, const MapCell* here) {
    static constexpr int32_t step_x[4] = {-1, 1, -1, 1};
    static constexpr int32_t step_y[4] = {-1, -1, 1, 1};
    const ptrdiff_t row = params_.width;
    for (int k = 0; k < 4; ++k) {
        const int32_t x = node->x + step_x[k];
        const int32_t y = node->y + step_y[k];
        if (x < 0 || y < 0 || x >= params_.width || y >= params_.height) continue;
        const MapCell& cell = here[step_x[k] + step_y[k] * row];
        // No squeezing between two blocked cells or across a blocked corner.
        if (cell.cost < 0.0f || here[step_x[k]].cost < 0.0f || here[step_y[k] * row].cost < 0.0f)
            continue;
        const float cost = params_.diagonal_cost ? cell.cost * sqrt2 : cell.cost;
        if (!visit(node, x, y, cell, cost)) return false;
    }
    return true;
}

}  // namespace zorby
