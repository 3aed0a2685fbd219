// Bounce: a ball flies around the window and bounces off its edges. Every wall it hits
// plays a sound panned to where the ball is (the left wall sounds from the left, the
// right wall from the right, top and bottom between them); music plays under it. The arrow keys
// push the ball, Space gives it a random kick, M switches the music off and on, Escape quits.
//
//     bounce [--seconds N]
//
// --seconds N ends the program normally after N seconds (for runs without a player).
#include <zorby/engine.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "example_args.h"

namespace {

constexpr int kBall = 1;       // sprite slot of the ball
constexpr int kWallSound = 0;  // sound slot of the bounce
constexpr int kKeyM = 50;      // scan code of M (Z X C V B N M are 44 to 50)
constexpr double kMaxSpeed = 6.0;

struct Ball {
    double x = 40, y = 30;      // top-left corner, frame pixels
    double vx = 2.1, vy = 1.4;  // pixels per frame
};

// Where a sound at frame column x is heard: -1 far left to 1 far right.
double pan_at(double x, int frame_width) {
    return x / frame_width * 2.0 - 1.0;
}

double clamp_speed(double v) {
    return std::fmax(-kMaxSpeed, std::fmin(kMaxSpeed, v));
}

// Moves the ball one frame and bounces it off the frame's edges; returns the number of
// walls hit (0, 1, or 2 in a corner), after playing their sounds.
int move_ball(Ball& ball, zorby::Size frame, zorby::Size size) {
    const double right = frame.width - size.width;
    const double bottom = frame.height - size.height;
    int hits = 0;
    ball.x += ball.vx;
    ball.y += ball.vy;
    if (ball.x < 0 || ball.x > right) {
        ball.x = ball.x < 0 ? -ball.x : 2 * right - ball.x;  // reflect the overshoot
        ball.vx = -ball.vx;
        zorby::play_sound(kWallSound, pan_at(ball.x + size.width / 2.0, frame.width));
        ++hits;
    }
    if (ball.y < 0 || ball.y > bottom) {
        ball.y = ball.y < 0 ? -ball.y : 2 * bottom - ball.y;
        ball.vy = -ball.vy;
        zorby::play_sound(kWallSound, pan_at(ball.x + size.width / 2.0, frame.width), 0.8);
        ++hits;
    }
    return hits;
}

// The game: returns normally only when the assets are missing (failed is set then).
void bounce(double seconds, bool& failed) {
    if (!zorby::load_sprite("ball.png", kBall)) {
        std::fprintf(stderr, "bounce: ball.png cannot be loaded\n");
        failed = true;
        return;
    }
    zorby::load_background("background.png");
    // Without an audio device the sound does not load and the game goes on silently.
    zorby::load_sound("wall.wav", kWallSound, 4);
    zorby::play_music("music.wav");
    bool music_on = true;
    bool m_was_down = false;
    bool space_was_down = false;

    const zorby::Size frame = zorby::frame_size();
    const zorby::Size size = zorby::sprite_size(kBall);
    Ball ball;
    int hits = 0;
    const double start = zorby::timer_ms();
    for (;;) {
        if (example::time_is_up(start, seconds)) {
            zorby::end_program();
        }
        // Input: arrow keys push, Space kicks, M switches the music.
        if (zorby::key_down(zorby::key::left)) ball.vx = clamp_speed(ball.vx - 0.15);
        if (zorby::key_down(zorby::key::right)) ball.vx = clamp_speed(ball.vx + 0.15);
        if (zorby::key_down(zorby::key::up)) ball.vy = clamp_speed(ball.vy - 0.15);
        if (zorby::key_down(zorby::key::down)) ball.vy = clamp_speed(ball.vy + 0.15);
        const bool space = zorby::key_down(zorby::key::space);
        if (space && !space_was_down) {
            const double angle = zorby::random_int(359);
            ball.vx = 3.0 * zorby::cos_deg(angle);
            ball.vy = 3.0 * zorby::sin_deg(angle);
        }
        space_was_down = space;
        const bool m = zorby::key_down(kKeyM);
        if (m && !m_was_down) {
            music_on = !music_on;
            if (music_on) {
                zorby::play_music("music.wav");
            } else {
                zorby::stop_music();
            }
        }
        m_was_down = m;

        hits += move_ball(ball, frame, size);

        // A faint shadow line from the ball to the floor, the ball, then the text.
        const double centre = ball.x + size.width / 2.0;
        zorby::set_alpha_mode(-0.4);
        zorby::draw_line(centre, ball.y + size.height, centre, frame.height - 1,
                         zorby::rgb(255, 255, 255));
        zorby::set_alpha_mode(0);
        zorby::draw_sprite(kBall, ball.x, ball.y);
        zorby::print_text("walls hit: " + zorby::format_number(hits), 4, 4);
        zorby::print_text("arrows push, Space kicks, M music", 4, frame.height - 12);
        zorby::present_frame();
    }
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc && example::parse_seconds(argv[i + 1], seconds)) {
            ++i;
        } else {
            std::fprintf(stderr, "usage: bounce [--seconds N]\n");
            return 2;
        }
    }
    bool failed = false;
    const int status = zorby::run({.title = "Bounce",
                                   .width = 320,
                                   .height = 240,
                                   .data_dir = example::assets_folder(argv[0])},
                                  [&] { bounce(seconds, failed); });
    return failed ? 1 : status;
}
