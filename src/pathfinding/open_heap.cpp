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
    owned_.reset(new (std::nothrow) Entry[static_cast<size_t>(room)]);
    if (!owned_) return false;
    items_ = owned_.get();
    room_ = room;
    return true;
}

void OpenHeap::use(Entry* storage, int64_t room) {
    release();
    if (!storage || room <= 0) return;
    items_ = storage;
    room_ = room;
}

void OpenHeap::release() {
    owned_.reset();
    items_ = nullptr;
    room_ = 0;
    count_ = 0;
}

void OpenHeap::rebuild() {
    if (count_ < 2) return;
    for (int64_t i = (count_ - 2) / arity; i >= 0; --i) sift_down(i, items_[i]);
}

void OpenHeap::sort() {
    std::sort(items_, items_ + count_,
              [](const Entry& a, const Entry& b) { return a.key() < b.key(); });
}

}  // namespace zorby
