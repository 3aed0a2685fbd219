// File channels: the channel table and the read and write commands.
#include "engine/file_channels.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "engine/engine_core.h"
#include "platform/portable/file_io.h"

namespace zorby {

namespace {

constexpr int kLineChunk = 64;
constexpr int kLineLimit = kChannelLineLimit;

[[noreturn]] void stop(int code, const std::string& what) {
    set_error(code, what);
    request_program_end();
}

// The channel number, or the program ends with 7. The range test is made before
// truncation, so 7.9 is channel 7 and -0.5 is refused.
int checked_channel(double channel) {
    if (!(channel >= 0 && channel < FileChannels::kChannels)) {
        char what[64];
        std::snprintf(what, sizeof what, "bad file channel %g", channel);
        stop(7, what);
    }
    return static_cast<int>(channel);
}

[[noreturn]] void transfer_failed(int channel, const char* what) {
    char text[96];
    std::snprintf(text, sizeof text, "%s on file channel %d", what, channel);
    stop(3, text);
}

// A read or write on a channel that is closed or open the other way ends the program
// with error 3, saying so (rather than blaming the end of the file or the disk).
void check_direction(int channel, const FileChannels::Channel& c, bool writing) {
    char text[96];
    if (c.fd < 0) {
        std::snprintf(text, sizeof text, "file channel %d is not open", channel);
    } else if (c.writing != writing) {
        std::snprintf(text, sizeof text, "file channel %d is open for %s: it cannot be %s", channel,
                      c.writing ? "writing" : "reading", writing ? "written" : "read");
    } else {
        return;
    }
    stop(3, text);
}

// Reads until n bytes arrived or the file ends; returns the bytes read.
size_t read_full(int fd, void* out, size_t n) {
    size_t got = 0;
    platform::read_all(fd, out, n, got);
    return got;
}

// Reads one item of n bytes (little-endian) for the number reads.
uint64_t read_item(double channel, size_t n) {
    const int ch = checked_channel(channel);
    FileChannels::Channel& c = file_channels().channel(ch);
    check_direction(ch, c, false);
    c.position += n;
    uint8_t bytes[8] = {};
    if (c.fd < 0 || read_full(c.fd, bytes, n) != n) transfer_failed(ch, "read past the end");
    uint64_t value = 0;
    for (size_t i = n; i-- > 0;) value = (value << 8) | bytes[i];
    return value;
}

void write_bytes(double channel, const void* data, size_t n) {
    const int ch = checked_channel(channel);
    const FileChannels::Channel& c = file_channels().channel(ch);
    check_direction(ch, c, true);
    if (!platform::write_all(c.fd, data, n)) transfer_failed(ch, "write failed");
}

void write_item(double channel, uint64_t value, size_t n) {
    uint8_t bytes[8];
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    write_bytes(channel, bytes, n);
}

}  // namespace

uint32_t channel_long_bits(double value) {
    const double t = std::trunc(value);
    if (!std::isfinite(t)) return 0;
    double m = std::fmod(t, 4294967296.0);
    if (m < 0) m += 4294967296.0;
    return static_cast<uint32_t>(m);
}

// ---- the channel table ----

FileChannels::~FileChannels() {
    close_all();
}

void FileChannels::close(int n) {
    Channel& c = channels_[n];
    platform::close_file(c.fd);
    c = Channel{};
}

void FileChannels::close_all() {
    for (int n = 0; n < kChannels; ++n) close(n);
}

FileChannels& file_channels() {
    EngineCore& e = engine_core();
    if (!e.channels) e.channels = std::make_unique<FileChannels>();
    return *e.channels;
}

// ---- opening and closing ----

double open_channel(double channel, const EngineString& name, double mode) {
    const int ch = checked_channel(channel);
    FileChannels& table = file_channels();
    table.close(ch);
    std::string path = name.str();
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path.empty()) return 0.0;
    // Writing always starts an empty file; another channel (or a cooperating program)
    // holding the file makes the open fail.
    const int fd = platform::open_held_file(path, mode == 0);
    if (fd < 0) return 0.0;
    FileChannels::Channel& c = table.channel(ch);
    c.fd = fd;
    c.writing = mode == 0;
    c.position = 0;
    c.size = 0;
    if (mode != 0) {
        uint64_t size = 0;
        if (platform::file_size(fd, size)) c.size = size;
    }
    return 1.0;
}

double close_channel(double channel) {
    file_channels().close(checked_channel(channel));
    return 0.0;
}

double end_of_channel(double channel) {
    if (!(channel >= 0 && channel < FileChannels::kChannels)) return 1.0;
    const FileChannels::Channel& c = file_channels().channel(static_cast<int>(channel));
    return c.position >= c.size ? 1.0 : 0.0;
}

// ---- reading ----

double read_byte(double channel) {
    return static_cast<double>(read_item(channel, 1));
}
double read_word(double channel) {
    return static_cast<double>(read_item(channel, 2));
}
double read_long(double channel) {
    return static_cast<double>(read_item(channel, 4));
}

double read_double(double channel) {
    const uint64_t bits = read_item(channel, 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

EngineString read_text(double channel, double count) {
    EngineString r;
    if (!(count > 0)) return r;
    const int ch = checked_channel(channel);
    FileChannels::Channel& c = file_channels().channel(ch);
    check_direction(ch, c, false);
    const uint64_t n = count >= 2147483647.0 ? 2147483647u : static_cast<uint64_t>(count);
    c.position += n;
    // A count beyond what the file still holds fails before any storage is taken.
    const int64_t at = platform::file_position(c.fd);
    uint64_t size = 0;
    if (at < 0 || !platform::file_size(c.fd, size) || size - static_cast<uint64_t>(at) < n) {
        transfer_failed(ch, "read past the end");
    }
    char* out = r.writable_buffer(static_cast<uint32_t>(n) + 1);
    std::memset(out, 0, n + 1);
    if (read_full(c.fd, out, n) != n) transfer_failed(ch, "read past the end");
    r.recount_length();
    return r;
}

EngineString read_line(double channel) {
    const int ch = checked_channel(channel);
    FileChannels::Channel& c = file_channels().channel(ch);
    check_direction(ch, c, false);
    EngineString r;
    char* out = r.writable_buffer(kLineLimit);
    std::memset(out, 0, kLineLimit + 1);
    int total = 0;
    while (total < kLineLimit) {
        const int ask = std::min(kLineChunk, kLineLimit - total);
        const int got = c.fd >= 0 ? static_cast<int>(read_full(c.fd, out + total, ask)) : 0;
        c.position += static_cast<uint64_t>(got);
        if (got == 0) transfer_failed(ch, "read past the end");
        // At the end of the file a line end is supplied, so a last line without one
        // still counts as a line.
        if (got < ask) out[total + got] = '\n';
        const int end = total + std::min(got + 1, ask);
        char* lf = static_cast<char*>(std::memchr(out + total, '\n', end - total));
        if (lf != nullptr) {
            const int at = static_cast<int>(lf - out);
            const int behind = std::max(total + got - (at + 1), 0);
            if (behind > 0) {
                platform::move_file_position(c.fd, -static_cast<int64_t>(behind));
                c.position -= static_cast<uint64_t>(behind);
            }
            *lf = '\0';
            // The CR of a CR LF pair goes too, also when a chunk boundary split the pair.
            if (at > 0 && out[at - 1] == '\r') out[at - 1] = '\0';
            break;
        }
        total += got;
    }
    r.recount_length();
    return r;
}

double read_number_line(double channel) {
    return to_number(read_line(channel));
}

// ---- writing ----

void write_byte(double channel, double value) {
    write_item(channel, channel_long_bits(value) & 0xFF, 1);
}
void write_word(double channel, double value) {
    write_item(channel, channel_long_bits(value) & 0xFFFF, 2);
}
void write_long(double channel, double value) {
    write_item(channel, channel_long_bits(value), 4);
}

void write_double(double channel, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    write_item(channel, bits, 8);
}

void write_text(double channel, const EngineString& text) {
    write_bytes(channel, text.text(), static_cast<size_t>(text.length()));
}

void write_line(double channel, const EngineString& text) {
    std::string line(text.view());
    line += "\r\n";
    write_bytes(channel, line.data(), line.size());
}

void write_number_line(double channel, double value) {
    write_line(channel, from_number(value));
}

}  // namespace zorby
