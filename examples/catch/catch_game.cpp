// The Catch game (see catch_game.h). Everything it draws and decides goes through the
// engine: the random generator, the clock and the input, so a replay of the same input
// script plays the same game.
#include "catch_game.h"

#include <zorby/engine.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "example_args.h"

namespace {

constexpr int kPaddle = 1;  // sprite slots
constexpr int kStar = 2;
constexpr int kCatchSound = 0;  // sound slots
constexpr int kMissSound = 1;
constexpr int kOverSound = 2;
constexpr int kScoreChannel = 0;  // file channel for reading the high score
constexpr int kLives = 3;
constexpr int kPaddleY = 222;   // top edge of the paddle
constexpr int kPaddleStep = 4;  // pixels per frame with the arrow keys
constexpr int kMaxStars = 8;
constexpr int kOverPause = 40;  // frames the game-over screen ignores input

struct Star {
    double x = 0, y = 0;  // top-left corner
    double speed = 1;     // pixels per frame
};

// The high score in the file: one line holding a whole number. A missing file is 0; a
// damaged one is 0 too, with a warning, and is replaced by the next best score.
int read_high_score(const std::string& path) {
    if (!zorby::open_channel(kScoreChannel, path, zorby::ChannelMode::read)) {
        return 0;
    }
    std::string line;
    if (!zorby::end_of_channel(kScoreChannel)) {
        line = zorby::read_line(kScoreChannel);
    }
    zorby::close_channel(kScoreChannel);
    char* end = nullptr;
    const long value = std::strtol(line.c_str(), &end, 10);
    if (line.empty() || *end != '\0' || value < 0 || value > 1000000) {
        std::fprintf(stderr, "catch: %s does not hold a score; starting from 0\n", path.c_str());
        return 0;
    }
    return static_cast<int>(value);
}

// Replaces the high-score file in one step; a failure is reported and the game goes on.
void save_high_score(const std::string& path, int best, CatchState& state) {
    std::string error;
    if (zorby::save_file_atomically(path, std::to_string(best) + "\r\n", error)) {
        state.save_error.clear();
    } else {
        state.save_error = error;
        std::fprintf(stderr, "catch: the high score cannot be saved in %s: %s\n", path.c_str(),
                     error.c_str());
    }
}

double pan_at(double x, int width) {
    return x / width * 2.0 - 1.0;
}

void add_event(CatchState& state, const char* event) {
    if (!state.events.empty()) state.events += ' ';
    state.events += event;
}

void print_centred(const std::string& text, int y) {
    const int width = zorby::frame_size().width;
    const int text_width = static_cast<int>(text.size()) * zorby::glyph_size().width;
    zorby::print_text(text, (width - text_width) / 2, y);
}

}  // namespace

std::string describe(const CatchState& state) {
    static const char* const phases[] = {"title", "playing", "over"};
    std::string line = phases[static_cast<int>(state.phase)];
    line += " score " + std::to_string(state.score) + " lives " + std::to_string(state.lives) +
            " best " + std::to_string(state.best) + " paddle " + std::to_string(state.paddle_x) +
            " stars " + std::to_string(state.stars);
    if (!state.events.empty()) line += " [" + state.events + "]";
    return line;
}

void play_catch(const CatchSettings& settings, CatchState& state) {
    if (!zorby::load_sprite("paddle.png", kPaddle) || !zorby::load_sprite("star.png", kStar)) {
        std::fprintf(stderr, "catch: paddle.png or star.png cannot be loaded\n");
        return;
    }
    zorby::load_background("background.png");
    zorby::load_sound("catch.wav", kCatchSound, 4);
    zorby::load_sound("miss.wav", kMissSound, 2);
    zorby::load_sound("over.wav", kOverSound);

    const zorby::Size frame = zorby::frame_size();
    const zorby::Size paddle = zorby::sprite_size(kPaddle);
    const zorby::Size star_size = zorby::sprite_size(kStar);
    state = CatchState{};
    state.best = read_high_score(settings.high_score_file);
    state.paddle_x = (frame.width - paddle.width) / 2;

    std::vector<Star> stars;
    int next_star = 0;    // frames until the next star appears
    int over_frames = 0;  // frames shown of the game-over screen
    bool new_best = false;
    bool start_was_down = true;  // a key or button held at the start does not count
    const double start_ms = zorby::timer_ms();

    for (;;) {
        if (example::time_is_up(start_ms, settings.seconds)) {
            zorby::end_program();
        }
        state.events.clear();

        // Input: the paddle follows the mouse when it moves, else the arrow keys.
        const zorby::MouseState mouse = zorby::mouse();
        if (mouse.dx != 0 || mouse.dy != 0) {
            state.paddle_x = mouse.x - paddle.width / 2;
        }
        if (zorby::key_down(zorby::key::left)) state.paddle_x -= kPaddleStep;
        if (zorby::key_down(zorby::key::right)) state.paddle_x += kPaddleStep;
        state.paddle_x = std::clamp(state.paddle_x, 0, frame.width - paddle.width);
        const bool start_down = zorby::key_down(zorby::key::space) || mouse.left;
        const bool start_pressed = start_down && !start_was_down;
        start_was_down = start_down;

        switch (state.phase) {
            case CatchState::Phase::title:
            case CatchState::Phase::over:
                ++over_frames;
                if (start_pressed &&
                    (state.phase == CatchState::Phase::title || over_frames > kOverPause)) {
                    state.phase = CatchState::Phase::playing;
                    state.score = 0;
                    state.lives = kLives;
                    ++state.games;
                    stars.clear();
                    next_star = 30;
                    new_best = false;
                    add_event(state, "start");
                }
                break;
            case CatchState::Phase::playing:
                // A new star now and then, sooner and faster as the score grows.
                if (--next_star <= 0 && static_cast<int>(stars.size()) < kMaxStars) {
                    Star star;
                    star.x = zorby::random_int(frame.width - star_size.width);
                    star.y = -star_size.height;
                    star.speed =
                        1.2 + std::min(state.score, 30) * 0.08 + zorby::random_int(3) * 0.2;
                    stars.push_back(star);
                    next_star =
                        std::max(18, 45 - state.score) + static_cast<int>(zorby::random_int(20));
                }
                for (auto it = stars.begin(); it != stars.end();) {
                    it->y += it->speed;
                    const double pan = pan_at(it->x + star_size.width / 2.0, frame.width);
                    if (zorby::sprites_collide(kPaddle, state.paddle_x, kPaddleY, kStar, it->x,
                                               it->y)) {
                        ++state.score;
                        zorby::play_sound(kCatchSound, pan, 0.9);
                        add_event(state, "caught");
                        it = stars.erase(it);
                    } else if (it->y >= frame.height) {
                        --state.lives;
                        zorby::play_sound(kMissSound, pan);
                        add_event(state, "missed");
                        it = stars.erase(it);
                    } else {
                        ++it;
                    }
                }
                if (state.lives <= 0) {
                    state.phase = CatchState::Phase::over;
                    over_frames = 0;
                    stars.clear();
                    zorby::play_sound(kOverSound);
                    add_event(state, "over");
                    if (state.score > state.best) {
                        state.best = state.score;
                        new_best = true;
                        save_high_score(settings.high_score_file, state.best, state);
                        add_event(state, "saved");
                    }
                }
                break;
        }
        state.stars = static_cast<int>(stars.size());

        // Drawing: stars, paddle, the score line, and the title or game-over text.
        for (const Star& star : stars) {
            zorby::draw_sprite(kStar, star.x, star.y);
        }
        zorby::draw_sprite(kPaddle, state.paddle_x, kPaddleY);
        zorby::print_text("score " + std::to_string(state.score), 4, 4);
        zorby::print_text("best " + std::to_string(state.best), 4, 14);
        for (int life = 0; life < state.lives; ++life) {
            zorby::draw_sprite(kStar, frame.width - (life + 1) * (star_size.width + 3), 4);
        }
        if (state.phase == CatchState::Phase::title) {
            print_centred("CATCH THE STARS", 80);
            print_centred("mouse or arrow keys move the paddle", 110);
            print_centred("click or press Space to start", 124);
        } else if (state.phase == CatchState::Phase::over) {
            print_centred("GAME OVER", 80);
            print_centred(new_best ? "a new best score!" : "score " + std::to_string(state.score),
                          100);
            if (over_frames > kOverPause) {
                print_centred("click or press Space to play again", 124);
            }
        }
        zorby::present_frame();
    }
}
