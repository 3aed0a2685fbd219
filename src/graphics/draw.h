// Drawing commands (minimal start-up version; the drawing module replaces it).
#pragma once

namespace zorby {

void clear_screen();
void draw_surface(int surface);

}  // namespace zorby
