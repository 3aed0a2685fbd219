// The star burst: starting a burst, the fade table and moving, drawing and
// retiring the stars.
#include "game/star_burst.h"

#include <array>

#include "engine/engine_array.h"
#include "engine/numbers.h"
#include "game/assets.h"
#include "game/game_state.h"
#include "graphics/draw.h"

namespace zorby::game {

namespace {

// The fade: for a timer strictly between lower and the next row's lower bound (the
// first row's upper bound is 400) the alpha mode of the row.
struct FadeRow {
    int lower;
    double mode;
};
constexpr std::array<FadeRow, 12> kFade{{{370, -0.999},
                                         {340, -0.9},
                                         {310, -0.8},
                                         {280, -0.7},
                                         {250, -0.6},
                                         {220, -0.5},
                                         {190, -0.4},
                                         {160, -0.3},
                                         {130, -0.2},
                                         {100, -0.2},
                                         {70, -0.2},
                                         {40, -0.2}}};
constexpr int kFadeTop = 400;
constexpr double kFadeLastMode = -0.1;  // below 40

// Removes every star (the timer ran out before a whole burst's worth had been drawn).
void remove_all_stars(EngineArray<StarRecord>& stars) {
    while (array_size(stars, 0) > 0) delete_record(stars, array_size(stars, 0) - 1);
}

}  // namespace

void start_star_burst() {
    GameState& g = game();
    g.star_timer = kStarTimerStart;
    g.stars_active = 0;
    for (int n = 0; n < kStarsPerBurst; ++n) {
        StarRecord star{};
        if (g.input_device == InputDevice::keyboard_cursor) {
            star.x = g.cursor_x;
            star.y = g.cursor_y;
        } else {
            star.x = g.mouse_x;
            star.y = g.mouse_y;
        }
        star.angle_x = random_int(359);
        star.angle_y = random_int(359);
        star.speed_x = random_int(6);
        if (star.speed_x < 2) star.speed_x = 2;
        star.speed_y = random_int(6);
        if (star.speed_y < 2) star.speed_y = 2;
        append_record(g.stars, star);
    }
    g.stars_active = 1;
    g.star_timer = kStarTimerStart;
}

bool star_fade_mode(int star_timer, double& alpha_mode) {
    int upper = kFadeTop;
    for (const FadeRow& row : kFade) {
        if (star_timer > row.lower && star_timer < upper) {
            alpha_mode = row.mode;
            return true;
        }
        upper = row.lower;
    }
    if (star_timer < upper) {
        alpha_mode = kFadeLastMode;
        return true;
    }
    return false;
}

void update_stars() {
    GameState& g = game();
    int i = 0;
    while (i < array_size(g.stars, 0)) {
        StarRecord& star = star_cell(g.stars, i);
        star.x -= cos_deg(star.angle_x) * star.speed_x;
        star.y -= sin_deg(star.angle_y) * star.speed_y;
        draw_sprite(sprite::kStar, star.x, star.y);
        g.star_timer -= 1;
        if (g.star_timer >= 1) {
            i += 1;
            continue;
        }
        // The timer ran out: the burst of forty that ends at this star goes, newest
        // first, and the stars after it carry on under a fresh timer.
        if (i >= kStarsPerBurst - 1) {
            for (int k = i; k >= i - (kStarsPerBurst - 1); --k) delete_record(g.stars, k);
            i -= kStarsPerBurst - 1;
        } else {
            // Fewer than forty stars up to here (the game-over sequence zeroed the
            // timer): the block would reach below the first star, so every star goes.
            remove_all_stars(g.stars);
        }
        g.star_timer = kStarTimerStart;
        g.stars_active = 0;
    }
}

}  // namespace zorby::game
