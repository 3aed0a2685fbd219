// Reading and writing the player's settings file.
#include "app/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <set>
#include <vector>

#include "platform/paths.h"
#include "platform/portable/file_io.h"
#include "platform/portable/private_files.h"

namespace zorby::app {

namespace {

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return {};
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool valid_key(const std::string& key) {
    if (key.empty() || key.size() > 64) return false;
    return std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.';
    });
}

bool parse_int(const std::string& text, int lo, int hi, int& out) {
    if (text.empty() || text.size() > 3) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

bool parse_bool(const std::string& text, bool& out) {
    std::string t = text;
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (t == "yes" || t == "on" || t == "true" || t == "1") {
        out = true;
        return true;
    }
    if (t == "no" || t == "off" || t == "false" || t == "0") {
        out = false;
        return true;
    }
    return false;
}

}  // namespace

bool parse_settings(const std::string& text, PlayerSettings& out, std::string& error) {
    if (text.size() > kMaxSettingsBytes) {
        error = "larger than " + std::to_string(kMaxSettingsBytes / 1024) + " KiB";
        return false;
    }
    for (unsigned char c : text) {
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) {
            error = "holds binary data";
            return false;
        }
    }
    PlayerSettings s;
    size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = trim(text.substr(start, end - start));
        start = end + 1;
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const std::string where = "line " + std::to_string(number);
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = where + " has no '='";
            return false;
        }
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (!valid_key(key)) {
            error = where + " has no valid key";
            return false;
        }
        bool ok = true;
        if (key == "scale") {
            ok = parse_int(value, 0, 16, s.scale);
            if (!ok) error = where + ": scale must be 0 to 16";
        } else if (key == "fullscreen") {
            ok = parse_bool(value, s.fullscreen);
            if (!ok) error = where + ": fullscreen must be yes or no";
        } else if (key == "sound") {
            ok = parse_bool(value, s.sound);
            if (!ok) error = where + ": sound must be on or off";
        } else if (key == "music_volume") {
            ok = parse_int(value, 0, 10, s.music_volume);
            if (!ok) error = where + ": music_volume must be 0 to 10";
        } else {
            // A later version's key: kept (equal keys sorted out below).
            s.unknown.emplace_back(key, value);
        }
        if (!ok) return false;
    }
    // The last of equal keys wins, in the place of that last one (one pass from the
    // end, so a file of many keys is read in n log n, not n squared).
    std::set<std::string> seen;
    std::vector<std::pair<std::string, std::string>> kept;
    for (auto it = s.unknown.rbegin(); it != s.unknown.rend(); ++it) {
        if (seen.insert(it->first).second) kept.push_back(std::move(*it));
    }
    s.unknown.assign(std::make_move_iterator(kept.rbegin()), std::make_move_iterator(kept.rend()));
    out = std::move(s);
    return true;
}

std::string format_settings(const PlayerSettings& s) {
    std::string t;
    t += "# zorby settings: one \"key = value\" per line; '#' starts a comment.\n";
    t += "# The game rewrites this file when a setting changes in the game.\n";
    t += "# Command-line options (zorby --help) override it for one run.\n";
    t += "\n# Window scale: 0 picks the largest whole factor that fits the screen,\n";
    t += "# 1 to 16 enlarges the 320 x 240 picture that many times.\n";
    t += "scale = " + std::to_string(s.scale) + "\n";
    t += "\n# Start in full screen: yes or no.\n";
    t += std::string("fullscreen = ") + (s.fullscreen ? "yes" : "no") + "\n";
    t += "\n# Sound effects and music: on or off (the game's Options page).\n";
    t += std::string("sound = ") + (s.sound ? "on" : "off") + "\n";
    t += "\n# Music volume: 0 (silent) to 10 (full); Page Up and Page Down in the game.\n";
    t += "music_volume = " + std::to_string(s.music_volume) + "\n";
    if (!s.unknown.empty()) {
        t += "\n# Kept as found (not used by this version).\n";
        // The file never grows past what the reader takes: unknown keys that would
        // not fit are left out, so the known settings always read back.
        for (const auto& [key, value] : s.unknown) {
            const std::string line = key + " = " + value + "\n";
            if (t.size() + line.size() > kMaxSettingsBytes) break;
            t += line;
        }
    }
    return t;
}

SettingsRead read_settings_file(const std::string& path, PlayerSettings& out, std::string& error) {
    out = PlayerSettings{};
    // One byte more than allowed tells a too-large file without reading it all.
    std::vector<uint8_t> bytes;
    const platform::FileStatus status =
        platform::read_file_start(path, kMaxSettingsBytes + 1, bytes);
    if (status.missing()) return SettingsRead::Missing;
    if (!status) {
        error = std::strcmp(status.step, "not a regular file") == 0
                    ? "not a file"
                    : std::strerror(status.error_number);
        return SettingsRead::Damaged;
    }
    const std::string text(bytes.begin(), bytes.end());
    PlayerSettings parsed;
    if (!parse_settings(text, parsed, error)) return SettingsRead::Damaged;
    out = std::move(parsed);
    return SettingsRead::Loaded;
}

bool write_settings_file(const std::string& path, const PlayerSettings& settings,
                         std::string& error, const platform::FileOps& ops) {
    const std::string folder = platform::utf8_path(platform::native_path(path).parent_path());
    if (!platform::make_private_folder(folder, error)) return false;
    return platform::replace_file(path, format_settings(settings), error, ops);
}

int volume_step_for(int music_volume) {
    return std::clamp(music_volume, 0, 10) + 1;
}

int music_volume_for(double volume_step) {
    if (!(volume_step >= 1)) return 0;
    return static_cast<int>(std::min(std::floor(volume_step), 11.0)) - 1;
}

}  // namespace zorby::app
