// The sprite table, the tiled surfaces, their alpha-mask caches and the loading
// commands. OpenGL textures are deleted only while the display's context is ready;
// the display empties the whole store before its window goes.
#include "graphics/sprite_store.h"

#include <GL/gl.h>

#include <algorithm>
#include <utility>

#include "engine/engine_core.h"
#include "engine/engine_string.h"
#include "engine/error_log.h"
#include "engine/packed_media.h"
#include "graphics/command_numbers.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/graphics_layer.h"
#include "graphics/picture_preload.h"
#include "graphics/texture_builder.h"
#include "platform/gl/frame_gl_work.h"
#include "platform/gl/gl_gateway.h"

namespace zorby {

namespace {

// The picture in a file's bytes that the loader ahead has decoded once already
// (quietly: whatever the file had to say was said then). False for no bytes.
bool decode_file_bytes(const std::vector<uint8_t>& file, uint32_t key, PixelImage& image) {
    bool would_speak = false;
    return !file.empty() &&
           decode_picture_quietly(image, file.data(), file.size(), key, would_speak);
}

}  // namespace

SpriteStore::SpriteStore() = default;

SpriteStore::~SpriteStore() = default;

SpriteStore::SlotBlock* SpriteStore::block_of(int64_t slot) const {
    return slot >= 0 && slot < kSpriteSlots ? blocks_[size_t(slot / kBlockSlots)].get() : nullptr;
}

SpriteRecord* SpriteStore::record(int64_t slot) {
    if (slot < 0 || slot >= kSpriteSlots) return nullptr;
    std::unique_ptr<SlotBlock>& block = blocks_[size_t(slot / kBlockSlots)];
    if (!block) block = std::make_unique<SlotBlock>();
    return &block->records[size_t(slot % kBlockSlots)];
}

const SpriteRecord* SpriteStore::record(int64_t slot) const {
    static const SpriteRecord kEmpty;
    if (slot < 0 || slot >= kSpriteSlots) return nullptr;
    const SlotBlock* block = block_of(slot);
    return block ? &block->records[size_t(slot % kBlockSlots)] : &kEmpty;
}

TiledSurface* SpriteStore::surface(int64_t number) {
    if (number < 0 || number >= kSurfaceCount) return nullptr;
    std::unique_ptr<TiledSurface>& s = surfaces_[size_t(number)];
    if (!s) s = std::make_unique<TiledSurface>();
    return s.get();
}

void SpriteStore::free_sprite(int64_t slot, bool context_ready) {
    SlotBlock* block = block_of(slot);
    if (!block) return;  // out of range, or never written
    SpriteRecord* r = &block->records[size_t(slot % kBlockSlots)];
    if (context_ready && (r->texture != 0 || r->mipmapped_texture != 0)) {
        if (r->texture != 0) platform::gl::call(glDeleteTextures, 1, &r->texture);
        if (r->mipmapped_texture != 0)
            platform::gl::call(glDeleteTextures, 1, &r->mipmapped_texture);
        r->texture = 0;
        r->mipmapped_texture = 0;
    }
    r->pending.reset();
    r->texture_width = r->texture_height = -1;
    r->width = r->height = 0;
    r->filter = 0;
    block->alpha_masks[size_t(slot % kBlockSlots)].reset();
}

void SpriteStore::free_surface(int64_t number, bool context_ready) {
    if (number < 0 || number >= kSurfaceCount || !surfaces_[size_t(number)]) return;
    TiledSurface* s = surfaces_[size_t(number)].get();
    if (context_ready && s->column_count > 0 && s->row_count > 0) {
        for (int32_t col = 0; col < s->column_count; ++col) {
            for (int32_t row = 0; row < s->row_count; ++row) {
                GLuint& name = s->tile_texture[size_t(col * kMaxTileColumns + row)];
                if (name != 0) platform::gl::call(glDeleteTextures, 1, &name);
            }
        }
    }
    s->tile_texture.fill(0);
    s->tile_texture_width.fill(0);
    s->tile_texture_height.fill(0);
    s->tile_used_width.fill(0);
    s->tile_used_height.fill(0);
    s->column_count = s->row_count = 0;
}

void SpriteStore::free_all(bool context_ready) {
    for (size_t b = 0; b < blocks_.size(); ++b) {
        if (!blocks_[b]) continue;
        for (size_t i = 0; i < size_t(kBlockSlots); ++i) {
            const SpriteRecord& r = blocks_[b]->records[i];
            if (r.texture != 0 || r.mipmapped_texture != 0 || r.width != 0 || r.height != 0 ||
                r.pending || blocks_[b]->alpha_masks[i]) {
                free_sprite(int64_t(b * kBlockSlots + i), context_ready);
            }
        }
    }
    for (int n = 0; n < kSurfaceCount; ++n) free_surface(n, context_ready);
}

uint32_t SpriteStore::texture(int64_t slot) {
    SpriteRecord* r = record(slot);
    if (!r) return 0;
    if (r->texture == 0 && r->pending) {
        const PendingTexture& p = *r->pending;
        // (Bytes that decoded at the load decode the same now: a failure cannot
        // happen, and would leave the slot without a texture.)
        PixelImage from_file;
        const PixelImage& image = decode_file_bytes(p.file, p.key, from_file) ? from_file : p.image;
        if (image.pixels) {
            make_sprite_texture(image, 0, 0, p.width, p.height, r->texture, p.normal_map, p.font,
                                nullptr);
        }
        r->pending.reset();
    }
    return r->texture;
}

const uint8_t* SpriteStore::alpha_mask(int64_t slot) {
    SpriteRecord* r = record(slot);
    if (!r || texture(slot) == 0 || r->texture_width < 1 || r->texture_height < 1) return nullptr;
    auto& mask = block_of(slot)->alpha_masks[size_t(slot % kBlockSlots)];
    if (mask) return mask.get();
    platform::gl::call(glBindTexture, GL_TEXTURE_2D, r->texture);
    GLint tw = 0, th = 0;
    platform::gl::call(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    platform::gl::call(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    // The mask is indexed with the record's texture size: a texture of any other
    // size would be read outside the buffer.
    if (tw != r->texture_width || th != r->texture_height) return nullptr;
    mask.reset(new uint8_t[size_t(tw) * size_t(th)]);
    // Rows exactly tw bytes long, also for textures 1 or 2 texels wide.
    GLint old_alignment = 4;
    platform::gl::call(glGetIntegerv, GL_PACK_ALIGNMENT, &old_alignment);
    platform::gl::call(glPixelStorei, GL_PACK_ALIGNMENT, 1);
    platform::gl::call(glGetTexImage, GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, mask.get());
    platform::gl::call(glPixelStorei, GL_PACK_ALIGNMENT, old_alignment);
    return mask.get();
}

uint32_t SpriteStore::mipmapped_texture(int64_t slot) {
    SpriteRecord* r = record(slot);
    if (!r || slot >= kFontSlotBase || texture(slot) == 0 || r->texture_width < 1 ||
        r->texture_height < 1) {
        return 0;
    }
    if (r->mipmapped_texture != 0) return r->mipmapped_texture;
    platform::gl::call(glBindTexture, GL_TEXTURE_2D, r->texture);
    GLint tw = 0, th = 0;
    platform::gl::call(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    platform::gl::call(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    if (tw != r->texture_width || th != r->texture_height) return 0;
    // Level 0 holds the texels exactly as they were uploaded.
    std::vector<uint8_t> texels(size_t(tw) * size_t(th) * 4);
    platform::gl::call(glGetTexImage, GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    make_mipmapped_texture(std::move(texels), tw, th, r->mipmapped_texture);
    return r->mipmapped_texture;
}

// ---- commands ----

namespace {

SpriteStore& store() {
    return *graphics_layer().display->store;
}
bool context_ready() {
    return graphics_layer().display->context_ready;
}

GLint max_texture_size() {
    GLint m = 0;
    platform::gl::call(glGetIntegerv, GL_MAX_TEXTURE_SIZE, &m);
    return m > 0 ? m : 64;
}

}  // namespace

double load_sprite(const EngineString& file, double slot_value) {
    const int64_t slot = command_slot(slot_value);
    if (!store().record(slot)) return 0.0;
    store().free_sprite(slot, context_ready());
    EngineCore& e = engine_core();
    std::string path;
    if (!e.media_lookup || !resolve_media_name(*e.media_lookup, file.str(), path)) return 0.0;
    return load_sprite_file(slot, path, graphics_layer().display->sprite_colour_key, false) ? 1.0
                                                                                            : 0.0;
}

bool load_sprite_file(int64_t slot, const std::string& path, uint32_t key, bool normal_map) {
    SpriteStore& s = store();
    SpriteRecord* r = s.record(slot);
    if (!r) return false;
    s.free_sprite(slot, context_ready());
    auto pending = std::make_unique<PendingTexture>();
    PreloadedPicture pre;
    int32_t width = 0, height = 0;
    if (take_preloaded_picture(path, key, pre)) {
        // Checked by the loader ahead; a sprite's bytes are decoded again when drawn.
        pending->file = std::move(pre.file);
        pending->key = key;
        pending->image = std::move(pre.image);
        width = pre.width;
        height = pre.height;
    } else if (load_picture(pending->image, path, key)) {
        width = pending->image.width;
        height = pending->image.height;
    } else {
        return false;
    }
    // A picture larger than the largest texture shows its top-left part; the record
    // describes what the texture holds, so drawing and collisions agree with it.
    const int32_t limit = std::min<GLint>(max_texture_size(), 16384);
    const int32_t w = std::min(width, limit);
    const int32_t h = std::min(height, limit);
    const bool font = slot >= kFontSlotBase;
    // What would keep make_sprite_texture from making a texture fails the load now.
    if (w < 1 || h < 1) {
        s.free_sprite(slot, context_ready());
        return false;
    }
    pending->width = w;
    pending->height = h;
    pending->normal_map = font ? false : normal_map;
    pending->font = font;
    r->pending = std::move(pending);
    r->texture_width = static_cast<int16_t>(power_of_two_size(w));
    r->texture_height = static_cast<int16_t>(power_of_two_size(h));
    r->width = static_cast<int16_t>(w);
    r->height = static_cast<int16_t>(h);
    r->filter = font ? GL_NEAREST : GL_LINEAR;  // as make_sprite_texture sets it
    return true;
}

void free_sprite(double slot) {
    store().free_sprite(command_slot(slot), context_ready());
}

void load_background(const EngineString& file) {
    append_error_log("Loadbmp");
    append_error_log("Shoeboxing");
    EngineCore& e = engine_core();
    std::string path;
    if (!e.media_lookup || !resolve_media_name(*e.media_lookup, file.str(), path)) {
        append_error_log("failed");
        free_surface(0);
        platform::frame_gl_work().clear(GL_COLOR_BUFFER_BIT);
        return;
    }
    append_error_log("OK?");
    if (load_surface(0, path)) {
        draw_surface(0);
    } else {
        free_surface(0);
        platform::frame_gl_work().clear(GL_COLOR_BUFFER_BIT);
    }
}

bool load_surface(int64_t number, const std::string& path) {
    SpriteStore& s = store();
    TiledSurface* surf = s.surface(number);
    if (!surf) return false;
    PreloadedPicture pre;
    PixelImage& image = pre.image;
    RegionTexels& prepared = pre.texels;
    // (A sprite's entry for the same file holds its bytes.)
    if (!(take_preloaded_picture(path, kNoColourKey, pre) &&
          (pre.image.pixels || decode_file_bytes(pre.file, kNoColourKey, image))) &&
        !load_picture(image, path, kNoColourKey)) {
        return false;
    }
    const int32_t t = std::min<GLint>(max_texture_size(), 512);
    s.free_surface(number, context_ready());
    const int64_t columns = (int64_t{image.width} + t - 1) / t;
    const int64_t rows = (int64_t{image.height} + t - 1) / t;
    // The tile grid holds 64 x 64 tiles; a larger picture is refused.
    if (columns > kMaxTileColumns || rows > kMaxTileColumns) return false;
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t k = 0; k < columns; ++k) {
            const size_t index = size_t(k * kMaxTileColumns + r);
            if (!make_sprite_texture(image, k * t, r * t, t, t, surf->tile_texture[index], false,
                                     false, &prepared)) {
                return false;
            }
            surf->tile_texture_width[index] = surf->tile_texture_height[index] = t;
            surf->tile_used_width[index] = surf->tile_used_height[index] = t;
        }
        surf->column_count = std::max<int32_t>(surf->column_count, static_cast<int32_t>(columns));
        surf->row_count = r + 1;
    }
    return true;
}

void free_surface(int64_t number) {
    store().free_surface(number, context_ready());
}

void grab_screen(int64_t number) {
    OpenGLVizovudo& d = *graphics_layer().display;
    TiledSurface* surf = d.store->surface(number);
    if (!surf || !d.window) return;
    // The frame is read: everything drawn so far must be in it.
    const GLint max_size = max_texture_size();
    int32_t t = 128;
    while (t < std::max(d.width, d.height) && t < max_size) t *= 2;
    int32_t rows = 0, columns = 0;
    for (int32_t r = 0; r < kMaxTileColumns && int64_t{r} * t < d.height; ++r) {
        const int32_t y0 = r * t;
        columns = 0;
        for (int32_t k = 0; k < kMaxTileColumns && int64_t{k} * t < d.width; ++k) {
            const int32_t x0 = k * t;
            const size_t index = size_t(k * kMaxTileColumns + r);
            GLuint& name = surf->tile_texture[index];
            if (name != 0 && surf->tile_texture_width[index] == t &&
                surf->tile_texture_height[index] == t) {
                platform::gl::call(glBindTexture, GL_TEXTURE_2D, name);
            } else {
                replace_texture(name, GL_LINEAR, GL_LINEAR);
                platform::gl::call(glTexImage2D, GL_TEXTURE_2D, 0, GL_RGBA8, t, t, 0, GL_BGRA,
                                   GL_UNSIGNED_BYTE, nullptr);
            }
            const int32_t u = d.width - x0 < t ? d.width - x0 : t;
            const int32_t v = d.height - y0 < t ? d.height - y0 : t;
            // Window rows y0.. from the top land bottom-up, like loaded pictures.
            platform::gl::call(glCopyTexSubImage2D, GL_TEXTURE_2D, 0, 0, 0, x0, d.height - y0 - v,
                               u, v);
            surf->tile_texture_width[index] = surf->tile_texture_height[index] = t;
            surf->tile_used_width[index] = u;
            surf->tile_used_height[index] = v;
            ++columns;
        }
        ++rows;
    }
    // Tiles of an earlier, larger grid would be lost to free_surface: delete them.
    for (int32_t k = 0; k < surf->column_count; ++k) {
        for (int32_t r = 0; r < surf->row_count; ++r) {
            if (k < columns && r < rows) continue;
            const size_t index = size_t(k * kMaxTileColumns + r);
            if (surf->tile_texture[index] != 0)
                platform::gl::call(glDeleteTextures, 1, &surf->tile_texture[index]);
            surf->tile_texture[index] = 0;
            surf->tile_texture_width[index] = surf->tile_texture_height[index] = 0;
            surf->tile_used_width[index] = surf->tile_used_height[index] = 0;
        }
    }
    surf->column_count = columns;
    surf->row_count = rows;
}

void set_colour_key(double colour) {
    OpenGLVizovudo& d = *graphics_layer().display;
    d.sprite_colour_key = d.font_colour_key = command_bits32(colour);
}

void sprite_size(double slot, double& width, double& height) {
    const SpriteRecord* r = store().record(command_slot(slot));
    width = r ? r->width : 0;
    height = r ? r->height : 0;
}

}  // namespace zorby
