// Reading path maps from text and printing results (the zorby-path formats).
#include "pathfinding/path_map_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "pathfinding/find_path.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"
#include "support/posix_compat.h"

namespace zorby {
namespace {

bool read(const std::string& text, NumberArray& map, std::string& error) {
    std::istringstream in(text);
    return read_path_map(in, map, error);
}

// Every line-end style, and one map mixing them, read the same cells.
TEST(PathMapText, ReadsRowsAsCellsWithXFastest) {
    std::vector<testing::LineEnds> texts =
        testing::line_end_styles("\n3 2\n1 2.5 -1\n\t0  7 1e3\n");
    texts.push_back({"mixed", "\n3 2\r\n1 2.5 -1\r\n\t0  7 1e3\n\n"});
    for (const testing::LineEnds& text : texts) {
        SCOPED_TRACE(text.name);
        NumberArray map;
        std::string error;
        ASSERT_TRUE(read(text.text, map, error)) << error;
        EXPECT_EQ(map.size(0), 3);
        EXPECT_EQ(map.size(1), 2);
        EXPECT_EQ(number_at(map, 1, 0), 2.5);
        EXPECT_EQ(number_at(map, 2, 0), -1);
        EXPECT_EQ(number_at(map, 1, 1), 7);
        EXPECT_EQ(number_at(map, 2, 1), 1000);
    }
}

TEST(PathMapText, RejectsMalformedMapsAndSaysWhere) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "line 1: the map ends before its size line"},
        {"\n\n", "line 3: the map ends before its size line"},
        {"3\n1 1 1\n", "line 1"},
        {"0 1\n", "line 1"},
        {"2.5 1\n1 1\n", "line 1"},
        {"2 2\n1 x\n1 1\n", "line 2: \"x\""},
        {"2 2\n1 1\n1\n", "line 3: expected 2 numbers, found 1"},
        {"2 1\n1 1\n1 1\n", "line 3: more than 1 rows"},
        {"2 3\n1 1\n", "line 3: the map ends after 1 of its 3 rows"},
        {"2 1\n1 \x01\xff\n", "line 2: \"??\" is not a number"},
        {"100000 100000\n1\n", "too large"},
        {"40000 20000\n1\n", "line 2: expected 40000"},
    };
    for (const auto& [text, expected] : cases) {
        NumberArray map;
        std::string error;
        EXPECT_FALSE(read(text, map, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << " -> " << error;
        EXPECT_EQ(map.data(), nullptr);
    }
}

TEST(PathMapText, FormatsCountThenOneCellPerLine) {
    NumberArray map;
    std::string error;
    ASSERT_TRUE(read("3 2\n1 1 1\n0 0 1\n", map, error));
    NumberArray path;
    const double n = find_path(map, path, 0, 0, 0, 2, 1);
    EXPECT_EQ(format_path(n, path), "4\n0 0\n1 0\n2 0\n2 1\n");
    EXPECT_EQ(format_path(0, path), "0\n");
}

// The tool itself, when it has been built beside the tests.
TEST(PathMapText, ToolPrintsWhatTheCommandFound) {
    const std::string tool = std::string(ZORBY_BINARY_DIR) + "/tools/zorby-path/zorby-path";
    if (!std::ifstream(tool)) GTEST_SKIP() << "zorby-path not built";
    testing::TempDir dir;
    std::ofstream(dir.file("map.txt")) << "3 2\n1 1 1\n0 0 1\n";
    auto run = [&](const std::string& args, int& status) {
        std::string out;
        FILE* p = popen((tool + " " + args + " 2>/dev/null").c_str(), "r");
        char buffer[256];
        while (p && std::fgets(buffer, sizeof buffer, p)) out += buffer;
        status = p ? pclose(p) : -1;
        return out;
    };
    int status = 0;
    EXPECT_EQ(run(dir.file("map.txt") + " 0 0 2 1 0.5", status), "4\n0 0\n1 0\n2 0\n2 1\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(run(dir.file("map.txt") + " 2 1 0 1 0.5", status), "0\n");  // goal blocked
    EXPECT_EQ(status, 0);
    run(dir.file("missing.txt") + " 0 0 2 1 0", status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    run(dir.file("map.txt") + " 0 0 2 one 0", status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
}  // namespace zorby
