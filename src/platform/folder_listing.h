// The names in a folder, for the kept recordings (listing and pruning them).
#pragma once

#include <string>
#include <vector>

namespace zorby::platform {

// The names of the regular files directly in folder (no "." or ".."), in no
// particular order. False when the folder cannot be read (missing, not a folder).
bool list_regular_files(const std::string& folder, std::vector<std::string>& names);

}  // namespace zorby::platform
