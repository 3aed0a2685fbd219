// The video module (video/video_module.h), opened the first time a video plays or an
// export runs. It is looked for beside the code that asks (the program, or the engine
// kit's shared library) and beside the program, each time in that folder, its
// zorby-engine/ (the kit's copy) and, seen from a program folder, the installed
// library folder's zorby/ (the game's) and zorby-engine/; the first found is opened
// and kept open to the end of the process.
#pragma once

#include <string>

#include "video/video_module.h"

namespace zorby {

// The module; null when it cannot be had, with the one-line reason in `reason` (the
// same on every call: a failed load is not tried again). The first call pays the
// load, every later one nothing.
const video::Module* video_module(std::string& reason);

}  // namespace zorby
