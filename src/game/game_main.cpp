// Stand-in game routine until the game lands: a plain screen saying the engine runs,
// ended by Escape or closing the window.
#include "game/game_main.h"

#include "engine/engine.h"
#include "graphics/font.h"

namespace zorby::game {

void game_main() {
    for (;;) {
        print_text(8, 8, "zorby engine running");
        print_text(8, 24, "Escape quits");
        present_frame();
    }
}

}  // namespace zorby::game
