// The grid planner base: set-up of the cost map and the search structures, the
// sorted open list, reset.
#include "pathfinding/planner.h"

#include <algorithm>
#include <cfloat>
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

    // Anything left from an earlier set-up goes first; until the new one is
    // complete the planner has nothing to search.
    done_ = false;
    cells_.reset();
    goal_node_ = nullptr;
    open_.release();
    closed_.release();
    pool_.release();

    cells_.reset(new (std::nothrow) MapCell[static_cast<size_t>(cells)]);
    if (!cells_) return false;
    // A cell is open when its value is above 0 (NaN blocks). Values beyond the
    // single-precision range are held at its ends, so every open cell keeps a cost
    // in (1, 2] and no conversion overflows.
    float largest = 0.0f;
    for (int64_t i = 0; i < cells; ++i) {
        const double v = params.map[i];
        float c = blocked;
        if (v > 0.0) {
            c = static_cast<float>(std::clamp(v, double{FLT_TRUE_MIN}, double{FLT_MAX}));
            largest = std::max(largest, c);
        }
        cells_[i] = {c, 0.0f, 0};
    }
    if (largest == 0.0f) {
        cells_.reset();
        return false;
    }
    for (int64_t i = 0; i < cells; ++i) {
        if (cells_[i].cost > 0.0f) cells_[i].cost = cells_[i].cost / largest + 1.0f;
    }

    const int64_t pool_size = params.node_pool_size > 0 ? params.node_pool_size : cells;
    const int64_t open_size = params.open_capacity > 0 ? params.open_capacity : cells;
    if (!pool_.allocate(std::min(pool_size, max_cells)) ||
        !open_.allocate(static_cast<int32_t>(open_size), pool_.node(0)) ||
        !closed_.allocate(params.hash_bits)) {
        cells_.reset();
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
    if (cells_) {
        for (int32_t i = 0; i < pool_.next_free(); ++i) {
            const PathNode* n = pool_.node(i);
            cells_[cell_index(n->x, n->y)].place = 0;
        }
    }
    pool_.clear();
    open_.clear();
    closed_.clear();
    goal_node_ = nullptr;
    done_ = true;
}

bool Planner::insert_open(PathNode* node) {
    if (!open_.insert(open_.sorted_position(node->f), node)) return false;
    place(node, in_open);
    return true;
}

int32_t Planner::find_open(const PathNode* node) const {
    // The node sits among the nodes of equal f, which start at sorted_position(f).
    const int32_t n = open_.size();
    for (int32_t i = open_.sorted_position(node->f); i < n && open_.key_at(i) == node->f; ++i) {
        if (open_.at(i) == node) return i;
    }
    return -1;
}

}  // namespace zorby
