// The high-score table: the file "hc.txt", the sort, the table page and the name
// entry on the on-screen keyboard.
//
// "hc.txt" holds three records, lowest score first, without header: a score as an
// unsigned 32-bit little-endian integer, then the name's bytes and one LF.
#pragma once

#include <functional>

namespace zorby::game {

// Fills high_scores / high_names entries 0..2 from "hc.txt" and sets
// entry_threshold to the lowest score. A missing file keeps the initial table; a
// damaged one ends the program with one line on stderr and leaves the file alone.
void load_high_scores();
// Writes entries 0..2 to a temporary file beside "hc.txt", then renames it over
// "hc.txt", so an interrupted save leaves the old table in place.
void save_high_scores();
// The exchange sort over entries 0..3, then the lowest of the four is dropped.
void sort_high_scores();

// Menu page 4: the table.
void high_score_page();
// Menu page 6: the on-screen keyboard.
void name_entry_page();

// The longest name the keyboard accepts: longer names would not read back whole.
inline constexpr double kMaxNameLength = 1000;

// Called by save_high_scores after the new table is written and before it replaces
// "hc.txt" (tests interrupt a save there).
extern std::function<void()> before_high_score_replace;

}  // namespace zorby::game
