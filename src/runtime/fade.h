// The cross-fade to a new background, shown frame by frame: drawing and frame
// presentation together, so the command lives in the runtime.
#pragma once

#include "engine/engine_string.h"

namespace zorby {

// Cross-fades from the frame drawn so far to a new background over 1.5 seconds.
void fade_to_background(const EngineString& file);

}  // namespace zorby
