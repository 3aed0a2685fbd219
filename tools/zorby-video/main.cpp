// zorby-video FILE [--repeat]: plays a video file in the engine window through the
// engine's play_video command, with its sound. A key or a click ends it (Escape and
// closing the window too); --repeat starts it over at its end.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/error_log.h"
#include "runtime/engine.h"
#include "runtime/video_playback.h"

int main(int argc, char** argv) {
    using namespace zorby;
    std::string file;
    bool repeat = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0) {
            repeat = true;
        } else if (file.empty() && argv[i][0] != '\0') {
            file = argv[i];
        } else {
            file.clear();
            break;
        }
    }
    if (file.empty()) {
        std::fputs("usage: zorby-video FILE [--repeat]\n", stderr);
        return 2;
    }
    // Start-up makes the program's directory the current one: the name must not
    // depend on where the tool was started.
    std::error_code ec;
    const std::string path = std::filesystem::absolute(file, ec).string();

    static Engine the_engine;
    set_current_engine(&the_engine);
    the_engine.settings = ProjectSettings{};
    the_engine.settings.pointer_hidden = 0;
    if (!engine_start(platform::make_sdl_platform(), 1, "zorby-video")) {
        std::fputs("zorby-video: no window with an OpenGL context could be made\n", stderr);
        return 1;
    }
    const bool played = play_video(EngineString(ec ? file : path), repeat ? 1.0 : 0.0) != 0.0;
    engine_cleanup();
    if (!played) {
        std::fprintf(stderr, "zorby-video: %s cannot be played (the reason is in %s)\n",
                     file.c_str(), error_log_path().c_str());
        return 1;
    }
    return 0;
}
