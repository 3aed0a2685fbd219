// Packed media lookup (minimal start-up version; the packed media module replaces it).
#pragma once

#include <string>

namespace zorby {

class PackedMediaLookup {
public:
    explicit PackedMediaLookup(std::string program_dir) : dir_(std::move(program_dir)) {}
    // Deletes the extracted temporary file, if any.
    void cleanup() {}

private:
    std::string dir_;
};

// Every command that opens a media file passes the name through here first.
// Returns 1 when out names a readable file for the media name, else 0.
int resolve_media_name(PackedMediaLookup& record, const std::string& name, std::string& out);

}  // namespace zorby
