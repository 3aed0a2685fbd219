// The game's frame: the screen state machine, the heads-up display, the three
// buttons of every screen and the game-over sequence.
#include "game/frame_loop.h"

#include <algorithm>

#include "audio/music.h"
#include "audio/sound.h"
#include "game/assets.h"
#include "game/game_state.h"
#include "game/high_score_table.h"
#include "game/hotspots.h"
#include "game/hud.h"
#include "game/keys.h"
#include "game/labyrinth.h"
#include "game/lost_found.h"
#include "game/masked_smileys.h"
#include "game/pages.h"
#include "game/stage_cycle.h"
#include "game/star_burst.h"
#include "game/time_attack.h"
#include "graphics/draw.h"
#include "graphics/font.h"
#include "input/input_state.h"
#include "runtime/engine.h"
#include "runtime/frame.h"

namespace zorby::game {

namespace {

void read_mouse() {
    GameState& g = game();
    double right = 0;
    mouse_state(g.mouse_x, g.mouse_y, g.mouse_button, right);
}

void run_stages() {
    // Each test reads the state afresh: a stage that hands over starts its successor
    // in the same frame (Masked smileys hands back to Time attack for the next one).
    for (Stage stage :
         {Stage::time_attack, Stage::lost_and_found, Stage::labyrinth, Stage::masked_smileys}) {
        if (running_stage(game()) == stage) run_stage(stage);
    }
}

void menu_state() {
    GameState& g = game();
    if (g.difficulty == 1) g.countdown = 250;
    if (g.difficulty == 2) g.countdown = 400;
    if (g.difficulty == 3) g.countdown = 600;
    start_menu_music();
    draw_menu_pages();
}

void buttons() {
    GameState& g = game();
    if (hit(hotspot::kExit) && g.game_state != Screen::playing) g.game_state = Screen::quit;
    if (hit(hotspot::kStart)) start_sequence();
    if (hit(hotspot::kMenu)) menu_sequence();
}

void draw_pointer_glyph() {
    const GameState& g = game();
    if (g.input_device == InputDevice::mouse) {
        print_text(EngineString("X"), g.mouse_x - 4, g.mouse_y - 4);
    }
    if (g.input_device == InputDevice::keyboard_cursor) {
        print_text(EngineString("x"), g.cursor_x, g.cursor_y);
    }
}

// Page Down / Page Up move the volume one step per frame while held.
void volume_keys() {
    GameState& g = game();
    if (key_down(key::kPageDown) == 1) g.volume_step -= 1;
    if (key_down(key::kPageUp) == 1) g.volume_step += 1;
    // Steps 1 to 11 are the levels 0 to 1 in tenths; beyond them the level stays.
    const int step = g.volume_step;
    if (step >= 1 && step <= 11) g.music_level = static_cast<double>(step - 1) / 10;
    g.volume_step = std::clamp(g.volume_step, 0, 11);
    music_volume(g.music_level);
}

void star_burst() {
    double mode = 0;
    if (star_fade_mode(game().star_timer, mode)) set_alpha_mode(mode);
    update_stars();
    set_alpha_mode(0);
}

// The "new high score" banner slides from x 330 to -900, two pixels a frame.
void new_high_score_slide() {
    GameState& g = game();
    g.loop_index = 330;
    do {
        draw_sprite(sprite::kFrame, 0, 0);
        clip_viewport(7, 83, 308, 94);
        draw_sprite(sprite::kNewHighScore, g.loop_index, 0);
        clip_viewport(0, 0, 0, 0);
        draw_hud(kHudScore | kHudCountdown);
        present_frame();
        g.loop_index -= 2;
    } while (!(g.loop_index < -900));
}

void reset_board() {
    GameState& g = game();
    lay_out_board();
    for (int i = 0; i <= 99; ++i) {
        cell(g.holes_life, i) = 0;
        cell(g.holes_hit, i) = 0;
    }
}

}  // namespace

void start_menu_music() {
    GameState& g = game();
    if (g.music_playing == 0 && g.sound_on == 1) {
        play_music(EngineString(kMenuMusic));
        g.music_playing = 1;
    }
}

void run_stage(Stage stage) {
    switch (stage) {
        case Stage::time_attack:
            run_time_attack();
            break;
        case Stage::lost_and_found:
            run_lost_and_found();
            break;
        case Stage::labyrinth:
            run_labyrinth();
            break;
        case Stage::masked_smileys:
            run_masked_smileys();
            break;
        case Stage::none:
            break;
    }
}

void start_sequence() {
    GameState& g = game();
    g.game_state = Screen::playing;
    stop_music();
    g.music_playing = 0;
    g.score = 0;
    play_game_sound(sound::kChime);
    busy_wait(1500);
    g.stage = Stage::time_attack;
    g.ready.clear();
    apply_attack_difficulty();
}

void menu_sequence() {
    GameState& g = game();
    g.game_state = Screen::menu;
    g.stage = Stage::time_attack;
    g.ready.erase(Stage::time_attack);
    // From a stage explanation back to the how-to-play index.
    g.menu_page =
        g.menu_page < MenuPage::explain_time_attack ? MenuPage::main_menu : MenuPage::how_to_play;
    play_game_sound(sound::kChime);
    busy_wait(1000);
    start_menu_music();
}

void game_over_sequence() {
    GameState& g = game();
    g.menu_page =
        apply_entry_rule(g.entry_threshold, g.score) ? MenuPage::name_entry : MenuPage::main_menu;
    g.star_timer = 0;
    draw_sprite(sprite::kGameOverCard, 10, 85);
    play_game_sound(sound::kGameOver);
    busy_wait(500);
    g.energy = 300;
    g.game_state = Screen::menu;
    g.attack_level = 1;
    apply_attack_difficulty();
    play_game_sound(sound::kCheer);
    if (g.entry_threshold == g.score) new_high_score_slide();
    reset_board();
}

void run_frame() {
    GameState& g = game();
    draw_sprite(sprite::kFrame, 0, 0);
    read_mouse();
    run_stages();
    // The bar is drawn before the energy is cut to 300.
    draw_hud(kHudEnergyBar);
    cap_energy();
    if (g.game_state == Screen::menu) menu_state();
    buttons();
    keyboard_cursor_step();
    draw_hud(kHudCountdown);
    // The pointer glyph lies over the countdown and under the score.
    set_font(font::kPointer);
    draw_pointer_glyph();
    volume_keys();
    draw_hud(kHudScore | kHudVersion);
    if (g.game_state == Screen::game_over) game_over_sequence();
    star_burst();
    present_frame();
}

}  // namespace zorby::game
