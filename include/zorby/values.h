/// @file values.h
/// @brief Numbers in degrees, whole-number arithmetic, the seeded random generator and
/// the engine clock.
///
/// Every command takes and returns doubles, as the game code around them does. The
/// clock and the sleep go through the engine's platform, so under the test kit
/// (zorby/testing.h) they run on the virtual clock and a run repeats exactly.
#pragma once

#include <cstdint>
#include <string>

namespace zorby {

/// @brief Sine of an angle in degrees.
/// @param degrees Any angle in degrees; whole degrees give exactly the same value on
/// every system the engine runs on.
/// @return The sine, -1 to 1 (NaN for NaN or an infinite angle).
double sin_deg(double degrees);
/// @brief Cosine of an angle in degrees.
/// @param degrees Any angle in degrees (whole degrees exact on every system).
/// @return The cosine, -1 to 1 (NaN for NaN or an infinite angle).
double cos_deg(double degrees);
/// @brief Tangent of an angle in degrees.
/// @param degrees Any angle in degrees.
/// @return The tangent (very large near 90 + 180 k degrees).
double tan_deg(double degrees);
/// @brief Arc sine in degrees.
/// @param x The sine; values at or beyond 1 / -1 count as 1 / -1.
/// @return -90 to 90.
double asin_deg(double x);
/// @brief Arc cosine in degrees.
/// @param x The cosine; values at or beyond 1 / -1 count as 1 / -1.
/// @return 0 to 180.
double acos_deg(double x);
/// @brief The direction of the point (x, y) seen from the origin, in degrees.
/// @param y Vertical part.
/// @param x Horizontal part.
/// @return -180 to 180; 0 for (0, 0).
double atan2_deg(double y, double x);
/// @brief Integer remainder.
/// @param a Dividend, truncated toward zero to a 32-bit integer (saturating).
/// @param b Divisor, truncated the same way.
/// @return The remainder of the truncating division, with the sign of a; 0 when b
/// truncates to 0 (no error).
double int_mod(double a, double b);

/// @brief Draws a whole number from the engine's random generator.
/// @param n Upper bound, truncated toward zero; above 4294967295 (infinity included)
/// it counts as 4294967295.
/// @return A whole number from 0 to trunc(n) inclusive; 0, without drawing, when n is
/// 0 or less or NaN.
double random_int(double n);
/// @brief Restarts the random generator.
/// @param seed Any 32-bit value; the same seed always gives the same sequence of draws.
/// A started engine is seeded from the clock; replays seed it from their script.
void seed_random(uint32_t seed);

/// @brief The engine clock.
/// @return Milliseconds since the engine started (fractions included); on the test
/// kit's virtual clock, the virtual time.
double timer_ms();
/// @brief Waits without presenting a frame or reading input.
/// @param ms Milliseconds, truncated toward zero, up to kMaxWaitMs (zorby/runtime.h: a
/// longer time is error 5 and ends the run); negative and NaN waits return at once.
/// Unlike wait_ms (zorby/runtime.h) it handles no window events: keep it short.
void sleep_ms(double ms);

/// @brief A number as the engine writes it in text.
/// @param value Any value.
/// @return Whole values as plain decimals ("12", "-3"), others with 10 significant
/// digits ("0.3333333333"); NaN and infinities as the C library spells them.
std::string format_number(double value);

}  // namespace zorby
