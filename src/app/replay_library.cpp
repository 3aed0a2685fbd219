// Recording headers, the replay check and the kept games.
#include "app/replay_library.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "game/screens.h"
#include "platform/folder_listing.h"
#include "platform/portable/private_files.h"

namespace zorby::app {

namespace {

// The table's bytes as hex, in lines short enough for the script reader.
constexpr size_t kHexPerLine = 2000;

std::string to_hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool from_hex(const std::string& hex, std::string& out) {
    if (hex.size() % 2 != 0) return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = hex_value(hex[i]), lo = hex_value(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

bool parse_int(const std::string& text, long long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, 10);
    return end != nullptr && *end == '\0';
}

std::string format_date(std::time_t when, const char* pattern) {
    std::tm local{};
    if (const std::tm* t = std::localtime(&when)) local = *t;
    char text[64];
    std::strftime(text, sizeof text, pattern, &local);
    return text;
}

bool ends_with(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The "recording" lines of a kept file, read without parsing its events.
void read_header_lines(const std::string& path, KeptGame& game) {
    std::vector<uint8_t> bytes;
    if (!platform::read_whole_file(path, 256ull * 1024 * 1024, bytes)) return;
    const std::string text(bytes.begin(), bytes.end());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        // A recording carried from Windows may end its lines with CR LF.
        const size_t cr = end > pos && text[end - 1] == '\r' ? 1 : 0;
        const std::string line = text.substr(pos, end - pos - cr);
        pos = end + 1;
        if (line.rfind("recording date ", 0) == 0) {
            game.date = line.substr(15);
        } else if (line.rfind("recording result ", 0) == 0) {
            char how[32] = "";
            unsigned long long frames = 0;
            long long score = -1;
            if (std::sscanf(line.c_str(), "recording result frames %llu score %lld %31s", &frames,
                            &score, how) >= 1) {
                game.frames = frames;
                game.score = score;
            }
        }
    }
}

}  // namespace

std::string format_recording_header(const RecordingStart& start) {
    std::string out = "# zorby recording: FRAME[:READ[:POLL]] event lines, see the README\n";
    out += "recording format " + std::to_string(kRecordingFormat) + "\n";
    out += "recording game " + start.game_version + "\n";
    out += "recording data " + start.data_digest + "\n";
    out += "recording date " + start.date + "\n";
    out += "recording sound " + std::to_string(start.sound_on) + "\n";
    out += "recording volume " + std::to_string(start.volume_step) + "\n";
    out += "recording fullscreen " + std::to_string(start.full_screen) + "\n";
    if (!start.scores) {
        out += "recording scores none\n";
    } else {
        const std::string hex = to_hex(*start.scores);
        if (hex.empty()) out += "recording scores\n";
        for (size_t i = 0; i < hex.size(); i += kHexPerLine) {
            out += "recording scores " + hex.substr(i, kHexPerLine) + "\n";
        }
    }
    return out;
}

int recording_format(const platform::InputScript& script) {
    if (script.header.empty()) return 0;
    long long format = 0;
    if (!parse_int(script.header_value("format"), format) || format < 1) return -1;
    return static_cast<int>(std::min<long long>(format, 1000000));
}

bool read_recording_start(const platform::InputScript& script, RecordingStart& out) {
    if (recording_format(script) <= 0) return false;
    out = RecordingStart{};
    out.game_version = script.header_value("game");
    out.data_digest = script.header_value("data");
    out.date = script.header_value("date");
    long long n = 0;
    if (parse_int(script.header_value("sound"), n)) out.sound_on = n != 0 ? 1 : 0;
    if (parse_int(script.header_value("fullscreen"), n)) out.full_screen = n != 0 ? 1 : 0;
    if (parse_int(script.header_value("volume"), n)) {
        out.volume_step = static_cast<int>(std::clamp<long long>(n, 0, 11));
    }
    const bool any_scores =
        std::any_of(script.header.begin(), script.header.end(),
                    [](const platform::RecordingField& f) { return f.key == "scores"; });
    const std::string hex = script.header_values_joined("scores");
    std::string bytes;
    if (any_scores && hex != "none" && from_hex(hex, bytes)) out.scores = bytes;
    return true;
}

namespace {

std::string result_line(const char* kind, uint64_t frames, int score, const char* how) {
    std::string out = std::string(kind) + " result frames " + std::to_string(frames) + " score " +
                      std::to_string(score);
    if (how != nullptr) out += std::string(" ") + how;
    return out + "\n";
}

}  // namespace

std::string format_recording_result(uint64_t frames, int score, const char* how) {
    return result_line("recording", frames, score, how);
}

std::string format_replay_result(uint64_t frames, int score) {
    return result_line("replay", frames, score, nullptr);
}

std::string replay_refusal(const platform::InputScript& script, const std::string& file,
                           const std::string& data_digest) {
    const int format = recording_format(script);
    if (format == 0) return {};
    if (format < 0 || format > kRecordingFormat) {
        return file + " is a recording of a newer format (" + script.header_value("format") +
               ") than this program reads (" + std::to_string(kRecordingFormat) +
               "); --force plays it anyway";
    }
    const std::string recorded = script.header_value("data");
    if (recorded != data_digest) {
        return file + " was recorded with other game data (digest " +
               (recorded.empty() ? std::string("none") : recorded) + ", these files " +
               data_digest + "); --force plays it anyway";
    }
    return {};
}

std::string recording_date(std::time_t when) {
    return format_date(when, "%Y-%m-%d %H:%M:%S");
}

std::string kept_game_name(std::time_t when, int score, bool high_score) {
    return format_date(when, "%Y-%m-%d_%H-%M-%S") + "_score-" + std::to_string(score) +
           (high_score ? "_best" : "") + kReplayEnding;
}

std::string stopped_game_name(std::time_t when) {
    return format_date(when, "%Y-%m-%d_%H-%M-%S") + "_stopped" + kReplayEnding;
}

std::vector<KeptGame> list_kept_games(const std::string& folder) {
    std::vector<KeptGame> games;
    std::vector<std::string> names;
    if (!platform::list_regular_files(folder, names)) return games;
    for (const std::string& name : names) {
        if (!ends_with(name, kReplayEnding)) continue;
        KeptGame game;
        game.file = name;
        game.high_score = name.find("_best") != std::string::npos;
        read_header_lines(folder + "/" + name, game);
        games.push_back(game);
    }
    std::sort(games.begin(), games.end(),
              [](const KeptGame& a, const KeptGame& b) { return a.file > b.file; });
    return games;
}

std::string format_kept_games(const std::string& folder, const std::vector<KeptGame>& games) {
    if (games.empty()) return "No recordings kept in " + folder + "\n";
    std::string out = "Recordings in " + folder + ", newest first:\n";
    out += "date                   score  length  file\n";
    for (const KeptGame& g : games) {
        char line[128];
        const uint64_t seconds = g.frames / 60;
        const std::string score = g.score >= 0 ? std::to_string(g.score) : "-";
        std::snprintf(line, sizeof line, "%-19s %8s %4llu:%02llu  ",
                      g.date.empty() ? "?" : g.date.c_str(), score.c_str(),
                      static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60));
        out += line + g.file + "\n";
    }
    return out;
}

bool keep_recording(const std::string& folder, const std::string& name, const std::string& text,
                    std::string& error, std::string* written_path, const platform::FileOps& ops) {
    if (!platform::make_private_folder(folder, error)) return false;
    std::string path = folder + "/" + name;
    const std::string stem = name.substr(0, name.size() - std::string(kReplayEnding).size());
    for (int n = 2; platform::exists_itself(path) && n < 1000; ++n) {
        path = folder + "/" + stem + "-" + std::to_string(n) + kReplayEnding;
    }
    std::string why;
    if (!platform::replace_file(path, text, why, ops)) {
        error = path + ": " + why;
        return false;
    }
    if (written_path != nullptr) *written_path = path;
    prune_kept_games(folder);
    return true;
}

void prune_kept_games(const std::string& folder, size_t keep) {
    std::vector<std::string> names;
    if (!platform::list_regular_files(folder, names)) return;
    std::vector<std::string> kept;
    for (const std::string& name : names) {
        if (ends_with(name, kReplayEnding)) kept.push_back(name);
    }
    // Newest first: the names begin with the date and time.
    std::sort(kept.begin(), kept.end(), std::greater<>());
    for (size_t i = keep; i < kept.size(); ++i) {
        if (kept[i].find("_best") != std::string::npos) continue;
        platform::remove_file(folder + "/" + kept[i]);
    }
}

std::optional<GameEndWatcher::Ended> GameEndWatcher::observe(int screen, int page, int score) {
    const int playing = static_cast<int>(game::Screen::playing);
    const int game_over = static_cast<int>(game::Screen::game_over);
    const int name_entry = static_cast<int>(game::MenuPage::name_entry);
    if (screen == playing || screen == game_over) {
        in_game_ = true;
        name_entry_ = false;
        score_ = score;
        return std::nullopt;
    }
    if (in_game_) {
        // The game over has run: a qualifying score goes on to the name entry.
        in_game_ = false;
        if (page == name_entry) {
            name_entry_ = true;
            return std::nullopt;
        }
        return Ended{score_, false};
    }
    if (name_entry_ && page != name_entry) {
        name_entry_ = false;
        return Ended{score_, true};
    }
    return std::nullopt;
}

std::optional<GameEndWatcher::Ended> GameEndWatcher::at_exit() const {
    if (in_game_) return Ended{score_, false};
    if (name_entry_) return Ended{score_, true};
    return std::nullopt;
}

}  // namespace zorby::app
