// The high-score commands of the game: loading and saving the table file ("hc.txt"),
// the sort, the table page and the name entry on the on-screen keyboard. The table's
// bytes and rules are in high_score_table.h.
#pragma once

#include "platform/portable/file_io.h"

namespace zorby::game {

// Fills high_scores / high_names entries 0..2 from the table file (where
// high_score_place says) and sets entry_threshold to the lowest score. A missing file
// keeps the initial table; a damaged or unreadable one ends the program with one line
// on stderr naming it and leaves the file alone.
void load_high_scores();
// Replaces the table file with entries 0..2 (a temporary file beside it, flushed,
// then renamed over it), so an interrupted or failed save leaves the old table in
// place; a failure ends the program naming the file. ops: the file toolkit's calls.
void save_high_scores(const platform::FileOps& ops = platform::system_file_ops());
// Takes entry 3 into entries 0..2 (with_new_entry); entry 3 keeps the best score.
void sort_high_scores();

// Menu page 4: the table.
void high_score_page();
// Menu page 6: the on-screen keyboard.
void name_entry_page();

// The longest name the keyboard accepts: longer names would not read back whole.
inline constexpr double kMaxNameLength = 1000;

}  // namespace zorby::game
