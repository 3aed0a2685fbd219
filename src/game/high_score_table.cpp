// The high-score table value: parsing and writing its bytes, the sort, the entry rule
// and the table file.
#include "game/high_score_table.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/file_channels.h"

namespace zorby::game {

namespace {

constexpr size_t kLineLimit = kChannelLineLimit;

uint32_t read_le32(std::string_view bytes, size_t at) {
    uint32_t v = 0;
    for (size_t i = 4; i-- > 0;) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

// A name as it is written so that it reads back as itself: the reader ends it at a
// NUL and drops one CR before the LF (a name ending in CR gets one more), and the name
// with its line end stays within the line limit (longer names are cut; the game's
// keyboard stops far below it).
std::string readable_name(const std::string& name) {
    std::string text = name.substr(0, name.find('\0'));
    text = text.substr(0, text.find('\n'));
    auto written = [&] { return text.size() + (!text.empty() && text.back() == '\r' ? 1 : 0); };
    while (written() > kLineLimit - 1) text.pop_back();
    if (!text.empty() && text.back() == '\r') text += '\r';
    return text;
}

}  // namespace

std::optional<HighScoreTable> parse_high_score_table(std::string_view bytes, std::string& damage) {
    HighScoreTable table;
    size_t pos = 0;
    for (int record = 0; record < 3; ++record) {
        const std::string number = std::to_string(record + 1);
        if (bytes.size() - pos < 4) {
            damage = "the score of record " + number + " is cut short";
            return std::nullopt;
        }
        HighScoreEntry& entry = table.entries[record];
        entry.score = read_le32(bytes, pos);
        pos += 4;
        if (pos >= bytes.size()) {
            damage = "the name of record " + number + " is missing";
            return std::nullopt;
        }
        // A line: up to the LF (the end of the file counts as one), at most the limit.
        const size_t end = std::min(bytes.size(), pos + kLineLimit);
        const size_t lf = bytes.substr(pos, end - pos).find('\n');
        std::string_view line = bytes.substr(pos, lf == std::string_view::npos ? end - pos : lf);
        // A line cut at the limit keeps its last byte even when it is a CR.
        const bool line_ended =
            lf != std::string_view::npos || (end == bytes.size() && end - pos < kLineLimit);
        pos = lf != std::string_view::npos ? pos + lf + 1 : end;
        if (line_ended && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        entry.name = std::string(line.substr(0, line.find('\0')));
    }
    damage.clear();
    return table;
}

std::string serialise_high_score_table(const HighScoreTable& table) {
    std::string bytes;
    for (const HighScoreEntry& entry : table.entries) {
        const uint32_t score = channel_long_bits(entry.score);
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((score >> (8 * i)) & 0xFF);
        bytes += readable_name(entry.name);
        bytes += '\n';
    }
    return bytes;
}

HighScoreTable with_new_entry(const HighScoreTable& table, double score, const std::string& name) {
    std::array<HighScoreEntry, 4> all{table.entries[0], table.entries[1], table.entries[2],
                                      HighScoreEntry{score, name}};
    // The exchange sort the table has always used: every pair in both orders, so
    // equal scores keep the order this double loop gives them.
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = 0; j < all.size(); ++j) {
            if (all[i].score < all[j].score) std::swap(all[i], all[j]);
        }
    }
    HighScoreTable result;
    for (size_t i = 0; i < 3; ++i) result.entries[i] = std::move(all[i + 1]);
    return result;
}

bool apply_entry_rule(double& entry_threshold, double score) {
    if (!(entry_threshold <= score)) return false;
    entry_threshold = score;
    return true;
}

HighScoreLoad read_high_score_file(const std::string& path, const platform::FileOps& ops) {
    HighScoreLoad load;
    std::vector<uint8_t> bytes;
    const platform::FileStatus status =
        platform::read_file_start(path, kMaxHighScoreFileBytes, bytes, ops);
    if (status.missing()) return load;
    if (!status) {
        load.error = path + " cannot be read";
        return load;
    }
    std::string damage;
    load.table = parse_high_score_table(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), damage);
    if (!load.table) load.error = path + " is damaged: " + damage;
    return load;
}

std::string write_high_score_file(const std::string& path, const HighScoreTable& table,
                                  const platform::FileOps& ops) {
    const platform::FileStatus status =
        platform::replace_file(path, serialise_high_score_table(table), ops);
    if (status) return {};
    // The table's own name (the one the player knows) and why, e.g. "write failed: No
    // space left on device"; the temporary file beside it is gone again.
    return path + " cannot be saved: " + status.describe();
}

}  // namespace zorby::game
