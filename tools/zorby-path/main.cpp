// zorby-path MAP SX SY GX GY WEIGHT
//
// Reads a map from a text file (see pathfinding/path_map_text.h), runs find_path
// from (SX, SY) to (GX, GY) with the given weight and prints the result: the cell
// count n, then n lines "x y" from the start to the goal. Exit status 0 when the
// command ran (also when it found no path, n = 0), 1 when the map file cannot be
// opened, 2 on a usage error or a damaged map (its line number on stderr).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/engine_array.h"
#include "pathfinding/find_path.h"
#include "pathfinding/path_map_text.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: zorby-path MAP SX SY GX GY WEIGHT\n"
                 "  MAP     text file: \"W H\", then H lines of W numbers (<= 0 blocks a cell)\n"
                 "  SX SY   start cell, GX GY goal cell\n"
                 "  WEIGHT  0 (cheapest path) .. 1 (straight for the goal)\n");
}

bool parse_number(const char* text, double& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        usage();
        return 2;
    }
    double args[5];
    for (int i = 0; i < 5; ++i) {
        if (!parse_number(argv[i + 2], args[i])) {
            std::fprintf(stderr, "zorby-path: \"%s\" is not a number\n", argv[i + 2]);
            usage();
            return 2;
        }
    }
    std::ifstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "zorby-path: cannot open %s\n", argv[1]);
        return 1;
    }
    zorby::NumberArray map;
    std::string error;
    if (!zorby::read_path_map(file, map, error)) {
        std::fprintf(stderr, "zorby-path: %s: %s\n", argv[1], error.c_str());
        return 2;
    }
    zorby::NumberArray path;
    const double n = zorby::find_path(map, path, args[4], args[0], args[1], args[2], args[3]);
    std::fputs(zorby::format_path(n, path).c_str(), stdout);
    return 0;
}
