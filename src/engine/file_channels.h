// File channels: eight numbered channels through which the program reads and writes
// files. A channel is opened on a file for reading, or for writing a new empty file;
// numbers, raw text and text lines then move through it one command per item, in
// fixed little-endian byte formats (byte 1, word 2, long 4, double 8 bytes; a line
// is its characters followed by CR LF). Only opening reports failure as a result;
// a bad channel number (outside 0..7) ends the program with error 7 and a failed
// transfer with error 3.
#pragma once

#include <array>
#include <cstdint>

#include "engine/engine_string.h"

namespace zorby {

class FileChannels {
public:
    static constexpr int kChannels = 8;

    struct Channel {
        int fd = -1;            // -1 while closed
        bool writing = false;   // opened for writing (else for reading)
        uint64_t size = 0;      // file size when opened for reading; 0 for writing
        uint64_t position = 0;  // bytes consumed by the read commands since opening
    };

    FileChannels() = default;
    ~FileChannels();
    FileChannels(const FileChannels&) = delete;
    FileChannels& operator=(const FileChannels&) = delete;

    Channel& channel(int n) { return channels_[n]; }
    void close(int n);
    void close_all();

private:
    std::array<Channel, kChannels> channels_{};
};

// The longest line read_line returns at once; a longer line comes back in pieces.
inline constexpr int kChannelLineLimit = 1024;
// The 4 bytes write_long stores for a value: its low 32 bits after truncation toward
// zero (-1 gives 0xFFFFFFFF; NaN and infinities give 0).
uint32_t channel_long_bits(double value);

// The engine's channel table (created on first use when the engine has none yet).
FileChannels& file_channels();

// Opens channel on a file: mode != 0 reads an existing file, mode 0 writes a new,
// empty file (an existing one is emptied). '\\' in the name counts as '/', relative
// names resolve against the current directory. 1.0 when open, 0.0 when not (the
// channel is closed then). Whatever the channel held before is closed first.
double open_channel(double channel, const EngineString& name, double mode);
double close_channel(double channel);

double read_byte(double channel);
double read_word(double channel);
double read_long(double channel);
double read_double(double channel);
// Up to count characters (the text ends at the first NUL byte read); count <= 0 gives
// the empty text without touching the channel.
EngineString read_text(double channel, double count);
// The next line without its line end (CR LF or a lone LF). A last line without a
// line end is read in full; a line longer than kChannelLineLimit bytes comes back in
// pieces of that length. At the end of the file the program ends with error 3.
EngineString read_line(double channel);
double read_number_line(double channel);
// 1.0 when everything was read (also for closed channels and numbers outside 0..7).
double end_of_channel(double channel);

void write_byte(double channel, double value);
void write_word(double channel, double value);
void write_long(double channel, double value);
void write_double(double channel, double value);
void write_text(double channel, const EngineString& text);
void write_line(double channel, const EngineString& text);
void write_number_line(double channel, double value);

}  // namespace zorby
