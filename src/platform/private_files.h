// Files only the player should see: their private folders (mode 0700) and the
// safe replacement of a small file (temporary file, flush, rename).
#pragma once

#include <string>

#include "platform/file_io.h"

namespace zorby::platform {

// Creates folder and any missing parents with mode 0700 (the player's files are
// private). True when it exists as a folder afterwards; else why in error.
bool make_private_folder(const std::string& folder, std::string& error);

// The file toolkit's replace_file (platform/file_io.h) for a private file (mode 0600):
// false, with why in error, when any step fails; the old file is then whole. ops: the
// file toolkit's calls (the test seam).
bool replace_file(const std::string& path, const std::string& bytes, std::string& error,
                  const FileOps& ops = system_file_ops());

}  // namespace zorby::platform
