// Reading and writing the packed media container (layout in media_archive.h).
#include "engine/media_archive.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace zorby {

namespace {

constexpr uint8_t kSignature[3] = {0x73, 0x62, 0x58};  // "sbX"

int32_t read_le32(const uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                 (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(v);
}

void append_le32(std::vector<uint8_t>& out, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

bool lzo_ready() {
    static const bool ready = lzo_init() == LZO_E_OK;
    return ready;
}

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Sequential reads through the directory in blocks, never past limit.
class BlockReader {
public:
    BlockReader(int fd, int64_t start, int64_t limit) : fd_(fd), next_(start), limit_(limit) {}

    // False when fewer than count bytes remain before the limit (truncated) or
    // the file cannot be read (failed() tells which).
    bool take(void* dst, size_t count) {
        auto* out = static_cast<uint8_t*>(dst);
        while (count > 0) {
            if (pos_ == buffer_.size() && !refill()) return false;
            size_t n = std::min(count, buffer_.size() - pos_);
            std::memcpy(out, buffer_.data() + pos_, n);
            pos_ += n;
            out += n;
            count -= n;
        }
        return true;
    }
    bool failed() const { return failed_; }

private:
    bool refill() {
        const int64_t left = limit_ - next_;
        if (left <= 0) return false;
        const size_t want = static_cast<size_t>(std::min<int64_t>(left, 64 * 1024));
        buffer_.resize(want);
        size_t got = 0;
        if (!platform::read_all_at(fd_, next_, buffer_.data(), want, got) || got != want) {
            failed_ = true;
            return false;
        }
        next_ += static_cast<int64_t>(want);
        pos_ = 0;
        return true;
    }

    int fd_;
    int64_t next_;
    int64_t limit_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace

const char* describe(ArchiveOpen status) {
    switch (status) {
        case ArchiveOpen::ok:
            return "ok";
        case ArchiveOpen::cannot_open:
            return "cannot open the archive";
        case ArchiveOpen::too_short:
            return "the file is too short to be an archive";
        case ArchiveOpen::no_signature:
            return "not an archive (no signature at the end)";
    }
    return "unknown archive error";
}

const char* describe(DirectoryEnd status) {
    switch (status) {
        case DirectoryEnd::terminator:
        case DirectoryEnd::stopped:
            return "ok";
        case DirectoryEnd::truncated:
            return "damaged archive: the directory is truncated";
        case DirectoryEnd::out_of_range:
            return "damaged archive: the directory lies outside the file";
        case DirectoryEnd::read_failed:
            return "cannot read the archive";
    }
    return "unknown archive error";
}

const char* describe(UnpackStatus status) {
    switch (status) {
        case UnpackStatus::ok:
            return "ok";
        case UnpackStatus::bad_range:
            return "damaged archive: a member lies outside the file";
        case UnpackStatus::bad_size:
            return "damaged archive: a member has an impossible size";
        case UnpackStatus::read_failed:
            return "cannot read the archive";
        case UnpackStatus::corrupt_stream:
            return "damaged archive: a member's compressed data is corrupt";
    }
    return "unknown archive error";
}

bool ArchiveReader::read_at(int64_t offset, void* buffer, size_t count) {
    size_t got = 0;
    return platform::read_all_at(fd_.get(), offset, buffer, count, got) && got == count;
}

ArchiveOpen ArchiveReader::open(const std::string& path) {
    fd_ = platform::open_regular_file(path);
    if (!fd_) return ArchiveOpen::cannot_open;
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0) return ArchiveOpen::cannot_open;
    size_ = static_cast<int64_t>(st.st_size);
    uint8_t trailer[kArchiveTrailerSize];
    if (size_ < kArchiveTrailerSize ||
        !read_at(size_ - kArchiveTrailerSize, trailer, sizeof trailer)) {
        return ArchiveOpen::too_short;
    }
    if (std::memcmp(trailer, kSignature, sizeof kSignature) != 0) return ArchiveOpen::no_signature;
    const int32_t d = read_le32(trailer + 3);
    from_end_ = d < 0;
    directory_ = from_end_ ? size_ + d : d;
    return ArchiveOpen::ok;
}

DirectoryEnd ArchiveReader::read_directory(const std::function<bool(const ArchiveEntry&)>& visit) {
    const int64_t limit = size_ - kArchiveTrailerSize;
    if (directory_ < 0 || directory_ > limit) return DirectoryEnd::out_of_range;
    BlockReader in(fd_.get(), directory_, limit);
    char name[256];
    uint8_t numbers[8];
    for (;;) {
        uint8_t length = 0;
        if (!in.take(&length, 1)) break;
        if (length == 0) return DirectoryEnd::terminator;
        if (!in.take(name, length) || !in.take(numbers, sizeof numbers)) break;
        name[length] = '\0';
        ArchiveEntry entry;
        entry.name = name;  // a NUL inside the stored name ends it
        entry.position = read_le32(numbers);
        entry.packed_size = read_le32(numbers + 4);
        entry.offset = from_end_ ? size_ + entry.position : entry.position;
        if (!visit(entry)) return DirectoryEnd::stopped;
    }
    return in.failed() ? DirectoryEnd::read_failed : DirectoryEnd::truncated;
}

UnpackStatus ArchiveReader::check_member(const ArchiveEntry& entry) const {
    const int64_t packed = entry.packed_size;
    if (packed < 4) return UnpackStatus::bad_size;
    if (entry.offset < 0 || entry.offset > size_ - kArchiveTrailerSize - packed) {
        return UnpackStatus::bad_range;
    }
    return UnpackStatus::ok;
}

UnpackStatus ArchiveReader::unpack(const ArchiveEntry& entry, std::vector<uint8_t>& out) {
    out.clear();
    if (UnpackStatus status = check_member(entry); status != UnpackStatus::ok) return status;
    const int64_t packed = entry.packed_size;
    uint8_t head[4];
    if (!read_at(entry.offset, head, sizeof head)) return UnpackStatus::read_failed;
    const uint32_t unpacked = static_cast<uint32_t>(read_le32(head));
    const uint64_t stream_size = static_cast<uint64_t>(packed - 4);
    // An LZO1X stream grows its output by at most 255 bytes per input byte, so a
    // larger stated size is a lie that must not decide an allocation.
    if (unpacked > kMaxMemberSize || unpacked > stream_size * 256 + 1024) {
        return UnpackStatus::bad_size;
    }
    std::vector<uint8_t> stream(stream_size);
    if (stream_size > 0 && !read_at(entry.offset + 4, stream.data(), stream.size())) {
        return UnpackStatus::read_failed;
    }
    if (!lzo_ready()) return UnpackStatus::corrupt_stream;
    std::vector<uint8_t> data(std::max<uint32_t>(unpacked, 1));
    lzo_uint produced = unpacked;
    const int rc = lzo1x_decompress_safe(stream.data(), static_cast<lzo_uint>(stream.size()),
                                         data.data(), &produced, nullptr);
    // Bytes after the end-of-stream marker are tolerated; anything else that does
    // not yield exactly the stated size is damage.
    if ((rc != LZO_E_OK && rc != LZO_E_INPUT_NOT_CONSUMED) || produced != unpacked) {
        return UnpackStatus::corrupt_stream;
    }
    data.resize(unpacked);
    out = std::move(data);
    return UnpackStatus::ok;
}

std::string media_base_name(const std::string& name) {
    const size_t cut = name.find_last_of("/\\");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

bool member_name_matches(const std::string& stored, const std::string& base) {
    if (stored.size() != base.size()) return false;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (ascii_lower(stored[i]) != ascii_lower(base[i])) return false;
    }
    return true;
}

std::vector<uint8_t> pack_member_data(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    append_le32(out, static_cast<int32_t>(static_cast<uint32_t>(data.size())));
    if (!lzo_ready()) return out;
    // Worst case growth of incompressible input for LZO1X-1.
    const size_t bound = data.size() + data.size() / 16 + 64 + 3;
    out.resize(4 + bound);
    std::vector<uint8_t> work(LZO1X_1_MEM_COMPRESS);
    lzo_uint packed = 0;
    lzo1x_1_compress(data.data(), static_cast<lzo_uint>(data.size()), out.data() + 4, &packed,
                     work.data());
    out.resize(4 + packed);
    return out;
}

bool build_archive(const std::vector<ArchiveMember>& members, bool from_end,
                   std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    for (size_t i = 0; i < members.size(); ++i) {
        const std::string& name = members[i].name;
        if (name.empty() || name.size() > 255 || name.find('\0') != std::string::npos) {
            error = "member name '" + name + "' must be 1 to 255 bytes without NUL";
            return false;
        }
        if (members[i].data.size() > kMaxMemberSize) {
            error = "member '" + name + "' is larger than 256 MiB";
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (member_name_matches(members[j].name, name)) {
                error = "member name '" + name + "' repeats '" + members[j].name + "'";
                return false;
            }
        }
    }
    std::vector<int64_t> positions;
    std::vector<int64_t> sizes;
    for (const ArchiveMember& m : members) {
        std::vector<uint8_t> body = pack_member_data(m.data);
        positions.push_back(static_cast<int64_t>(out.size()));
        sizes.push_back(static_cast<int64_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
        if (out.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
            error = "the archive would exceed 2 GiB";
            out.clear();
            return false;
        }
    }
    const int64_t directory = static_cast<int64_t>(out.size());
    int64_t total = directory + 1 + kArchiveTrailerSize;
    for (const ArchiveMember& m : members) total += 9 + static_cast<int64_t>(m.name.size());
    if (total > std::numeric_limits<int32_t>::max()) {
        error = "the archive would exceed 2 GiB";
        out.clear();
        return false;
    }
    const int64_t base = from_end ? total : 0;
    for (size_t i = 0; i < members.size(); ++i) {
        const std::string& name = members[i].name;
        out.push_back(static_cast<uint8_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
        append_le32(out, static_cast<int32_t>(positions[i] - base));
        append_le32(out, static_cast<int32_t>(sizes[i]));
    }
    out.push_back(0);
    out.insert(out.end(), std::begin(kSignature), std::end(kSignature));
    append_le32(out, static_cast<int32_t>(directory - base));
    return true;
}

}  // namespace zorby
