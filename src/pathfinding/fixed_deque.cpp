// The planners' open list: a fixed ring buffer of nodes.
#include "pathfinding/fixed_deque.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace zorby {

bool FixedDeque::allocate(int32_t capacity, PathNode* nodes) {
    release();
    nodes_ = nodes;
    if (capacity <= 0) return capacity == 0;
    items_.reset(new (std::nothrow) Slot[static_cast<size_t>(capacity)]);
    if (!items_) return false;
    capacity_ = capacity;
    return true;
}

void FixedDeque::release() {
    items_.reset();
    nodes_ = nullptr;
    capacity_ = 0;
    clear();
}

namespace {

// First of `count` slots (sorted by descending f) whose f is not greater than `f`.
// Each round looks at 15 evenly spaced slots at once and keeps the sixteenth of the
// range that holds the answer: the looks of a round do not wait on each other, so
// a few rounds cost less than a long chain of halvings, each waiting on the last.
template <typename Slot>
int32_t first_not_greater(const Slot* slots, int32_t count, float f) {
    int32_t lo = 0;      // the answer lies in [lo, hi]
    int32_t hi = count;  // (count: every slot is greater)
    while (hi - lo > 16) {
        const int32_t step = (hi - lo) / 16;
        const Slot* probe = slots + lo + step - 1;
        int32_t greater = 0;
        for (int32_t i = 0; i < 15; ++i) greater += probe[i * step].f > f ? 1 : 0;
        lo += greater * step;
        if (greater < 15) hi = lo + step - 1;
    }
    int32_t greater = 0;
    for (int32_t i = lo; i < hi; ++i) greater += slots[i].f > f ? 1 : 0;
    return lo + greater;
}

}  // namespace

int32_t FixedDeque::sorted_position(float f) const {
    const int32_t n = size();
    if (n == 0) return 0;
    // The slots from the head run to the end of the buffer, then on from its start.
    const int32_t first_run = std::min(n, capacity_ - head_);
    const Slot* run = &items_[head_];
    if (first_run == n || run[first_run - 1].f <= f) return first_not_greater(run, first_run, f);
    return first_run + first_not_greater(&items_[0], n - first_run, f);
}

void FixedDeque::pop_back() {
    if (empty_) return;
    tail_ = tail_ == 0 ? capacity_ - 1 : tail_ - 1;
    empty_ = tail_ == head_;
}

bool FixedDeque::push_back(PathNode* node) {
    if (capacity_ == 0 || full()) return false;
    items_[tail_] = make_slot(node);
    tail_ = tail_ + 1 == capacity_ ? 0 : tail_ + 1;
    empty_ = false;
    return true;
}

// Moves whole runs that wrap neither at the source nor at the destination, from
// the back end of the range, so nothing is overwritten before it is moved.
void FixedDeque::shift_toward_back(int32_t first, int32_t last) {
    int32_t count = last - first;
    while (count > 0) {
        int32_t src = slot(first + count - 1);
        int32_t dst = src + 1 == capacity_ ? 0 : src + 1;
        int32_t run = std::min({count, src + 1, dst + 1});
        std::memmove(&items_[dst - run + 1], &items_[src - run + 1], run * sizeof(Slot));
        count -= run;
    }
}

// The mirror image: runs from the front end of the range, each one place forward.
void FixedDeque::shift_toward_front(int32_t first, int32_t last) {
    int32_t done = 0;
    int32_t count = last - first;
    while (done < count) {
        int32_t src = slot(first + done);
        int32_t dst = src == 0 ? capacity_ - 1 : src - 1;
        int32_t run = std::min({count - done, capacity_ - src, capacity_ - dst});
        std::memmove(&items_[dst], &items_[src], run * sizeof(Slot));
        done += run;
    }
}

// Moves whichever side of the insertion point is shorter; the order of the
// elements is the same either way.
bool FixedDeque::insert(int32_t pos, PathNode* node) {
    int32_t n = size();
    if (capacity_ == 0 || full() || pos < 0 || pos > n) return false;
    if (pos < n - pos) {
        shift_toward_front(0, pos);
        head_ = head_ == 0 ? capacity_ - 1 : head_ - 1;
    } else {
        shift_toward_back(pos, n);
        tail_ = tail_ + 1 == capacity_ ? 0 : tail_ + 1;
    }
    items_[slot(pos)] = make_slot(node);
    empty_ = false;
    return true;
}

void FixedDeque::erase(int32_t pos) {
    int32_t n = size();
    if (pos < 0 || pos >= n) return;
    if (pos < n - 1 - pos) {
        shift_toward_back(0, pos);
        head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
    } else {
        shift_toward_front(pos + 1, n);
        tail_ = tail_ == 0 ? capacity_ - 1 : tail_ - 1;
    }
    empty_ = head_ == tail_;
}

}  // namespace zorby
