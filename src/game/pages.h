// The screens around the game: the intro with its input-device question, the
// keyboard cursor, and the menu pages (main menu, how-to-play index, the scrolling
// credits and stage explanations, options).
#pragma once

namespace zorby::game {

// Where the scrolling pages start their text (scroll_y).
inline constexpr double kScrollStart = 81;

// Asks for mouse or keyboard cursor, shows the two title pictures and returns with
// input_device chosen and game_state Screen::menu.
void show_intro();

// Moves the keyboard cursor with the arrow keys and offers the keyboard forms of the
// Exit, Start and Menu buttons (Z over them). Once per frame, after the buttons.
void keyboard_cursor_step();

// Menu page 1.
void main_menu_page();
// Menu page 2.
void help_index_page();
// Menu pages 3 and 7 to 10: draws sprite scrolled by scroll_y in the page window;
// when scroll_y passes limit it starts again at 81 and, with back_to_index, returns
// to page 2.
void scroll_page(double sprite, double limit, bool back_to_index);
// Menu page 5: difficulty and sound.
void options_page();

// Draws the page of menu_page; the pages are tested in ascending order, so a page
// that switches to a higher number is drawn in the same frame.
void draw_menu_pages();

}  // namespace zorby::game
