// Files only the player should see: their private folders (mode 0700), the safe
// replacement of a small file (temporary file, flush, rename), and the private
// temporary folders and files unpacked media are written to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/portable/file_io.h"

namespace zorby::platform {

// Creates folder and any missing parents with mode 0700 (the player's files are
// private). True when it exists as a folder afterwards; else why in error.
bool make_private_folder(const std::string& folder, std::string& error);

// The file toolkit's replace_file (platform/portable/file_io.h) for a private file (mode 0600):
// false, with why in error, when any step fails; the old file is then whole. ops: the
// file toolkit's calls (the test seam).
bool replace_file(const std::string& path, const std::string& bytes, std::string& error,
                  const FileOps& ops = system_file_ops());

// A new folder only the player can enter (mode 0700) in the temporary folder
// (Files::temporary_folder), named prefix followed by a unique ending. Empty when
// none could be made.
std::string make_private_temporary_folder(const std::string& prefix);
// True when path is a folder itself (a link to one does not count).
bool is_folder_itself(const std::string& path);
// Writes data to path as a new file only the player can read (mode 0600): whatever
// stood under the name goes first, so nothing is written through a link. False, with
// nothing left under the name, when a step fails.
bool write_private_file(const std::string& path, const std::vector<uint8_t>& data);
// Removes the file under path (never what a link there points to).
void remove_file(const std::string& path);

// The running process's number; a forked child has its own, so files made by the
// parent can be told from its own.
int64_t process_id();

}  // namespace zorby::platform
