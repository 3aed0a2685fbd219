// The high-score table: loading and saving "hc.txt", the sort, the table page and
// the name entry.
#include "game/high_scores.h"

#include <string>
#include <vector>

#include "engine/engine_core.h"
#include "game/game_state.h"
#include "game/high_score_place.h"
#include "game/high_score_table.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "platform/portable/private_files.h"
#include "runtime/engine.h"

namespace zorby::game {

namespace {

[[noreturn]] void stop_with_file_error(const std::string& what) {
    set_error(3, what);
    end_program();
}

// Entries 0..2 of the game's arrays as a table value, and back.
HighScoreTable stored_table(GameState& g) {
    HighScoreTable table;
    for (int i = 0; i < 3; ++i) {
        table.entries[i] = {cell(g.high_scores, i), text_cell(g.high_names, i).str()};
    }
    return table;
}

void store_table(GameState& g, const HighScoreTable& table) {
    for (int i = 0; i < 3; ++i) {
        cell(g.high_scores, i) = table.entries[i].score;
        text_cell(g.high_names, i) = EngineString(table.entries[i].name);
    }
}

struct LetterKey {
    char letter;
    double x1, x2, y1, y2, c1;
};

// The eight key columns of the first three keyboard rows.
constexpr double kColumns[8][2] = {{6, 39},    {45, 77},   {83, 117},  {121, 155},
                                   {159, 192}, {197, 231}, {236, 270}, {275, 308}};
// Mouse y range and cursor y start of those rows.
constexpr double kRows[3][3] = {{101, 114, 96}, {120, 132, 116}, {137, 150, 134}};

std::vector<LetterKey> letter_keys() {
    std::vector<LetterKey> keys;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 8; ++col) {
            keys.push_back({static_cast<char>('A' + row * 8 + col), kColumns[col][0],
                            kColumns[col][1], kRows[row][0], kRows[row][1], kRows[row][2]});
        }
    }
    keys.push_back({'Y', 64, 98, 155, 166, 151});
    keys.push_back({'Z', 103, 136, 155, 166, 151});
    return keys;
}

void type_letter(char letter) {
    GameState& g = game();
    // Longer names would not read back as one line.
    if (g.typed_name.length() < kMaxNameLength) {
        const char text[2] = {letter, 0};
        g.typed_name = g.typed_name + text;
    }
    g.shown_name = g.typed_name;
    play_game_sound(1);
    busy_wait(200);
}

void delete_letter() {
    GameState& g = game();
    double n = g.shown_name.length() - 1;
    if (n < 0) n = 0;
    g.name_scratch = middle(g.shown_name, 0, n);
    g.shown_name = g.name_scratch;
    g.typed_name = g.shown_name;
    play_game_sound(1);
    busy_wait(200);
}

void confirm_name() {
    GameState& g = game();
    cell(g.high_scores, 3) = g.entry_threshold;
    text_cell(g.high_names, 3) = g.typed_name;
    if (text_cell(g.high_names, 3).length() < 1) text_cell(g.high_names, 3) = "Zorby";
    sort_high_scores();
    save_high_scores();
    g.typed_name = "";
    g.shown_name = "";
    play_game_sound(13);
    g.menu_page = MenuPage::high_scores;
}

}  // namespace

void load_high_scores() {
    GameState& g = game();
    const HighScoreLoad load = read_high_score_file(high_score_place().read_path());
    if (!load.error.empty()) stop_with_file_error(load.error);
    // No table yet: the initial one stands until the first save creates the file.
    if (load.table) store_table(g, *load.table);
    g.entry_threshold = cell(g.high_scores, 0);
}

void save_high_scores(const platform::FileOps& ops) {
    GameState& g = game();
    const HighScorePlace place = high_score_place();
    if (std::string why; !place.folder_to_create.empty() &&
                         !platform::make_private_folder(place.folder_to_create, why)) {
        stop_with_file_error(place.table + " cannot be saved: " + why);
    }
    const std::string error = write_high_score_file(place.table, stored_table(g), ops);
    if (!error.empty()) stop_with_file_error(error);
}

void sort_high_scores() {
    GameState& g = game();
    const HighScoreTable table =
        with_new_entry(stored_table(g), cell(g.high_scores, 3), text_cell(g.high_names, 3).str());
    store_table(g, table);
    // Entry 3 keeps the best of the four, where the sort left it.
    cell(g.high_scores, 3) = table.entries[2].score;
    text_cell(g.high_names, 3) = EngineString(table.entries[2].name);
}

void high_score_page() {
    GameState& g = game();
    clip_viewport(20, 83, 308, 93);
    draw_sprite(10, 40, 0);
    set_font(1);
    for (double y : {32.0, 52.0, 72.0}) print_text(EngineString(":"), 135, y);
    // Best first: entry 2 on top.
    const double rows[3][2] = {{2, 32}, {1, 50}, {0, 68}};
    for (const auto& row : rows) {
        const EngineString& name = text_cell(g.high_names, row[0]);
        const double length = name.length();
        if (length >= 1 && length <= 9) {
            print_text(name, 110 - 12 * length, row[1]);
            print_number(cell(g.high_scores, row[0]), 160, row[1]);
        }
    }
    clip_viewport(0, 0, 0, 0);
}

void name_entry_page() {
    GameState& g = game();
    clip_viewport(6, 84, 308, 93);
    draw_sprite(20, 0, 0);
    if (strike_pressed()) {
        static const std::vector<LetterKey> kLetters = letter_keys();
        for (const LetterKey& key : kLetters) {
            if (pointer_in(key.x1, key.x2, key.y1, key.y2, key.c1)) type_letter(key.letter);
        }
        if (pointer_in(141, 174, 155, 167, 151)) delete_letter();
        if (pointer_in(179, 250, 155, 167, 151)) confirm_name();
    }
    set_font(1);
    print_text(g.shown_name, 5, 0);
    clip_viewport(0, 0, 0, 0);
}

}  // namespace zorby::game
