// The planners' open list: a min-heap of node entries keyed by (f, order), where
// order numbers the insertions. Taking the smallest key gives the node of lowest f
// and, among equal f, the one that went in first: the same order as a list kept
// sorted by f with each node inserted in front of its equals, but each insertion
// and removal costs log n instead of moving half the list.
//
// The heap does not find or remove entries in the middle. A node that goes in
// again (a cheaper way to it was found) simply gets a new entry with a new order;
// the owner knows each node's latest order and skips the older entries when they
// come to the top.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace zorby {

class OpenHeap {
public:
    struct Entry {
        uint32_t f_key;  // f as an unsigned number of the same order
        uint32_t order;  // insertion number
        uint32_t node;   // number in the pool
        uint64_t key() const { return uint64_t{f_key} << 32 | order; }
    };

    // Replaces the storage with room for `room` entries. False (room 0) when the
    // memory cannot be had or room is negative.
    bool allocate(int64_t room);
    // Replaces the storage with the `room` entries at `storage`, memory the caller
    // owns and keeps until the heap is released or set up again.
    void use(Entry* storage, int64_t room);
    void release();

    int64_t room() const { return room_; }
    int64_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == room_; }
    void clear() { count_ = 0; }

    // An unsigned number that orders like f: -0 and +0 give the same one, and
    // negative values come before positive ones.
    static uint32_t key_of(float f) {
        f += 0.0f;  // -0 becomes +0
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
    }

    // Adds an entry; the caller makes sure the heap is not full.
    void push(float f, uint32_t order, uint32_t node);
    // The entry with the smallest key (the heap is not empty).
    const Entry& top() const { return items_[0]; }
    // Removes the top entry (the heap is not empty).
    void pop();

    // Entry i in storage order (0 <= i < size()), for looking the entries over.
    const Entry& at(int64_t i) const { return items_[i]; }
    // Keeps the entries for which keep(entry) is true, in heap order again.
    template <typename Keep>
    void retain(Keep keep) {
        int64_t kept = 0;
        for (int64_t i = 0; i < count_; ++i)
            if (keep(items_[i])) items_[kept++] = items_[i];
        count_ = kept;
        rebuild();
    }
    // Sorts the entries by key, smallest first (a sorted array is a heap too), and
    // lets `renumber(entry, i)` change the order of the i-th; the new orders must
    // keep the sorted order.
    template <typename Renumber>
    void sort_and_renumber(Renumber renumber) {
        sort();
        for (int64_t i = 0; i < count_; ++i) renumber(items_[i], i);
    }

private:
    // Four children per entry: half the depth of a binary heap, and the four
    // children sit side by side in memory.
    static constexpr int64_t arity = 4;
    void rebuild();
    void sort();
    void sift_down(int64_t i, Entry e);

    std::unique_ptr<Entry[]> owned_;
    Entry* items_ = nullptr;
    int64_t room_ = 0;
    int64_t count_ = 0;
};

inline void OpenHeap::push(float f, uint32_t order, uint32_t node) {
    const Entry e{key_of(f), order, node};
    const uint64_t key = e.key();
    int64_t i = count_++;
    // New entries mostly belong near the bottom: the loop seldom runs long.
    while (i > 0) {
        const int64_t parent = (i - 1) / arity;
        if (items_[parent].key() <= key) break;
        items_[i] = items_[parent];
        i = parent;
    }
    items_[i] = e;
}

// Moves the hole at i down along the smallest children until `e` fits there.
inline void OpenHeap::sift_down(int64_t i, Entry e) {
    const uint64_t key = e.key();
    const Entry* items = items_;
    for (;;) {
        const int64_t first = i * arity + 1;
        if (first >= count_) break;
        int64_t best = first;
        uint64_t best_key = items[first].key();
        const int64_t last = std::min(first + arity, count_);
        for (int64_t c = first + 1; c < last; ++c) {
            const uint64_t k = items[c].key();
            if (k < best_key) {
                best = c;
                best_key = k;
            }
        }
        if (key <= best_key) break;
        items_[i] = items[best];
        i = best;
    }
    items_[i] = e;
}

inline void OpenHeap::pop() {
    const Entry last = items_[--count_];
    if (count_ > 0) sift_down(0, last);
}

}  // namespace zorby
