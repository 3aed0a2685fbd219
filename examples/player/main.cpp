// Player: plays a video in the window, with its sound. Any key or a click stops it; a
// screen then offers to play it again (Space or a click), and Escape ends the program.
//
//     player [--repeat] [--seconds N] [FILE]
//
// FILE        the video (MP4, WebM, Matroska, AVI, Ogg); default: the example's own clip
// --repeat    play the video again and again until a key or a click stops it
// --seconds N end the program normally once N seconds have passed: at the end of the
//             play then running, or on the screen after it (for runs without a
//             player). With --repeat the video then starts again only while the time
//             lasts, and a key or a click ends one pass, not the repeating
#include <zorby/engine.h>

#include <cstdio>
#include <string>

#include "example_args.h"

namespace {

struct Options {
    std::string file = "clip.mp4";  // found in the assets folder unless a file is given
    bool repeat = false;
    double seconds = 0;
};

void print_centred(const std::string& text, int y) {
    zorby::print_text(text, (zorby::frame_size().width - zorby::text_width(text)) / 2, y);
}

// Plays the video once, or again and again with --repeat. Returns false when the file
// cannot be played at all.
bool play(const Options& options, double start_ms) {
    if (options.repeat && options.seconds <= 0) {
        return zorby::play_video(options.file, true);  // until a key or a click
    }
    // Under a time limit each pass is a play of its own, so that the limit is looked at
    // between passes (a key or a click then ends the pass, not the repeating).
    for (;;) {
        if (!zorby::play_video(options.file, false)) {
            return false;
        }
        if (!options.repeat || example::time_is_up(start_ms, options.seconds)) {
            return true;
        }
    }
}

// The program: returns normally only when the video cannot be played (failed is set).
void player(const Options& options, bool& failed) {
    const double start_ms = zorby::timer_ms();
    int plays = 0;
    bool start_was_down = false;
    for (;;) {
        if (!play(options, start_ms)) {
            std::fprintf(stderr, "player: %s cannot be played (%s)\n", options.file.c_str(),
                         zorby::last_load_error().c_str());
            failed = true;
            return;
        }
        ++plays;
        // The screen after a play, until Space or a click plays it again.
        for (;;) {
            if (example::time_is_up(start_ms, options.seconds)) {
                zorby::end_program();
            }
            const bool start_down = zorby::key_down(zorby::key::space) || zorby::mouse().left;
            if (start_down && !start_was_down) {
                start_was_down = true;
                break;
            }
            start_was_down = start_down;
            print_centred(plays == 1 ? "played once" : "played " + std::to_string(plays) + " times",
                          90);
            print_centred("Space or click: play it again", 120);
            print_centred("Escape: quit", 134);
            zorby::present_frame();
        }
        // Let the key or button go first: a press still down would stop the video at once.
        while (zorby::key_down(zorby::key::space) || zorby::mouse().left) {
            zorby::present_frame();
        }
        start_was_down = false;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool file_given = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--repeat") {
            options.repeat = true;
        } else if (arg == "--seconds" && i + 1 < argc &&
                   example::parse_seconds(argv[i + 1], options.seconds)) {
            ++i;
        } else if (!file_given && !arg.empty() && arg[0] != '-') {
            // Resolved now: run() makes the assets folder the current folder.
            options.file = example::absolute_path(arg);
            file_given = true;
        } else {
            std::fprintf(stderr, "usage: player [--repeat] [--seconds N] [FILE]\n");
            return 2;
        }
    }
    bool failed = false;
    const int status = zorby::run({.title = "Player",
                                   .width = 320,
                                   .height = 240,
                                   .pointer_hidden = false,
                                   .data_dir = example::assets_folder(argv[0])},
                                  [&] { player(options, failed); });
    return failed ? 1 : status;
}
