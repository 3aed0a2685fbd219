// The sprite table and the tiled surfaces (minimal start-up version; the sprite
// store replaces it).
#pragma once

namespace zorby {

class SpriteStore {
public:
    // Empties every sprite slot and tiled surface; textures are deleted only while
    // the context is ready.
    void free_all(bool context_ready);
};

}  // namespace zorby
