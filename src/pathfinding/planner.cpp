// The grid planner base: set-up of the cost map and the search structures, the
// sorted open list, reset.
#include "pathfinding/planner.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>

namespace zorby {

namespace {

bool inside(int32_t x, int32_t y, int32_t width, int32_t height) {
    return x >= 0 && y >= 0 && x < width && y < height;
}

// NaN counts as 0: it gives no direction at all.
float clamp_weight(float w) {
    return w > 0.0f ? std::min(w, 1.0f) : 0.0f;
}

}  // namespace

bool Planner::setup(const PlannerParams& params) {
    const int32_t width = params.width;
    const int32_t height = params.height;
    if (!inside(params.start_x, params.start_y, width, height) ||
        !inside(params.goal_x, params.goal_y, width, height))
        return false;
    if (params.start_x == params.goal_x && params.start_y == params.goal_y) return false;
    if (!params.map) return false;
    const int64_t cells = int64_t{width} * height;
    if (cells > max_cells) return false;

    // Anything left from an earlier set-up goes first.
    cost_map_.reset();
    cell_place_.reset();
    goal_node_ = nullptr;
    open_.clear();
    closed_.clear();
    pool_.clear();

    cost_map_.reset(new (std::nothrow) float[static_cast<size_t>(cells)]);
    if (!cost_map_) return false;
    // A cell is open when its value is above 0 (NaN blocks). Values beyond the
    // single-precision range are held at its ends, so every open cell keeps a cost
    // in (1, 2] and no conversion overflows.
    float largest = 0.0f;
    for (int64_t i = 0; i < cells; ++i) {
        double v = params.map[i];
        float c = blocked;
        if (v > 0.0) {
            c = static_cast<float>(std::clamp(v, double{FLT_TRUE_MIN}, double{FLT_MAX}));
            largest = std::max(largest, c);
        }
        cost_map_[i] = c;
    }
    if (largest == 0.0f) {
        cost_map_.reset();
        return false;
    }
    for (int64_t i = 0; i < cells; ++i) {
        if (cost_map_[i] > 0.0f) cost_map_[i] = cost_map_[i] / largest + 1.0f;
    }

    const int64_t pool_size = params.node_pool_size > 0 ? params.node_pool_size : cells;
    const int64_t open_size = params.open_capacity > 0 ? params.open_capacity : cells;
    cell_place_.reset(new (std::nothrow) uint32_t[static_cast<size_t>(cells)]());
    if (!cell_place_ || !pool_.allocate(std::min(pool_size, max_cells)) ||
        !open_.allocate(static_cast<int32_t>(open_size)) || !closed_.allocate(params.hash_bits)) {
        cost_map_.reset();
        cell_place_.reset();
        pool_.release();
        open_.release();
        closed_.release();
        return false;
    }

    params_ = params;
    params_.weight = clamp_weight(params.weight);
    goal_node_ = nullptr;
    done_ = true;
    return true;
}

void Planner::start() {
    if (pool_.next_free() > 0) reset();
    goal_node_ = nullptr;
}

// Every node handed out is in the open list or the closed table (or, after a
// search that ran out of room, was just taken); all of them go back, and their
// cells forget them.
void Planner::reset() {
    if (cell_place_) {
        for (int32_t i = 0; i < pool_.next_free(); ++i) {
            const PathNode* n = pool_.node(i);
            cell_place_[cell_index(n->x, n->y)] = 0;
        }
    }
    pool_.clear();
    open_.clear();
    closed_.clear();
    goal_node_ = nullptr;
    done_ = true;
}

int32_t Planner::open_position(float f) const {
    // Sorted from the largest f at the front to the smallest at the back: find the
    // first position whose f is not greater than `f`. Gallop from the back to
    // bracket it, then bisect the bracket.
    int32_t hi = open_.size();  // positions >= hi have f <= `f`
    int32_t step = 1;
    int32_t lo = hi;
    while (true) {
        int32_t probe = hi - step;
        if (probe < 0) {
            lo = 0;
            break;
        }
        if (open_.at(probe)->f > f) {
            lo = probe + 1;
            break;
        }
        hi = probe;
        step *= 2;
    }
    // Now positions < lo have f > `f` and positions >= hi have f <= `f`.
    while (lo < hi) {
        int32_t mid = lo + (hi - lo) / 2;
        if (open_.at(mid)->f > f)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

bool Planner::insert_open(PathNode* node) {
    if (!open_.insert(open_position(node->f), node)) return false;
    place(node, in_open);
    return true;
}

int32_t Planner::find_open(const PathNode* node) const {
    // The node sits among the nodes of equal f, which start at open_position(f).
    const int32_t n = open_.size();
    for (int32_t i = open_position(node->f); i < n && open_.at(i)->f == node->f; ++i) {
        if (open_.at(i) == node) return i;
    }
    return -1;
}

}  // namespace zorby
