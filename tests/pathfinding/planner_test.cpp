// The A* planner below the path command: set-up checks, the cost map, the
// bookkeeping of open and closed nodes, running out of room, reuse after reset,
// diagonal moves, and that a search allocates nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <utility>
#include <vector>

#include "pathfinding/astar_planner.h"

// Counts every allocation of the test program while `counting` is on.
namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

void* operator new(size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    if (counting) ++allocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
// These deletes pair with the malloc-based news above; GCC cannot see that once the
// replaced operators are inlined into library code.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}

namespace zorby {
namespace {

using Cells = std::vector<std::pair<int32_t, int32_t>>;

struct Grid {
    int32_t width, height;
    std::vector<double> values;
};

Grid random_grid(std::mt19937& rng, int32_t width, int32_t height, double blocked_share) {
    std::uniform_real_distribution<double> unit(0, 1);
    Grid g{width, height, {}};
    for (int32_t i = 0; i < width * height; ++i)
        g.values.push_back(unit(rng) < blocked_share ? 0.0 : 1 + static_cast<double>(rng() % 9));
    g.values.front() = g.values.back() = 1;
    return g;
}

PlannerParams params_for(const Grid& g, int32_t sx, int32_t sy, int32_t gx, int32_t gy,
                         float weight) {
    PlannerParams p;
    p.start_x = sx;
    p.start_y = sy;
    p.goal_x = gx;
    p.goal_y = gy;
    p.diagonal_cost = 1;
    p.hash_bits = 8;
    p.weight = weight;
    p.width = g.width;
    p.height = g.height;
    p.map = g.values.data();
    return p;
}

// Set-up, start and search in one; false when set-up or search fails.
bool plan(Planner& planner, const PlannerParams& p) {
    if (!planner.setup(p)) return false;
    planner.start();
    return planner.search();
}

Cells path_of(const Planner& planner) {
    Cells out;
    for (const PathNode* n = planner.goal_node(); n; n = n->parent)
        out.insert(out.begin(), {n->x, n->y});
    return out;
}

TEST(Planner, SetupRefusesUnusableInput) {
    Grid g{3, 2, {1, 1, 1, 1, 1, 1}};
    AStarPlanner planner;
    EXPECT_FALSE(planner.setup(params_for(g, 0, 0, 3, 0, 0)));
    EXPECT_FALSE(planner.setup(params_for(g, 0, -1, 1, 0, 0)));
    EXPECT_FALSE(planner.setup(params_for(g, 2, 1, 2, 1, 0)));
    PlannerParams no_map = params_for(g, 0, 0, 1, 0, 0);
    no_map.map = nullptr;
    EXPECT_FALSE(planner.setup(no_map));
    PlannerParams too_large = params_for(g, 0, 0, 1, 0, 0);
    too_large.width = too_large.height = 65536;  // refused before the map is read
    EXPECT_FALSE(planner.setup(too_large));
    Grid blocked{2, 1, {0, -2}};
    EXPECT_FALSE(planner.setup(params_for(blocked, 0, 0, 1, 0, 0)));
    EXPECT_FALSE(planner.done());
}

TEST(Planner, SetupBuildsCostsAndNormalisesParameters) {
    Grid g{4, 1, {2, 4, 0, -1}};
    AStarPlanner planner;
    PlannerParams p = params_for(g, 0, 0, 1, 0, 3.0f);
    p.hash_bits = 9;
    ASSERT_TRUE(planner.setup(p));
    EXPECT_TRUE(planner.done());
    EXPECT_FLOAT_EQ(planner.cell_cost(0, 0), 1.5f);
    EXPECT_FLOAT_EQ(planner.cell_cost(1, 0), 2.0f);
    EXPECT_EQ(planner.cell_cost(2, 0), Planner::blocked);
    EXPECT_EQ(planner.cell_cost(3, 0), Planner::blocked);
    EXPECT_EQ(planner.params().weight, 1.0f);
    EXPECT_EQ(planner.closed_table().bits(), 8);
    EXPECT_EQ(planner.pool().count(), 4);
    EXPECT_EQ(planner.open_capacity(), 4);
    p.weight = std::nanf("");
    p.node_pool_size = 2;
    p.open_capacity = 3;
    ASSERT_TRUE(planner.setup(p));
    EXPECT_EQ(planner.params().weight, 0.0f);
    EXPECT_EQ(planner.pool().count(), 2);
    EXPECT_EQ(planner.open_capacity(), 3);
}

// After every search, each node handed out is either in the open list (sorted by f,
// largest first) or in the closed table, found there by its cell; re-opening closed
// nodes (common with weights near 1) must keep that so.
TEST(Planner, EveryNodeIsOpenOrClosedAfterASearch) {
    std::mt19937 rng(11);
    for (int round = 0; round < 60; ++round) {
        const int32_t w = 2 + static_cast<int32_t>(rng() % 40),
                      h = 2 + static_cast<int32_t>(rng() % 40);
        Grid g = random_grid(rng, w, h, 0.3);
        AStarPlanner planner;
        const float weight = static_cast<float>(round % 4) / 3.0f;
        ASSERT_TRUE(planner.setup(params_for(g, 0, 0, w - 1, h - 1, weight)));
        planner.start();
        planner.search();
        const std::vector<const PathNode*> open = planner.open_nodes();
        NodeHashTable& closed = const_cast<NodeHashTable&>(planner.closed_table());
        EXPECT_EQ(static_cast<size_t>(planner.open_count()), open.size());
        EXPECT_EQ(planner.pool().next_free(), planner.open_count() + closed.size());
        for (size_t i = 1; i < open.size(); ++i) ASSERT_LE(open[i - 1]->f, open[i]->f);
        for (int32_t b = 0; b < closed.bucket_count(); ++b) {
            for (const PathNode* n = closed.bucket_head(b); n; n = n->next) {
                ASSERT_EQ(closed.bucket_of(n->x, n->y), b);
                ASSERT_EQ(closed.find(n->x, n->y), n) << "two closed nodes on one cell";
            }
        }
        for (const PathNode* n : open)
            ASSERT_EQ(closed.find(n->x, n->y), nullptr) << "open and closed";
        for (size_t i = 1; i < open.size(); ++i)
            ASSERT_EQ(std::count(open.begin(), open.end(), open[i]), 1) << "open twice";
    }
}

// The open list numbers its insertions to keep first-in-first-out among equal f;
// when the numbers run out it numbers the waiting nodes afresh. Run out every few
// insertions, the searches must still take the same nodes in the same order.
TEST(Planner, RenumberingTheOpenListKeepsItsOrder) {
    class FewNumbers : public AStarPlanner {
    public:
        explicit FewNumbers(uint32_t limit) { order_limit_ = limit; }
    };
    std::mt19937 rng(23);
    for (int round = 0; round < 40; ++round) {
        Grid g = random_grid(rng, 30, 20, 0.25);
        for (float weight : {0.0f, 0.5f, 0.9f, 1.0f}) {
            AStarPlanner plain;
            FewNumbers few(static_cast<uint32_t>(5 + round));
            const PlannerParams p = params_for(g, 0, 0, 29, 19, weight);
            const bool found = plan(plain, p);
            ASSERT_EQ(plan(few, p), found);
            EXPECT_EQ(path_of(few), path_of(plain)) << "round " << round << " weight " << weight;
            EXPECT_EQ(few.pool().next_free(), plain.pool().next_free());
            EXPECT_EQ(few.open_count(), plain.open_count());
        }
    }
}

TEST(Planner, ResetLetsTheSameSetupSearchAgain) {
    std::mt19937 rng(5);
    Grid g = random_grid(rng, 30, 30, 0.15);
    AStarPlanner planner;
    ASSERT_TRUE(planner.setup(params_for(g, 0, 0, 29, 29, 0.5f)));
    planner.start();
    ASSERT_TRUE(planner.search());
    const Cells first = path_of(planner);
    planner.reset();
    EXPECT_EQ(planner.pool().next_free(), 0);
    EXPECT_EQ(planner.open_count(), 0);
    EXPECT_EQ(planner.closed_table().size(), 0);
    EXPECT_EQ(planner.goal_node(), nullptr);
    planner.start();
    ASSERT_TRUE(planner.search());
    EXPECT_EQ(path_of(planner), first);
    // Starting again without a reset forgets the old search too.
    planner.start();
    ASSERT_TRUE(planner.search());
    EXPECT_EQ(path_of(planner), first);
}

// Too few nodes or too small an open list: the search reports no path instead of
// losing nodes, and the planner stays usable.
TEST(Planner, RunningOutOfRoomEndsTheSearchWithoutAPath) {
    Grid g{10, 1, std::vector<double>(10, 1)};
    AStarPlanner planner;
    PlannerParams p = params_for(g, 0, 0, 9, 0, 0);
    p.node_pool_size = 4;
    EXPECT_FALSE(plan(planner, p));
    planner.reset();
    planner.start();
    EXPECT_FALSE(planner.search());
    Grid open_field{5, 5, std::vector<double>(25, 1)};
    p = params_for(open_field, 0, 0, 4, 4, 0);
    p.open_capacity = 1;
    EXPECT_FALSE(plan(planner, p));
    p.open_capacity = 0;
    EXPECT_TRUE(plan(planner, p));
}

TEST(Planner, DiagonalMovesWhenAskedButNeverAcrossBlockedCorners) {
    Grid g{4, 4, std::vector<double>(16, 1)};
    AStarPlanner planner;
    PlannerParams p = params_for(g, 0, 0, 3, 3, 0.5f);
    p.diagonal_moves = 1;
    ASSERT_TRUE(plan(planner, p));
    EXPECT_EQ(path_of(planner), (Cells{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_NEAR(planner.goal_node()->g, 3 * 2 * std::sqrt(2.0), 1e-4);
    // Without the cost flag a diagonal step costs what the cell costs.
    p.diagonal_cost = 0;
    ASSERT_TRUE(plan(planner, p));
    EXPECT_NEAR(planner.goal_node()->g, 6.0, 1e-4);
    // (1, 0) blocked: no diagonal from (0, 0) to (1, 1).
    Grid corner{2, 2, {1, 0, 1, 1}};
    p = params_for(corner, 0, 0, 1, 1, 0.5f);
    p.diagonal_moves = 1;
    ASSERT_TRUE(plan(planner, p));
    EXPECT_EQ(path_of(planner), (Cells{{0, 0}, {0, 1}, {1, 1}}));
    // The mirror: (0, 1) blocked.
    corner.values = {1, 1, 0, 1};
    p = params_for(corner, 0, 0, 1, 1, 0.5f);
    p.diagonal_moves = 1;
    ASSERT_TRUE(plan(planner, p));
    EXPECT_EQ(path_of(planner), (Cells{{0, 0}, {1, 0}, {1, 1}}));
    // On random maps no diagonal step of any path has a blocked cell beside it.
    std::mt19937 rng(7);
    int diagonals = 0;
    for (int round = 0; round < 200; ++round) {
        Grid g = random_grid(rng, 9, 7, 0.3);
        p = params_for(g, 0, 0, 8, 6, 0.5f);
        p.diagonal_moves = 1;
        if (!plan(planner, p)) continue;
        const Cells path = path_of(planner);
        for (size_t i = 1; i < path.size(); ++i) {
            const auto [x0, y0] = path[i - 1];
            const auto [x1, y1] = path[i];
            if (x0 == x1 || y0 == y1) continue;
            ++diagonals;
            EXPECT_NE(g.values[size_t(y0 * g.width + x1)], 0.0) << "round " << round;
            EXPECT_NE(g.values[size_t(y1 * g.width + x0)], 0.0) << "round " << round;
        }
    }
    EXPECT_GT(diagonals, 100);
}

TEST(Planner, SearchAllocatesNothing) {
    std::mt19937 rng(9);
    Grid g = random_grid(rng, 64, 64, 0.3);
    for (float weight : {0.0f, 0.5f, 0.8f, 1.0f}) {
        for (uint8_t diagonal : {0, 1}) {
            AStarPlanner planner;
            PlannerParams p = params_for(g, 0, 0, 63, 63, weight);
            p.diagonal_moves = diagonal;
            ASSERT_TRUE(planner.setup(p));
            allocations = 0;
            counting = true;
            planner.start();
            const bool found = planner.search();
            planner.reset();
            planner.start();
            planner.search();
            counting = false;
            EXPECT_TRUE(found);
            EXPECT_EQ(allocations.load(), 0) << "weight " << weight;
        }
    }
}

}  // namespace
}  // namespace zorby
