// The heads-up display.
#include "game/hud.h"

#include "engine/engine_string.h"
#include "game/assets.h"
#include "game/game_state.h"
#include "graphics/draw.h"
#include "graphics/font.h"

namespace zorby::game {

namespace {

// Colours in the encoding R + 256 G + 65536 B.
constexpr double kRed = 255;
constexpr double kOrange = 48895;
constexpr double kGreen = 65310;

void draw_energy_bar() {
    const GameState& g = game();
    double colour = kGreen;
    if (g.energy < 100) {
        colour = kRed;
    } else if (g.energy < 200) {
        colour = kOrange;
    }
    for (double y = 182; y <= 185; y += 1) draw_line(5, y, g.energy, y, colour);
}

}  // namespace

void draw_hud(unsigned parts) {
    const GameState& g = game();
    if (parts & kHudScore) {
        set_font(font::kLarge);
        print_number(g.score, 130, 218);
    }
    if (parts & kHudVersion) {
        set_font(font::kSmall);
        print_text(EngineString("V3.2"), 6, 60);
    }
    if (parts & kHudCountdown) {
        set_font(font::kLarge);
        print_number(g.countdown, 270, 187);
    }
    if (parts & kHudEnergyBar) draw_energy_bar();
}

}  // namespace zorby::game
