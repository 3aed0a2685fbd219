// zorby-assets pack, list and extract, and the file helpers of the tool.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "commands.h"
#include "engine/media_archive.h"

namespace zorby::assets {

int fail(const std::string& message) {
    std::fprintf(stderr, "zorby-assets: %s\n", message.c_str());
    return 1;
}

bool read_file(const std::string& path, uint64_t max_size, std::vector<uint8_t>& data,
               std::string& error) {
    UniqueFd fd = open_regular_file(path);
    if (!fd) {
        error = path + ": cannot open (missing, unreadable or not a regular file)";
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > max_size) {
        error = path + ": too large";
        return false;
    }
    data.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::read(fd.get(), data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = path + ": read failed";
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& data, std::string& error) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string temp = dir + (slash == std::string::npos ? "/" : "") + ".zorby-assets-XXXXXX";
    UniqueFd fd(::mkstemp(temp.data()));
    if (!fd) {
        error = path + ": cannot create (" + std::strerror(errno) + ")";
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::fchmod(fd.get(), 0666 & ~mask) == 0;
    size_t done = 0;
    while (ok && done < data.size()) {
        ssize_t n = ::write(fd.get(), data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    ok = ::close(fd.release()) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": write failed (" + std::strerror(errno) + ")";
        ::unlink(temp.c_str());
        return false;
    }
    return true;
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
