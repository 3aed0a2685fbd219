// The star burst: forty stars fly out from the pointer after a rewarded strike and
// fade out. The stages start bursts; the frame loop moves and draws the stars.
#pragma once

namespace zorby::game {

// Stars per burst and the timer a burst starts with (one unit per star drawn).
inline constexpr int kStarsPerBurst = 40;
inline constexpr int kStarTimerStart = 1200;

// Appends forty stars at the pointer of the chosen input device and restarts the
// timer. A burst started while another lives adds to it.
void start_star_burst();

// The fade of the stars: true with the alpha mode to set for this star_timer, false
// when no mode is to be set.
bool star_fade_mode(int star_timer, double& alpha_mode);
// Moves, draws and retires the stars (once per frame, after the stages).
void update_stars();

}  // namespace zorby::game
