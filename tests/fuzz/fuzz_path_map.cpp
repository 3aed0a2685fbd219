// Fuzz target: the path map text of zorby-path. Any text must either be refused
// with "line N: ..." (one short line) or give a map of the stated size; small maps
// are then searched corner to corner, and the path must join its ends with unit
// steps through open cells (the start may be blocked), never visiting a cell twice.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_array.h"
#include "pathfinding/find_path.h"
#include "pathfinding/path_map_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    zorby::NumberArray map;
    std::string error;
    if (!zorby::read_path_map(in, map, error)) {
        if (error.rfind("line ", 0) != 0 || error.size() > 200 || map.data() != nullptr) {
            std::abort();
        }
        for (const char c : error) {
            if (c < 0x20 || c >= 0x7F) std::abort();
        }
        return 0;
    }
    const int32_t w = map.size(0), h = map.size(1);
    if (w < 1 || h < 1) std::abort();
    if (int64_t{w} * h > 4096) return 0;
    zorby::NumberArray path;
    const double n = zorby::find_path(map, path, 0.5, 0, 0, w - 1, h - 1);
    if (n < 0 || n != std::floor(n)) std::abort();
    if (n == 0) return 0;
    const int32_t cells = static_cast<int32_t>(n);
    auto at = [&](int32_t i, int32_t j) { return zorby::number_at(path, i, j); };
    if (cells < 2 || at(0, 0) != 0 || at(0, 1) != 0 || at(cells - 1, 0) != w - 1 ||
        at(cells - 1, 1) != h - 1) {
        std::abort();
    }
    std::vector<bool> seen(size_t(w) * size_t(h));
    for (int32_t i = 0; i < cells; ++i) {
        const int32_t x = static_cast<int32_t>(at(i, 0)), y = static_cast<int32_t>(at(i, 1));
        if (x < 0 || x >= w || y < 0 || y >= h || seen[size_t(y) * size_t(w) + size_t(x)]) {
            std::abort();  // outside the map, or a cell visited twice
        }
        seen[size_t(y) * size_t(w) + size_t(x)] = true;
        if (i == 0) continue;  // the start may be blocked: the path only leaves it
        if (!(zorby::number_at(map, x, y) > 0)) std::abort();
        if (std::fabs(x - at(i - 1, 0)) + std::fabs(y - at(i - 1, 1)) != 1) std::abort();
    }
    zorby::format_path(n, path);
    return 0;
}
