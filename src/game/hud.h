// The heads-up display: the energy bar, the countdown, the score and the version
// label, in their one place and font each. The frame loop draws its parts at
// different steps of a frame (the pointer glyph goes between them); the stage title
// card and the new-high-score slide draw their own selections.
#pragma once

namespace zorby::game {

// Parts of the display, combined with |.
enum HudPart : unsigned {
    kHudEnergyBar = 1,  // four lines under the play area, red, orange or green by energy
    kHudCountdown = 2,  // font 1 at (270, 187)
    kHudScore = 4,      // font 1 at (130, 218)
    kHudVersion = 8,    // "V3.2", font 3 at (6, 60)
    kHudAll = 15,
};

// Draws the chosen parts, in the order score, version, countdown, energy bar (they
// never overlap). Leaves the font of the last text printed selected.
void draw_hud(unsigned parts);

}  // namespace zorby::game
