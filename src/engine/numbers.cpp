#include "engine/numbers.h"

#include "engine/engine.h"

namespace zorby {

void seed_random(uint32_t seed) { engine().random->seed(seed); }
double timer_ms() { return clock_ms() - engine().clock_base; }

}  // namespace zorby
