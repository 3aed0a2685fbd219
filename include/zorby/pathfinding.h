/// @file pathfinding.h
/// @brief The grid path command: the cheapest path over a map of cell costs.
#pragma once

#include <cstddef>
#include <vector>

namespace zorby {

/// A cell of a grid.
struct GridCell {
    int x = 0;  ///< column, from 0
    int y = 0;  ///< row, from 0
    /// @brief Cells are equal when both coordinates are.
    /// @param other The other cell.
    /// @return true when equal.
    bool operator==(const GridCell& other) const = default;
};

/// A map of cell costs, width x height: a value of 0 or less blocks a cell. A step onto
/// an open cell costs 1 + its value / the largest value on the map, so every step
/// costs between 1 and 2: find_path takes the fewest steps it can, and among ways of
/// one length the cheapest.
struct Grid {
    int width = 0;              ///< columns
    int height = 0;             ///< rows
    std::vector<double> costs;  ///< width * height values, row by row

    Grid() = default;
    /// @brief A grid with every cell at one cost.
    /// @param w Columns (0 or more).
    /// @param h Rows (0 or more).
    /// @param cost The cost of every cell (0 or less: blocked).
    Grid(int w, int h, double cost = 1.0)
        : width(w < 0 ? 0 : w),
          height(h < 0 ? 0 : h),
          costs(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), cost) {}
    /// @brief The cost of a cell.
    /// @param x Column, 0 to width - 1 (not checked).
    /// @param y Row, 0 to height - 1 (not checked).
    /// @return A reference to the cell's cost.
    double& at(int x, int y) { return costs[static_cast<std::size_t>(y) * width + x]; }
    /// @brief The cost of a cell.
    /// @param x Column, 0 to width - 1 (not checked).
    /// @param y Row, 0 to height - 1 (not checked).
    /// @return The cell's cost.
    double at(int x, int y) const { return costs[static_cast<std::size_t>(y) * width + x]; }
};

/// @brief Finds the cheapest path between two cells, stepping up, down, left or right.
/// @param grid The map; its size must match its costs.
/// @param start The first cell.
/// @param goal The last cell.
/// @param weight 0 to 1 (clamped; NaN counts as 0): 0 finds the cheapest path (see Grid), higher
/// values head for the goal sooner and search less.
/// @return The cells from start to goal, both included; empty when there is no path or
/// the input is unusable (start or goal outside the grid, start equal to goal, no open
/// cell, costs not width * height long).
std::vector<GridCell> find_path(const Grid& grid, GridCell start, GridCell goal,
                                double weight = 0.0);

}  // namespace zorby
