// The game's screens by name: the screen states of game_state and the pages of
// menu_page. The numbers are the ones the game has always given them.
#pragma once

namespace zorby::game {

// Screen states (game_state).
enum class Screen { playing = 10, game_over = 20, intro = 30, menu = 90, quit = 99 };

// Menu pages (menu_page), shown while game_state is Screen::menu. Their order is the
// order the frame draws them in.
enum class MenuPage {
    main_menu = 1,
    how_to_play = 2,  // the index of the four explanations
    credits = 3,
    high_scores = 4,
    options = 5,
    name_entry = 6,
    explain_time_attack = 7,
    explain_lost_found = 8,
    explain_labyrinth = 9,
    explain_masked = 10,
};

}  // namespace zorby::game
