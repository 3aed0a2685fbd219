// The closed set of a planner: a hash table of nodes keyed on the low bits of
// their coordinates, chained through the nodes' own `next` links.
#pragma once

#include <cstdint>
#include <memory>

#include "pathfinding/path_node.h"

namespace zorby {

class NodeHashTable {
public:
    // Replaces the table with 2^bits empty buckets; bits is clamped to 0..24 and
    // rounded down to an even number. False (an unusable table) when the memory
    // cannot be had.
    bool allocate(int32_t bits);
    void release();

    int32_t bits() const { return bits_; }
    int32_t bucket_count() const { return buckets_ ? int32_t{1} << bits_ : 0; }
    // Bucket of a cell: the low bits/2 bits of x and of y side by side.
    int32_t bucket_of(int32_t x, int32_t y) const {
        return (x & mask_) | ((y & mask_) << half_bits_);
    }
    // First node of a bucket's chain (null when empty).
    PathNode* bucket_head(int32_t bucket) const { return buckets_[bucket]; }
    int32_t size() const { return size_; }

    // Puts the node at the head of its bucket's chain unless it is already in that
    // chain. Returns true when it was inserted.
    bool insert(PathNode* node);
    // The same without looking along the chain: the caller knows the node is in no
    // chain of this table.
    void insert_new(PathNode* node) {
        PathNode*& head = buckets_[bucket_of(node->x, node->y)];
        node->next = head;
        head = node;
        ++size_;
    }
    // The first node of the cell's chain standing on (x, y), or null. Remembered
    // for remove_found.
    PathNode* find(int32_t x, int32_t y);
    // Unlinks the node found by the last find. False when there is none (or it
    // has left the table since).
    bool remove_found();
    // Empties every bucket.
    void clear();

private:
    std::unique_ptr<PathNode*[]> buckets_;
    int32_t bits_ = 0;
    int32_t half_bits_ = 0;
    int32_t mask_ = 0;
    int32_t size_ = 0;
    PathNode* found_ = nullptr;
    PathNode* found_before_ = nullptr;  // the chain node in front of found_, or null
};

}  // namespace zorby
