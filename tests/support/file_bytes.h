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

// A text file in the four shapes it comes in from other systems and editors: LF or
// CR LF line ends, with or without one after the last line. lf_text ends with "\n".
struct LineEnds {
    const char* name;
    std::string text;
};
inline std::vector<LineEnds> line_end_styles(const std::string& lf_text) {
    std::string crlf;
    for (char c : lf_text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string lf_cut = lf_text.substr(0, lf_text.size() - 1);
    const std::string crlf_cut = crlf.substr(0, crlf.size() - 2);
    return {{"LF", lf_text},
            {"CR LF", crlf},
            {"LF, none after the last line", lf_cut},
            {"CR LF, none after the last line", crlf_cut}};
}

}  // namespace zorby::testing
