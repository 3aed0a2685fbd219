// zorby-assets pack, list and extract, and the file helpers of the tool.
#include <cstdio>
#include <cstring>
#include <optional>

#include "commands.h"
#include "engine/media_archive.h"
#include "platform/portable/file_io.h"

namespace zorby::assets {

int fail(const std::string& message) {
    std::fprintf(stderr, "zorby-assets: %s\n", message.c_str());
    return 1;
}

bool read_file(const std::string& path, uint64_t max_size, std::vector<uint8_t>& data,
               std::string& error) {
    const platform::FileStatus status = platform::read_whole_file(path, max_size, data);
    if (status) return true;
    if (std::strcmp(status.step, "open") == 0 ||
        std::strcmp(status.step, "not a regular file") == 0) {
        error = path + ": cannot open (missing, unreadable or not a regular file)";
    } else if (std::strcmp(status.step, "too large") == 0) {
        error = path + ": too large";
    } else {
        error = path + ": " + status.describe();
    }
    return false;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& data, std::string& error) {
    // Made like any new file of the user's: 0666 less the umask.
    const platform::FileStatus status =
        platform::replace_file(path, data.data(), data.size(), platform::system_file_ops(), 0666);
    if (status) return true;
    error = path + ": " +
            (std::strcmp(status.step, "open") == 0 ? "cannot create" : "write failed") + " (" +
            status.describe() + ")";
    return false;
}

namespace {

// Opens an archive for list and extract; prints why when it cannot.
bool open_archive(ArchiveReader& reader, const std::string& path) {
    const ArchiveOpen status = reader.open(path);
    if (status == ArchiveOpen::ok) return true;
    fail(path + ": " + describe(status));
    return false;
}

}  // namespace

int run_pack(const std::vector<std::string>& args) {
    const std::string& archive = args[0];
    std::vector<ArchiveMember> members;
    for (size_t i = 1; i < args.size(); ++i) {
        ArchiveMember member;
        member.name = media_base_name(args[i]);
        std::string error;
        if (!read_file(args[i], kMaxMemberSize, member.data, error)) return fail(error);
        members.push_back(std::move(member));
    }
    std::vector<uint8_t> packed;
    std::string error;
    if (!build_archive(members, false, packed, error)) return fail(archive + ": " + error);
    if (!write_file(archive, packed, error)) return fail(error);
    return 0;
}

int run_list(const std::vector<std::string>& args) {
    const std::string& archive = args[0];
    ArchiveReader reader;
    if (!open_archive(reader, archive)) return 1;
    std::vector<std::string> names;
    std::optional<UnpackStatus> damage;
    const DirectoryEnd end = reader.read_directory([&](const ArchiveEntry& entry) {
        if (UnpackStatus s = reader.check_member(entry); s != UnpackStatus::ok) {
            damage = s;
            names.assign(1, entry.name);
            return false;
        }
        names.push_back(entry.name);
        return true;
    });
    if (damage) return fail(archive + ": " + describe(*damage) + " (" + names[0] + ")");
    if (end != DirectoryEnd::terminator) return fail(archive + ": " + describe(end));
    std::string text;
    for (const std::string& name : names) text += name + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int run_extract(const std::vector<std::string>& args) {
    const std::string& archive = args[0];
    const std::string& name = args[1];
    ArchiveReader reader;
    if (!open_archive(reader, archive)) return 1;
    // The same choice as the engine's lookup: the first member whose name equals the
    // requested base name, ignoring case.
    const std::string base = media_base_name(name);
    std::optional<ArchiveEntry> match;
    const DirectoryEnd end = reader.read_directory([&](const ArchiveEntry& entry) {
        if (!member_name_matches(entry.name, base)) return true;
        match = entry;
        return false;
    });
    if (!match) {
        if (end != DirectoryEnd::terminator) return fail(archive + ": " + describe(end));
        return fail(archive + ": no member named '" + base + "'");
    }
    std::vector<uint8_t> data;
    if (UnpackStatus s = reader.unpack(*match, data); s != UnpackStatus::ok) {
        return fail(archive + ": " + describe(s) + " (" + match->name + ")");
    }
    std::string error;
    if (!write_file(args[2], data, error)) return fail(error);
    return 0;
}

}  // namespace zorby::assets
