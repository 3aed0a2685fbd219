// Test support: whole files as bytes, for tests that write inputs and check outputs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zorby::testing {

// The file's bytes; empty when it cannot be read.
inline std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's contents as text; empty when it cannot be read.
inline std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces the file with data.
inline void write_bytes(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

// A file of the asset folder made available under to: a link, or a copy where links
// cannot be made (a Windows user without the privilege). The test's own folders only.
inline void link_or_copy(const std::filesystem::path& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::create_symlink(from, to, ec);
    if (ec) std::filesystem::copy_file(from, to, ec);
}

}  // namespace zorby::testing
