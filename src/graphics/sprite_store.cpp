#include "graphics/sprite_store.h"

namespace zorby {

void SpriteStore::free_all(bool) {}

}  // namespace zorby
