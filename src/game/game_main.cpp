// The game's main routine: the game record's arrays, the assets (game/assets.h),
// the high-score table, the intro and the frame loop.
#include "game/game_main.h"

#include <string>
#include <vector>

#include "audio/sound.h"
#include "game/assets.h"
#include "game/frame_loop.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/pages.h"
#include "game/time_attack.h"
#include "graphics/display.h"
#include "graphics/font.h"
#include "graphics/picture_preload.h"
#include "graphics/sprite_store.h"
#include "runtime/engine.h"

namespace zorby::game {

void dimension_game_arrays() {
    GameState& g = game();
    for (NumberArray* board : {&g.holes_x, &g.holes_y, &g.holes_life, &g.holes_hit, &g.holes_kind,
                               &g.block_x, &g.block_y, &g.masq_opened, &g.masq_covered}) {
        dim_numbers(*board, 100, 0, 0, 0);
    }
    dim_numbers(g.high_scores, 6, 0, 0, 0);
    for (int i = 0; i <= 3; ++i) cell(g.high_scores, i) = 10 * (i + 1);
    dim_numbers(g.masq_dropped, 30, 0, 0, 0);
    dim_strings(g.high_names, 6, 0, 0, 0);
    for (int i = 0; i <= 3; ++i) text_cell(g.high_names, i) = EngineString("Player ") + (i + 1);
}

void load_game_assets() {
    for (const AssetFile& a : kSpriteFiles) load_sprite(EngineString(a.file), a.slot);
    for (const AssetFile& a : kFontFiles) load_font(EngineString(a.file), a.slot);
    for (const AssetFile& a : kSoundFiles) load_sound(EngineString(a.file), a.slot, 1);
}

void preload_game_pictures(const std::string& data_dir) {
    std::vector<PreloadRequest> requests;
    auto add = [&](const char* file, uint32_t key, PreloadUse use) {
        requests.push_back({data_dir + "/" + file, key, use});
    };
    // In the order they are loaded.
    for (const AssetFile& a : kSpriteFiles) add(a.file, kStartSpriteColourKey, PreloadUse::sprite);
    for (const AssetFile& a : kFontFiles) add(a.file, kStartFontColourKey, PreloadUse::sprite);
    for (const char* file : {kDeviceQuestionPicture, kComboPicture, kLogoPicture}) {
        add(file, kNoColourKey, PreloadUse::surface);
    }
    preload_pictures(requests);
}

double game_main() {
    GameState& g = game();
    dimension_game_arrays();
    load_game_assets();
    g.mouse_x = 0;
    g.mouse_y = 0;
    apply_attack_difficulty();
    load_high_scores();
    g.game_state = Screen::intro;
    show_intro();
    while (g.game_state != Screen::quit) run_frame();
    play_game_sound(sound::kChime);
    busy_wait(1500);
    return 0;
}

}  // namespace zorby::game
