// The intro, the keyboard cursor and the menu pages.
#include "game/pages.h"

#include <algorithm>

#include "audio/music.h"
#include "audio/sound.h"
#include "engine/numbers.h"
#include "game/assets.h"
#include "game/frame_loop.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/hotspots.h"
#include "game/keys.h"
#include "graphics/draw.h"
#include "graphics/sprite_store.h"
#include "input/input_state.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace zorby::game {

namespace {

// Polls the intro's four keys until one of them is down. The window stays alive
// meanwhile: events are handled and the loop sleeps between polls.
void wait_for_device_choice() {
    constexpr InputDevice kCursor = InputDevice::keyboard_cursor, kMouse = InputDevice::mouse;
    GameState& g = game();
    while (g.device_chosen == 0) {
        if (key_down(key::kZ) == 1) g.device_chosen = 1, g.input_device = kCursor;
        if (key_down(key::kX) == 1) g.input_device = kMouse, g.device_chosen = 1;
        if (key_down(key::kA) == 1) g.device_chosen = 1, g.input_device = kCursor;
        if (key_down(key::kB) == 1) g.input_device = kMouse, g.device_chosen = 1;
        if (g.device_chosen != 0) break;
        busy_wait(10);
    }
}

}  // namespace

void show_intro() {
    GameState& g = game();
    g.device_chosen = 0;
    load_background(EngineString(kDeviceQuestionPicture));
    present_frame();
    wait_for_device_choice();
    load_background(EngineString(kComboPicture));
    present_frame();
    busy_wait(2000);
    clear_screen();
    // The greeting plays whatever sound_on says (it is still 1 here).
    play_sound(sound::kZorby, 0, 1);
    load_background(EngineString(kLogoPicture));
    present_frame();
    busy_wait(2000);
    g.game_state = Screen::menu;
    clear_screen();
}

void keyboard_cursor_step() {
    GameState& g = game();
    // Keyboard Exit: refused while playing.
    if (key_down(key::kZ) == 1 && hotspot::kKeyboardExit.contains(g.cursor_x, g.cursor_y) &&
        g.game_state != Screen::playing) {
        g.game_state = Screen::quit;
    }
    // Keyboard Start: a new game (every set-up forgotten) without changing the
    // running stage.
    if (key_down(key::kZ) == 1 && hotspot::kKeyboardStart.contains(g.cursor_x, g.cursor_y)) {
        g.game_state = Screen::playing;
        stop_music();
        g.music_playing = 0;
        g.score = 0;
        g.ready.clear();
        play_game_sound(sound::kChime);
        busy_wait(2000);
    }
    // Keyboard Menu: always the main menu, the stages left as they are.
    if (key_down(key::kZ) == 1 && hotspot::kKeyboardMenu.contains(g.cursor_x, g.cursor_y)) {
        g.game_state = Screen::menu;
        g.menu_page = MenuPage::main_menu;
        play_game_sound(sound::kChime);
        busy_wait(1000);
        start_menu_music();
    }
    if (key_down(key::kRight) == 1) g.cursor_x += 3;
    if (key_down(key::kLeft) == 1) g.cursor_x -= 3;
    if (key_down(key::kDown) == 1) g.cursor_y += 3;
    if (key_down(key::kUp) == 1) g.cursor_y -= 3;
    g.cursor_x = std::clamp(g.cursor_x, -10.0, 320.0);
    g.cursor_y = std::clamp(g.cursor_y, -10.0, 240.0);
}

void main_menu_page() {
    GameState& g = game();
    draw_sprite(sprite::kMainMenu, 10, 87);
    if (hit(hotspot::kMenuHowToPlay)) {
        g.menu_page = MenuPage::how_to_play;
        play_game_sound(sound::kChime);
    }
    if (hit(hotspot::kMenuCredits)) {
        g.menu_page = MenuPage::credits;
        play_game_sound(sound::kChime);
        g.scroll_y = kScrollStart;
    }
    if (hit(hotspot::kMenuHighScores)) {
        g.menu_page = MenuPage::high_scores;
        play_game_sound(sound::kChime);
        busy_wait(2000);
        play_game_sound(sound::kApplause);
    }
    if (hit(hotspot::kMenuOptions)) {
        g.menu_page = MenuPage::options;
        play_game_sound(sound::kChime);
    }
}

void help_index_page() {
    GameState& g = game();
    draw_sprite(sprite::kHowToPlayIndex, 10, 85);
    struct Choice {
        Hotspot spot;
        MenuPage page;
        double scroll;
    };
    // The Time attack explanation starts a little lower than the others.
    static constexpr Choice kChoices[] = {
        {hotspot::kIndexTimeAttack, MenuPage::explain_time_attack, 89},
        {hotspot::kIndexLostFound, MenuPage::explain_lost_found, kScrollStart},
        {hotspot::kIndexLabyrinth, MenuPage::explain_labyrinth, kScrollStart},
        {hotspot::kIndexMasked, MenuPage::explain_masked, kScrollStart},
    };
    for (const Choice& c : kChoices) {
        if (hit(c.spot)) {
            g.menu_page = c.page;
            play_game_sound(sound::kChime);
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
        g.scroll_y = kScrollStart;
        if (back_to_index) g.menu_page = MenuPage::how_to_play;
    }
    clip_viewport(0, 0, 0, 0);
}

void options_page() {
    GameState& g = game();
    clip_viewport(15, 83, 308, 94);
    draw_sprite(sprite::kOptions, 0, 0);
    if (g.difficulty == 1) draw_sprite(sprite::kMarker, 220, 60);
    if (g.difficulty == 2) draw_sprite(sprite::kMarker, 240, 60);
    if (g.difficulty == 3) draw_sprite(sprite::kMarker, 270, 60);
    if (g.sound_on == 1) {
        draw_sprite(sprite::kMarker, 6, 55);
        if (g.music_playing == 0) {
            play_music(EngineString(kMenuMusic));
            g.music_playing = 1;
        }
    }
    if (g.sound_on == 0) {
        draw_sprite(sprite::kMarker, 35, 55);
        stop_music();
    }
    clip_viewport(0, 0, 0, 0);
    for (int level = 1; level <= 3; ++level) {
        if (hit(hotspot::kDifficulty[static_cast<size_t>(level) - 1])) {
            g.difficulty = level;
            play_game_sound(sound::kChime);
        }
    }
    if (hit(hotspot::kSoundOn)) {
        g.sound_on = 1;
        g.music_playing = 0;
        play_game_sound(sound::kChime);
    }
    if (hit(hotspot::kSoundOff)) g.sound_on = 0;
}

void draw_menu_pages() {
    GameState& g = game();
    if (g.menu_page == MenuPage::main_menu) main_menu_page();
    if (g.menu_page == MenuPage::how_to_play) help_index_page();
    if (g.menu_page == MenuPage::credits) scroll_page(sprite::kCredits, -1300, false);
    if (g.menu_page == MenuPage::high_scores) high_score_page();
    if (g.menu_page == MenuPage::options) options_page();
    if (g.menu_page == MenuPage::name_entry) name_entry_page();
    if (g.menu_page == MenuPage::explain_time_attack)
        scroll_page(sprite::kExplainTimeAttack, -400, true);
    if (g.menu_page == MenuPage::explain_lost_found)
        scroll_page(sprite::kExplainLostFound, -350, true);
    if (g.menu_page == MenuPage::explain_labyrinth)
        scroll_page(sprite::kExplainLabyrinth, -280, true);
    if (g.menu_page == MenuPage::explain_masked) scroll_page(sprite::kExplainMasked, -300, true);
}

}  // namespace zorby::game
