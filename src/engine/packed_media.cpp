// Packed media lookup: the plain-file test, the archive search and the private
// directory that unpacked members live in.
#include "engine/packed_media.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <utility>

#include "engine/engine_core.h"
#include "engine/media_archive.h"
#include "platform/paths.h"
#include "platform/portable/file_io.h"
#include "platform/portable/private_files.h"

namespace zorby {

namespace {

// Every private directory that exists, with the process that made it, so that a
// process ending without clean-up (std::exit, a return from main) still removes them.
struct DirectoryRegistry {
    std::mutex mutex;
    std::vector<std::pair<std::string, int64_t>> directories;
};

void remove_tree(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(platform::native_path(dir), ec);
}

void remove_registered_directories();

DirectoryRegistry& registry() {
    // Never destroyed: the exit handler and late destructors may still need it.
    static DirectoryRegistry* instance = [] {
        auto* created = new DirectoryRegistry;
        std::atexit(remove_registered_directories);
        return created;
    }();
    return *instance;
}

void remove_registered_directories() {
    DirectoryRegistry& r = registry();
    std::lock_guard lock(r.mutex);
    const int64_t self = platform::process_id();
    for (const auto& [dir, owner] : r.directories) {
        if (owner == self) remove_tree(dir);
    }
    r.directories.clear();
}

void register_directory(const std::string& dir, int64_t owner) {
    DirectoryRegistry& r = registry();
    std::lock_guard lock(r.mutex);
    r.directories.emplace_back(dir, owner);
}

void unregister_directory(const std::string& dir) {
    DirectoryRegistry& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.directories, [&](const auto& entry) { return entry.first == dir; });
}

// Media names may use '\\' as a separator; a POSIX file system wants '/'. Windows
// takes both, and the name stays as the game gave it.
std::string native_name(std::string name) {
#ifndef _WIN32
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
#endif
    return name;
}

}  // namespace

PackedMediaLookup::PackedMediaLookup(std::string archive_name)
    : archive_name_(std::move(archive_name)) {}

PackedMediaLookup::~PackedMediaLookup() {
    cleanup();
}

void PackedMediaLookup::set_archive_name(const std::string& archive_name) {
    enabled_ = true;
    delete_extracted_file();
    archive_name_ = archive_name;
}

bool PackedMediaLookup::owns_private_directory() const {
    return !private_dir_.empty() && private_dir_owner_ == platform::process_id();
}

void PackedMediaLookup::delete_extracted_file() {
    if (!extracted_file_.empty() && owns_private_directory()) {
        platform::remove_file(extracted_file_);
    }
    extracted_file_.clear();
}

void PackedMediaLookup::cleanup() {
    delete_extracted_file();
    if (owns_private_directory()) {
        remove_tree(private_dir_);
        unregister_directory(private_dir_);
    }
    private_dir_.clear();
    private_dir_owner_ = 0;
}

bool PackedMediaLookup::ensure_private_directory() {
    if (owns_private_directory() && platform::is_folder_itself(private_dir_)) return true;
    if (owns_private_directory()) unregister_directory(private_dir_);
    // A directory inherited from a parent process stays the parent's.
    private_dir_.clear();
    private_dir_ = platform::make_private_temporary_folder("zorby-media-");
    if (private_dir_.empty()) return false;
    private_dir_owner_ = platform::process_id();
    register_directory(private_dir_, private_dir_owner_);
    return true;
}

bool PackedMediaLookup::write_extracted(const std::string& file_name,
                                        const std::vector<uint8_t>& data, std::string& path) {
    if (!ensure_private_directory()) return false;
    path = private_dir_ + "/" + file_name;
    return platform::write_private_file(path, data);
}

std::string extracted_file_name(const std::string& stored_name, int32_t position,
                                int32_t packed_size) {
    std::string name = "sbx";
    name += static_cast<char>('A' + (static_cast<uint8_t>(position) % 26));
    name += static_cast<char>('A' + (static_cast<uint8_t>(packed_size) % 26));
    std::string plain = media_base_name(stored_name);
    constexpr size_t kMaxFileName = 255;
    if (name.size() + plain.size() > kMaxFileName) {
        // Keep the end of the name: it carries the extension the loaders may look at.
        plain = plain.substr(plain.size() - (kMaxFileName - name.size()));
    }
    return name + plain;
}

int resolve_media_name(PackedMediaLookup& record, const std::string& requested, std::string& out) {
    // Copied first: callers pass the same string as name and out. Text ends at a NUL.
    const std::string name(requested.c_str());
    record.delete_extracted_file();
    if (name.empty()) {
        out.clear();
        return 0;
    }
    const std::string native = native_name(name);
    if (platform::open_regular_file(native)) {
        out = native;
        return 1;
    }
    if (!record.enabled_) return 0;
    if (record.archive_name_.empty()) {
        record.enabled_ = false;
        return 0;
    }
    ArchiveReader archive;
    switch (archive.open(native_name(record.archive_name_))) {
        case ArchiveOpen::ok:
            break;
        case ArchiveOpen::too_short:
            out.clear();
            return 0;
        case ArchiveOpen::cannot_open:
        case ArchiveOpen::no_signature:
            // Not retried until new names are set.
            record.enabled_ = false;
            return 0;
    }
    const std::string base = media_base_name(name);
    std::optional<ArchiveEntry> match;
    archive.read_directory([&](const ArchiveEntry& entry) {
        if (!member_name_matches(entry.name, base)) return true;
        match = entry;
        return false;
    });
    out.clear();
    if (!match) return 0;
    std::vector<uint8_t> data;
    if (archive.unpack(*match, data) != UnpackStatus::ok) return 0;
    std::string path;
    const std::string file_name =
        extracted_file_name(match->name, match->position, match->packed_size);
    if (!record.write_extracted(file_name, data, path)) return 0;
    record.extracted_file_ = path;
    out = path;
    return 1;
}

void set_archive_names(const std::string& media_archive, const std::string& music_archive) {
    EngineCore& e = engine_core();
    if (e.media_lookup) e.media_lookup->set_archive_name(media_archive);
    if (e.music_lookup) e.music_lookup->set_archive_name(music_archive);
}

}  // namespace zorby
