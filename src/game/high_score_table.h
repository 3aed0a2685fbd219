// The high-score table as a value: the three best scores with their names, the byte
// form of "hc.txt", the sort that takes a new entry in and the rule that decides
// whether a finished game enters the table. Nothing here needs a running engine.
//
// "hc.txt" holds three records, lowest score first, without header: a score as an
// unsigned 32-bit little-endian integer, then the name's bytes and one LF. Names are
// read as the file channels read lines: a CR before the LF is dropped, a line longer
// than the channels' line limit is cut there (the rest is read as what follows), a
// name ends at a NUL byte, and a last name may lack its LF.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/portable/file_io.h"

namespace zorby::game {

struct HighScoreEntry {
    double score = 0;
    std::string name;
    bool operator==(const HighScoreEntry&) const = default;
};

struct HighScoreTable {
    // Lowest score first, as the file holds them: entries[2] is the best.
    std::array<HighScoreEntry, 3> entries;
    bool operator==(const HighScoreTable&) const = default;
};

// The most bytes the three records can take: a longer file's tail is never read.
inline constexpr size_t kMaxHighScoreFileBytes = 3 * (4 + 1024);

// The table in bytes; nullopt with a description in damage ("the score of record 2 is
// cut short", "the name of record 3 is missing") when the records are not complete.
std::optional<HighScoreTable> parse_high_score_table(std::string_view bytes, std::string& damage);
// The bytes of the table file: each score as write_long stores it (truncated toward
// zero, its low 32 bits), then the name and one LF. A name that would not read back
// as itself is written so that it does (cut at a NUL or LF and within the line limit,
// a last CR doubled); a typed name is written as it is.
std::string serialise_high_score_table(const HighScoreTable& table);

// Takes a new entry in: the exchange sort over the three entries and the new one (a
// new score equal to stored ones ends above them), then the lowest of the four goes.
HighScoreTable with_new_entry(const HighScoreTable& table, double score, const std::string& name);

// The entry rule: a finished game with a score of at least the threshold enters the
// table, and the threshold becomes that score. True when it enters.
bool apply_entry_rule(double& entry_threshold, double score);

// Reading and writing the table file at path, through the file toolkit (ops is the
// test seam). The load result is the table, or nullopt without a file; a file that
// cannot be read or is damaged gives the message that names it in error.
struct HighScoreLoad {
    std::optional<HighScoreTable> table;
    std::string error;
};
HighScoreLoad read_high_score_file(const std::string& path,
                                   const platform::FileOps& ops = platform::system_file_ops());
// Replaces the file with the table; the message that names the file and the failed
// step with its reason when it failed (the old file is then untouched), empty when
// saved.
std::string write_high_score_file(const std::string& path, const HighScoreTable& table,
                                  const platform::FileOps& ops = platform::system_file_ops());

}  // namespace zorby::game
