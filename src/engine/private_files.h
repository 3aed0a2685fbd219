// Files only the player should see: their private folders (mode 0700) and the
// safe replacement of a small file (temporary file, flush, rename).
#pragma once

#include <string>

namespace zorby {

// Creates folder and any missing parents with mode 0700 (the player's files are
// private). True when it exists as a folder afterwards; else why in error.
bool make_private_folder(const std::string& folder, std::string& error);

// Writes bytes to path + ".new" in the same folder (mode 0600), flushes it to disk
// and renames it over path, so an interrupted write leaves the old file whole.
// False (and why in error) when any step fails; the temporary file is removed then.
bool replace_file(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace zorby
