// Engine key codes (the scan-code numbering the game uses) and their translation.
// Internal to the platform layer.
#pragma once

namespace zorby::platform {

// The engine code of the key at an SDL scancode, or 0 when the engine has none.
int engine_code_from_sdl_scancode(int sdl_scancode);
// The SDL scancode of an engine code, or 0.
int sdl_scancode_from_engine_code(int code);
// The character a key gives on a US layout (lower case), or 0. Used where no real
// keyboard layout exists (the deterministic platform).
int us_layout_character(int code);

}  // namespace zorby::platform
