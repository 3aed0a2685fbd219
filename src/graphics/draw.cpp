#include "graphics/draw.h"

#include <GL/gl.h>

namespace zorby {

void clear_screen() { glClear(GL_COLOR_BUFFER_BIT); }
void draw_surface(int) {}

}  // namespace zorby
