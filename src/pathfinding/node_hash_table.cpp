// The planners' closed set.
#include "pathfinding/node_hash_table.h"

#include <algorithm>
#include <new>

namespace zorby {

bool NodeHashTable::allocate(int32_t bits) {
    release();
    bits = std::clamp(bits, 0, 24) & ~1;
    size_t count = size_t{1} << bits;
    buckets_.reset(new (std::nothrow) PathNode*[count]());
    if (!buckets_) return false;
    bits_ = bits;
    half_bits_ = bits / 2;
    mask_ = (int32_t{1} << half_bits_) - 1;
    return true;
}

void NodeHashTable::release() {
    buckets_.reset();
    bits_ = half_bits_ = mask_ = 0;
    size_ = 0;
    found_ = found_before_ = nullptr;
}

bool NodeHashTable::insert(PathNode* node) {
    if (!buckets_) return false;
    for (PathNode* n = buckets_[bucket_of(node->x, node->y)]; n; n = n->next) {
        if (n == node) return false;
    }
    insert_new(node);
    return true;
}

PathNode* NodeHashTable::find(int32_t x, int32_t y) {
    found_ = found_before_ = nullptr;
    if (!buckets_) return nullptr;
    PathNode* before = nullptr;
    for (PathNode* n = buckets_[bucket_of(x, y)]; n; before = n, n = n->next) {
        if (n->x == x && n->y == y) {
            found_ = n;
            found_before_ = before;
            return n;
        }
    }
    return nullptr;
}

bool NodeHashTable::remove_found() {
    if (!found_) return false;
    PathNode*& head = buckets_[bucket_of(found_->x, found_->y)];
    // The chain may have changed since the lookup; then find the link again.
    bool still_linked = found_before_ ? found_before_->next == found_ : head == found_;
    if (!still_linked) {
        found_before_ = nullptr;
        PathNode* n = head;
        while (n && n != found_) {
            found_before_ = n;
            n = n->next;
        }
        if (!n) {
            found_ = nullptr;
            return false;
        }
    }
    (found_before_ ? found_before_->next : head) = found_->next;
    found_->next = nullptr;
    found_ = found_before_ = nullptr;
    --size_;
    return true;
}

void NodeHashTable::clear() {
    if (buckets_) std::fill_n(buckets_.get(), size_t{1} << bits_, nullptr);
    size_ = 0;
    found_ = found_before_ = nullptr;
}

}  // namespace zorby
