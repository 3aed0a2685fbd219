// The planners' open list: a four-way min-heap of (f, order, node) entries.
#include "pathfinding/open_heap.h"

#include <algorithm>
#include <new>

namespace zorby {

bool OpenHeap::allocate(int64_t room) {
    release();
    if (room < 0) return false;
    if (room == 0) return true;
    // Left uninitialised: a large heap costs nothing until its entries are used.
    items_.reset(new (std::nothrow) Entry[static_cast<size_t>(room)]);
    if (!items_) return false;
    room_ = room;
    return true;
}

void OpenHeap::release() {
    items_.reset();
    room_ = 0;
    count_ = 0;
}

void OpenHeap::rebuild() {
    if (count_ < 2) return;
    for (int64_t i = (count_ - 2) / arity; i >= 0; --i) sift_down(i, items_[i]);
}

void OpenHeap::sort() {
    std::sort(items_.get(), items_.get() + count_,
              [](const Entry& a, const Entry& b) { return a.key() < b.key(); });
}

}  // namespace zorby
