// The node pool of a planner: every node a search can need is allocated when the
// planner is set up, so the search itself never allocates.
#pragma once

#include <cstdint>
#include <memory>

#include "pathfinding/path_node.h"

namespace zorby {

class NodeFactory {
public:
    // Replaces the pool with `count` fresh nodes. Returns false (and leaves an
    // empty pool) when count is negative, too large or the memory cannot be had.
    bool allocate(int64_t count);
    // Replaces the pool with the `count` nodes at `storage`, memory the caller owns
    // and keeps until the pool is released or set up again (a planner carves its
    // pool out of the one block it allocates per set-up).
    void use(PathNode* storage, int32_t count);
    // Frees every node.
    void release();

    // The next free node, or null when the pool is exhausted. The caller fills it.
    PathNode* take() { return next_free_ < count_ ? nodes_ + next_free_++ : nullptr; }
    // Hands the last `n` taken nodes back (never below none taken).
    void give_back(int32_t n) { next_free_ = n >= next_free_ ? 0 : next_free_ - n; }
    // Every node is free again.
    void clear() { next_free_ = 0; }

    int32_t count() const { return count_; }
    int32_t next_free() const { return next_free_; }
    // Node number i of the pool (0 <= i < count()).
    PathNode* node(int32_t i) const { return nodes_ + i; }
    // Pool number of a node of this pool.
    int32_t index_of(const PathNode* node) const { return static_cast<int32_t>(node - nodes_); }

private:
    // One block rather than one allocation per node: set-up stays cheap on large
    // maps and nodes taken one after another sit side by side in memory. The block
    // is owned_ after allocate, the caller's after use.
    std::unique_ptr<PathNode[]> owned_;
    PathNode* nodes_ = nullptr;
    int32_t count_ = 0;
    int32_t next_free_ = 0;
};

}  // namespace zorby
