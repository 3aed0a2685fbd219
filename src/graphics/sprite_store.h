// The sprite store: 65536 numbered sprite slots (each one picture as an OpenGL
// texture), 16 tiled screen-sized surfaces, the per-slot alpha-mask caches used by
// collision tests, and the loading commands that fill them. Fonts live in the top 32
// sprite slots. The store belongs to the display object (engine().display->store).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_string.h"
#include "graphics/image_decode.h"

namespace zorby {

constexpr int kSpriteSlots = 65536;
constexpr int kFontSlotBase = 65504;  // font n lives in slot kFontSlotBase + n
constexpr int kFontCount = 32;
constexpr int kSurfaceCount = 16;
constexpr int kMaxTileColumns = 64;  // and rows: tile index = column * 64 + row
constexpr int kSurfaceTiles = kMaxTileColumns * kMaxTileColumns;

// A loaded picture waiting for its texture: the file's bytes (decoded with key when
// the texture is made) or the picture itself, and what make_sprite_texture is given.
struct PendingTexture {
    std::vector<uint8_t> file;
    uint32_t key = 0;
    PixelImage image;
    int32_t width = 0, height = 0;  // the region from the top-left, clipped
    bool normal_map = false;
    bool font = false;
};

// One slot of the sprite table. Texture names are OpenGL names (0: none).
struct SpriteRecord {
    // The texture, made from the loaded picture the first time the slot is drawn or
    // its texels are read (SpriteStore::texture): 0 until then and for an empty slot.
    uint32_t texture = 0;
    // The picture a load decoded, kept until its texture is made: a start makes the
    // textures its first frames draw, not those of every page and stage the game
    // has loaded (in the driver's memory, padded to powers of two, twice the picture).
    std::unique_ptr<const PendingTexture> pending;
    // A mipmapped copy for the 3D scene (2D never uses it), made on the first request
    // (SpriteStore::mipmapped_texture); 0 until then.
    uint32_t mipmapped_texture = 0;
    int16_t texture_width = -1, texture_height = -1;  // power-of-two texture size
    int16_t width = 0, height = 0;                    // picture size in pixels
    int16_t frame_width = 0, frame_height = 0;        // animation frame (0: not a strip)
    int32_t filter = 0;  // the texture's magnification and minification filter (0: unknown)
};

// A screen-sized picture as a grid of square tile textures, index column * 64 + row.
struct TiledSurface {
    std::array<uint32_t, kSurfaceTiles> tile_texture{};
    std::array<int32_t, kSurfaceTiles> tile_texture_width{};
    std::array<int32_t, kSurfaceTiles> tile_texture_height{};
    std::array<int32_t, kSurfaceTiles> tile_used_width{};
    std::array<int32_t, kSurfaceTiles> tile_used_height{};
    int32_t column_count = 0;
    int32_t row_count = 0;
};

// Vertices of printed text: x, y, z, s, t per vertex. Grows to 512 vertices first,
// then in steps of 128; never shrinks.
struct TextVertexArray {
    std::unique_ptr<float[]> data;
    int32_t count = 0;     // vertices in use by the last print
    int32_t capacity = 0;  // vertices allocated
};

class SpriteStore {
public:
    SpriteStore();
    ~SpriteStore();
    SpriteStore(const SpriteStore&) = delete;
    SpriteStore& operator=(const SpriteStore&) = delete;

    // The record of a slot, or nullptr for a slot number outside 0..65535. (A slot
    // never written reads as an empty record.)
    SpriteRecord* record(int64_t slot);
    const SpriteRecord* record(int64_t slot) const;
    TiledSurface* surface(int64_t number);

    // Empties a slot: both textures deleted (only while the context is ready),
    // sizes reset, alpha mask freed. The frame size stays.
    void free_sprite(int64_t slot, bool context_ready);
    // Empties a surface (tile textures deleted only while the context is ready).
    void free_surface(int64_t number, bool context_ready);
    // Empties every sprite slot and surface.
    void free_all(bool context_ready);

    // The slot's texture, made now from the pending picture if it has none yet; 0
    // for an empty slot or an out-of-range number.
    uint32_t texture(int64_t slot);

    // The alpha channel of a slot's texture, texture width x height bytes, bottom
    // row first; fetched from OpenGL on first use and kept until the slot is emptied.
    // nullptr for an empty slot.
    const uint8_t* alpha_mask(int64_t slot);
    // The mipmapped copy of a sprite slot's texture (not of a font), made from the
    // texture's texels on the first request and kept until the slot is emptied: a
    // load makes only the texture, since only the 3D scene would draw the copy. 0 for
    // an empty slot or a font.
    uint32_t mipmapped_texture(int64_t slot);

    TextVertexArray text_vertices;
    // The slot last given to bind_sprite_texture; -1 after texturing was switched off.
    int32_t current_texture_slot = -1;
    // The font used by print_text (0..31).
    int32_t current_font = 0;
    // Texture unit 1 has been switched off in this store's context (nothing turns
    // it on again, so once is enough).
    bool second_unit_off = false;

private:
    // The slots in blocks made when a slot of theirs is first written, and the
    // surfaces likewise: a game uses a few dozen slots, and the whole table made at
    // once (4 MB with the masks and surfaces) would be memory every start pays for.
    static constexpr int kBlockSlots = 1024;
    struct SlotBlock {
        std::array<SpriteRecord, kBlockSlots> records;
        std::array<std::unique_ptr<uint8_t[]>, kBlockSlots> alpha_masks;
    };
    SlotBlock* block_of(int64_t slot) const;
    std::array<std::unique_ptr<SlotBlock>, kSpriteSlots / kBlockSlots> blocks_;
    std::array<std::unique_ptr<TiledSurface>, kSurfaceCount> surfaces_;
};

// ---- engine commands (slot numbers truncated toward zero) ----

// Empties the slot, resolves the name through the media lookup and loads the picture
// with the sprite colour key. Returns 1 or 0; a failed load leaves the slot empty.
double load_sprite(const EngineString& file, double slot);
// Loads a resolved path into a slot (font slots get font textures). False when the
// slot is out of range or the picture cannot be decoded; the slot is empty then.
bool load_sprite_file(int64_t slot, const std::string& path, uint32_t key, bool normal_map);
void free_sprite(double slot);
// Shows a full-screen picture: it goes into surface 0 and is drawn under every frame.
void load_background(const EngineString& file);
// Loads a resolved path into a surface as tiles of up to 512 x 512, no colour key.
bool load_surface(int64_t surface, const std::string& path);
void free_surface(int64_t surface);
// Copies the back buffer into a surface.
void grab_screen(int64_t surface);
// Sets both the sprite and the font colour key.
void set_colour_key(double colour);
// (width, height) of the picture in a slot; (0, 0) when empty or out of range.
void sprite_size(double slot, double& width, double& height);

}  // namespace zorby
