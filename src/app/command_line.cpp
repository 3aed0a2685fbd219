// Command-line parsing and the help text.
#include "app/command_line.h"

#include <cstring>
#include <vector>

#ifndef ZORBY_VERSION
#error "ZORBY_VERSION must be defined by the build"
#endif

namespace zorby::app {

const char* program_version() {
    return ZORBY_VERSION;
}

bool parse_command_line(int argc, const char* const* argv, CommandLine& out, std::string& error) {
    CommandLine c;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inline_value;
        if (arg.rfind("--", 0) == 0) {
            if (const size_t eq = arg.find('='); eq != std::string::npos) {
                inline_value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        // The option's argument: after '=' or the next word.
        auto value = [&](const char* what, std::string& v) {
            if (inline_value) {
                v = *inline_value;
            } else if (i + 1 < argc) {
                v = argv[++i];
            } else {
                error = arg + " needs " + what;
                return false;
            }
            if (v.empty()) {
                error = arg + " needs " + what;
                return false;
            }
            return true;
        };
        auto no_value = [&] {
            if (!inline_value) return true;
            error = arg + " takes no value";
            return false;
        };
        if (arg == "--help" || arg == "-h") {
            if (!no_value()) return false;
            c.help = true;
        } else if (arg == "--version") {
            if (!no_value()) return false;
            c.version = true;
        } else if (arg == "--fullscreen") {
            if (!no_value()) return false;
            c.fullscreen = true;
        } else if (arg == "--realtime") {
            if (!no_value()) return false;
            c.realtime = true;
        } else if (arg == "--force") {
            if (!no_value()) return false;
            c.force = true;
        } else if (arg == "--replays") {
            if (!no_value()) return false;
            c.list_replays = true;
        } else if (arg == "--scale") {
            std::string v;
            if (!value("a factor from 1 to 16", v)) return false;
            int n = 0;
            bool digits = v.size() <= 2;
            for (char ch : v) {
                digits = digits && ch >= '0' && ch <= '9';
                n = n * 10 + (ch - '0');
            }
            if (!digits || n < 1 || n > 16) {
                error = "--scale needs a factor from 1 to 16, not '" + v + "'";
                return false;
            }
            c.scale = n;
        } else if (arg == "--data") {
            if (!value("a folder", c.data_dir)) return false;
        } else if (arg == "--record") {
            if (!value("a file name", c.record_file)) return false;
        } else if (arg == "--export") {
            if (!value("a file name", c.export_file)) return false;
        } else if (arg == "--replay") {
            if (!value("a file name", c.replay_file)) return false;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg + " (zorby --help lists the options)";
            return false;
        } else {
            error = "unexpected argument '" + arg + "' (zorby --help lists the options)";
            return false;
        }
    }
    if (!c.record_file.empty() && !c.replay_file.empty()) {
        error = "--record and --replay cannot be used together";
        return false;
    }
    if (c.realtime && c.replay_file.empty()) {
        error = "--realtime goes with --replay FILE";
        return false;
    }
    if (!c.export_file.empty() && c.replay_file.empty()) {
        error = "--export goes with --replay FILE";
        return false;
    }
    if (!c.export_file.empty() && c.realtime) {
        error = "--export and --realtime cannot be used together";
        return false;
    }
    if (c.force && c.replay_file.empty()) {
        error = "--force goes with --replay FILE";
        return false;
    }
    if (c.list_replays && (!c.replay_file.empty() || !c.record_file.empty())) {
        error = "--replays lists the kept recordings; it goes alone";
        return false;
    }
    out = std::move(c);
    return true;
}

std::string usage_text() {
    return R"(Usage: zorby [OPTION]...
Strike the smiley faces before your energy runs out.

Options:
  --scale N        enlarge the 320 x 240 window N times (1 to 16) for this run
  --fullscreen     start in full screen for this run
  --data DIR       take the game's files from DIR
  --record FILE    play and write every input the game reads to FILE
  --replay FILE    run the recording FILE on the virtual clock, as fast as it goes
  --realtime       with --replay: at normal speed, with sound
  --force          with --replay: play a recording made with other game data
  --export OUT     with --replay: write the replay as a video with its sound
                   (.mp4, .webm, .mkv lossless, .gif); --scale N enlarges it
                   N times (default 2)
  --replays        list the kept recordings of your games, newest first
  --version        print the version and exit
  -h, --help       print this help and exit

Starting a game:
  At the start, X (pad: B) plays with the mouse, Z or A (pad: A) with the
  keyboard cursor. In the menu, click START, or move the cursor onto START and
  strike. The pad's Start is Enter: it ends the name entry of a high score.

Keys:                      (gamepad)
  mouse, arrow keys        d-pad, left stick    aim
  left button, Z, Space    A                    strike
  Page Up / Page Down      right / left bumper  music volume (a step a frame held)
  Alt+Enter, F11                                window / full screen
  Escape, Alt+F4           Back held 1 s        quit

Files:
  the game's files         --data DIR when given; else beside the program; else
                           ../share/zorby next to it (the package:
                           /usr/share/games/zorby)
  high scores              hc.txt in the game's folder when that folder is
                           writable and holds one, else
                           $XDG_DATA_HOME/zorby/hc.txt (~/.local/share/zorby/hc.txt)
  settings                 $XDG_CONFIG_HOME/zorby/settings
                           (~/.config/zorby/settings): window scale, full screen,
                           sound, music volume; the game writes it when full
                           screen, sound or music volume change
  recordings               every game is kept in $XDG_DATA_HOME/zorby/replays
                           (~/.local/share/zorby/replays): the last 20 games and
                           every high score; a stop on an error leaves one too
  trace log                ErrorLog.txt in $TMPDIR (or /tmp)

Exit status: 0 normal end, 1 the game stopped on an error, 2 wrong usage.
)";
}

}  // namespace zorby::app
