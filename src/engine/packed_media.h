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

}  // namespace zorby
