// A ring buffer of nodes with a fixed capacity: the planners' open list. Positions
// count from the head (position 0) to the back (position size() - 1).
//
// Each slot holds the node's number in its pool together with the node's f as it
// was when the node went in: eight bytes, the size of a pointer, so moving slots
// costs no more than moving pointers, and a search by f reads the slots alone
// instead of visiting a node per probe. A node's f must not change while it is in
// the list (take it out, change it, put it back).
#pragma once

#include <cstdint>
#include <memory>

#include "pathfinding/path_node.h"

namespace zorby {

class FixedDeque {
public:
    // Replaces the buffer with an empty one of the given capacity, for nodes of the
    // pool that starts at `nodes`. Returns false (and leaves a buffer of capacity 0)
    // when the memory cannot be had.
    bool allocate(int32_t capacity, PathNode* nodes);
    void release();

    int32_t capacity() const { return capacity_; }
    int32_t size() const {
        if (empty_) return 0;
        int32_t n = tail_ - head_;
        return n > 0 ? n : n + capacity_;
    }
    bool empty() const { return empty_; }
    bool full() const { return !empty_ && head_ == tail_; }

    // Element at position i (0 <= i < size()).
    PathNode* at(int32_t i) const { return nodes_ + items_[slot(i)].node; }
    // f of the element at position i when it went in.
    float key_at(int32_t i) const { return items_[slot(i)].f; }
    PathNode* back() const { return nodes_ + items_[tail_ == 0 ? capacity_ - 1 : tail_ - 1].node; }
    // For a list kept sorted by f from the largest at the front to the smallest at
    // the back: the first position whose f is not greater than `f` (size() when
    // there is none).
    int32_t sorted_position(float f) const;
    // Removes the back element; does nothing when empty.
    void pop_back();
    // Appends at the back; false (nothing changes) when full.
    bool push_back(PathNode* node);
    // Inserts so that the node ends up at position pos (0 <= pos <= size()); the
    // elements from pos on move one place toward the back. False when full or pos
    // is out of range.
    bool insert(int32_t pos, PathNode* node);
    // Removes the element at position pos; later elements move one place forward.
    // Does nothing when pos is out of range.
    void erase(int32_t pos);
    void clear() {
        head_ = tail_ = 0;
        empty_ = true;
    }

private:
    int32_t slot(int32_t i) const {
        int32_t s = head_ + i;
        return s >= capacity_ ? s - capacity_ : s;
    }
    // Moves the elements at positions [first, last) one place toward the back or
    // the front; the buffer has room at the destination.
    void shift_toward_back(int32_t first, int32_t last);
    void shift_toward_front(int32_t first, int32_t last);

    struct Slot {
        float f;
        uint32_t node;  // number in the pool
    };
    Slot make_slot(const PathNode* node) const {
        return {node->f, static_cast<uint32_t>(node - nodes_)};
    }

    std::unique_ptr<Slot[]> items_;
    PathNode* nodes_ = nullptr;
    int32_t capacity_ = 0;
    int32_t head_ = 0;  // slot of position 0
    int32_t tail_ = 0;  // slot one past the back
    bool empty_ = true;
};

}  // namespace zorby
