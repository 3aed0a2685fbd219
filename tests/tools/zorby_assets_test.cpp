// zorby-assets run as a real process: packing, listing and extracting round trips,
// the engine lookup agreeing with extract, refusals and damaged archives giving one
// line and status 1 (never a crash), pictures and sounds decoded as the engine does; and
// the game and zorby-path refusing damaged scripts and maps with status 2.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "audio/sound.h"
#include "audio/wav_bytes.h"
#include "engine/media_archive.h"
#include "engine/packed_media.h"
#include "game/data_digest.h"
#include "support/engine_fixture.h"
#include "support/file_bytes.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace zorby {
namespace {

namespace fs = std::filesystem;
using testing::file_text;
using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct ToolResult {
    int status = -1;  // exit status, or 128 + signal number when killed
    std::string out, err;
};

// The video driver a game started by a test opens its window with: Windows' SDL has
// no offscreen driver (Wine draws its windows with Mesa's software renderer).
#ifdef _WIN32
constexpr const char* kWindowDriver = "windows";
#else
constexpr const char* kWindowDriver = "offscreen";
#endif

class ToolTest : public ::testing::Test {
protected:
    ToolResult run(const std::vector<std::string>& args) {
        return run_program(ZORBY_ASSETS_TOOL, args);
    }

    // Runs a program of the project with args; `program` is its path.
    ToolResult run_program(const std::string& program, const std::vector<std::string>& args) {
        const std::string out_path = dir_.file(".stdout"), err_path = dir_.file(".stderr");
        std::vector<std::string> all = {program};
        all.insert(all.end(), args.begin(), args.end());
        ToolResult result;
#ifdef _WIN32
        // The child inherits this process's standard output and error: they point at
        // the two files while it runs. Windows joins the arguments into one command
        // line, so each is quoted.
        std::vector<std::string> quoted;
        for (const std::string& a : all) {
            std::string q = "\"";
            for (char c : a) q += c == '"' ? std::string("\\\"") : std::string(1, c);
            quoted.push_back(q + "\"");
        }
        std::vector<const char*> argv;
        for (const std::string& a : quoted) argv.push_back(a.c_str());
        argv.push_back(nullptr);
        std::fflush(stdout);
        std::fflush(stderr);
        const int saved_out = _dup(1), saved_err = _dup(2);
        const int out = _open(out_path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0600);
        const int err = _open(err_path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0600);
        _dup2(out, 1);
        _dup2(err, 2);
        const intptr_t status = _spawnv(_P_WAIT, program.c_str(), argv.data());
        _dup2(saved_out, 1);
        _dup2(saved_err, 2);
        for (int fd : {out, err, saved_out, saved_err}) _close(fd);
        result.status = status < 0 ? -1 : static_cast<int>(status);
#else
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        posix_spawn_file_actions_destroy(&actions);
#endif
        result.out = file_text(out_path);
        result.err = file_text(err_path);
        return result;
    }

    // A failure as documented: status 1 and exactly one line of its own on stderr.
    static void expect_one_line_failure(const ToolResult& r, const std::string& what) {
        EXPECT_EQ(r.status, 1) << what << ": " << r.err;
        const std::vector<std::string> lines = lines_of(r.err);
        ASSERT_EQ(lines.size(), 1u) << what << ": " << r.err;
        EXPECT_EQ(lines[0].rfind("zorby-assets: ", 0), 0u) << what;
    }

    std::string file(const std::string& name, const std::vector<uint8_t>& data) {
        write_bytes(dir_.file(name), data);
        return dir_.file(name);
    }

    TempDir dir_;
};

std::vector<uint8_t> random_bytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> out(n);
    for (auto& b : out) b = static_cast<uint8_t>(gen());
    return out;
}

std::vector<uint8_t> text_bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST_F(ToolTest, PackListExtractRoundTripAgreesWithTheLookup) {
    std::string long_text;
    for (int i = 0; i < 20000; ++i) long_text += std::to_string(i) + "\n";
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> inputs = {
        {"Title.PNG", text_bytes(long_text)},
        {"hit.wav", random_bytes(70000, 1)},
        {"empty.txt", {}},
        {"one.bin", {42}},
    };
    fs::create_directory(dir_.file("in"));
    std::vector<std::string> args = {"pack", dir_.file("media.pak")};
    for (const auto& [name, data] : inputs) args.push_back(file("in/" + name, data));
    ToolResult packed = run(args);
    ASSERT_EQ(packed.status, 0) << packed.err;
    EXPECT_EQ(packed.err, "");

    ToolResult listed = run({"list", dir_.file("media.pak")});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, "Title.PNG\nhit.wav\nempty.txt\none.bin\n");

    TempDir tmp;
    const char* old_tmp = std::getenv("TMPDIR");
    const std::string saved = old_tmp ? old_tmp : "";
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    PackedMediaLookup lookup(dir_.file("media.pak"));
    for (const auto& [name, data] : inputs) {
        // Asked for with another directory and another case, as a game would.
        std::string asked = "gfx/";
        for (char c : name) asked += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ToolResult extracted = run({"extract", dir_.file("media.pak"), asked, dir_.file("out")});
        ASSERT_EQ(extracted.status, 0) << name << ": " << extracted.err;
        EXPECT_EQ(read_bytes(dir_.file("out")), data) << name;
        std::string resolved;
        ASSERT_EQ(resolve_media_name(lookup, asked, resolved), 1) << name;
        EXPECT_EQ(read_bytes(resolved), data) << name;
    }
    lookup.cleanup();
    if (old_tmp) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }

    // Packing over one of its own inputs works: the archive is written aside first.
    ToolResult repacked = run({"pack", dir_.file("media.pak"), dir_.file("media.pak")});
    ASSERT_EQ(repacked.status, 0) << repacked.err;
    EXPECT_EQ(run({"list", dir_.file("media.pak")}).out, "media.pak\n");
}

TEST_F(ToolTest, RefusalsLeaveTheArchiveAlone) {
    const std::string archive = file("keep.pak", text_bytes("previous contents"));
    fs::create_directory(dir_.file("a"));
    fs::create_directory(dir_.file("b"));
    const std::string x = file("a/x.png", {1, 2, 3});
    const std::string other_x = file("b/X.PNG", {4});
    expect_one_line_failure(run({"pack", archive, x, other_x}), "repeated name");
    expect_one_line_failure(run({"pack", archive, x, dir_.file("missing.png")}), "missing input");
    expect_one_line_failure(run({"pack", archive, dir_.path()}), "directory as input");
    EXPECT_EQ(file_text(archive), "previous contents");
    // No half-written leftovers beside it.
    for (const auto& e : fs::directory_iterator(dir_.path())) {
        EXPECT_NE(e.path().extension(), ".new") << e.path();
    }

    ToolResult pack_ok = run({"pack", archive, x});
    ASSERT_EQ(pack_ok.status, 0);
    expect_one_line_failure(run({"extract", archive, "y.png", dir_.file("out")}), "no member");
    EXPECT_FALSE(fs::exists(dir_.file("out")));
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({"list"}).status, 2);
    EXPECT_EQ(run({"extract", archive, "x.png"}).status, 2);
    EXPECT_EQ(run({"frobnicate", archive}).status, 2);
}

std::vector<uint8_t> patched(std::vector<uint8_t> raw, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) raw[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return raw;
}

TEST_F(ToolTest, DamagedArchivesGiveOneLineAndStatusOne) {
    std::vector<uint8_t> good;
    std::string error;
    const std::vector<uint8_t> data = random_bytes(5000, 2);
    ASSERT_TRUE(build_archive({{"a.bin", data}, {"b.bin", text_bytes("bbbbbbbbbbbbbbbbbbbbbb")}},
                              false, good, error));
    const size_t body = pack_member_data(data).size();
    const size_t d_field = good.size() - 4;
    const size_t dir = good[d_field] | (good[d_field + 1] << 8) | (good[d_field + 2] << 16);

    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
        {"empty file", {}},
        {"no signature", text_bytes("hello, this is not an archive")},
        {"directory past the end", patched(good, d_field, 0x7FFFFFF0)},
        {"member past the end", patched(good, dir + 1 + 5, 0x7FFFFFF0)},
        {"packed size below 4", patched(good, dir + 1 + 5 + 4, 2)},
        {"unpacked size huge", patched(good, 0, 0xFFFFFFFF)},
        {"unpacked size wrong", patched(good, 0, 4999)},
    };
    std::vector<uint8_t> scrambled = good;
    for (size_t i = 8; i < body; i += 5) scrambled[i] ^= 0xA5;
    cases.emplace_back("scrambled stream", scrambled);
    std::vector<uint8_t> unterminated = good;
    unterminated[d_field - 4] = 9;
    cases.emplace_back("unterminated directory", unterminated);

    for (const auto& [what, raw] : cases) {
        const std::string archive = file("bad.pak", raw);
        ToolResult listed = run({"list", archive});
        // Only damage inside the first member's data can let the listing pass.
        if (what != "unpacked size huge" && what != "unpacked size wrong" &&
            what != "scrambled stream") {
            expect_one_line_failure(listed, "list: " + what);
            EXPECT_EQ(listed.out, "") << what;
        } else {
            EXPECT_EQ(listed.status, 0) << what;
        }
        // Extract picks a member as the lookup does: damage after it does not matter,
        // and a name after the damage is never reached.
        const std::string name = what == "unterminated directory" ? "c.bin" : "a.bin";
        expect_one_line_failure(run({"extract", archive, name, dir_.file("out")}),
                                "extract: " + what);
        EXPECT_FALSE(fs::exists(dir_.file("out"))) << what;
    }
    expect_one_line_failure(run({"list", dir_.file("missing.pak")}), "missing archive");
    expect_one_line_failure(run({"list", dir_.path()}), "directory as archive");

    // Random damage anywhere: a clean answer, never a crash.
    std::mt19937 gen(7);
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> bad = good;
        for (int k = 0; k < 3; ++k) bad[gen() % bad.size()] = static_cast<uint8_t>(gen());
        const std::string archive = file("rnd.pak", bad);
        for (const auto& args :
             {std::vector<std::string>{"list", archive},
              std::vector<std::string>{"extract", archive, "b.bin", dir_.file("rnd.out")}}) {
            ToolResult r = run(args);
            EXPECT_TRUE(r.status == 0 || r.status == 1) << args[0] << " round " << round;
            if (r.status == 1) expect_one_line_failure(r, args[0]);
        }
    }
}

// A 24-bit BMP, rows bottom first and padded to 4 bytes; pixels given top row first
// as 0xRRGGBB.
std::vector<uint8_t> make_bmp24(int w, int h, const std::vector<uint32_t>& rgb) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> out(54 + static_cast<size_t>(stride) * h, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    out[26] = 1;
    out[28] = 24;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = out.data() + 54 + static_cast<size_t>(stride) * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const uint32_t c = rgb[static_cast<size_t>(y * w + x)];
            row[x * 3 + 0] = static_cast<uint8_t>(c);
            row[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(c >> 16);
        }
    }
    return out;
}

std::vector<uint8_t> read_png_rgba(const std::string& path, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    w = static_cast<int>(image.width);
    h = static_cast<int>(image.height);
    return pixels;
}

TEST_F(ToolTest, ImageDecodesAsTheSpriteStoreDoes) {
    // The key colour RGB(255, 0, 128) turns transparent; everything else stays opaque.
    const std::vector<uint32_t> pixels = {0xFF0080, 0x102030, 0x00FF00,
                                          0x0000FF, 0xFF0081, 0xFFFFFF};
    const std::vector<uint8_t> expected = {0,    0,    0,    0,   0x10, 0x20, 0x30, 255,
                                           0,    0xFF, 0,    255, 0,    0,    0xFF, 255,
                                           0xFF, 0,    0x81, 255, 0xFF, 0xFF, 0xFF, 255};
    const std::string bmp = file("key.bmp", make_bmp24(3, 2, pixels));
    ToolResult r = run({"image", bmp, dir_.file("key.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    int w = 0, h = 0;
    EXPECT_EQ(read_png_rgba(dir_.file("key.png"), w, h), expected);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);

    // The same picture as an RGB PNG gives the same result.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 2;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb;
    for (uint32_t c : pixels) {
        rgb.insert(rgb.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    }
    ASSERT_TRUE(
        png_image_write_to_file(&image, dir_.file("in.png").c_str(), 0, rgb.data(), 0, nullptr));
    r = run({"image", dir_.file("in.png"), dir_.file("out.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_png_rgba(dir_.file("out.png"), w, h), expected);
}

TEST_F(ToolTest, ImageRejectionsSayWhyInOneLine) {
    std::vector<uint8_t> sixteen_bit = make_bmp24(2, 2, {0, 0, 0, 0});
    sixteen_bit[28] = 16;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {file("notes.txt", text_bytes("just text, no picture at all")), "neither a BMP nor a PNG"},
        {file("deep.bmp", sixteen_bit), "BMP rejected"},
        {file("cut.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0}), "PNG rejected"},
        {dir_.file("missing.png"), "cannot open"},
    };
    for (const auto& [path, reason] : cases) {
        ToolResult r = run({"image", path, dir_.file("never.png")});
        EXPECT_EQ(r.status, 1) << path;
        // One line, the tool's own (with libpng's reason in it, not a line of its own).
        const std::vector<std::string> lines = lines_of(r.err);
        ASSERT_EQ(lines.size(), 1u) << r.err;
        EXPECT_EQ(lines[0].rfind("zorby-assets: ", 0), 0u) << r.err;
        EXPECT_NE(lines[0].find(reason), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir_.file("never.png")));
    }
}

// The samples of a plain 16-bit PCM WAV as the tool writes it, read by this test
// alone: the 44-byte head is checked field by field.
std::vector<int16_t> read_pcm16_wav(const std::vector<uint8_t>& f, int& channels, int& rate) {
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(f[at] | f[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    std::vector<int16_t> out;
    if (f.size() < 44 || std::memcmp(f.data(), "RIFF", 4) != 0 ||
        std::memcmp(f.data() + 8, "WAVEfmt ", 8) != 0 || u32(16) != 16 || u16(20) != 1 ||
        u16(34) != 16 || std::memcmp(f.data() + 36, "data", 4) != 0 || u32(40) != f.size() - 44 ||
        u32(4) != f.size() - 8) {
        ADD_FAILURE() << "not a plain 16-bit PCM WAV";
        return out;
    }
    channels = static_cast<int>(u16(22));
    rate = static_cast<int>(u32(24));
    EXPECT_EQ(u16(32), 2u * channels);
    EXPECT_EQ(u32(28), static_cast<uint32_t>(rate) * 2u * channels);
    for (size_t at = 44; at + 1 < f.size(); at += 2) out.push_back(static_cast<int16_t>(u16(at)));
    return out;
}

TEST_F(ToolTest, SoundWritesTheSamplesTheMixerGets) {
    using testing::WavLayout;
    // 8-bit mono in the 30-byte format form with a fact chunk: widened to 16 bits.
    WavLayout mono8;
    mono8.bits = 8;
    mono8.rate = 11025;
    mono8.fmt_size = 30;
    mono8.fact = true;
    const std::string in8 = file("mono8.wav", testing::wav_bytes(mono8, {0, 128, 255, 1, 200}));
    ToolResult r = run({"sound", in8, dir_.file("mono8.out.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    int channels = 0, rate = 0;
    EXPECT_EQ(read_pcm16_wav(read_bytes(dir_.file("mono8.out.wav")), channels, rate),
              (std::vector<int16_t>{-32768, 0, 32512, -32512, 18432}));
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(rate, 11025);

    // 16-bit stereo with a stray last byte: the samples as they are, whole frames only.
    WavLayout stereo16;
    stereo16.channels = 2;
    stereo16.rate = 44100;
    const std::vector<uint8_t> data = {0x01, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0x34};
    const std::string in16 = file("stereo16.wav", testing::wav_bytes(stereo16, data));
    r = run({"sound", in16, dir_.file("stereo16.out.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_pcm16_wav(read_bytes(dir_.file("stereo16.out.wav")), channels, rate),
              (std::vector<int16_t>{1, -1, -32768, 32767}));
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 44100);

    // Every sound of the game goes through; a 16-bit sound comes out as its own data.
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(ZORBY_ASSET_DIR)) {
        if (entry.path().extension() != ".wav") continue;
        const std::vector<uint8_t> bytes = read_bytes(entry.path().string());
        const auto wav = parse_wav(bytes.data(), bytes.size());
        ASSERT_TRUE(wav) << entry.path();
        r = run({"sound", entry.path().string(), dir_.file("game.wav")});
        ASSERT_EQ(r.status, 0) << entry.path() << ": " << r.err;
        const std::vector<int16_t> out =
            read_pcm16_wav(read_bytes(dir_.file("game.wav")), channels, rate);
        EXPECT_EQ(channels, wav->channels);
        EXPECT_EQ(rate, wav->sample_rate);
        EXPECT_EQ(out.size(), wav->data.size() / wav->block_align * wav->channels);
        if (wav->bits_per_sample == 16) {
            EXPECT_EQ(std::memcmp(out.data(), wav->data.data(), out.size() * 2), 0);
        }
        ++checked;
    }
    EXPECT_GT(checked, 5);
}

TEST_F(ToolTest, SoundRefusalsSayWhyInOneLine) {
    using testing::WavLayout;
    WavLayout deep;
    deep.bits = 24;
    std::vector<uint8_t> cut = testing::wav_bytes(WavLayout{}, std::vector<uint8_t>(400, 7));
    cut.resize(cut.size() - 100);
    WavLayout other_chunk;
    other_chunk.extra_chunk = "LIST";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {file("deep.wav", testing::wav_bytes(deep, std::vector<uint8_t>(30, 1))),
         "not 8 or 16 bits"},
        {file("cut.wav", cut), "cut short"},
        {file("list.wav", testing::wav_bytes(other_chunk, {1, 2, 3, 4})), "no data chunk"},
        {file("text.wav", text_bytes("no sound here")), "shorter than"},
        {dir_.file("missing.wav"), "cannot open"},
    };
    for (const auto& [path, reason] : cases) {
        ToolResult r = run({"sound", path, dir_.file("never.wav")});
        expect_one_line_failure(r, path);
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir_.file("never.wav")));
    }
}

// A damaged input script stops `zorby --replay` before any window opens (no video
// driver is even available), a damaged map stops zorby-path: one line naming the
// line, status 2.
TEST_F(ToolTest, DamagedScriptsAndMapsStopWithStatusTwo) {
    testing::ScopedEnv no_video("SDL_VIDEODRIVER", "no-such-driver");
    const std::string huge_line(10 << 20, '1');
    std::string huge_row;
    for (int i = 0; i < (5 << 20); ++i) huge_row += "1 ";
    std::string junk = "0 key 45 down\n";
    for (int i = 0; i < 300; ++i) junk += static_cast<char>((i * 37) & 0xFF);
    const std::vector<std::pair<std::string, std::string>> scripts = {
        {"seed 5\n0 key 45 down\n3 jump\n", "line 3: unknown event 'jump'"},
        {"10 key 45 down\n20 key 45 up\n# note\n15 close\n", "line 4: the position '15'"},
        {"0 key 45 down\n99999999999999999999999 close\n", "line 2: expected FRAME"},
        {"0 key 45 down\n5000000000 close\n", "line 2: expected FRAME"},
        {"0 key 45 down\n\n" + huge_line + " close\n", "line 3: longer than 4096 bytes"},
        {junk, "line 2: "},
    };
    for (const auto& [text, expected] : scripts) {
        const std::string path = file("run.txt", text_bytes(text));
        const ToolResult r = run_program(ZORBY_GAME, {"--replay", path});
        EXPECT_EQ(r.status, 2) << expected << ": " << r.err.substr(0, 300);
        const std::vector<std::string> lines = lines_of(r.err);
        ASSERT_EQ(lines.size(), 1u) << expected << ": " << r.err.substr(0, 300);
        EXPECT_EQ(lines[0].rfind("zorby: " + path + ": " + expected, 0), 0u) << lines[0];
        EXPECT_LT(lines[0].size(), 300u);
    }

    const std::vector<std::pair<std::string, std::string>> maps = {
        {"2 2\n1 1\nx 1\n", "line 3: \"x\" is not a number"},
        {"2 2\n1 1\n", "line 3: the map ends after 1 of its 2 rows"},
        {"\n\n", "line 3: the map ends before its size line"},
        {"1 1\n" + huge_row + "\n", "line 2: expected 1 numbers, found 5242880"},
        {"2 1\n" + junk + "\n", "line 2: \"key\" is not a number"},
    };
    for (const auto& [text, expected] : maps) {
        const std::string path = file("map.txt", text_bytes(text));
        const ToolResult r = run_program(ZORBY_PATH_TOOL, {path, "0", "0", "1", "1", "0.5"});
        EXPECT_EQ(r.status, 2) << expected << ": " << r.err.substr(0, 300);
        const std::vector<std::string> lines = lines_of(r.err);
        ASSERT_EQ(lines.size(), 1u) << expected << ": " << r.err.substr(0, 300);
        EXPECT_EQ(lines[0].rfind("zorby-path: " + path + ": " + expected, 0), 0u) << lines[0];
        EXPECT_LT(lines[0].size(), 300u);
    }
}

// A recording's header names the data it was made with and its format: another
// data digest or a newer format is refused in one line with status 2 before any
// window opens, and played with --force; the same data plays.
TEST_F(ToolTest, RecordingsOfOtherDataOrANewerFormatAreRefusedUnlessForced) {
    const std::string game_dir = std::filesystem::path(ZORBY_GAME).parent_path().string();
    auto recording = [&](const std::string& format, const std::string& digest) {
        return file("game.replay",
                    text_bytes("recording format " + format + "\nrecording game 3.2.0\n" +
                               "recording data " + digest + "\nrecording sound 0\n" +
                               "recording volume 3\nrecording scores none\nseed 7\n3 close\n"));
    };
    const std::string own = game::data_digest(game_dir);
    struct Case {
        std::string format, digest, expected;
    };
    const std::vector<Case> refused = {
        {"1", "00000000deadbeef", "was recorded with other game data (digest 00000000deadbeef"},
        {"99", own, "is a recording of a newer format (99)"},
    };
    for (const Case& c : refused) {
        const std::string path = recording(c.format, c.digest);
        {
            testing::ScopedEnv no_video("SDL_VIDEODRIVER", "no-such-driver");
            const ToolResult r = run_program(ZORBY_GAME, {"--replay", path});
            EXPECT_EQ(r.status, 2) << r.err;
            const std::vector<std::string> lines = lines_of(r.err);
            ASSERT_EQ(lines.size(), 1u) << r.err;
            EXPECT_EQ(lines[0].rfind("zorby: " + path + " " + c.expected, 0), 0u) << lines[0];
            EXPECT_NE(lines[0].find("--force"), std::string::npos) << lines[0];
        }
        testing::ScopedEnv video("SDL_VIDEODRIVER", kWindowDriver);
        testing::ScopedEnv audio("SDL_AUDIODRIVER", "dummy");
        EXPECT_EQ(run_program(ZORBY_GAME, {"--replay", path, "--force"}).status, 0);
    }
    testing::ScopedEnv video("SDL_VIDEODRIVER", kWindowDriver);
    testing::ScopedEnv audio("SDL_AUDIODRIVER", "dummy");
    const ToolResult same = run_program(ZORBY_GAME, {"--replay", recording("1", own)});
    EXPECT_EQ(same.status, 0) << same.err;
}

// True when text is well-formed UTF-8 (no stray bytes of another encoding).
bool valid_utf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : 3;
        if (c >= 0x80 && ((c & 0xC0) == 0x80 || c >= 0xF8)) return false;
        if (more > 0 && i + more >= text.size()) return false;
        for (size_t k = 1; k <= more; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += 1 + more;
    }
    return true;
}

// On a software renderer (the offscreen driver's) the program says so once, in at
// most two lines a UTF-8 terminal shows as they are. Windows' SDL has no offscreen
// OpenGL: there the window is a real one, which the Windows tests' Wine draws with
// Mesa's software renderer on its virtual X server.
TEST_F(ToolTest, TheSoftwareRendererLineIsShortValidTextAndComesOnce) {
    testing::ScopedEnv video("SDL_VIDEODRIVER", kWindowDriver);
    testing::ScopedEnv audio("SDL_AUDIODRIVER", "dummy");
    const std::string script = file("close.txt", text_bytes("seed 1\n3 close\n"));
    const ToolResult r = run_program(ZORBY_GAME, {"--replay", script});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(valid_utf8(r.err)) << r.err;
    const size_t at = r.err.find("OpenGL Software Emulation");
    ASSERT_NE(at, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("OpenGL Software Emulation", at + 1), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("unterst\xc3\xbctzt"), std::string::npos) << r.err;
    EXPECT_LE(lines_of(r.err).size(), 2u) << r.err;
}

// The program's own options: --help names every key the README's table has (the
// full-screen keys and the pad too); an option without the one it goes with is an
// error of one line and status 2, before any window opens.
TEST_F(ToolTest, HelpListsEveryKeyAndOptionErrorsStopWithStatusTwo) {
    testing::ScopedEnv no_video("SDL_VIDEODRIVER", "no-such-driver");
    const ToolResult help = run_program(ZORBY_GAME, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"Alt+Enter", "F11", "gamepad", "d-pad", "Back held", "START"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--realtime"}, {"--scale", "0"}, {"--record"}}) {
        const ToolResult r = run_program(ZORBY_GAME, args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(lines_of(r.err).size(), 1u) << r.err;
    }
}

}  // namespace
}  // namespace zorby
