// The keys the game reads, by the engine's scan-code numbers (key_down).
#pragma once

namespace zorby::game::key {

inline constexpr double kA = 30;      // the intro: keyboard cursor
inline constexpr double kB = 48;      // the intro: mouse
inline constexpr double kZ = 44;      // strike; the intro: keyboard cursor
inline constexpr double kX = 45;      // the intro: mouse
inline constexpr double kSpace = 57;  // strike
inline constexpr double kUp = 200;
inline constexpr double kLeft = 203;
inline constexpr double kRight = 205;
inline constexpr double kDown = 208;
inline constexpr double kPageUp = 201;    // music louder
inline constexpr double kPageDown = 209;  // music softer

}  // namespace zorby::game::key
