// Conversions of the doubles that graphics commands take into slot numbers, colours
// and pixel positions: truncation toward zero, never undefined for huge values or NaN.
// Positions use truncate_int32 (engine/numbers.h), saturating at the 32-bit range.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/numbers.h"

namespace zorby {

// A slot or surface number; -1 for values that are no whole number in range.
inline int64_t command_slot(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return -1;
    return static_cast<int64_t>(v);
}

// The low 32 bits of the value truncated toward zero (colours: -1 gives all bits set).
inline uint32_t command_bits32(double v) {
    if (!(v > -9.2e18 && v < 9.2e18)) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(v));
}

}  // namespace zorby
