// The star burst: forty stars fly out from the pointer after a rewarded strike and
// fade out. The stages start bursts; the frame loop moves and draws the stars
// (update_stars and star_fade_mode, declared with the stage routines).
#pragma once

namespace zorby::game {

// Stars per burst and the timer a burst starts with (one unit per star drawn).
inline constexpr int kStarsPerBurst = 40;
inline constexpr double kStarTimerStart = 1200;

// Appends forty stars at the pointer of the chosen input device and restarts the
// timer. A burst started while another lives adds to it.
void start_star_burst();

}  // namespace zorby::game
