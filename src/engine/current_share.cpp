// The end of a command called while no engine is current.
#include "engine/current_share.h"

#include <cstdio>
#include <cstdlib>

namespace zorby {

void no_engine_started() {
    std::fputs("zorby: an engine command was called before the engine started\n", stderr);
    std::abort();
}

}  // namespace zorby
