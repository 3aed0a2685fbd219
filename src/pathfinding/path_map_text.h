// The text form of path maps and path results, as the zorby-path tool reads and
// prints them.
//
// Map: the first line holds the width W and the height H, then come H lines of W
// numbers each; the x-th number of line y is cell (x, y). Numbers are separated by
// spaces or tabs. Result: the cell count n on one line, then n lines "x y" from the
// start to the goal.
#pragma once

#include <istream>
#include <string>

#include "engine/engine_array.h"

namespace zorby {

// Reads a map into `map`, dimensioned (W, H). Returns false with a one-line
// description of the first fault in `error` (and `map` untouched) when the text
// is not a well-formed map.
bool read_path_map(std::istream& in, NumberArray& map, std::string& error);

// The result text of find_path: n, then the n rows of `path` as "x y" lines.
std::string format_path(double n, const NumberArray& path);

}  // namespace zorby
