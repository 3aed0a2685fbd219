// The labyrinth pictures must be winnable: the walker is simulated with the game's
// rules (one pixel per axis per step toward any target the player sets, the wall
// test on every position it reaches: any pair of overlapping non-zero alpha pixels
// of walker and maze collides) and the shortest way from the start to the exit
// must fit in 80% of the steps the countdown allows.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "asset_support.h"

namespace zorby::testing {
namespace {

constexpr int kMazeX = 10, kMazeY = 85;  // where the game draws the maze
constexpr int kStartX = 10, kStartY = 100, kCreepX = 60;

struct Mask {
    int w = 0, h = 0;
    std::vector<uint8_t> on;
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < w && y < h && on[size_t(y) * w + x];
    }
};

Mask alpha_mask(const std::string& name) {
    PixelImage image = load_asset(name);
    Mask m{image.width, image.height, {}};
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) m.on.push_back(alpha_at(image, x, y) != 0);
    return m;
}

// The wall test of the game for a walker with its top-left at screen (x, y).
bool collides(const Mask& walker, const Mask& maze, int x, int y) {
    for (int j = 0; j < walker.h; ++j)
        for (int i = 0; i < walker.w; ++i)
            if (walker.at(i, j) && maze.at(x + i - kMazeX, y + j - kMazeY)) return true;
    return false;
}

struct Search {
    int shortest = -1;     // steps to the exit, -1 when unreachable
    bool escapes = false;  // some reachable position lies outside the maze picture
};

Search search(const Mask& walker, const Mask& maze) {
    // Positions from 20 pixels around the maze picture, so leaving it is noticed.
    const int x0 = kMazeX - 20, y0 = kMazeY - 20, w = maze.w + 40, h = maze.h + 40;
    std::vector<int> dist(size_t(w) * h, -1);
    std::deque<std::pair<int, int>> queue{{kStartX, kStartY}};
    dist[size_t(kStartY - y0) * w + (kStartX - x0)] = 0;
    Search result;
    while (!queue.empty()) {
        auto [x, y] = queue.front();
        queue.pop_front();
        const int d = dist[size_t(y - y0) * w + (x - x0)];
        if (x < kMazeX - 1 || y < kMazeY - 1 || x + walker.w > kMazeX + maze.w + 1 ||
            y + walker.h > kMazeY + maze.h + 1)
            result.escapes = true;
        if (result.shortest < 0 && x > 270 && y > 145) result.shortest = d;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx < x0 || ny < y0 || nx >= x0 + w || ny >= y0 + h) continue;
                int& nd = dist[size_t(ny - y0) * w + (nx - x0)];
                if (nd >= 0 || collides(walker, maze, nx, ny)) continue;
                nd = d + 1;
                queue.push_back({nx, ny});
            }
    }
    return result;
}

struct MazeCase {
    const char* file;
    int countdown;
};

// Steps the countdown allows: it falls by one every 11 frames, the walker steps every
// fourth frame, so countdown * 11 / 4 steps before it runs out.
int step_budget(int countdown) {
    return countdown * 11 / 4;
}

class Mazes : public ::testing::TestWithParam<MazeCase> {};

TEST_P(Mazes, WalkerReachesTheExitWellWithinTheCountdown) {
    const Mask walker = alpha_mask("minismilie.png");
    const Mask maze = alpha_mask(GetParam().file);
    const Search s = search(walker, maze);
    ASSERT_GE(s.shortest, 0) << "no way to the exit";
    EXPECT_LE(s.shortest, step_budget(GetParam().countdown) * 8 / 10);
    EXPECT_FALSE(s.escapes) << "the walker can leave the maze picture and go round the walls";
}

TEST_P(Mazes, StartRunIsFreeAndTheWallsStopTheWalker) {
    const Mask walker = alpha_mask("minismilie.png");
    const Mask maze = alpha_mask(GetParam().file);
    for (int x = kStartX; x <= kCreepX; ++x)
        EXPECT_FALSE(collides(walker, maze, x, kStartY)) << "start run at " << x;
    // Straight up from the start and one step left out of the picture both hit a wall.
    int y = kStartY;
    while (y > kMazeY - walker.h && !collides(walker, maze, kStartX, y)) --y;
    EXPECT_GT(y, kMazeY - walker.h) << "nothing above the start";
    EXPECT_TRUE(collides(walker, maze, kStartX - 1, kStartY));
}

INSTANTIATE_TEST_SUITE_P(Labyrinths, Mazes,
                         ::testing::Values(MazeCase{"labyrinth1.png", 250},
                                           MazeCase{"labyrinth2.png", 120},
                                           MazeCase{"labyrinth3.png", 200}),
                         // Named by the maze, so test names stay the same from run to run.
                         [](const ::testing::TestParamInfo<MazeCase>& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

TEST(MazeRule, CollisionSeesOnlyOverlappingOpaquePixels) {
    Mask walker{2, 2, {1, 0, 0, 0}};
    Mask maze{4, 4, std::vector<uint8_t>(16, 0)};
    maze.on[size_t(1) * 4 + 1] = 1;
    EXPECT_TRUE(collides(walker, maze, kMazeX + 1, kMazeY + 1));
    EXPECT_FALSE(collides(walker, maze, kMazeX, kMazeY));  // only the clear pixel overlaps
    EXPECT_FALSE(collides(walker, maze, kMazeX + 2, kMazeY + 1));
}

}  // namespace
}  // namespace zorby::testing
