// The grid planner base: holds what every search over a cost map needs (node
// pool, cost map, open list, closed table) and leaves the search itself to the
// derived planner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "pathfinding/node_factory.h"
#include "pathfinding/node_hash_table.h"
#include "pathfinding/open_heap.h"
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
    const NodeHashTable& closed_table() const { return closed_; }
    // Nodes the open list can hold at once, and holds now.
    int32_t open_capacity() const { return open_capacity_; }
    int32_t open_count() const { return open_count_; }
    // The open nodes in the order the search would take them (for inspection; it
    // allocates).
    std::vector<const PathNode*> open_nodes() const;

protected:
    // Where a cell's node is: every cell holds the pool number of its node shifted
    // left by two, ored with one of these (0: the cell has no node).
    static constexpr uint32_t in_open = 1;
    static constexpr uint32_t in_closed = 2;
    static constexpr uint32_t place_mask = 3;
    // An order no live entry has (insertion numbers stay below it).
    static constexpr uint32_t no_order = UINT32_MAX;

    // One cell of the map as the search sees it. The cost map proper is the `cost`
    // fields; beside it each cell knows its node, where that node is and its g, so
    // "is this cell open or closed, and is the new way cheaper" is answered by the
    // cell alone, without scanning the open list or the closed table and without
    // visiting the node.
    struct MapCell {
        float cost;      // cost of entering: above 1 up to 2, or `blocked`
        float g;         // g of the cell's node while it has one
        uint32_t place;  // pool number << 2 | in_open or in_closed; 0: no node
        uint32_t order;  // insertion number of the node's live open-list entry
    };

    int64_t cell_index(int32_t x, int32_t y) const { return int64_t{y} * params_.width + x; }
    // Inserts a node into the open list, which gives out the node of lowest f
    // first and, among equal f, the one inserted first. A node already in the list
    // must be taken out with drop_open first. False when the open list is full.
    bool insert_open(PathNode* node);
    // Takes a node out of the open list without giving it out: its entry is left
    // behind and skipped when it comes to the top.
    void drop_open(const PathNode* node) {
        cells_[cell_index(node->x, node->y)].order = no_order;
        --open_count_;
    }
    // Takes the node of lowest f (first inserted among equal f) out of the open
    // list; null when the list is empty.
    PathNode* pop_open() {
        while (!open_.empty()) {
            const OpenHeap::Entry top = open_.top();
            open_.pop();
            PathNode* node = pool_.node(static_cast<int32_t>(top.node));
            if (cells_[cell_index(node->x, node->y)].order != top.order) continue;  // stale
            --open_count_;
            return node;
        }
        return nullptr;
    }
    // Records where a node now is.
    void place(const PathNode* node, uint32_t where) {
        MapCell& cell = cells_[cell_index(node->x, node->y)];
        cell.g = node->g;
        cell.place = (static_cast<uint32_t>(pool_.index_of(node)) << 2) | where;
    }

    bool done_ = false;
    NodeFactory pool_;
    PlannerParams params_;
    // One allocation per set-up holds the cell array, the node pool and the open
    // list's entries, in that order (see setup).
    std::unique_ptr<std::byte[]> storage_;
    MapCell* cells_ = nullptr;
    OpenHeap open_;
    int32_t open_capacity_ = 0;
    int32_t open_count_ = 0;  // live entries of open_
    uint32_t next_order_ = 0;
    // When next_order_ reaches this, the live entries are numbered afresh from 0
    // (lowered by tests to make that happen on small maps).
    uint32_t order_limit_ = no_order;
    NodeHashTable closed_;
    PathNode* goal_node_ = nullptr;

private:
    // Drops the entries left behind by nodes that moved on (all of them when
    // `renumber`, which also numbers the live entries 0, 1, ... in their order).
    void tidy_open(bool renumber);
};

}  // namespace zorby
