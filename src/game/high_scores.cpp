// The high-score table: loading and saving "hc.txt", the sort, the table page and
// the name entry.
#include "game/high_scores.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/file_channels.h"
#include "engine/private_files.h"
#include "game/game_state.h"
#include "game/high_score_place.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "runtime/engine.h"

namespace zorby::game {

std::function<void()> before_high_score_replace;

namespace {

constexpr double kChannel = 1;
// A line read takes at most this many bytes (the file channels' line limit).
constexpr size_t kLineLimit = 1024;

[[noreturn]] void stop_with_file_error(const std::string& what) {
    set_error(3, what);
    end_program();
}

// Checks that the bytes hold three complete records as the channel reads take them:
// four score bytes, then a line of at least one byte (a last line may lack its LF).
// Returns an empty text when complete, else what is wrong.
std::string table_damage(const std::vector<char>& bytes) {
    size_t pos = 0;
    for (int record = 0; record < 3; ++record) {
        if (bytes.size() - pos < 4) {
            return "the score of record " + std::to_string(record + 1) + " is cut short";
        }
        pos += 4;
        if (pos >= bytes.size())
            return "the name of record " + std::to_string(record + 1) + " is missing";
        const size_t end = std::min(bytes.size(), pos + kLineLimit);
        size_t lf = pos;
        while (lf < end && bytes[lf] != '\n') ++lf;
        pos = lf < end ? lf + 1 : end;
    }
    return {};
}

// The whole file; false when it cannot be opened or read (a directory, say).
bool read_whole_file(const char* path, std::vector<char>& out) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

// Makes the temporary file durable before it replaces the table.
void flush_to_disk(const char* path) {
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
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
    g.menu_page = 4;
}

}  // namespace

void load_high_scores() {
    GameState& g = game();
    const std::string path = high_score_place().read_path();
    const char* kTableFile = path.c_str();
    std::error_code ec;
    if (!std::filesystem::exists(kTableFile, ec) && !ec) {
        // No table yet: the initial one stands until the first save creates the file.
        g.entry_threshold = cell(g.high_scores, 0);
        return;
    }
    std::vector<char> bytes;
    if (!read_whole_file(kTableFile, bytes)) {
        stop_with_file_error(std::string(kTableFile) + " cannot be read");
    }
    if (const std::string damage = table_damage(bytes); !damage.empty()) {
        stop_with_file_error(std::string(kTableFile) + " is damaged: " + damage);
    }
    if (open_channel(kChannel, EngineString(kTableFile), 1) == 0) {
        stop_with_file_error(std::string(kTableFile) + " cannot be read");
    }
    for (double i = 0; i <= 2; ++i) {
        cell(g.high_scores, i) = read_long(kChannel);
        text_cell(g.high_names, i) = read_line(kChannel);
    }
    close_channel(kChannel);
    g.entry_threshold = cell(g.high_scores, 0);
}

void save_high_scores() {
    GameState& g = game();
    const HighScorePlace place = high_score_place();
    const std::string temp = place.table + ".new";
    const char* kTableFile = place.table.c_str();
    const char* kTempFile = temp.c_str();
    if (std::string why;
        !place.folder_to_create.empty() && !make_private_folder(place.folder_to_create, why)) {
        stop_with_file_error(std::string(kTableFile) + " cannot be written: " + why);
    }
    if (open_channel(kChannel, EngineString(kTempFile), 0) == 0) {
        stop_with_file_error(std::string(kTempFile) + " cannot be written");
    }
    for (double i = 0; i <= 2; ++i) {
        write_long(kChannel, cell(g.high_scores, i));
        write_text(kChannel, text_cell(g.high_names, i) + "\n");
    }
    close_channel(kChannel);
    flush_to_disk(kTempFile);
    if (before_high_score_replace) before_high_score_replace();
    if (std::rename(kTempFile, kTableFile) != 0) {
        std::remove(kTempFile);
        stop_with_file_error(std::string(kTableFile) + " cannot be replaced");
    }
}

void sort_high_scores() {
    GameState& g = game();
    for (g.sort_i = 0; g.sort_i <= 3; ++g.sort_i) {
        for (g.sort_j = 0; g.sort_j <= 3; ++g.sort_j) {
            if (cell(g.high_scores, g.sort_i) < cell(g.high_scores, g.sort_j)) {
                g.sort_score = cell(g.high_scores, g.sort_i);
                g.sort_name = text_cell(g.high_names, g.sort_i);
                cell(g.high_scores, g.sort_i) = cell(g.high_scores, g.sort_j);
                text_cell(g.high_names, g.sort_i) = text_cell(g.high_names, g.sort_j);
                cell(g.high_scores, g.sort_j) = g.sort_score;
                text_cell(g.high_names, g.sort_j) = g.sort_name;
            }
        }
    }
    for (double i = 0; i <= 2; ++i) {
        cell(g.high_scores, i) = cell(g.high_scores, i + 1);
        text_cell(g.high_names, i) = text_cell(g.high_names, i + 1);
    }
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
