// The packed media container: reading its directory and unpacking its LZO1X members
// (used by the media lookup and the zorby-assets tool), and writing new containers.
//
// Layout (integers are 32-bit little-endian, signed):
//   end - 7: the three bytes 's' 'b' 'X'; end - 4: directory position D, from the start
//   of the file when D >= 0, from the end when D < 0.
//   Directory entry: name length L (1..255, 0 ends the directory), L name bytes,
//   member position P (measured like D), packed size S.
//   Member at P, S bytes: unpacked size U, then S - 4 bytes of an LZO1X stream.
//
// Every file is treated as hostile: positions and sizes are checked against the file
// and against the limits below before anything is read or allocated.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/portable/file_io.h"

namespace zorby {

// Largest unpacked member accepted (game media are far smaller).
inline constexpr uint32_t kMaxMemberSize = 256u << 20;
// Length of the trailer: signature and directory position.
inline constexpr int64_t kArchiveTrailerSize = 7;

struct ArchiveEntry {
    std::string name;      // as stored, up to its first NUL byte
    int32_t position = 0;  // P as stored
    int32_t packed_size = 0;
    int64_t offset = 0;  // P resolved against the start of the file (may lie outside it)
};

enum class ArchiveOpen { ok, cannot_open, too_short, no_signature };
enum class DirectoryEnd { terminator, stopped, truncated, out_of_range, read_failed };
enum class UnpackStatus { ok, bad_range, bad_size, read_failed, corrupt_stream };

const char* describe(ArchiveOpen status);
const char* describe(DirectoryEnd status);
const char* describe(UnpackStatus status);

class ArchiveReader {
public:
    // Opens a container: cannot_open when path is no readable regular file,
    // too_short when it cannot hold the trailer, no_signature when the trailer is wrong.
    ArchiveOpen open(const std::string& path);
    int64_t file_size() const { return size_; }
    // Walks the directory in order, handing each complete entry to visit until visit
    // returns false (stopped) or the directory ends. A directory that lies outside the
    // file or runs into the trailer ends early with out_of_range or truncated.
    DirectoryEnd read_directory(const std::function<bool(const ArchiveEntry&)>& visit);
    // Checks that a member's packed size is plausible and that it lies inside the
    // file, before its trailer; reads nothing.
    UnpackStatus check_member(const ArchiveEntry& entry) const;
    // Unpacks a member into out (resized to its unpacked size). Fails, leaving out
    // empty, when the member lies outside the file, its sizes are not plausible, or
    // the stream is damaged or does not unpack to exactly the stated size.
    UnpackStatus unpack(const ArchiveEntry& entry, std::vector<uint8_t>& out);

private:
    bool read_at(int64_t offset, void* buffer, size_t count);

    platform::UniqueFd fd_;
    int64_t size_ = 0;
    bool from_end_ = false;
    int64_t directory_ = 0;
};

// The part of a media name after its last '/' or '\\'.
std::string media_base_name(const std::string& name);
// Case-insensitive (ASCII) equality of a stored member name and a base name.
bool member_name_matches(const std::string& stored, const std::string& base);

// One member to pack: its directory name and its unpacked bytes.
struct ArchiveMember {
    std::string name;
    std::vector<uint8_t> data;
};

// Packs data as a member body: the unpacked size followed by its LZO1X stream.
std::vector<uint8_t> pack_member_data(const std::vector<uint8_t>& data);

// Builds a whole container: the members, the directory, the trailer. With
// from_end the directory and member positions are stored relative to the end of
// the file. Fails with a one-line reason for empty, over-long or repeated names
// (repeats compared without case: only the first could ever be found) and for
// members or containers too large for the format.
bool build_archive(const std::vector<ArchiveMember>& members, bool from_end,
                   std::vector<uint8_t>& out, std::string& error);

}  // namespace zorby
