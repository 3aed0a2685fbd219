// A digest of the game's data files: the pictures, fonts, sounds and music the game
// loads and the data marker. A recording holds the digest of the files it was made
// with, so a replay on other files (which may play differently) is noticed.
#pragma once

#include <string>

namespace zorby::game {

// 16 hexadecimal digits over every file's name and bytes in a fixed order; a missing
// file counts as a name with no bytes.
std::string data_digest(const std::string& data_dir);

}  // namespace zorby::game
