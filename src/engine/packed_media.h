// Packed media lookup: every command that opens a media file passes the name through
// here. A file present under its name is used as it is; otherwise the name is looked
// up in a packed archive and the member is unpacked into a temporary file.
//
// Unpacked members go into a directory private to this process (mode 0700, made
// afresh on first use under $TMPDIR or /tmp) and are created exclusively under a plain
// file name, so a name stored in an archive can never write outside that directory.
// The directory goes at clean-up, when the record is destroyed and, for a process
// that exits without cleaning up, at exit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorby {

class PackedMediaLookup {
public:
    // A record with lookups enabled and archive_name as its container.
    explicit PackedMediaLookup(std::string archive_name);
    ~PackedMediaLookup();
    PackedMediaLookup(const PackedMediaLookup&) = delete;
    PackedMediaLookup& operator=(const PackedMediaLookup&) = delete;

    // Enables lookups again, deletes the extracted file and takes a new container name
    // (empty: no container).
    void set_archive_name(const std::string& archive_name);
    // Deletes the extracted file and the private directory, if any.
    void cleanup();

    bool enabled() const { return enabled_; }
    const std::string& archive_name() const { return archive_name_; }
    // The file made by the last successful unpacking; empty when there is none.
    const std::string& extracted_file() const { return extracted_file_; }
    // The private directory of unpacked members; empty until a member is unpacked.
    const std::string& private_directory() const { return private_dir_; }

private:
    friend int resolve_media_name(PackedMediaLookup& record, const std::string& name,
                                  std::string& out);
    void delete_extracted_file();
    bool owns_private_directory() const;
    // Makes the private directory when there is none yet; false when it cannot.
    bool ensure_private_directory();
    // Writes data exclusively under a plain name in the private directory.
    bool write_extracted(const std::string& file_name, const std::vector<uint8_t>& data,
                         std::string& path);

    bool enabled_ = true;
    std::string archive_name_;
    std::string extracted_file_;
    std::string private_dir_;
    int64_t private_dir_owner_ = 0;  // a forked child never removes its parent's files
};

// Resolves a media name: returns 1 with out naming a readable file, else 0. On 0, out
// is unchanged when no usable archive exists and empty when the archive was read but
// holds no usable member of that name. name and out may be the same string. The file
// from the previous unpacking on this record is deleted first.
int resolve_media_name(PackedMediaLookup& record, const std::string& name, std::string& out);

// Gives the engine's media record and then its music record a new container name.
void set_archive_names(const std::string& media_archive, const std::string& music_archive);

// The plain file name an archive member is unpacked under: the stored name after its
// last '/' or '\\', prefixed with "sbx" and two letters taken from the member's
// position and packed size, cut to fit a file name.
std::string extracted_file_name(const std::string& stored_name, int32_t position,
                                int32_t packed_size);

}  // namespace zorby
