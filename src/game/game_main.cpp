// The game's main routine: the game record's arrays, the asset table, the
// high-score table, the intro and the frame loop.
#include "game/game_main.h"

#include "audio/sound.h"
#include "game/frame_loop.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/pages.h"
#include "game/stages.h"
#include "graphics/font.h"
#include "graphics/sprite_store.h"
#include "runtime/engine.h"

namespace zorby::game {

namespace {

struct Asset {
    double slot;
    const char* file;
};

// Sprite slot 2 stays empty.
constexpr Asset kSprites[] = {
    {0, "screen.png"},      {1, "smilie.png"},      {3, "logo.png"},
    {4, "text.png"},        {5, "gameover.png"},    {6, "smilie2.png"},
    {7, "smilie3.png"},     {8, "howtoplay.png"},   {9, "credits.png"},
    {10, "highscore.png"},  {11, "buttons.png"},    {12, "smilie4.png"},
    {13, "smilie5.png"},    {14, "smilie6.png"},    {15, "smilie7.png"},
    {16, "timeattack.png"}, {17, "lostfound.png"},  {18, "combo.png"},
    {19, "dummy.png"},      {20, "keyboard.png"},   {21, "newhighscore.png"},
    {22, "labyrinth.png"},  {23, "labyrinth1.png"}, {24, "daboom.png"},
    {25, "smilie8.png"},    {26, "block.png"},      {27, "minismilie.png"},
    {28, "star.png"},       {29, "options.png"},    {30, "pointer.png"},
    {31, "tellmetime.png"}, {32, "tellmelost.png"}, {33, "tellmelaby.png"},
    {34, "tellmemasq.png"}, {35, "tellme.png"},     {36, "device.png"},
    {37, "labyrinth2.png"}, {38, "labyrinth3.png"},
};

constexpr Asset kFonts[] = {{1, "font.png"}, {2, "font2.png"}, {3, "font3.png"}};

// Sound slot 4 stays empty.
constexpr Asset kSounds[] = {
    {0, "keyclick.wav"}, {1, "boing.wav"},    {2, "chime.wav"},   {3, "zorby.wav"},
    {5, "buzz.wav"},     {6, "zorby2.wav"},   {7, "zorby3.wav"},  {8, "buzz2.wav"},
    {9, "halle.wav"},    {10, "applaus.wav"}, {11, "clock.wav"},  {12, "fanfare.wav"},
    {13, "cheer.wav"},   {14, "zorby4.wav"},  {15, "zorby5.wav"}, {16, "zorby6.wav"},
    {17, "beep.wav"},    {18, "bloop.wav"},
};

}  // namespace

void dimension_game_arrays() {
    GameState& g = game();
    for (NumberArray* board : {&g.holes_x, &g.holes_y, &g.holes_life, &g.holes_hit, &g.holes_kind,
                               &g.block_x, &g.block_y, &g.masq_opened, &g.masq_covered}) {
        dim_numbers(*board, 100, 0, 0, 0);
    }
    dim_numbers(g.high_scores, 6, 0, 0, 0);
    for (double i = 0; i <= 3; ++i) cell(g.high_scores, i) = 10 * (i + 1);
    dim_numbers(g.masq_dropped, 30, 0, 0, 0);
    dim_strings(g.high_names, 6, 0, 0, 0);
    for (double i = 0; i <= 3; ++i) text_cell(g.high_names, i) = EngineString("Player ") + (i + 1);
}

void load_game_assets() {
    for (const Asset& a : kSprites) load_sprite(EngineString(a.file), a.slot);
    for (const Asset& a : kFonts) load_font(EngineString(a.file), a.slot);
    for (const Asset& a : kSounds) load_sound(EngineString(a.file), a.slot, 1);
}

double game_main() {
    GameState& g = game();
    dimension_game_arrays();
    load_game_assets();
    g.mouse_x = 0;
    g.mouse_y = 0;
    apply_attack_difficulty();
    load_high_scores();
    g.game_state = kStateIntro;
    show_intro();
    while (g.game_state != kStateQuit) run_frame();
    play_game_sound(2);
    busy_wait(1500);
    return 0;
}

}  // namespace zorby::game
