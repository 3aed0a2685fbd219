// The intro, the keyboard cursor and the menu pages.
#include "game/pages.h"

#include <algorithm>

#include "audio/music.h"
#include "audio/sound.h"
#include "engine/numbers.h"
#include "game/frame_loop.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "graphics/draw.h"
#include "graphics/sprite_store.h"
#include "input/input_state.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace zorby::game {

namespace {

// A hotspot: x1..x2, the mouse's y1..y2 and the cursor's c1..y2 (strict bounds).
struct Hotspot {
    double x1, x2, y1, y2, c1;
};

bool hit(const Hotspot& h) {
    return strike_pressed() && pointer_in(h.x1, h.x2, h.y1, h.y2, h.c1);
}

// Polls the intro's four keys until one of them is down. The window stays alive
// meanwhile: events are handled and the loop sleeps between polls.
void wait_for_device_choice() {
    GameState& g = game();
    while (g.device_chosen == 0) {
        if (key_down(44) == 1) g.device_chosen = 1, g.input_device = 0;
        if (key_down(45) == 1) g.input_device = 1, g.device_chosen = 1;
        if (key_down(30) == 1) g.device_chosen = 1, g.input_device = 0;
        if (key_down(48) == 1) g.input_device = 1, g.device_chosen = 1;
        if (g.device_chosen != 0) break;
        busy_wait(10);
    }
}

}  // namespace

void show_intro() {
    GameState& g = game();
    g.device_chosen = 0;
    load_background(EngineString("device.png"));
    present_frame();
    wait_for_device_choice();
    load_background(EngineString("combo.png"));
    present_frame();
    busy_wait(2000);
    clear_screen();
    // The greeting plays whatever sound_on says (it is still 1 here).
    play_sound(3, 0, 1);
    load_background(EngineString("logo.png"));
    present_frame();
    busy_wait(2000);
    g.game_state = kStateMenu;
    clear_screen();
}

void keyboard_cursor_step() {
    GameState& g = game();
    // Keyboard Exit: refused while playing.
    if (key_down(44) == 1 && 221 < g.cursor_x && g.cursor_x < 302 && 191 < g.cursor_y &&
        g.cursor_y < 218 && g.game_state != kStatePlaying) {
        g.game_state = kStateQuit;
    }
    // Keyboard Start: a new game without touching the active stage flags.
    if (key_down(44) == 1 && 2 < g.cursor_x && g.cursor_x < 80 && 209 < g.cursor_y &&
        g.cursor_y < 227) {
        g.game_state = kStatePlaying;
        stop_music();
        g.music_playing = 0;
        g.score = 0;
        clear_ready_flags();
        play_game_sound(2);
        busy_wait(2000);
    }
    // Keyboard Menu: always the main menu, stage flags left as they are.
    if (key_down(44) == 1 && 2 < g.cursor_x && g.cursor_x < 83 && 182 < g.cursor_y &&
        g.cursor_y < 200) {
        g.game_state = kStateMenu;
        g.menu_page = 1;
        play_game_sound(2);
        busy_wait(1000);
        start_menu_music();
    }
    if (key_down(205) == 1) g.cursor_x += 3;
    if (key_down(203) == 1) g.cursor_x -= 3;
    if (key_down(208) == 1) g.cursor_y += 3;
    if (key_down(200) == 1) g.cursor_y -= 3;
    g.cursor_x = std::clamp(g.cursor_x, -10.0, 320.0);
    g.cursor_y = std::clamp(g.cursor_y, -10.0, 240.0);
}

void main_menu_page() {
    GameState& g = game();
    draw_sprite(11, 10, 87);
    if (hit({18, 135, 92, 116, 86})) {
        g.menu_page = 2;
        play_game_sound(2);
    }
    if (hit({203, 281, 138, 160, 132})) {
        g.menu_page = 3;
        play_game_sound(2);
        g.scroll_y = 81;
    }
    if (hit({28, 171, 140, 159, 134})) {
        g.menu_page = 4;
        play_game_sound(2);
        busy_wait(2000);
        play_game_sound(10);
    }
    if (hit({177, 261, 101, 120, 96})) {
        g.menu_page = 5;
        play_game_sound(2);
    }
}

void help_index_page() {
    GameState& g = game();
    draw_sprite(35, 10, 85);
    struct Choice {
        Hotspot spot;
        double page, scroll;
    };
    static constexpr Choice kChoices[] = {
        {{35, 143, 125, 139, 124}, 7, 89},
        {{35, 153, 150, 163, 146}, 8, 81},
        {{174, 264, 125, 140, 121}, 9, 81},
        {{174, 281, 150, 166, 146}, 10, 81},
    };
    for (const Choice& c : kChoices) {
        if (hit(c.spot)) {
            g.menu_page = c.page;
            play_game_sound(2);
            g.scroll_y = c.scroll;
        }
    }
}

void scroll_page(double sprite, double limit, bool back_to_index) {
    GameState& g = game();
    clip_viewport(20, 83, 308, 94);
    draw_sprite(sprite, 0, g.scroll_y);
    g.scroll_delay += 1;
    if (g.scroll_delay > 2) {
        g.scroll_delay = 0;
        g.scroll_y -= 1;
    }
    if (g.scroll_y < limit) {
        g.scroll_y = 81;
        if (back_to_index) g.menu_page = 2;
    }
    clip_viewport(0, 0, 0, 0);
}

void options_page() {
    GameState& g = game();
    clip_viewport(15, 83, 308, 94);
    draw_sprite(29, 0, 0);
    if (g.difficulty == 1) draw_sprite(30, 220, 60);
    if (g.difficulty == 2) draw_sprite(30, 240, 60);
    if (g.difficulty == 3) draw_sprite(30, 270, 60);
    if (g.sound_on == 1) {
        draw_sprite(30, 6, 55);
        if (g.music_playing == 0) {
            play_music(EngineString("music.mp3"));
            g.music_playing = 1;
        }
    }
    if (g.sound_on == 0) {
        draw_sprite(30, 35, 55);
        stop_music();
    }
    clip_viewport(0, 0, 0, 0);
    if (hit({234, 247, 143, 156, 143})) {
        g.difficulty = 1;
        play_game_sound(2);
    }
    if (hit({258, 270, 143, 156, 143})) {
        g.difficulty = 2;
        play_game_sound(2);
    }
    if (hit({284, 296, 143, 156, 143})) {
        g.difficulty = 3;
        play_game_sound(2);
    }
    if (hit({15, 33, 141, 155, 141})) {
        g.sound_on = 1;
        g.music_playing = 0;
        play_game_sound(2);
    }
    if (hit({44, 66, 141, 155, 141})) g.sound_on = 0;
}

void draw_menu_pages() {
    GameState& g = game();
    if (g.menu_page == 1) main_menu_page();
    if (g.menu_page == 2) help_index_page();
    if (g.menu_page == 3) scroll_page(9, -1300, false);
    if (g.menu_page == 4) high_score_page();
    if (g.menu_page == 5) options_page();
    if (g.menu_page == 6) name_entry_page();
    if (g.menu_page == 7) scroll_page(31, -400, true);
    if (g.menu_page == 8) scroll_page(32, -350, true);
    if (g.menu_page == 9) scroll_page(33, -280, true);
    if (g.menu_page == 10) scroll_page(34, -300, true);
}

}  // namespace zorby::game
