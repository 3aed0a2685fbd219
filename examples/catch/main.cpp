// Catch the falling stars with a paddle: the mouse or the arrow keys move it, a click or
// Space starts a game, Escape quits. The best score is kept in a file.
//
//     catch [--seconds N] [--scores FILE]
//
// --scores FILE   the high-score file (default: catch-scores.txt in the current folder)
// --seconds N     end the program normally after N seconds (for runs without a player)
#include <zorby/engine.h>

#include <cstdio>
#include <string>

#include "catch_game.h"
#include "example_args.h"

int main(int argc, char** argv) {
    CatchSettings settings;
    std::string scores = "catch-scores.txt";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc &&
            example::parse_seconds(argv[i + 1], settings.seconds)) {
            ++i;
        } else if (arg == "--scores" && i + 1 < argc && argv[i + 1][0] != '\0') {
            scores = argv[++i];
        } else {
            std::fprintf(stderr, "usage: catch [--seconds N] [--scores FILE]\n");
            return 2;
        }
    }
    // Resolved now: run() makes the assets folder the current folder.
    settings.high_score_file = example::absolute_path(scores);

    CatchState state;
    bool loaded = true;
    const int status = zorby::run({.title = "Catch",
                                   .width = 320,
                                   .height = 240,
                                   .data_dir = example::assets_folder(argv[0])},
                                  [&] {
                                      play_catch(settings, state);
                                      loaded = false;  // play_catch returns only then
                                  });
    if (status == zorby::exit_ok && state.games > 0) {
        std::printf("catch: %d game%s, best score %d\n", state.games, state.games == 1 ? "" : "s",
                    state.best);
    }
    return loaded ? status : 1;
}
