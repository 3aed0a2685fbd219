// The engine kit's values, files and packed media: the public commands over the
// engine's own. Commands whose public form is the engine's own (the numbers in
// degrees, the random generator, the clock) need nothing here.
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/engine_core.h"
#include "engine/engine_string.h"
#include "engine/file_channels.h"
#include "engine/media_archive.h"
#include "engine/packed_media.h"
#include "kit/kit_options.h"
#include "platform/paths.h"
#include "platform/portable/file_io.h"
#include "zorby/files.h"
#include "zorby/media.h"
#include "zorby/values.h"

namespace zorby {

std::string format_number(double value) {
    return EngineString(value).str();
}

// ---- file channels: the engine's commands take the channel as a number ----

bool open_channel(int channel, const std::string& path, ChannelMode mode) {
    return open_channel(static_cast<double>(channel), EngineString(path),
                        mode == ChannelMode::read ? 1.0 : 0.0) != 0.0;
}

void close_channel(int channel) {
    close_channel(static_cast<double>(channel));
}

bool end_of_channel(int channel) {
    return end_of_channel(static_cast<double>(channel)) != 0.0;
}

double read_byte(int channel) {
    return read_byte(static_cast<double>(channel));
}
double read_word(int channel) {
    return read_word(static_cast<double>(channel));
}
double read_long(int channel) {
    return read_long(static_cast<double>(channel));
}
double read_double(int channel) {
    return read_double(static_cast<double>(channel));
}

std::string read_text(int channel, int count) {
    return read_text(static_cast<double>(channel), static_cast<double>(count)).str();
}

std::string read_line(int channel) {
    return read_line(static_cast<double>(channel)).str();
}

void write_byte(int channel, double value) {
    write_byte(static_cast<double>(channel), value);
}
void write_word(int channel, double value) {
    write_word(static_cast<double>(channel), value);
}
void write_long(int channel, double value) {
    write_long(static_cast<double>(channel), value);
}
void write_double(int channel, double value) {
    write_double(static_cast<double>(channel), value);
}
void write_text(int channel, std::string_view text) {
    write_text(static_cast<double>(channel), EngineString(text));
}
void write_line(int channel, std::string_view text) {
    write_line(static_cast<double>(channel), EngineString(text));
}

bool save_file_atomically(const std::string& path, std::string_view contents, std::string& error) {
    if (path.empty()) {
        error = "cannot save: no file name was given";
        return false;
    }
    std::error_code ec;
    const std::filesystem::path folder = platform::native_path(path).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        error = "cannot save " + path + ": the folder " + platform::utf8_path(folder) +
                " does not exist (folders are not made)";
        return false;
    }
    const platform::FileStatus status =
        platform::replace_file(path, contents.data(), contents.size());
    if (status) return true;
    error = "cannot save " + path + ": " + status.describe();
    return false;
}

// ---- packed media and the reasons of failed loads ----

namespace {
std::string g_load_error;
}  // namespace

void set_load_error(const std::string& reason) {
    g_load_error = reason;
}

std::string last_load_error() {
    return g_load_error;
}

bool find_for_load(const char* command, const std::string& file, bool music, std::string& path) {
    EngineCore& e = engine_core();
    PackedMediaLookup* lookup = music ? e.music_lookup.get() : e.media_lookup.get();
    if (lookup != nullptr && resolve_media_name(*lookup, file, path) != 0) return true;
    set_load_error(std::string(command) + ": " + file + ": no such file in the current folder" +
                   (music ? " or the music archive" : " or the media archive"));
    return false;
}

std::string find_media_file(const std::string& name) {
    EngineCore& e = engine_core();
    if (!e.media_lookup) return {};
    std::string path;
    if (resolve_media_name(*e.media_lookup, name, path) == 0) return {};
    return path;
}

bool write_media_archive(const std::string& path, const std::vector<MediaMember>& members,
                         std::string& error) {
    if (members.empty()) {
        error = "cannot write " + path + ": an archive needs at least one member";
        return false;
    }
    std::vector<ArchiveMember> packed;
    packed.reserve(members.size());
    for (const MediaMember& m : members) {
        // Lookups take the last part of a name, so a folder in a member's name would
        // never be found.
        if (m.name.find_first_of("/\\") != std::string::npos) {
            error = "cannot write " + path + ": the member name " + m.name +
                    " holds a folder (names are file names only)";
            return false;
        }
        packed.push_back({m.name, m.data});
    }
    std::vector<uint8_t> bytes;
    if (!build_archive(packed, false, bytes, error)) return false;
    return save_file_atomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

}  // namespace zorby
