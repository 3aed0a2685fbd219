// Fuzz target: the player's settings file. Any text must either be refused with one
// short printable line or give settings that, written back as the game writes them,
// read back as the same settings and the same text, within the reader's size limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/settings_file.h"

using zorby::app::PlayerSettings;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    PlayerSettings settings;
    std::string error;
    if (!zorby::app::parse_settings(text, settings, error)) {
        if (error.empty() || error.size() > 80) std::abort();
        for (const char c : error) {
            if (c < 0x20 || c >= 0x7F) std::abort();
        }
        return 0;
    }
    if (settings.scale < 0 || settings.scale > 16 || settings.music_volume < 0 ||
        settings.music_volume > 10) {
        std::abort();
    }
    const std::string written = zorby::app::format_settings(settings);
    if (written.size() > zorby::app::kMaxSettingsBytes) std::abort();
    PlayerSettings again;
    if (!zorby::app::parse_settings(written, again, error)) std::abort();
    // Unknown keys may be dropped only to keep the file within its limit.
    PlayerSettings known = settings;
    known.unknown.resize(again.unknown.size());
    if (!(again == known)) std::abort();
    if (zorby::app::format_settings(again) != written) std::abort();
    // The volume survives the game's step scale both ways.
    if (zorby::app::music_volume_for(zorby::app::volume_step_for(settings.music_volume)) !=
        settings.music_volume) {
        std::abort();
    }
    return 0;
}
