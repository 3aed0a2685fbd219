// The grid path command: its documented cases, and properties checked on many
// random maps against an independent Dijkstra search.
#include "pathfinding/find_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <queue>
#include <random>
#include <utility>
#include <vector>

namespace zorby {
namespace {

using Cells = std::vector<std::pair<int32_t, int32_t>>;

// rows[y][x] becomes cell (x, y).
NumberArray make_map(const std::vector<std::vector<double>>& rows) {
    NumberArray map;
    dim_numbers(map, static_cast<double>(rows[0].size()), static_cast<double>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x)
            number_at(map, static_cast<int32_t>(x), static_cast<int32_t>(y)) = rows[y][x];
    return map;
}

Cells cells_of(const NumberArray& path, double n) {
    Cells out;
    for (int32_t i = 0; i < static_cast<int32_t>(n); ++i)
        out.emplace_back(static_cast<int32_t>(number_at(path, i, 0)),
                         static_cast<int32_t>(number_at(path, i, 1)));
    return out;
}

// A path array holding something recognisable, to show it was left alone.
NumberArray marked_path() {
    NumberArray path;
    dim_numbers(path, 3, 2);
    for (int32_t i = 0; i < 3; ++i) {
        number_at(path, i, 0) = 100 + i;
        number_at(path, i, 1) = 200 + i;
    }
    return path;
}

void expect_marked(const NumberArray& path) {
    ASSERT_EQ(path.size(0), 3);
    ASSERT_EQ(path.size(1), 2);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(number_at(path, i, 0), 100 + i);
        EXPECT_EQ(number_at(path, i, 1), 200 + i);
    }
}

TEST(FindPath, ThreeCellsInARow) {
    NumberArray map = make_map({{1, 1, 1}});
    NumberArray path;
    EXPECT_EQ(find_path(map, path, 0.5, 0, 0, 2, 0), 3.0);
    EXPECT_EQ(path.size(0), 3);
    EXPECT_EQ(path.size(1), 2);
    EXPECT_EQ(cells_of(path, 3), (Cells{{0, 0}, {1, 0}, {2, 0}}));
    // Backward, and with coordinates that truncate toward zero (-0.5 is 0).
    EXPECT_EQ(find_path(map, path, 0.5, 2.9, 0.7, -0.5, 0), 3.0);
    EXPECT_EQ(cells_of(path, 3), (Cells{{2, 0}, {1, 0}, {0, 0}}));
}

TEST(FindPath, NoPathLeavesThePathArrayAlone) {
    NumberArray path = marked_path();
    NumberArray unusable = make_map({{0, -1, 0}, {-5, 0, 0}});
    EXPECT_EQ(find_path(unusable, path, 0, 0, 0, 2, 1), 0.0);
    NumberArray map = make_map({{1, 1, 1}, {1, 1, 1}});
    EXPECT_EQ(find_path(map, path, 0, 1, 1, 1, 1), 0.0);   // start is the goal
    EXPECT_EQ(find_path(map, path, 0, 0, 0, 3, 0), 0.0);   // goal outside
    EXPECT_EQ(find_path(map, path, 0, -1, 0, 2, 0), 0.0);  // start outside
    EXPECT_EQ(find_path(map, path, 0, 0, 0, 1e12, 0), 0.0);
    EXPECT_EQ(find_path(map, path, 0, std::nan(""), 0, 1, 0), 0.0);
    NumberArray walled = make_map({{1, 0, 1}, {1, 0, 1}});
    EXPECT_EQ(find_path(walled, path, 0, 0, 0, 2, 1), 0.0);
    NumberArray blocked_goal = make_map({{1, 1, 0}});
    EXPECT_EQ(find_path(blocked_goal, path, 1, 0, 0, 2, 0), 0.0);
    NumberArray one_dimension;
    dim_numbers(one_dimension, 4);
    number_at(one_dimension, 0) = number_at(one_dimension, 1) = 1;
    EXPECT_EQ(find_path(one_dimension, path, 0, 0, 0, 1, 0), 0.0);
    expect_marked(path);
}

TEST(FindPath, StepsOnlyBetweenEdgeNeighbours) {
    NumberArray map = make_map(std::vector<std::vector<double>>(5, std::vector<double>(5, 1)));
    NumberArray path;
    ASSERT_EQ(find_path(map, path, 0.5, 0, 0, 4, 4), 9.0);
    const Cells cells = cells_of(path, 9);
    for (size_t i = 1; i < cells.size(); ++i)
        EXPECT_EQ(std::abs(cells[i].first - cells[i - 1].first) +
                      std::abs(cells[i].second - cells[i - 1].second),
                  1);
}

// Between equally cheap paths the first neighbour in the order up, right, left,
// down wins, and among equal f the node that came first leaves first.
TEST(FindPath, NeighbourOrderDecidesBetweenEqualPaths) {
    NumberArray map = make_map({{1, 1}, {1, 1}});
    NumberArray path;
    ASSERT_EQ(find_path(map, path, 0, 0, 0, 1, 1), 3.0);
    EXPECT_EQ(cells_of(path, 3), (Cells{{0, 0}, {1, 0}, {1, 1}}));
    ASSERT_EQ(find_path(map, path, 0, 1, 1, 0, 0), 3.0);
    EXPECT_EQ(cells_of(path, 3), (Cells{{1, 1}, {1, 0}, {0, 0}}));
    ASSERT_EQ(find_path(map, path, 0, 0, 1, 1, 0), 3.0);
    EXPECT_EQ(cells_of(path, 3), (Cells{{0, 1}, {0, 0}, {1, 0}}));
}

// The straight way costs 2 per cell (the largest value), the detour about 1.11.
TEST(FindPath, TakesACheapDetourOnlyWhenItCostsLessInTotal) {
    NumberArray map = make_map({{1, 1, 1, 1, 1}, {9, 9, 9, 9, 9}, {1, 1, 1, 1, 1}});
    NumberArray path;
    ASSERT_EQ(find_path(map, path, 0, 0, 1, 4, 1), 7.0);
    const Cells detour = cells_of(path, 7);
    EXPECT_EQ(detour[1], std::make_pair(0, 0));
    EXPECT_EQ(detour[5], std::make_pair(4, 0));
    // Weight 1 heads for the goal and keeps to the costly row; weights above 1 and
    // below 0 are clamped.
    ASSERT_EQ(find_path(map, path, 1, 0, 1, 4, 1), 5.0);
    EXPECT_EQ(cells_of(path, 5), (Cells{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}));
    ASSERT_EQ(find_path(map, path, 25, 0, 1, 4, 1), 5.0);
    ASSERT_EQ(find_path(map, path, -3, 0, 1, 4, 1), 7.0);
    // With costs 2 straight on and 1.5 around, the detour costs more: straight on.
    NumberArray close_costs = make_map({{1, 1, 1, 1, 1}, {2, 2, 2, 2, 2}, {1, 1, 1, 1, 1}});
    ASSERT_EQ(find_path(close_costs, path, 0, 0, 1, 4, 1), 5.0);
}

// NaN blocks a cell; values too large for single precision are the dearest cells,
// tiny positive ones the cheapest.
TEST(FindPath, ExtremeCellValues) {
    NumberArray path;
    NumberArray nan_wall = make_map({{1, std::nan(""), 1}});
    EXPECT_EQ(find_path(nan_wall, path, 0, 0, 0, 2, 0), 0.0);
    const double inf = std::numeric_limits<double>::infinity();
    // Straight on: 2 + 2 + 2 + 1; around: 1 + 4 * 1 + 1.
    const double tiny = 1e-300;
    NumberArray huge = make_map({{tiny, tiny, tiny, tiny, tiny}, {tiny, inf, 1e300, inf, tiny}});
    ASSERT_EQ(find_path(huge, path, 0, 0, 1, 4, 1), 7.0);
    EXPECT_EQ(cells_of(path, 7)[1], std::make_pair(0, 0));
    NumberArray corridor = make_map({{inf, inf, 1e300}});
    EXPECT_EQ(find_path(corridor, path, 0, 0, 0, 2, 0), 3.0);
}

TEST(FindPath, PathMayReplaceTheMapItself) {
    NumberArray map = make_map({{1, 1, 1}, {0, 0, 1}});
    ASSERT_EQ(find_path(map, map, 0, 0, 0, 2, 1), 4.0);
    EXPECT_EQ(map.size(0), 4);
    EXPECT_EQ(cells_of(map, 4), (Cells{{0, 0}, {1, 0}, {2, 0}, {2, 1}}));
}

// ---- properties on random maps ----

struct RandomMap {
    int32_t width, height;
    std::vector<double> values;  // x fastest
};

// Cell entry costs exactly as the command defines them: v / M + 1 in single
// precision for v > 0, negative for blocked cells.
std::vector<float> entry_costs(const RandomMap& m) {
    float largest = 0;
    for (double v : m.values)
        if (v > 0) largest = std::max(largest, static_cast<float>(v));
    std::vector<float> costs;
    for (double v : m.values) costs.push_back(v > 0 ? static_cast<float>(v) / largest + 1.0f : -1);
    return costs;
}

// Cheapest cost from start to goal (infinity when unreachable), in double.
double dijkstra(const RandomMap& m, const std::vector<float>& costs, int32_t sx, int32_t sy,
                int32_t gx, int32_t gy) {
    std::vector<double> best(costs.size(), std::numeric_limits<double>::infinity());
    using Item = std::pair<double, int32_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    best[sy * m.width + sx] = 0;
    queue.push({0, sy * m.width + sx});
    while (!queue.empty()) {
        const auto [d, c] = queue.top();
        queue.pop();
        if (d > best[c]) continue;
        const int32_t x = c % m.width, y = c / m.width;
        const int32_t nx[4] = {x, x + 1, x - 1, x}, ny[4] = {y - 1, y, y, y + 1};
        for (int k = 0; k < 4; ++k) {
            if (nx[k] < 0 || ny[k] < 0 || nx[k] >= m.width || ny[k] >= m.height) continue;
            const int32_t n = ny[k] * m.width + nx[k];
            if (costs[n] < 0 || d + costs[n] >= best[n]) continue;
            best[n] = d + costs[n];
            queue.push({best[n], n});
        }
    }
    return best[gy * m.width + gx];
}

// The search written out plainly, step by step as documented for the command: a
// vector kept sorted by f (largest first) searched by linear scans, a closed list
// searched by linear scans. Slow, but with nothing clever that could hide a fault;
// the command must return exactly its path, ties and re-opened cells included.
Cells plain_search(const RandomMap& m, const std::vector<float>& costs, float w, int32_t sx,
                   int32_t sy, int32_t gx, int32_t gy) {
    struct Node {
        int32_t parent, x, y;
        float f, g;
    };
    std::vector<Node> nodes;
    std::vector<int32_t> open, closed;
    auto h = [&](int32_t x, int32_t y) {
        return static_cast<float>(std::abs(gx - x) + std::abs(gy - y));
    };
    auto insert_sorted = [&](int32_t id) {
        size_t pos = 0;
        while (pos < open.size() && nodes[open[pos]].f > nodes[id].f) ++pos;
        open.insert(open.begin() + static_cast<ptrdiff_t>(pos), id);
    };
    nodes.push_back({-1, sx, sy, 0, 0});
    open.push_back(0);
    while (!open.empty()) {
        const int32_t n = open.back();
        open.pop_back();
        if (nodes[n].x == gx && nodes[n].y == gy) {
            Cells path;
            for (int32_t i = n; i >= 0; i = nodes[i].parent)
                path.insert(path.begin(), {nodes[i].x, nodes[i].y});
            return path;
        }
        const int32_t nx[4] = {nodes[n].x, nodes[n].x + 1, nodes[n].x - 1, nodes[n].x};
        const int32_t ny[4] = {nodes[n].y - 1, nodes[n].y, nodes[n].y, nodes[n].y + 1};
        for (int k = 0; k < 4; ++k) {
            if (nx[k] < 0 || ny[k] < 0 || nx[k] >= m.width || ny[k] >= m.height) continue;
            const float cost = costs[ny[k] * m.width + nx[k]];
            if (cost < 0) continue;
            const float g = nodes[n].g + cost;
            const float f = g + w * (h(nx[k], ny[k]) - g);
            auto same_cell = [&](int32_t id) {
                return nodes[id].x == nx[k] && nodes[id].y == ny[k];
            };
            auto in_closed = std::find_if(closed.begin(), closed.end(), same_cell);
            if (in_closed != closed.end()) {
                const int32_t id = *in_closed;
                if (g < nodes[id].g) {
                    closed.erase(in_closed);
                    nodes[id].parent = n;
                    nodes[id].g = g;
                    nodes[id].f = f;
                    insert_sorted(id);
                }
                continue;
            }
            auto in_open = std::find_if(open.rbegin(), open.rend(), same_cell);
            if (in_open != open.rend()) {
                const int32_t id = *in_open;
                if (g < nodes[id].g) {
                    open.erase(std::next(in_open).base());
                    nodes[id].parent = n;
                    nodes[id].g = g;
                    nodes[id].f = f;
                    insert_sorted(id);
                }
                continue;
            }
            nodes.push_back({n, nx[k], ny[k], f, g});
            insert_sorted(static_cast<int32_t>(nodes.size()) - 1);
        }
        closed.push_back(n);
    }
    return {};
}

TEST(FindPath, RandomMapsGiveValidCheapestAndRepeatablePaths) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> unit(0, 1);
    int found = 0, missing = 0;
    for (int round = 0; round < 400; ++round) {
        RandomMap m;
        m.width = 1 + static_cast<int32_t>(rng() % 24);
        m.height = 1 + static_cast<int32_t>(rng() % 24);
        const double blocked_share = unit(rng) * 0.45;
        const bool whole = round % 2 == 0;  // whole values 1..9 or any positive values
        for (int32_t i = 0; i < m.width * m.height; ++i) {
            const double v = whole ? 1 + static_cast<double>(rng() % 9) : unit(rng) * 50;
            m.values.push_back(unit(rng) < blocked_share ? -unit(rng) * 3 : v);
        }
        const int32_t sx = rng() % m.width, sy = rng() % m.height;
        const int32_t gx = rng() % m.width, gy = rng() % m.height;
        const std::vector<float> costs = entry_costs(m);
        const double cheapest = dijkstra(m, costs, sx, sy, gx, gy);
        NumberArray map;
        dim_numbers(map, m.width, m.height);
        std::copy(m.values.begin(), m.values.end(), map.data());

        for (double weight : {0.0, 0.5, unit(rng), 0.9, 1.0}) {
            SCOPED_TRACE(testing::Message() << "round " << round << " weight " << weight);
            NumberArray path = marked_path();
            const double n = find_path(map, path, weight, sx, sy, gx, gy);
            const bool reachable =
                !(sx == gx && sy == gy) && !std::isinf(cheapest) &&
                std::any_of(costs.begin(), costs.end(), [](float c) { return c > 0; });
            if (!reachable) {
                ASSERT_EQ(n, 0.0);
                expect_marked(path);
                ++missing;
                continue;
            }
            ASSERT_GE(n, 2.0);
            ++found;
            const Cells cells = cells_of(path, n);
            ASSERT_EQ(cells.front(), std::make_pair(sx, sy));
            ASSERT_EQ(cells.back(), std::make_pair(gx, gy));
            double cost = 0;
            std::vector<bool> seen(costs.size());
            for (size_t i = 0; i < cells.size(); ++i) {
                const int32_t c = cells[i].second * m.width + cells[i].first;
                ASSERT_FALSE(seen[c]) << "cell visited twice";
                seen[c] = true;
                if (i == 0) continue;
                ASSERT_EQ(std::abs(cells[i].first - cells[i - 1].first) +
                              std::abs(cells[i].second - cells[i - 1].second),
                          1);
                ASSERT_GT(costs[c], 0) << "path enters a blocked cell";
                cost += costs[c];
            }
            // Weight 0 orders by cost alone, and 0.5 is A* with an estimate that never
            // overshoots (every step costs more than 1): both find the cheapest
            // path, up to the rounding of single-precision sums (at most half a unit
            // in the last place per step, on either side).
            const double rounding = 2.0 * static_cast<double>(costs.size()) * cheapest / (1 << 24);
            if (weight == 0.0 || weight == 0.5)
                ASSERT_NEAR(cost, cheapest, rounding);
            else
                ASSERT_GE(cost, cheapest - rounding);
            ASSERT_EQ(cells, plain_search(m, costs, static_cast<float>(weight), sx, sy, gx, gy));
            // Same inputs, same path.
            NumberArray again;
            ASSERT_EQ(find_path(map, again, weight, sx, sy, gx, gy), n);
            ASSERT_EQ(cells_of(again, n), cells);
        }
    }
    // The rounds must exercise both outcomes.
    EXPECT_GT(found, 400);
    EXPECT_GT(missing, 100);
}

}  // namespace
}  // namespace zorby
