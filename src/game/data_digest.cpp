// The data digest: the asset tables' files, the menu music and the data marker.
#include "game/data_digest.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "game/assets.h"
#include "platform/portable/file_io.h"
#include "runtime/replay.h"

namespace zorby::game {

namespace {

constexpr uint64_t kMaxDataFile = 256ull * 1024 * 1024;

void add_file(const std::string& data_dir, const char* name, uint64_t& hash) {
    const std::string label = std::string(name) + '\n';
    hash = fnv1a(label.data(), label.size(), hash);
    std::vector<uint8_t> bytes;
    if (platform::read_whole_file(data_dir + "/" + name, kMaxDataFile, bytes)) {
        const uint64_t size = bytes.size();
        hash = fnv1a(&size, sizeof size, hash);
        hash = fnv1a(bytes.data(), bytes.size(), hash);
    }
}

}  // namespace

std::string data_digest(const std::string& data_dir) {
    uint64_t hash = fnv1a(nullptr, 0);
    for (const AssetFile& f : kSpriteFiles) add_file(data_dir, f.file, hash);
    for (const AssetFile& f : kFontFiles) add_file(data_dir, f.file, hash);
    for (const AssetFile& f : kSoundFiles) add_file(data_dir, f.file, hash);
    for (const char* name :
         {kDeviceQuestionPicture, kComboPicture, kLogoPicture, kMenuMusic, "smalfont.bmp"}) {
        add_file(data_dir, name, hash);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace zorby::game
