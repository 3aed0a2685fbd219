// Reading the settings at start and writing them back when they change.
#include "app/settings_keeper.h"

#include <cstdio>
#include <utility>

namespace zorby::app {

SettingsKeeper::SettingsKeeper(std::string path) : path_(std::move(path)) {
    if (path_.empty()) return;
    std::string why;
    if (read_settings_file(path_, stored_, why) == SettingsRead::Damaged) {
        std::fprintf(stderr, "zorby: settings file %s is damaged (%s); using the defaults\n",
                     path_.c_str(), why.c_str());
    }
}

void SettingsKeeper::observe(bool sound, int music_volume, bool fullscreen, double now_ms) {
    if (path_.empty()) return;
    // Called several times a frame: the three values are compared in place, and the
    // settings (with the unknown lines they carry) copied only when one changed.
    bool full = has_pending_ ? pending_.fullscreen : stored_.fullscreen;
    if (fullscreen != seen_fullscreen_) {
        // Alt+Enter or F11: the player's choice for the next start too.
        seen_fullscreen_ = fullscreen;
        full = fullscreen;
    }
    const auto holds = [&](const PlayerSettings& s) {
        return s.sound == sound && s.music_volume == music_volume && s.fullscreen == full;
    };
    if (holds(stored_)) {
        has_pending_ = false;
        return;
    }
    if (!has_pending_ || !holds(pending_)) {
        // A pending change is the stored settings with these three values.
        pending_ = stored_;
        pending_.sound = sound;
        pending_.music_volume = music_volume;
        pending_.fullscreen = full;
        has_pending_ = true;
        pending_since_ms_ = now_ms;
        return;
    }
    if (now_ms - pending_since_ms_ >= kSettleMs) write(pending_);
}

void SettingsKeeper::flush() {
    if (has_pending_) write(pending_);
}

void SettingsKeeper::write(const PlayerSettings& wanted) {
    has_pending_ = false;
    std::string why;
    // A failed write is reported and the game goes on; the next change tries again.
    if (!write_settings_file(path_, wanted, why, ops_)) {
        std::fprintf(stderr, "zorby: settings file %s cannot be written (%s)\n", path_.c_str(),
                     why.c_str());
    }
    stored_ = wanted;
}

}  // namespace zorby::app
