// Labyrinth: the set-up and one frame of the stage (target, step, wall and exit
// tests).
#include "game/labyrinth.h"

#include "engine/engine_string.h"
#include "engine/numbers.h"
#include "game/assets.h"
#include "game/game_state.h"
#include "game/stage_cycle.h"
#include "graphics/draw.h"
#include "graphics/font.h"

namespace zorby::game {

namespace {

constexpr double kPauseMs = 2500;
// The walker moves one pixel per axis every fourth frame.
constexpr int kStepThreshold = 3;
// The exit: the walker's corner strictly beyond both.
constexpr double kExitX = 270, kExitY = 145;

struct Maze {
    double sprite;
    int countdown;
};
constexpr Maze kMazes[3] = {{sprite::kMaze1, 250}, {sprite::kMaze2, 120}, {sprite::kMaze3, 200}};

const Maze& maze_of(int number) {
    return kMazes[number >= 0 && number <= 2 ? number : 0];
}

// Moves the walker one pixel toward the target on each axis once enough frames
// have passed.
void step_walker(GameState& g) {
    const int s = g.maze_step_frames;
    if (g.maze_target_x > g.maze_x && s > kStepThreshold) g.maze_x += 1;
    if (g.maze_x > g.maze_target_x && s > kStepThreshold) g.maze_x -= 1;
    if (g.maze_target_y > g.maze_y && s > kStepThreshold) g.maze_y += 1;
    if (g.maze_y > g.maze_target_y && s > kStepThreshold) g.maze_y -= 1;
    if (s > kStepThreshold) g.maze_step_frames = 0;
    g.maze_step_frames += 1;
}

}  // namespace

double maze_sprite(int maze_number) {
    return maze_of(maze_number).sprite;
}

void setup_labyrinth() {
    GameState& g = game();
    g.maze_x = 10;
    g.maze_target_x = 60;
    g.mouse_x = 60;
    g.maze_y = 100;
    g.maze_target_y = 100;
    g.mouse_y = 100;
    g.maze_number = static_cast<int>(random_int(2));
    g.countdown = maze_of(g.maze_number).countdown;
    show_stage_intro(sprite::kLabyrinthCard, Stage::labyrinth);
    g.ready.insert(Stage::labyrinth);
}

void run_labyrinth() {
    GameState& g = game();
    if (!g.ready.contains(Stage::labyrinth)) setup_labyrinth();
    stage_tick();
    const double maze = maze_sprite(g.maze_number);
    draw_sprite(maze, kStageLeft, kStageTop);

    if (strike_pressed()) {
        // Any strike input sets the target; its source follows the chosen device.
        if (g.input_device == InputDevice::keyboard_cursor) {
            g.maze_target_x = g.cursor_x;
            g.maze_target_y = g.cursor_y - 1;
        } else {
            g.maze_target_x = g.mouse_x;
            g.maze_target_y = g.mouse_y - 1;
        }
        play_game_sound(sound::kZorby2);
    }
    step_walker(g);

    set_font(font::kPointer);
    print_text("Exit", 260, 147);
    draw_sprite(sprite::kWalker, g.maze_x, g.maze_y);

    if (sprites_collide(sprite::kWalker, g.maze_x, g.maze_y, maze, kStageLeft, kStageTop) == 1 ||
        g.countdown < 1) {
        g.maze_x = 10;
        g.maze_y = 90;
        g.countdown = 999;
        end_labyrinth(-25);
        play_game_sound(sound::kMistake);
        busy_wait(kPauseMs);
    }
    // After the wall test, so a failed frame never counts as reaching the exit.
    if (g.maze_x > kExitX && g.maze_y > kExitY) {
        g.score += 250;
        play_game_sound(sound::kCheer);
        end_labyrinth(25);
        busy_wait(kPauseMs);
    }
}

}  // namespace zorby::game
