// Numbers, random values and timers: trigonometry in degrees, integer modulo, the
// random whole numbers of the game (ISAAC, one full generation step per draw), the
// millisecond clock since start-up and the sleep. Every command takes and returns
// doubles; the clock and the sleep go through the platform, so the virtual clock of
// tests and replays drives them.
#pragma once

#include <array>
#include <cstdint>

namespace zorby {

// The process-wide random generator (owned by the engine object). A fresh generator
// is seeded with 0.
class RandomGenerator {
public:
    RandomGenerator();
    // Re-initialises the whole state from s; the same seed always gives the same
    // sequence of draws.
    void seed(uint32_t s);
    // One draw: a full generation step, then result word 0.
    uint32_t next();

private:
    void generate();

    std::array<uint32_t, 256> result_{};
    std::array<uint32_t, 256> memory_{};
    uint32_t aa_ = 0, bb_ = 0, cc_ = 0;
};

double sin_deg(double x);
double cos_deg(double x);
double tan_deg(double x);
// 90 / -90 for arguments at or beyond +1 / -1.
double asin_deg(double x);
// 0 / 180 for arguments at or beyond +1 / -1.
double acos_deg(double x);
double atan2_deg(double y, double x);
double square_root(double x);
double power(double x, double y);
double abs_value(double x);
// Both operands truncated toward zero to 32-bit integers (saturating); the remainder of
// the truncating division, with the sign of a. 0 when b truncates to 0.
double int_mod(double a, double b);
// A whole number from 0 to trunc(n) inclusive; 0 without drawing when n <= 0 (or NaN).
double random_int(double n);
void seed_random(uint32_t seed);
// The seed of a start: a clock reading in milliseconds truncated toward zero and
// reduced to its low 32 bits (so it keeps changing at any uptime).
uint32_t clock_seed(double clock_ms);
// Milliseconds since engine start-up.
double timer_ms();
// Waits ms milliseconds (truncated toward zero; negative waits are 0).
void sleep_ms(double ms);

// The engine's generator (created on first use when the engine has none yet).
RandomGenerator& random_generator();
// Truncates toward zero into the 32-bit range (saturating; NaN gives 0).
int32_t truncate_int32(double v);

}  // namespace zorby
