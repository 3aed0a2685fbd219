// Pictures loaded ahead. Before the window opens, the program names the pictures its
// start-up is about to load; one worker thread decodes them in that order (and makes
// the texels of small surfaces), while the main thread opens the window and its
// context. A load of the same file with the same colour key then takes the finished
// picture instead of decoding it again (waiting for it when the worker has not got
// that far), so what it loads is exactly what it would have decoded itself.
//
// Each preloaded picture is taken at most once. Anything unusual falls back to the
// ordinary load: a file changed or replaced since it was named (its device, inode,
// size and modification time are compared), a failed decode, or a decode that would
// print a message (the ordinary load then prints it as always).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/image_decode.h"
#include "graphics/texture_builder.h"

namespace zorby {

// How the picture will be loaded, which decides the texels made ahead.
enum class PreloadUse {
    sprite,   // a sprite or font slot: decoded to check it, the file's bytes kept
    surface,  // a tiled surface: the picture, and its texels if it fits one 512 tile
};

struct PreloadRequest {
    std::string path;  // as it can be opened now (absolute when the folder will change)
    uint32_t key = kNoColourKey;
    PreloadUse use = PreloadUse::sprite;
};

// Starts decoding the pictures on a worker thread, in the order given. An earlier
// preload is dropped first.
void preload_pictures(const std::vector<PreloadRequest>& requests);

// A picture loaded ahead: for a surface the decoded picture (and the texels of one
// that fits a tile), for a sprite the file's bytes, which it keeps until it is first
// drawn and then decodes again (a start loads many pictures and draws few of them).
struct PreloadedPicture {
    int32_t width = 0, height = 0;
    PixelImage image;
    RegionTexels texels;
    std::vector<uint8_t> file;
};

// The preloaded picture of the file at path (any name for the same file) decoded with
// key: false when there is none, and then picture is left alone.
bool take_preloaded_picture(const std::string& path, uint32_t key, PreloadedPicture& picture);

// Stops the worker (after the picture it is decoding) and frees what was not taken.
void drop_preloaded_pictures();

// Pictures taken since the last preload_pictures.
int preloaded_pictures_taken();

}  // namespace zorby
