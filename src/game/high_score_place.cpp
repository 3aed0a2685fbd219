// The choice between the game's folder and the player's data folder for "hc.txt".
#include "game/high_score_place.h"

#include <filesystem>

#include "platform/paths.h"
#include "platform/portable/file_io.h"

namespace zorby::game {

namespace {

constexpr const char* kTableName = "hc.txt";

struct Folders {
    bool set = false;
    std::string data_dir;
    bool portable = false;
    std::string user_dir;
};

Folders& folders() {
    static Folders f;
    return f;
}

std::string absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(platform::native_path(path), ec);
    return ec ? path : platform::utf8_path(p.lexically_normal());
}

}  // namespace

std::string HighScorePlace::read_path() const {
    if (platform::exists_itself(table) || default_table.empty()) return table;
    return default_table;
}

void set_high_score_folders(const std::string& data_dir, bool portable,
                            const std::string& user_dir) {
    folders() = Folders{true, data_dir, portable, user_dir};
}

HighScorePlace high_score_place() {
    const Folders& f = folders();
    if (!f.set) return {absolute(kTableName), {}, {}};
    const std::string own = absolute(f.data_dir + "/" + kTableName);
    const bool own_usable = f.portable && platform::exists_itself(own) &&
                            platform::writable(f.data_dir) && platform::writable(own);
    if (own_usable || f.user_dir.empty()) return {own, {}, {}};
    return {absolute(f.user_dir + "/" + kTableName), own, f.user_dir};
}

}  // namespace zorby::game
