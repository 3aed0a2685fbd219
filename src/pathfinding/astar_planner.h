// A* over a planner's cost map: four neighbours (eight with diagonal moves), the
// cheapest estimated total first, closed nodes re-opened when a cheaper way to
// them turns up.
#pragma once

#include "pathfinding/planner.h"

namespace zorby {

class AStarPlanner : public Planner {
public:
    // Pushes the start node onto the open list.
    void start() override;
    // Expands nodes until the goal is popped (true) or the open list runs empty
    // (false). Also false when the pool or the open list is too small for the map.
    bool search() override;

private:
    // Distance estimate from a cell to the goal.
    float heuristic(int32_t x, int32_t y) const;
    // Offers the cell (x, y), entered from `from` at the given step cost, as a
    // neighbour. False when the pool or open list ran out.
    bool visit(PathNode* from, int32_t x, int32_t y, const MapCell& cell, float step_cost);
    // Offers the four diagonal neighbours of a node standing on `here`.
    bool offer_diagonals(PathNode* node, const MapCell* here);
};

}  // namespace zorby
