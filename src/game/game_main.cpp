// Stand-in game routine until the game lands: a plain screen saying the engine runs,
// ended by Escape or closing the window.
#include "game/game_main.h"

#include "engine/engine.h"
#include "graphics/font.h"

namespace zorby::game {

void game_main() {
    for (;;) {
        print_text("zorby engine running", 8, 8);
        print_text("Escape quits", 8, 24);
        present_frame();
    }
}

}  // namespace zorby::game
