// The program's command line: the options, their checks and the --help text.
#pragma once

#include <optional>
#include <string>

namespace zorby::app {

struct CommandLine {
    bool help = false;
    bool version = false;
    std::optional<int> scale;   // --scale N, 1..16
    bool fullscreen = false;    // --fullscreen
    std::string data_dir;       // --data DIR
    std::string record_file;    // --record FILE
    std::string replay_file;    // --replay FILE
    bool realtime = false;      // --realtime
    std::string export_file;    // --export OUT: the replay as a video file
    bool force = false;         // --force: replay a recording made with other data
    bool list_replays = false;  // --replays: list the kept recordings
};

// Reads the arguments (argv[1..argc-1]). On a usage error returns false with the
// one-line reason in error (the program prints it and exits with 2). Options may
// also be written --option=VALUE.
bool parse_command_line(int argc, const char* const* argv, CommandLine& out, std::string& error);

// The --help text: usage, options, keys and the files the game uses.
std::string usage_text();

// The program's version ("3.2.0"; the menu shows "V3.2").
const char* program_version();

}  // namespace zorby::app
