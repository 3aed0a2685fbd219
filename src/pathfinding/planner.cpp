// The grid planner base: set-up of the cost map and the search structures, the
// sorted open list, reset.
#include "pathfinding/planner.h"

#include <algorithm>
#include <cfloat>
#include <cstdint>
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
    goal_node_ = nullptr;
    open_.release();
    open_capacity_ = open_count_ = 0;
    next_order_ = 0;
    closed_.release();
    pool_.release();
    cells_ = nullptr;
    storage_.reset();

    // A cell is open when its value is above 0 (NaN blocks). Values beyond the
    // single-precision range are held at its ends, so every open cell keeps a cost
    // in (1, 2] and no conversion overflows. The largest value is found first, so
    // the cells are written once, with their final costs.
    double largest_value = 0.0;
    for (int64_t i = 0; i < cells; ++i) {
        const double v = params.map[i];
        largest_value = v > largest_value ? v : largest_value;
    }
    if (!(largest_value > 0.0)) return false;
    auto single = [](double v) {
        return static_cast<float>(std::clamp(v, double{FLT_TRUE_MIN}, double{FLT_MAX}));
    };
    const float largest = single(largest_value);

    const int64_t pool_size =
        std::min(params.node_pool_size > 0 ? int64_t{params.node_pool_size} : cells, max_cells);
    const int64_t open_size = params.open_capacity > 0 ? params.open_capacity : cells;
    open_capacity_ = static_cast<int32_t>(std::min(open_size, max_cells));
    // Room beyond the capacity for entries left behind by nodes that moved on, so
    // the heap is seldom tidied.
    const int64_t open_room = int64_t{open_capacity_} + open_capacity_ / 4 + 64;

    // The cells, the pool and the open list's entries share one block, each part
    // starting on a cache line: one allocation per call instead of three, and the
    // allocator can keep one block of this size at hand for the next call where
    // three blocks of different sizes tend to go back to the system each time (and
    // come back as fresh pages to fault in).
    auto line_up = [](int64_t bytes) { return (bytes + 63) & ~int64_t{63}; };
    const int64_t cell_bytes = line_up(cells * int64_t{sizeof(MapCell)});
    const int64_t pool_bytes = line_up(pool_size * int64_t{sizeof(PathNode)});
    const int64_t open_bytes = open_room * int64_t{sizeof(OpenHeap::Entry)};
    const int64_t total = cell_bytes + pool_bytes + open_bytes;
    if (total > PTRDIFF_MAX) {
        open_capacity_ = 0;
        return false;
    }
    // Left uninitialised: the cells are written below, nodes and entries when used.
    storage_.reset(new (std::nothrow) std::byte[static_cast<size_t>(total)]);
    if (!storage_ || !closed_.allocate(params.hash_bits)) {
        storage_.reset();
        open_capacity_ = 0;
        closed_.release();
        return false;
    }
    std::byte* block = storage_.get();
    cells_ = reinterpret_cast<MapCell*>(block);
    pool_.use(reinterpret_cast<PathNode*>(block + cell_bytes), static_cast<int32_t>(pool_size));
    open_.use(reinterpret_cast<OpenHeap::Entry*>(block + cell_bytes + pool_bytes), open_room);

    for (int64_t i = 0; i < cells; ++i) {
        const double v = params.map[i];
        cells_[i] = {v > 0.0 ? single(v) / largest + 1.0f : blocked, 0.0f, 0, 0};
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
    open_count_ = 0;
    next_order_ = 0;
    closed_.clear();
    goal_node_ = nullptr;
    done_ = true;
}

bool Planner::insert_open(PathNode* node) {
    if (open_count_ >= open_capacity_) return false;
    if (next_order_ == order_limit_) tidy_open(true);
    if (open_.full()) tidy_open(false);
    MapCell& cell = cells_[cell_index(node->x, node->y)];
    const uint32_t number = static_cast<uint32_t>(pool_.index_of(node));
    cell.g = node->g;
    cell.place = number << 2 | in_open;
    cell.order = next_order_;
    open_.push(node->f, next_order_++, number);
    ++open_count_;
    return true;
}

void Planner::tidy_open(bool renumber) {
    auto cell_of = [this](const OpenHeap::Entry& e) -> MapCell& {
        const PathNode* node = pool_.node(static_cast<int32_t>(e.node));
        return cells_[cell_index(node->x, node->y)];
    };
    open_.retain([&](const OpenHeap::Entry& e) { return cell_of(e).order == e.order; });
    if (!renumber) return;
    open_.sort_and_renumber([&](OpenHeap::Entry& e, int64_t i) {
        const uint32_t order = static_cast<uint32_t>(i);
        cell_of(e).order = order;
        e.order = order;
    });
    next_order_ = static_cast<uint32_t>(open_.size());
}

std::vector<const PathNode*> Planner::open_nodes() const {
    std::vector<OpenHeap::Entry> live;
    for (int64_t i = 0; i < open_.size(); ++i) {
        const OpenHeap::Entry& e = open_.at(i);
        const PathNode* node = pool_.node(static_cast<int32_t>(e.node));
        if (cells_[cell_index(node->x, node->y)].order == e.order) live.push_back(e);
    }
    std::sort(live.begin(), live.end(),
              [](const OpenHeap::Entry& a, const OpenHeap::Entry& b) { return a.key() < b.key(); });
    std::vector<const PathNode*> nodes;
    for (const OpenHeap::Entry& e : live) nodes.push_back(pool_.node(static_cast<int32_t>(e.node)));
    return nodes;
}

}  // namespace zorby
