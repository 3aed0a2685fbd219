// zorby-assets: the command-line entry that picks a subcommand.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"

namespace {

int usage() {
    std::fputs(
        "usage: zorby-assets pack ARCHIVE FILE...\n"
        "       zorby-assets list ARCHIVE\n"
        "       zorby-assets extract ARCHIVE NAME OUT\n"
        "       zorby-assets image FILE OUT.png\n"
        "       zorby-assets sound FILE OUT.wav\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "pack" && args.size() >= 2) return zorby::assets::run_pack(args);
    if (command == "list" && args.size() == 1) return zorby::assets::run_list(args);
    if (command == "extract" && args.size() == 3) return zorby::assets::run_extract(args);
    if (command == "image" && args.size() == 2) return zorby::assets::run_image(args);
    if (command == "sound" && args.size() == 2) return zorby::assets::run_sound(args);
    return usage();
}
