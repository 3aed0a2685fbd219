// The grid planner base: holds what every search over a cost map needs (node
// pool, cost map, open list, closed table) and leaves the search itself to the
// derived planner.
#pragma once

#include <cstdint>
#include <memory>

#include "pathfinding/fixed_deque.h"
#include "pathfinding/node_factory.h"
#include "pathfinding/node_hash_table.h"
#include "pathfinding/path_node.h"

namespace zorby {

class Planner {
public:
    // Cost-map value of a blocked cell.
    static constexpr float blocked = -1.0f;
    // Largest map (width * height cells) a planner accepts.
    static constexpr int64_t max_cells = (int64_t{1} << 30) - 1;

    Planner() = default;
    virtual ~Planner() = default;
    Planner(const Planner&) = delete;
    Planner& operator=(const Planner&) = delete;

    // Checks the parameters, builds the cost map and allocates everything a search
    // needs. Fails when the start or the goal lies outside the map, when they are
    // the same cell, when the map has no positive cell, or when the memory cannot
    // be had.
    bool setup(const PlannerParams& params);
    // Begins a search from the start cell (forgetting any earlier search).
    virtual void start();
    // Runs the search; true when the goal was reached (see goal_node()).
    virtual bool search() = 0;
    // Hands every node back to the pool and empties the open list and the closed
    // table, so the planner can start again with the same set-up.
    virtual void reset();

    bool done() const { return done_; }
    // The goal node of the last successful search; follow `parent` to the start.
    const PathNode* goal_node() const { return goal_node_; }
    const PlannerParams& params() const { return params_; }
    // Cost of entering a cell: above 1 up to 2, or `blocked`.
    float cell_cost(int32_t x, int32_t y) const { return cells_[cell_index(x, y)].cost; }

    const NodeFactory& pool() const { return pool_; }
    const FixedDeque& open_list() const { return open_; }
    const NodeHashTable& closed_table() const { return closed_; }

protected:
    // Where a cell's node is: every cell holds the pool number of its node shifted
    // left by two, ored with one of these (0: the cell has no node).
    static constexpr uint32_t in_open = 1;
    static constexpr uint32_t in_closed = 2;
    static constexpr uint32_t place_mask = 3;

    // One cell of the map as the search sees it. The cost map proper is the `cost`
    // fields; beside it each cell knows its node, where that node is and its g, so
    // "is this cell open or closed, and is the new way cheaper" is answered by the
    // cell alone, without scanning the open list or the closed table and without
    // visiting the node.
    struct MapCell {
        float cost;      // cost of entering: above 1 up to 2, or `blocked`
        float g;         // g of the cell's node while it has one
        uint32_t place;  // pool number << 2 | in_open or in_closed; 0: no node
    };

    int64_t cell_index(int32_t x, int32_t y) const { return int64_t{y} * params_.width + x; }
    // Inserts a node into the open list, which is sorted by f from the largest at
    // the front to the smallest at the back; a node goes in front of every node of
    // equal f, so among equal f the one that came first leaves first. False when
    // the open list is full.
    bool insert_open(PathNode* node);
    // Position of a node of the open list.
    int32_t find_open(const PathNode* node) const;
    // Records where a node now is.
    void place(const PathNode* node, uint32_t where) {
        MapCell& cell = cells_[cell_index(node->x, node->y)];
        cell.g = node->g;
        cell.place = (static_cast<uint32_t>(pool_.index_of(node)) << 2) | where;
    }

    bool done_ = false;
    NodeFactory pool_;
    PlannerParams params_;
    std::unique_ptr<MapCell[]> cells_;
    FixedDeque open_;
    NodeHashTable closed_;
    PathNode* goal_node_ = nullptr;
};

}  // namespace zorby
