// Reading path maps from text and printing path results.
#include "pathfinding/path_map_text.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pathfinding/planner.h"

namespace zorby {

namespace {

// Splits a line into numbers; false (with the offending word) when a word is not
// a number.
bool parse_numbers(const std::string& line, std::vector<double>& out, std::string& bad_word) {
    out.clear();
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size()) return true;
        size_t end = i;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r')
            ++end;
        const std::string word = line.substr(i, end - i);
        char* stop = nullptr;
        errno = 0;
        const double v = std::strtod(word.c_str(), &stop);
        // Out-of-range values come back as +-HUGE_VAL or 0 with ERANGE: both are
        // fine map values (a huge cost, a blocked cell), so ERANGE is accepted.
        if (stop != word.c_str() + word.size()) {
            bad_word = word;
            return false;
        }
        out.push_back(v);
        i = end;
    }
}

// A word of the map as an error message shows it: at most 24 bytes, anything that
// is not printable ASCII shown as '?'.
std::string shown(const std::string& word) {
    constexpr size_t kShown = 24;
    std::string out;
    for (size_t i = 0; i < word.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    if (word.size() > kShown) out += "...";
    return "\"" + out + "\"";
}

bool whole_positive(double v) {
    return v >= 1 && v <= static_cast<double>(INT32_MAX) && v == std::floor(v);
}

}  // namespace

bool read_path_map(std::istream& in, NumberArray& map, std::string& error) {
    std::string line;
    std::vector<double> numbers;
    std::string bad;
    int line_number = 0;
    // The size line (blank lines before it are skipped).
    while (true) {
        if (!std::getline(in, line)) {
            error = "line " + std::to_string(line_number + 1) +
                    ": the map ends before its size line (the width and the height)";
            return false;
        }
        ++line_number;
        if (!parse_numbers(line, numbers, bad)) {
            error = "line " + std::to_string(line_number) + ": " + shown(bad) + " is not a number";
            return false;
        }
        if (!numbers.empty()) break;
    }
    if (numbers.size() != 2 || !whole_positive(numbers[0]) || !whole_positive(numbers[1])) {
        error = "line " + std::to_string(line_number) +
                ": expected the width and the height, two whole numbers of at least 1";
        return false;
    }
    const int32_t width = static_cast<int32_t>(numbers[0]);
    const int32_t height = static_cast<int32_t>(numbers[1]);
    if (int64_t{width} * height > Planner::max_cells) {
        error = "line " + std::to_string(line_number) + ": the map is too large (" +
                std::to_string(width) + " x " + std::to_string(height) + " cells)";
        return false;
    }

    // The rows are collected before the array is dimensioned, so a short file with
    // a huge size line costs no more memory than the file itself.
    std::vector<double> cells;
    int32_t rows = 0;
    while (std::getline(in, line)) {
        ++line_number;
        if (!parse_numbers(line, numbers, bad)) {
            error = "line " + std::to_string(line_number) + ": " + shown(bad) + " is not a number";
            return false;
        }
        if (numbers.empty()) continue;
        if (rows == height) {
            error = "line " + std::to_string(line_number) + ": more than " +
                    std::to_string(height) + " rows";
            return false;
        }
        if (numbers.size() != static_cast<size_t>(width)) {
            error = "line " + std::to_string(line_number) + ": expected " + std::to_string(width) +
                    " numbers, found " + std::to_string(numbers.size());
            return false;
        }
        cells.insert(cells.end(), numbers.begin(), numbers.end());
        ++rows;
    }
    if (rows < height) {
        error = "line " + std::to_string(line_number + 1) + ": the map ends after " +
                std::to_string(rows) + " of its " + std::to_string(height) + " rows";
        return false;
    }

    dim_numbers(map, width, height);
    std::copy(cells.begin(), cells.end(), map.data());
    return true;
}

std::string format_path(double n, const NumberArray& path) {
    const int32_t count = static_cast<int32_t>(n);
    std::string out = std::to_string(count) + "\n";
    for (int32_t i = 0; i < count; ++i) {
        out += std::to_string(static_cast<int64_t>(number_at(path, i, 0))) + " " +
               std::to_string(static_cast<int64_t>(number_at(path, i, 1))) + "\n";
    }
    return out;
}

}  // namespace zorby
