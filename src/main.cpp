// Program entry: fills the start-up settings, starts the engine, runs the game and
// ends the program.
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "game/game_main.h"

int main(int argc, char** argv) {
    using namespace zorby;
    static Engine the_engine;
    set_current_engine(&the_engine);
    Engine& e = the_engine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) e.command_line += ' ';
        e.command_line += argv[i];
    }
    e.settings = ProjectSettings{};
    if (!engine_start(platform::make_sdl_platform(), 1, "zorby")) {
        std::fputs("zorby: no window with an OpenGL context could be made\n", stderr);
        return 1;
    }
    e.error = ErrorRecord{};
    game::game_main();
    end_program();
}
