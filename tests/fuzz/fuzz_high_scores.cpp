// Fuzz target: the high-score table "hc.txt". Any bytes must either be refused with a
// short description of the damage or give a table that, written back as the game
// saves it, reads back as the same table (a name cut at the line limit aside) and
// then keeps the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/file_channels.h"
#include "game/high_score_table.h"

using zorby::game::HighScoreTable;

namespace {
// A name read from a file is at most the file channels' line limit long.
constexpr size_t kLimit = zorby::kChannelLineLimit;

// The table read back after writing is the one written: the same scores, the same
// names, except that a name the reader cut at the line limit cannot be written whole
// and comes back at most two bytes shorter (its last byte, a doubled CR).
bool written_whole(const HighScoreTable& before, const HighScoreTable& after) {
    for (size_t i = 0; i < before.entries.size(); ++i) {
        const auto& b = before.entries[i];
        const auto& a = after.entries[i];
        if (a.score != b.score) return false;
        if (a.name != b.name && (b.name.rfind(a.name, 0) != 0 || a.name.size() + 2 < kLimit)) {
            return false;
        }
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The game reads at most this much of the file.
    if (size > zorby::game::kMaxHighScoreFileBytes) size = zorby::game::kMaxHighScoreFileBytes;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string damage;
    const auto table = zorby::game::parse_high_score_table(bytes, damage);
    if (!table) {
        if (damage.rfind("the ", 0) != 0 || damage.size() > 80) std::abort();
        return 0;
    }
    const std::string saved = zorby::game::serialise_high_score_table(*table);
    if (saved.size() > zorby::game::kMaxHighScoreFileBytes) std::abort();
    const auto again = zorby::game::parse_high_score_table(saved, damage);
    if (!again || !written_whole(*table, *again)) std::abort();
    if (zorby::game::serialise_high_score_table(*again) != saved) std::abort();
    // A new entry taken in keeps three entries, lowest first, and saves the same way.
    const HighScoreTable entered =
        zorby::game::with_new_entry(*table, table->entries[1].score, "Z");
    for (size_t i = 1; i < entered.entries.size(); ++i) {
        if (entered.entries[i].score < entered.entries[i - 1].score) std::abort();
    }
    const auto entered_again = zorby::game::parse_high_score_table(
        zorby::game::serialise_high_score_table(entered), damage);
    if (!entered_again || !written_whole(entered, *entered_again)) std::abort();
    return 0;
}
