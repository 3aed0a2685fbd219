// Fuzz target: the packed media container. Each input is written out as an archive
// file; the reader walks its directory and unpacks every member, then the media
// lookup resolves a few names against it. Nothing may crash, read outside memory
// or leave a file behind.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/media_archive.h"
#include "engine/packed_media.h"

namespace {

// One private directory per fuzzing process holds the archive and, through TMPDIR,
// the lookup's unpack directories.
const std::string& work_directory() {
    // Never destroyed: the exit handler that removes it runs after static destructors.
    static const std::string* dir = [] {
        // Memory-backed when possible: a file written per input is the slow part.
        const std::string base = ::access("/dev/shm", W_OK) == 0
                                     ? std::string("/dev/shm")
                                     : std::filesystem::temp_directory_path().string();
        std::string tmpl = base + "/zorby-fuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data())) std::abort();
        ::setenv("TMPDIR", tmpl.c_str(), 1);
        auto* made = new std::string(tmpl);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*dir, ec);
        });
        return made;
    }();
    return *dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = work_directory() + "/input.pak";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        std::abort();
    }

    zorby::ArchiveReader reader;
    std::vector<std::string> names;
    if (reader.open(path) == zorby::ArchiveOpen::ok) {
        reader.read_directory([&](const zorby::ArchiveEntry& entry) {
            std::vector<uint8_t> unpacked;
            if (reader.unpack(entry, unpacked) != zorby::UnpackStatus::ok && !unpacked.empty()) {
                std::abort();  // a failed unpack must leave nothing
            }
            names.push_back(entry.name);
            return names.size() < 64;
        });
    }

    names.push_back("missing.png");
    {
        zorby::PackedMediaLookup lookup(path);
        for (const std::string& name : names) {
            // Under a directory that does not exist, so no plain file can answer.
            std::string out = work_directory() + "/no-such-dir/" + name;
            if (zorby::resolve_media_name(lookup, out, out) == 1 &&
                out.rfind(lookup.private_directory() + "/", 0) != 0) {
                std::abort();  // an unpacked member outside the private directory
            }
        }
        lookup.cleanup();
        if (!lookup.private_directory().empty()) std::abort();
    }
    return 0;
}
