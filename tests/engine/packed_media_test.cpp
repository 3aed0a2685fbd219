// Packed media lookup: plain files first, archive members found by base name without
// case, the private unpack directory and its removal, and damaged archives failing
// cleanly.
#include "engine/packed_media.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "engine/media_archive.h"
#include "runtime/engine.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"
#include "support/posix_compat.h"

namespace zorby {
namespace {

namespace fs = std::filesystem;
using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

std::vector<uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<uint8_t> make_archive(const std::vector<ArchiveMember>& members, bool from_end) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(build_archive(members, from_end, out, error)) << error;
    return out;
}

// Everything below a directory, as paths relative to it.
std::vector<std::string> tree(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        found.push_back(fs::relative(e.path(), dir).string());
    }
    return found;
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

const std::vector<uint8_t> kTitle = bytes_of(std::string(3000, 'T') + "title picture bytes");
const std::vector<uint8_t> kSound =
    bytes_of("RIFF sound bytes that do not compress much 0123456789");

// A media folder with an archive, and a temporary directory that the private unpack
// directories go into so each test can see what is left behind.
class PackedMediaTest : public ::testing::Test {
protected:
    PackedMediaTest() : tmpdir_env_("TMPDIR", tmp_.path()) {}

    std::string write_archive(const std::vector<ArchiveMember>& members, bool from_end = false) {
        const std::string path = media_.file("media.pak");
        write_bytes(path, make_archive(members, from_end));
        return path;
    }
    std::string standard_archive(bool from_end = false) {
        return write_archive({{"title.png", kTitle}, {"hit.wav", kSound}}, from_end);
    }

    TempDir media_;
    TempDir tmp_;
    ScopedEnv tmpdir_env_;
};

TEST_F(PackedMediaTest, FindsMemberIgnoringDirectoryAndCase) {
    PackedMediaLookup record(standard_archive());
    for (const char* name : {"gfx/Title.PNG", "gfx\\TITLE.png", "title.png"}) {
        std::string out;
        ASSERT_EQ(resolve_media_name(record, name, out), 1) << name;
        EXPECT_EQ(out, record.extracted_file());
        EXPECT_EQ(read_bytes(out), kTitle) << name;
        // Unpacked under the member's own name with the position and size letters,
        // inside a fresh private directory of the temporary directory.
        EXPECT_EQ(fs::path(out).filename().string().substr(5), "title.png");
        EXPECT_EQ(fs::path(out).parent_path().string(), record.private_directory());
        EXPECT_EQ(fs::path(record.private_directory()).parent_path(), fs::path(tmp_.path()));
#ifndef _WIN32  // Windows folders have no mode bits: the profile's own rights apply
        struct stat st {};
        ASSERT_EQ(::lstat(record.private_directory().c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
    }
    std::string out;
    ASSERT_EQ(resolve_media_name(record, "sfx/HIT.WAV", out), 1);
    EXPECT_EQ(read_bytes(out), kSound);
}

TEST_F(PackedMediaTest, NameAndOutMayBeTheSameString) {
    PackedMediaLookup record(standard_archive());
    std::string text = "gfx/title.png";
    ASSERT_EQ(resolve_media_name(record, text, text), 1);
    EXPECT_EQ(read_bytes(text), kTitle);
    text = "missing.png";
    EXPECT_EQ(resolve_media_name(record, text, text), 0);
    EXPECT_EQ(text, "");
}

TEST_F(PackedMediaTest, PlainFileWinsOverMember) {
    PackedMediaLookup record(standard_archive());
    const std::string plain = media_.file("title.png");
    write_bytes(plain, bytes_of("plain"));
    std::string out;
    ASSERT_EQ(resolve_media_name(record, plain, out), 1);
    EXPECT_EQ(out, plain);
    EXPECT_EQ(record.extracted_file(), "");
    EXPECT_TRUE(tree(tmp_.path()).empty());
    // Backslashes in a plain name are separators too.
    std::string backslashed = plain;
    backslashed[backslashed.rfind('/')] = '\\';
    ASSERT_EQ(resolve_media_name(record, backslashed, out), 1);
#ifdef _WIN32
    // Windows' own separator: the name the game gave opens the file as it is.
    EXPECT_EQ(out, backslashed);
#else
    EXPECT_EQ(out, plain);
#endif
    EXPECT_EQ(record.extracted_file(), "");
}

TEST_F(PackedMediaTest, NegativeDirectoryPositionCountsFromTheEnd) {
    const std::string path = standard_archive(true);
    const std::vector<uint8_t> raw = read_bytes(path);
    ASSERT_GE(raw.size(), 7u);
    EXPECT_EQ(raw.back() & 0x80, 0x80) << "directory position should be negative";
    PackedMediaLookup record(path);
    std::string out;
    ASSERT_EQ(resolve_media_name(record, "hit.wav", out), 1);
    EXPECT_EQ(read_bytes(out), kSound);
    ASSERT_EQ(resolve_media_name(record, "TITLE.PNG", out), 1);
    EXPECT_EQ(read_bytes(out), kTitle);
}

TEST_F(PackedMediaTest, NextLookupDeletesThePreviousExtraction) {
    PackedMediaLookup record(standard_archive());
    std::string first, second;
    ASSERT_EQ(resolve_media_name(record, "title.png", first), 1);
    ASSERT_EQ(resolve_media_name(record, "hit.wav", second), 1);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second));
    // Any lookup deletes it, a failing one too; the same member twice works.
    EXPECT_EQ(resolve_media_name(record, "", second), 0);
    EXPECT_EQ(tree(record.private_directory()).size(), 0u);
    ASSERT_EQ(resolve_media_name(record, "hit.wav", first), 1);
    ASSERT_EQ(resolve_media_name(record, "hit.wav", second), 1);
    EXPECT_EQ(read_bytes(second), kSound);
}

TEST_F(PackedMediaTest, CleanupAndDestructionLeaveNothingBehind) {
    const std::string archive = standard_archive();
    {
        PackedMediaLookup media(archive), music(archive);
        std::string a, b;
        ASSERT_EQ(resolve_media_name(media, "title.png", a), 1);
        ASSERT_EQ(resolve_media_name(music, "hit.wav", b), 1);
        EXPECT_NE(media.private_directory(), music.private_directory());
        media.cleanup();
        EXPECT_FALSE(fs::exists(a));
        EXPECT_TRUE(fs::exists(b));
        // Usable after clean-up: a new private directory is made.
        ASSERT_EQ(resolve_media_name(media, "title.png", a), 1);
        EXPECT_TRUE(fs::exists(a));
    }
    EXPECT_TRUE(tree(tmp_.path()).empty());
}

TEST_F(PackedMediaTest, FailuresReportAsTheLookupDefines) {
    // No such member: out emptied, the record stays enabled.
    PackedMediaLookup record(standard_archive());
    std::string out = "kept";
    EXPECT_EQ(resolve_media_name(record, "nothing.png", out), 0);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(record.enabled());

    // A container that cannot be opened (the program's directory, a missing file) or
    // lacks the signature switches the record off and leaves out alone.
    const std::string not_archive = media_.file("plain.bin");
    write_bytes(not_archive, bytes_of("just some bytes, no trailer"));
    for (const std::string& name : {media_.path(), media_.file("missing.pak"), not_archive}) {
        PackedMediaLookup off(name);
        out = "kept";
        EXPECT_EQ(resolve_media_name(off, "title.png", out), 0) << name;
        EXPECT_EQ(out, "kept");
        EXPECT_FALSE(off.enabled());
        // Not retried, even once the archive is there...
        write_bytes(media_.file("missing.pak"), read_bytes(standard_archive()));
        EXPECT_EQ(resolve_media_name(off, "title.png", out), 0);
        // ...until a new name is set.
        off.set_archive_name(standard_archive());
        EXPECT_TRUE(off.enabled());
        EXPECT_EQ(resolve_media_name(off, "title.png", out), 1);
        fs::remove(media_.file("missing.pak"));
    }

    // An empty archive name also switches it off.
    PackedMediaLookup empty("");
    EXPECT_EQ(resolve_media_name(empty, "title.png", out), 0);
    EXPECT_FALSE(empty.enabled());

    // Too short to hold the trailer: only this lookup fails.
    const std::string tiny = media_.file("tiny.pak");
    write_bytes(tiny, bytes_of("sbX"));
    PackedMediaLookup short_record(tiny);
    out = "kept";
    EXPECT_EQ(resolve_media_name(short_record, "title.png", out), 0);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(short_record.enabled());
}

TEST_F(PackedMediaTest, StoredNamesNeverLeaveThePrivateDirectory) {
    EXPECT_EQ(extracted_file_name("../../etc/passwd", 0x1234, 0x51), "sbxADpasswd");
    EXPECT_EQ(extracted_file_name("a\\b\\c.png", 0, 0), "sbxAAc.png");
    EXPECT_EQ(extracted_file_name("dir/", 0, 0), "sbxAA");
    const std::string long_name = std::string(250, 'n') + ".png";
    const std::string cut = extracted_file_name(long_name, 0, 0);
    EXPECT_EQ(cut.size(), 255u);
    EXPECT_EQ(cut.substr(cut.size() - 4), ".png");

    // A member called ".." is unpacked as a plain file inside the private directory.
    PackedMediaLookup record(write_archive({{"..", kSound}}));
    std::string out;
    ASSERT_EQ(resolve_media_name(record, "gfx/..", out), 1);
    EXPECT_EQ(fs::path(out).parent_path().string(), record.private_directory());
    EXPECT_TRUE(fs::is_regular_file(out));
    EXPECT_EQ(read_bytes(out), kSound);
}

TEST_F(PackedMediaTest, PlantedLinkInTheTemporaryDirectoryIsNeverWritten) {
#ifdef _WIN32
    GTEST_SKIP() << "links need a privilege a Windows player does not have";
#endif
    // The name an unpacked member would have had directly in the temporary directory.
    const std::string archive = standard_archive();
    PackedMediaLookup probe(archive);
    std::string out;
    ASSERT_EQ(resolve_media_name(probe, "title.png", out), 1);
    const std::string planted = tmp_.file(fs::path(out).filename().string());
    probe.cleanup();

    const std::string victim = media_.file("victim.txt");
    write_bytes(victim, bytes_of("precious"));
    fs::create_symlink(victim, planted);
    PackedMediaLookup record(archive);
    ASSERT_EQ(resolve_media_name(record, "title.png", out), 1);
    EXPECT_NE(out, planted);
    EXPECT_EQ(read_bytes(victim), bytes_of("precious"));
}

TEST_F(PackedMediaTest, EmptyMemberUnpacksToAnEmptyFile) {
    PackedMediaLookup record(write_archive({{"empty.txt", {}}}));
    std::string out;
    ASSERT_EQ(resolve_media_name(record, "empty.txt", out), 1);
    EXPECT_TRUE(read_bytes(out).empty());
}

TEST_F(PackedMediaTest, FirstOfRepeatedNamesWins) {
    // The packer refuses repeated names, so build the directory by hand: two
    // entries called a.txt pointing at different members.
    std::vector<uint8_t> raw;
    const std::vector<uint8_t> one = pack_member_data(bytes_of("first"));
    const std::vector<uint8_t> two = pack_member_data(bytes_of("second"));
    raw.insert(raw.end(), one.begin(), one.end());
    raw.insert(raw.end(), two.begin(), two.end());
    const uint8_t dir = static_cast<uint8_t>(raw.size());
    for (auto [pos, size] : {std::pair<size_t, size_t>{0, one.size()}, {one.size(), two.size()}}) {
        raw.insert(raw.end(), {5, 'A', '.', 'T', 'X', 'T'});
        raw.insert(raw.end(), {uint8_t(pos), 0, 0, 0, uint8_t(size), 0, 0, 0});
    }
    raw.insert(raw.end(), {0, 's', 'b', 'X', dir, 0, 0, 0});
    write_bytes(media_.file("dup.pak"), raw);
    PackedMediaLookup record(media_.file("dup.pak"));
    std::string out;
    ASSERT_EQ(resolve_media_name(record, "a.txt", out), 1);
    EXPECT_EQ(read_bytes(out), bytes_of("first"));
}

// Patches a little-endian 32-bit value into a copy of raw.
std::vector<uint8_t> patched(std::vector<uint8_t> raw, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) raw[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return raw;
}

TEST_F(PackedMediaTest, DamagedArchivesFailCleanly) {
    const std::vector<ArchiveMember> members = {{"title.png", kTitle}};
    const std::vector<uint8_t> good = make_archive(members, false);
    const size_t body = pack_member_data(kTitle).size();
    const size_t dir = body;                  // the directory follows the member
    const size_t pos_field = dir + 1 + 9;     // P of the only entry
    const size_t size_field = pos_field + 4;  // S of the only entry
    const size_t d_field = good.size() - 4;

    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
    cases.emplace_back("directory past the end", patched(good, d_field, 0x7FFFFFF0));
    cases.emplace_back("directory before the start", patched(good, d_field, 0x80000000));
    cases.emplace_back("directory in the trailer",
                       patched(good, d_field, uint32_t(good.size() - 3)));
    cases.emplace_back("member past the end", patched(good, pos_field, uint32_t(good.size())));
    cases.emplace_back("member before the start", patched(good, pos_field, 0xFFFFFFF0));
    cases.emplace_back("member running into the trailer", patched(good, pos_field, uint32_t(dir)));
    cases.emplace_back("packed size below 4", patched(good, size_field, 3));
    cases.emplace_back("packed size negative", patched(good, size_field, 0x80000000));
    cases.emplace_back("packed size huge", patched(good, size_field, 0x7FFFFFFF));
    cases.emplace_back("unpacked size huge", patched(good, 0, 0xFFFFFFFF));
    cases.emplace_back("unpacked size beyond the stream", patched(good, 0, 200u << 20));
    cases.emplace_back("unpacked size one short", patched(good, 0, uint32_t(kTitle.size() - 1)));
    cases.emplace_back("unpacked size one long", patched(good, 0, uint32_t(kTitle.size() + 1)));
    {
        std::vector<uint8_t> bad = good;
        for (size_t i = 4; i < body; i += 3) bad[i] ^= 0x5A;
        cases.emplace_back("scrambled stream", bad);
    }
    {
        // The stream cut short: S says fewer bytes than the stream needs.
        cases.emplace_back("stream cut short", patched(good, size_field, uint32_t(body / 2)));
    }
    for (size_t cut = 0; cut < good.size() - 7; cut += 37) {
        std::vector<uint8_t> bad(good.begin(), good.begin() + cut);
        bad.insert(bad.end(), good.end() - 7, good.end());
        cases.emplace_back("truncated at " + std::to_string(cut), bad);
    }

    for (const auto& one_case : cases) {
        const std::string& what = one_case.first;
        const std::vector<uint8_t>& raw = one_case.second;
        const std::string path = media_.file("bad.pak");
        write_bytes(path, raw);
        PackedMediaLookup record(path);
        std::string out = "kept";
        EXPECT_EQ(resolve_media_name(record, "title.png", out), 0) << what;
        EXPECT_EQ(out, "") << what;
        EXPECT_TRUE(record.enabled()) << what;

        ArchiveReader reader;
        ASSERT_EQ(reader.open(path), ArchiveOpen::ok) << what;
        std::vector<uint8_t> data = {1};
        reader.read_directory([&](const ArchiveEntry& entry) {
            EXPECT_NE(reader.unpack(entry, data), UnpackStatus::ok) << what;
            EXPECT_TRUE(data.empty()) << what;
            return true;
        });
    }
    EXPECT_TRUE(tree(tmp_.path()).empty());
}

TEST_F(PackedMediaTest, ReaderReportsWhatIsWrong) {
    const std::vector<uint8_t> good = make_archive({{"a.bin", kSound}, {"b.bin", kTitle}}, false);
    const std::string path = media_.file("r.pak");
    auto statuses = [&](const std::vector<uint8_t>& raw) {
        write_bytes(path, raw);
        ArchiveReader reader;
        EXPECT_EQ(reader.open(path), ArchiveOpen::ok);
        std::vector<UnpackStatus> unpacked;
        DirectoryEnd end = reader.read_directory([&](const ArchiveEntry& entry) {
            std::vector<uint8_t> data;
            unpacked.push_back(reader.unpack(entry, data));
            return true;
        });
        return std::make_pair(end, unpacked);
    };
    auto [end, unpacked] = statuses(good);
    EXPECT_EQ(end, DirectoryEnd::terminator);
    EXPECT_EQ(unpacked, (std::vector<UnpackStatus>{UnpackStatus::ok, UnpackStatus::ok}));

    const size_t d_field = good.size() - 4;
    std::tie(end, unpacked) = statuses(patched(good, d_field, 0x7FFFFFF0));
    EXPECT_EQ(end, DirectoryEnd::out_of_range);
    EXPECT_TRUE(unpacked.empty());

    // Without a terminator the walk stops at the trailer; the entries before it stay
    // usable, a name after it is not found.
    std::vector<uint8_t> unterminated = good;
    unterminated[d_field - 4] = 7;
    std::tie(end, unpacked) = statuses(unterminated);
    EXPECT_EQ(end, DirectoryEnd::truncated);
    EXPECT_EQ(unpacked.size(), 2u);
    PackedMediaLookup record(path);
    std::string out = "kept";
    EXPECT_EQ(resolve_media_name(record, "c.bin", out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(resolve_media_name(record, "b.bin", out), 1);

    std::tie(end, unpacked) = statuses(patched(good, 0, 0xFFFFFFFF));
    EXPECT_EQ(unpacked.front(), UnpackStatus::bad_size);
    EXPECT_EQ(unpacked.back(), UnpackStatus::ok);

    // The last member's stated size reaches three bytes into the trailer while it
    // still starts before it. The stream decompresses (trailing bytes are tolerated),
    // so only the range check can tell: exactly bad_range, never a read of the trailer.
    // Its directory entry, before the terminator: position, then packed size.
    const size_t b_position = d_field - 12, b_packed = d_field - 8;
    const uint32_t b_offset = good[b_position] | good[b_position + 1] << 8 |
                              good[b_position + 2] << 16 | uint32_t(good[b_position + 3]) << 24;
    const uint32_t into_trailer = uint32_t(good.size() - kArchiveTrailerSize - b_offset + 3);
    std::tie(end, unpacked) = statuses(patched(good, b_packed, into_trailer));
    EXPECT_EQ(unpacked, (std::vector<UnpackStatus>{UnpackStatus::ok, UnpackStatus::bad_range}));
    // One byte short of the trailer is still the member's own range.
    std::tie(end, unpacked) = statuses(patched(good, b_packed, into_trailer - 3));
    EXPECT_EQ(unpacked, (std::vector<UnpackStatus>{UnpackStatus::ok, UnpackStatus::ok}));

    ArchiveReader reader;
    write_bytes(path, {});
    EXPECT_EQ(reader.open(path), ArchiveOpen::too_short);
    write_bytes(path, bytes_of("0123456789"));
    EXPECT_EQ(reader.open(path), ArchiveOpen::no_signature);
    EXPECT_EQ(reader.open(media_.path()), ArchiveOpen::cannot_open);
}

TEST_F(PackedMediaTest, EverySingleByteCorruptionIsSafe) {
    // Under the sanitizer build this shows no read or write outside memory; here it
    // shows that a result is either a clean failure or exactly U bytes.
    const std::vector<uint8_t> good =
        make_archive({{"a.bin", kSound}, {"title.png", kTitle}}, true);
    const std::string path = media_.file("c.pak");
    for (size_t at = 0; at < good.size(); ++at) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = good;
            bad[at] ^= flip;
            write_bytes(path, bad);
            ArchiveReader reader;
            if (reader.open(path) != ArchiveOpen::ok) continue;
            reader.read_directory([&](const ArchiveEntry& entry) {
                std::vector<uint8_t> data;
                if (reader.unpack(entry, data) == UnpackStatus::ok) {
                    EXPECT_LE(data.size(), kMaxMemberSize);
                } else {
                    EXPECT_TRUE(data.empty());
                }
                return true;
            });
        }
    }
}

TEST(PackedMediaEngine, ArchiveNamesAndEndOfProgramCleanup) {
    TempDir media, tmp;
    ScopedEnv tmpdir_env("TMPDIR", tmp.path());
    const std::string archive = media.file("media.pak");
    write_bytes(archive, make_archive({{"title.png", kTitle}}, false));

    testing::TestEngine t;
    ASSERT_TRUE(t.start());
    Engine& e = t.engine();
    ASSERT_TRUE(e.media_lookup && e.music_lookup);
    // Start-up gives both records the program's directory, which is no archive.
    EXPECT_EQ(e.media_lookup->archive_name(), e.program_dir);

    set_archive_names(archive, "");
    EXPECT_TRUE(e.media_lookup->enabled());
    EXPECT_EQ(e.media_lookup->archive_name(), archive);
    EXPECT_EQ(e.music_lookup->archive_name(), "");
    std::string out;
    ASSERT_EQ(resolve_media_name(*e.media_lookup, "title.png", out), 1);
    EXPECT_EQ(resolve_media_name(*e.music_lookup, "title.png", out), 0);
    EXPECT_FALSE(e.music_lookup->enabled());
    ASSERT_FALSE(tree(tmp.path()).empty());

    EXPECT_EQ(t.run_until_end([] { end_program(); }), 0);
    EXPECT_TRUE(tree(tmp.path()).empty());
}

// A process that ends with std::exit, without any clean-up, removes its private
// directory too. The death test child may re-run this test from the start, so
// everything it needs is found through one environment variable set by the parent.
TEST(PackedMediaExit, ExitWithoutCleanupRemovesThePrivateDirectory) {
    std::optional<TempDir> owned;
    std::string dir;
    if (const char* shared = std::getenv("ZORBY_PACKED_MEDIA_EXIT_DIR")) {
        dir = shared;
    } else {
        owned.emplace();
        dir = owned->path();
        ::setenv("ZORBY_PACKED_MEDIA_EXIT_DIR", dir.c_str(), 1);
    }
    const std::string archive = dir + "/media.pak";
    const std::string report = dir + "/made.txt";
    ScopedEnv tmpdir_env("TMPDIR", dir);
    if (owned) write_bytes(archive, make_archive({{"title.png", kTitle}}, false));

    EXPECT_EXIT(
        {
            auto* record = new PackedMediaLookup(archive);  // never destroyed
            std::string out;
            if (resolve_media_name(*record, "title.png", out) != 1) std::_Exit(3);
            std::ofstream(report) << record->private_directory();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ::unsetenv("ZORBY_PACKED_MEDIA_EXIT_DIR");

    std::string made;
    std::getline(std::ifstream(report), made);
    ASSERT_NE(made.find("zorby-media-"), std::string::npos) << made;
    EXPECT_FALSE(fs::exists(made));
    for (const std::string& name : tree(dir)) {
        EXPECT_EQ(name.find("zorby-media-"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace zorby
