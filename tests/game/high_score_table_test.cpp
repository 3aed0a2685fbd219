// The high-score table as a value: its bytes, the sort that takes a new entry in and
// the entry rule. No engine runs here; the bytes are built by hand (table_bytes).
#include "game/high_score_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "game/game_harness.h"

namespace zorby::testing {
namespace {

using game::HighScoreTable;
using Records = std::vector<std::pair<uint32_t, std::string>>;

HighScoreTable table(const Records& records) {
    HighScoreTable t;
    for (size_t i = 0; i < 3; ++i) t.entries[i] = {double(records[i].first), records[i].second};
    return t;
}

HighScoreTable parsed(const std::string& bytes) {
    std::string damage;
    const auto t = game::parse_high_score_table(bytes, damage);
    EXPECT_TRUE(t.has_value()) << damage;
    return t.value_or(HighScoreTable{});
}

TEST(HighScoreTable, ReadsRecordsAsTheFileChannelsReadLines) {
    const HighScoreTable expected = table({{5, "AB"}, {12, "ANNA"}, {40, "X"}});
    EXPECT_EQ(parsed(table_bytes({{5, "AB"}, {12, "ANNA"}, {40, "X"}})), expected);
    // CR LF line ends read the same, also without one after the last name.
    std::string crlf = table_bytes({{5, "AB\r"}, {12, "ANNA\r"}, {40, "X\r"}});
    EXPECT_EQ(parsed(crlf), expected);
    crlf.pop_back();
    EXPECT_EQ(parsed(crlf), expected);
    // A last name without its LF, large scores, and bytes after the third record.
    std::string bytes = table_bytes({{0, "A"}, {70000, "B"}, {4000000000u, "LAST"}});
    bytes.pop_back();
    EXPECT_EQ(parsed(bytes), table({{0, "A"}, {70000, "B"}, {4000000000u, "LAST"}}));
    EXPECT_EQ(parsed(table_bytes({{1, "A"}, {2, "B"}, {3, "C"}}) + "tail"),
              table({{1, "A"}, {2, "B"}, {3, "C"}}));
    // A last name of a whole number of the channels' 64-byte read steps, without LF.
    bytes = table_bytes({{1, "A"}, {2, "B"}, {3, std::string(128, 'Q')}});
    bytes.pop_back();
    EXPECT_EQ(parsed(bytes).entries[2].name, std::string(128, 'Q'));
    // A name ends at a NUL byte.
    EXPECT_EQ(
        parsed(table_bytes({{1, std::string("AB\0CD", 5)}, {2, "B"}, {3, "C"}})).entries[0].name,
        "AB");
}

TEST(HighScoreTable, LinesLongerThanTheLimitAreCutAndTheRestReadsOn) {
    // 1030 letters: the first name takes 1024 of them; the next record's score starts
    // with the six that are left.
    const std::string long_name(1030, 'K');
    std::string bytes = table_bytes({{7, long_name}, {8, "B"}, {9, "C"}});
    const HighScoreTable t = parsed(bytes);
    EXPECT_EQ(t.entries[0].name, std::string(1024, 'K'));
    EXPECT_EQ(t.entries[1].score, 0x4B4B4B4B);
    EXPECT_EQ(t.entries[1].name, "KK");
    EXPECT_EQ(t.entries[2].score, 8);
    EXPECT_EQ(t.entries[2].name, "B");
    // A cut line keeps a CR it ends with.
    bytes = table_bytes({{1, "A"}, {2, "B"}, {3, std::string(1023, 'Z') + "\r"}});
    bytes.pop_back();
    EXPECT_EQ(parsed(bytes).entries[2].name, std::string(1023, 'Z') + "\r");
}

TEST(HighScoreTable, IncompleteRecordsAreDamageNamingTheRecord) {
    const std::string full = table_bytes({{5, "AB"}, {12, "ANNA"}, {40, "X"}});
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "the score of record 1 is cut short"},
        {full.substr(0, 3), "the score of record 1 is cut short"},
        {full.substr(0, 4), "the name of record 1 is missing"},
        {table_bytes({{5, "AB"}, {12, "ANNA"}}), "the score of record 3 is cut short"},
        {full.substr(0, full.size() - 2), "the name of record 3 is missing"},
    };
    for (const auto& [bytes, why] : cases) {
        std::string damage;
        EXPECT_FALSE(game::parse_high_score_table(bytes, damage).has_value()) << bytes.size();
        EXPECT_EQ(damage, why);
    }
}

TEST(HighScoreTable, WritesWhatItReadsWithScoresStoredAsWriteLongDoes) {
    HighScoreTable t = table({{20, "AB"}, {25, "Zorby"}, {30, "X"}});
    t.entries[1].score = 25.9;
    const std::string bytes = game::serialise_high_score_table(t);
    EXPECT_EQ(bytes, table_bytes({{20, "AB"}, {25, "Zorby"}, {30, "X"}}));
    EXPECT_EQ(parsed(bytes), table({{20, "AB"}, {25, "Zorby"}, {30, "X"}}));
    // Negative and huge scores keep their low 32 bits; NaN is 0.
    t.entries[0].score = -1;
    t.entries[1].score = 4294967296.0 + 7;
    t.entries[2].score = std::nan("");
    EXPECT_EQ(game::serialise_high_score_table(t),
              table_bytes({{0xFFFFFFFFu, "AB"}, {7, "Zorby"}, {0, "X"}}));
    // Names read from odd files are written so that the file reads back as three
    // records with those names: a name ending in CR keeps it, and a name the reader
    // cut at the line limit is cut short of it (written whole, its LF would fall
    // past the limit and the rest of the file would shift into the next records).
    const HighScoreTable odd = table({{1, std::string(1024, 'L')}, {2, "CR\r"}, {3, "C"}});
    const HighScoreTable back = parsed(game::serialise_high_score_table(odd));
    EXPECT_EQ(back, table({{1, std::string(1023, 'L')}, {2, "CR\r"}, {3, "C"}}));
}

TEST(HighScoreTable, NewEntryTakesItsPlaceAndTheLowestGoes) {
    const HighScoreTable base = table({{10, "A"}, {20, "B"}, {30, "C"}});
    auto with = [](const HighScoreTable& t, double score) {
        return game::with_new_entry(t, score, "N");
    };
    EXPECT_EQ(with(base, 25), table({{20, "B"}, {25, "N"}, {30, "C"}}));
    // A tie enters above the equal score.
    EXPECT_EQ(with(base, 20), table({{20, "B"}, {20, "N"}, {30, "C"}}));
    // Equal to the lowest: the new entry survives in place of the old one.
    EXPECT_EQ(with(base, 10), table({{10, "N"}, {20, "B"}, {30, "C"}}));
    EXPECT_EQ(with(base, 99), table({{20, "B"}, {30, "C"}, {99, "N"}}));
    EXPECT_EQ(with(base, 5), base);
    EXPECT_EQ(with(table({{30, "C"}, {30, "D"}, {30, "E"}}), 30),
              table({{30, "D"}, {30, "E"}, {30, "N"}}));
}

TEST(HighScoreTable, EntryRuleRaisesTheThresholdToTheEnteredScore) {
    double threshold = 10;
    EXPECT_FALSE(game::apply_entry_rule(threshold, 9));
    EXPECT_EQ(threshold, 10);
    EXPECT_TRUE(game::apply_entry_rule(threshold, 10));  // equal qualifies
    EXPECT_TRUE(game::apply_entry_rule(threshold, 25));
    EXPECT_EQ(threshold, 25);
    EXPECT_FALSE(game::apply_entry_rule(threshold, 22));
    EXPECT_EQ(threshold, 25);
}

}  // namespace
}  // namespace zorby::testing
