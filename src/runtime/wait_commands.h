// The engine's waiting and typing commands: wait for a key, wait for the mouse,
// read a typed line (or number) at a screen position, and change the window size and
// full-screen mode after start-up, and pause for a time. The waits keep the music
// alive, handle window events and end the program on Escape (and Alt+F4) as frame
// presentation does.
#pragma once

#include "engine/engine_string.h"

namespace zorby {

// Waits until a key that types a character (or Enter, or Backspace) is newly pressed.
void wait_for_key();
// Waits until the mouse moves or a mouse button is down.
void wait_for_mouse();
// Reads a line typed at (x, y) in the current font, presenting a frame per step:
// Enter ends it, Backspace removes the last character, a "_" cursor blinks (it
// toggles after more than 20 frames without a key). The picture on screen when it
// starts is grabbed into surface 3 and drawn behind the text in every frame.
EngineString read_typed_line(double x, double y);
// The same, the text taken as a number (leading numeric part; 0 when none).
double read_typed_number(double x, double y);
// Pauses for ms milliseconds of the engine clock without presenting a frame. Each
// turn handles the window events (closing the window ends the program, a lost focus
// pauses at the next frame), reads the quit keys afresh and keeps the music alive,
// then gives the processor back for at most 10 ms.
void wait_ms(double ms);
// Changes the window's size and full-screen mode, puts the pointer back in its mode,
// then presents five frames.
void set_screen_mode(double width, double height, double full_screen);

}  // namespace zorby
