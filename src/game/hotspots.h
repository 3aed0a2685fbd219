// Every hotspot of the game's screens in one table: the three buttons of every screen
// with their keyboard forms, the main menu, the how-to-play index, the options page
// and the name-entry keyboard. The pages test these rows, the tests click them, and
// zorby-shots --hotspots outlines them on the screenshots.
//
// All ranges are open (x1 < x < x2), in screen pixels.
#pragma once

#include <array>
#include <span>

#include "game/screens.h"

namespace zorby::game {

// An open rectangle.
struct Box {
    double x1, x2, y1, y2;
    constexpr bool contains(double x, double y) const {
        return x1 < x && x < x2 && y1 < y && y < y2;
    }
};

// A hotspot: the mouse acts inside x1..x2 by y1..y2, the keyboard cursor inside
// x1..x2 by c1..c2 (the cursor's glyph is drawn below and right of its position, so
// its range often starts higher).
struct Hotspot {
    double x1, x2;
    double y1, y2;  // the mouse
    double c1, c2;  // the keyboard cursor
    constexpr Box mouse() const { return {x1, x2, y1, y2}; }
    constexpr Box cursor() const { return {x1, x2, c1, c2}; }
};

// The same range for both pointers.
constexpr Hotspot same_for_both(double x1, double x2, double y1, double y2) {
    return {x1, x2, y1, y2, y1, y2};
}

namespace hotspot {

// ---- the buttons of every screen (tested in this order) ----
inline constexpr Hotspot kExit = same_for_both(230, 307, 203, 227);
inline constexpr Hotspot kStart = same_for_both(5, 86, 213, 230);
inline constexpr Hotspot kMenu = same_for_both(5, 86, 188, 206);
inline constexpr std::array<Hotspot, 3> kButtons{kExit, kStart, kMenu};

// Their keyboard forms: Z with the keyboard cursor inside (the mouse does not count).
inline constexpr Box kKeyboardExit{221, 302, 191, 218};
inline constexpr Box kKeyboardStart{2, 80, 209, 227};
inline constexpr Box kKeyboardMenu{2, 83, 182, 200};
inline constexpr std::array<Box, 3> kKeyboardButtons{kKeyboardExit, kKeyboardStart, kKeyboardMenu};

// ---- menu page 1, the main menu ----
inline constexpr Hotspot kMenuHowToPlay{18, 135, 92, 116, 86, 116};
inline constexpr Hotspot kMenuCredits{203, 281, 138, 160, 132, 160};
inline constexpr Hotspot kMenuHighScores{28, 171, 140, 159, 134, 159};
inline constexpr Hotspot kMenuOptions{177, 261, 101, 120, 96, 120};
inline constexpr std::array<Hotspot, 4> kMainMenu{kMenuHowToPlay, kMenuCredits, kMenuHighScores,
                                                  kMenuOptions};

// ---- menu page 2, the how-to-play index ----
inline constexpr Hotspot kIndexTimeAttack{35, 143, 125, 139, 124, 141};
inline constexpr Hotspot kIndexLostFound{35, 153, 150, 163, 146, 163};
inline constexpr Hotspot kIndexLabyrinth{174, 264, 125, 140, 121, 140};
inline constexpr Hotspot kIndexMasked{174, 281, 150, 166, 146, 166};
inline constexpr std::array<Hotspot, 4> kHowToPlayIndex{kIndexTimeAttack, kIndexLostFound,
                                                        kIndexLabyrinth, kIndexMasked};

// ---- menu page 5, the options ----
// Difficulty 1, 2 and 3.
inline constexpr std::array<Hotspot, 3> kDifficulty{same_for_both(234, 247, 143, 156),
                                                    same_for_both(258, 270, 143, 156),
                                                    same_for_both(284, 296, 143, 156)};
inline constexpr Hotspot kSoundOn = same_for_both(15, 33, 141, 155);
inline constexpr Hotspot kSoundOff = same_for_both(44, 66, 141, 155);
inline constexpr std::array<Hotspot, 5> kOptions{kDifficulty[0], kDifficulty[1], kDifficulty[2],
                                                 kSoundOn, kSoundOff};

// ---- menu page 6, the name-entry keyboard ----
// Letters A to Z: three rows of eight keys, then Y and Z left of delete and enter.
inline constexpr std::array<Hotspot, 26> kLetterKeys = [] {
    constexpr double columns[8][2] = {{6, 39},    {45, 77},   {83, 117},  {121, 155},
                                      {159, 192}, {197, 231}, {236, 270}, {275, 308}};
    // The mouse's y range and the cursor's y start of each row.
    constexpr double rows[3][3] = {{101, 114, 96}, {120, 132, 116}, {137, 150, 134}};
    std::array<Hotspot, 26> keys{};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 8; ++col) {
            keys[row * 8 + col] = {columns[col][0], columns[col][1], rows[row][0],
                                   rows[row][1],    rows[row][2],    rows[row][1]};
        }
    }
    keys[24] = {64, 98, 155, 166, 151, 166};
    keys[25] = {103, 136, 155, 166, 151, 166};
    return keys;
}();
inline constexpr Hotspot kDeleteKey{141, 174, 155, 167, 151, 167};
inline constexpr Hotspot kEnterKey{179, 250, 155, 167, 151, 167};
inline constexpr std::array<Hotspot, 28> kNameEntry = [] {
    std::array<Hotspot, 28> keys{};
    for (size_t i = 0; i < kLetterKeys.size(); ++i) keys[i] = kLetterKeys[i];
    keys[26] = kDeleteKey;
    keys[27] = kEnterKey;
    return keys;
}();

}  // namespace hotspot

// The hotspots of menu page `menu_page` (none for the pages without any).
constexpr std::span<const Hotspot> menu_page_hotspots(MenuPage menu_page) {
    if (menu_page == MenuPage::main_menu) return hotspot::kMainMenu;
    if (menu_page == MenuPage::how_to_play) return hotspot::kHowToPlayIndex;
    if (menu_page == MenuPage::options) return hotspot::kOptions;
    if (menu_page == MenuPage::name_entry) return hotspot::kNameEntry;
    return {};
}

}  // namespace zorby::game
