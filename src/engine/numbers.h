// Numbers, random values and timers (minimal start-up version; the numbers module
// replaces it).
#pragma once

#include <cstdint>

namespace zorby {

class RandomGenerator {
public:
    void seed(uint32_t s) { state_ = s; }

private:
    uint32_t state_ = 0;
};

void seed_random(uint32_t seed);
double timer_ms();

}  // namespace zorby
