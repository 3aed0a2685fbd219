// Benchmark of the grid path command against a textbook A* with a binary heap,
// written here for comparison: same random maps, same run, same cost rules. Prints
// both times (CPU time of the thread, so other programs on a busy machine count
// less), their ratio and both path costs (which must agree).
//
//   bench_path [repetitions-scale] [size]     (size: only the maps of that size)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_array.h"
#include "pathfinding/find_path.h"

namespace {

struct Cell {
    int32_t x, y;
};

// The textbook search: cost map built the same way (values <= 0 block, cost v/M+1
// in single precision), four neighbours in the same order, f = g + w (h - g), a
// binary min-heap with stale entries skipped, closed cells never re-opened. Like
// find_path it sets up its arrays afresh on every call.
class TextbookAStar {
public:
    std::vector<Cell> find(const double* map, int32_t width, int32_t height, float w, Cell start,
                           Cell goal) {
        const int32_t cells = width * height;
        cost_ = std::vector<float>(cells, -1.0f);
        float largest = 0.0f;
        for (int32_t i = 0; i < cells; ++i) {
            if (map[i] > 0.0) {
                cost_[i] = static_cast<float>(map[i]);
                largest = std::max(largest, cost_[i]);
            }
        }
        for (int32_t i = 0; i < cells; ++i)
            if (cost_[i] > 0.0f) cost_[i] = cost_[i] / largest + 1.0f;
        g_ = std::vector<float>(cells, std::numeric_limits<float>::infinity());
        parent_ = std::vector<int32_t>(cells, -1);
        closed_ = std::vector<uint8_t>(cells, 0);

        struct Entry {
            float f;
            uint32_t order;
            int32_t cell;
            bool operator<(const Entry& o) const {
                return f != o.f ? f > o.f : order > o.order;  // smallest f, then oldest
            }
        };
        std::priority_queue<Entry> open;
        uint32_t order = 0;
        auto heuristic = [&](int32_t x, int32_t y) {
            return static_cast<float>(std::abs(goal.x - x) + std::abs(goal.y - y));
        };
        const int32_t s = start.y * width + start.x;
        const int32_t t = goal.y * width + goal.x;
        g_[s] = 0.0f;
        open.push({w * heuristic(start.x, start.y), order++, s});
        static constexpr int32_t dx[4] = {0, 1, -1, 0};
        static constexpr int32_t dy[4] = {-1, 0, 0, 1};
        bool found = false;
        while (!open.empty()) {
            const Entry e = open.top();
            open.pop();
            if (closed_[e.cell]) continue;
            closed_[e.cell] = 1;
            if (e.cell == t) {
                found = true;
                break;
            }
            const int32_t x = e.cell % width;
            const int32_t y = e.cell / width;
            for (int k = 0; k < 4; ++k) {
                const int32_t nx = x + dx[k];
                const int32_t ny = y + dy[k];
                if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
                const int32_t n = ny * width + nx;
                if (cost_[n] < 0.0f || closed_[n]) continue;
                const float g = g_[e.cell] + cost_[n];
                if (!(g < g_[n])) continue;
                g_[n] = g;
                parent_[n] = e.cell;
                open.push({g + w * (heuristic(nx, ny) - g), order++, n});
            }
        }
        std::vector<Cell> path;
        if (!found) return path;
        for (int32_t c = t; c >= 0; c = parent_[c]) path.push_back({c % width, c / width});
        std::reverse(path.begin(), path.end());
        return path;
    }

    // Cost of a path under the same cell costs (sum of entered cells, in double).
    double cost_of(const std::vector<Cell>& path, int32_t width) const {
        double sum = 0.0;
        for (size_t i = 1; i < path.size(); ++i) sum += cost_[path[i].y * width + path[i].x];
        return sum;
    }

private:
    std::vector<float> cost_;
    std::vector<float> g_;
    std::vector<int32_t> parent_;
    std::vector<uint8_t> closed_;
};

// A random map: costs 1..9, `blocked_share` of the cells blocked; start and goal
// open and joined (seeds are tried until they are).
zorby::NumberArray make_map(int32_t size, double blocked_share, uint32_t seed) {
    zorby::NumberArray map;
    zorby::dim_numbers(map, size, size);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> cost(1, 9);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x)
            zorby::number_at(map, x, y) = unit(rng) < blocked_share ? 0.0 : cost(rng);
    zorby::number_at(map, 0, 0) = 1.0;
    zorby::number_at(map, size - 1, size - 1) = 1.0;
    return map;
}

double thread_cpu_ms() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

template <typename F>
double time_ms(F&& f) {
    const double t0 = thread_cpu_ms();
    f();
    return thread_cpu_ms() - t0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Case {
    const char* name;
    int32_t size;
    double blocked_share;
    int repetitions;
};

}  // namespace

int main(int argc, char** argv) {
    const double scale = argc > 1 ? std::max(0.01, std::atof(argv[1])) : 1.0;
    const int32_t only_size = argc > 2 ? std::atoi(argv[2]) : 0;  // 0: every size
    const Case cases[] = {
        {"64 x 64, 25% blocked", 64, 0.25, 400},     {"256 x 256, 25% blocked", 256, 0.25, 40},
        {"1024 x 1024, 25% blocked", 1024, 0.25, 6}, {"1024 x 1024, open", 1024, 0.0, 6},
        {"2048 x 2048, 25% blocked", 2048, 0.25, 3}, {"2048 x 2048, open", 2048, 0.0, 3},
    };
    const double weights[] = {0.5, 0.0};
    std::printf("%-28s %6s %12s %12s %7s %14s %14s %s\n", "map", "weight", "find_path ms",
                "textbook ms", "ratio", "cost", "textbook cost", "cells");
    bool all_equal = true;
    for (const Case& c : cases) {
        if (only_size != 0 && c.size != only_size) continue;
        for (double w : weights) {
            // A few seeds, so one lucky map does not decide the figure: the times are
            // the sums over the maps of each map's median time.
            double ours_t = 0, textbook_t = 0;
            double ours_cost = 0, textbook_cost = 0;
            size_t cells = 0;
            uint32_t seed = 1;
            for (int m = 0; m < 3; ++m, ++seed) {
                zorby::NumberArray map = make_map(c.size, c.blocked_share, seed);
                zorby::NumberArray path;
                TextbookAStar textbook;
                const Cell start{0, 0}, goal{c.size - 1, c.size - 1};
                std::vector<Cell> reference;
                double n = 0;
                const int reps = std::max(1, static_cast<int>(c.repetitions * scale));
                std::vector<double> ours_ms, textbook_ms;
                for (int r = 0; r < reps; ++r) {
                    // Alternate which one runs first, so neither always finds warm caches.
                    auto run_ours = [&] {
                        ours_ms.push_back(time_ms([&] {
                            n = zorby::find_path(map, path, w, start.x, start.y, goal.x, goal.y);
                        }));
                    };
                    auto run_textbook = [&] {
                        textbook_ms.push_back(time_ms([&] {
                            reference = textbook.find(map.data(), c.size, c.size,
                                                      static_cast<float>(w), start, goal);
                        }));
                    };
                    if (r % 2) {
                        run_ours();
                        run_textbook();
                    } else {
                        run_textbook();
                        run_ours();
                    }
                }
                if (n == 0 && reference.empty()) {
                    --m;  // start and goal not joined on this seed: try the next one
                    continue;
                }
                std::vector<Cell> ours;
                for (int32_t i = 0; i < static_cast<int32_t>(n); ++i)
                    ours.push_back({static_cast<int32_t>(zorby::number_at(path, i, 0)),
                                    static_cast<int32_t>(zorby::number_at(path, i, 1))});
                ours_t += median(ours_ms);
                textbook_t += median(textbook_ms);
                const double a = textbook.cost_of(ours, c.size);
                const double b = textbook.cost_of(reference, c.size);
                ours_cost += a;
                textbook_cost += b;
                cells += ours.size();
                if (a != b) all_equal = false;
            }
            std::printf("%-28s %6.2f %12.3f %12.3f %7.3f %14.6f %14.6f %zu\n", c.name, w, ours_t,
                        textbook_t, ours_t / textbook_t, ours_cost, textbook_cost, cells);
            std::fflush(stdout);
        }
    }
    std::printf("path costs %s\n", all_equal ? "identical" : "DIFFER");
    return all_equal ? 0 : 1;
}
