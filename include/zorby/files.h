/// @file files.h
/// @brief File channels: eight numbered channels through which a game reads and writes
/// its files, one number, text or line per command.
///
/// A channel is opened on a file either for reading an existing file or for writing a
/// new, empty one. Numbers move in fixed little-endian formats (byte 1, word 2, long 4,
/// double 8 bytes); a line is its characters followed by CR LF. Only opening reports
/// failure as a result. A channel number outside 0..7 is a mistake of the program: the
/// engine sets error 7 ("bad channel or storage failure") and ends the run; a transfer
/// that fails sets error 3 ("failed file transfer") and ends the run, its line saying
/// what happened: reading past the end, a full disk, a channel that is not open, or a
/// channel used the other way round (read while open for writing, or written while
/// open for reading). See the error model in zorby/runtime.h.
#pragma once

#include <string>
#include <string_view>

namespace zorby {

/// How open_channel opens its file.
enum class ChannelMode {
    read,   ///< an existing file, from its start
    write,  ///< a new, empty file (an existing one is emptied)
};

/// @brief Opens a channel on a file. Whatever the channel held is closed first.
/// @param channel 0 to 7.
/// @param path The file; relative names resolve against the current folder (the game's
/// data folder after start-up); '\\' counts as '/'.
/// @param mode ChannelMode::read or ChannelMode::write.
/// @return true when the channel is open; false when the file cannot be opened (the
/// channel is closed then, and no error is set).
bool open_channel(int channel, const std::string& path, ChannelMode mode);
/// @brief Closes a channel; a closed channel stays closed.
/// @param channel 0 to 7.
void close_channel(int channel);
/// @brief Whether a reading channel has given everything.
/// @param channel Any number.
/// @return true at the end of the file, and for closed channels and numbers outside 0..7.
bool end_of_channel(int channel);

/// @brief Reads one byte.
/// @param channel An open reading channel, 0 to 7.
/// @return 0 to 255.
double read_byte(int channel);
/// @brief Reads a 16-bit little-endian word.
/// @param channel An open reading channel, 0 to 7.
/// @return 0 to 65535.
double read_word(int channel);
/// @brief Reads a 32-bit little-endian whole number, unsigned.
/// @param channel An open reading channel, 0 to 7.
/// @return 0 to 4294967295 (write_long(-1) reads back as 4294967295).
double read_long(int channel);
/// @brief Reads an 8-byte little-endian IEEE double.
/// @param channel An open reading channel, 0 to 7.
/// @return The value as written by write_double.
double read_double(int channel);
/// @brief Reads count bytes as text.
/// @param channel An open reading channel, 0 to 7.
/// @param count Bytes to read; 0 or less gives "" without touching the channel. More
/// than the file still holds is error 3.
/// @return The text, cut at the first NUL byte read.
std::string read_text(int channel, int count);
/// @brief Reads the next line without its line end (CR LF or a lone LF).
/// @param channel An open reading channel, 0 to 7.
/// @return The line; a last line without a line end comes in full, a line longer than
/// 1024 bytes in pieces of 1024. Reading at the end of the file is error 3.
std::string read_line(int channel);

/// @brief Writes one byte.
/// @param channel An open writing channel, 0 to 7.
/// @param value Truncated toward zero; the low 8 bits are written.
void write_byte(int channel, double value);
/// @brief Writes a 16-bit little-endian word.
/// @param channel An open writing channel, 0 to 7.
/// @param value Truncated toward zero; the low 16 bits are written.
void write_word(int channel, double value);
/// @brief Writes a 32-bit little-endian whole number.
/// @param channel An open writing channel, 0 to 7.
/// @param value Truncated toward zero; the low 32 bits are written (NaN and infinities
/// write 0).
void write_long(int channel, double value);
/// @brief Writes an 8-byte little-endian IEEE double.
/// @param channel An open writing channel, 0 to 7.
/// @param value Any value.
void write_double(int channel, double value);
/// @brief Writes text as it is, without a line end.
/// @param channel An open writing channel, 0 to 7.
/// @param text Any bytes.
void write_text(int channel, std::string_view text);
/// @brief Writes text followed by CR LF.
/// @param channel An open writing channel, 0 to 7.
/// @param text Any bytes.
void write_line(int channel, std::string_view text);

/// @brief Replaces a file in one step: a crash or a full disk leaves either the old
/// file or the new one, never a part of either.
/// @param path The file to replace or create; its folder must exist (folders are not
/// made).
/// @param contents The new contents.
/// @param error Set to a one-line reason when the result is false ("cannot save PATH:
/// the folder F does not exist (folders are not made)", "... no file name was given",
/// or the step that failed).
/// @return true when the new contents are in place.
bool save_file_atomically(const std::string& path, std::string_view contents, std::string& error);

}  // namespace zorby
