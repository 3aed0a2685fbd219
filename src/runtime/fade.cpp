// The cross-fade between backgrounds, presented frame by frame.
#include "runtime/fade.h"

#include "graphics/draw.h"
#include "runtime/frame.h"

namespace zorby {

void fade_to_background(const EngineString& file) {
    cross_fade_background(file, [] { present_frame(); });
}

}  // namespace zorby
