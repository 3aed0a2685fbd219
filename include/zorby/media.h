/// @file media.h
/// @brief Packed media: a game's pictures, fonts and sounds may ship loose or packed
/// into one archive; every command that opens a media file looks here.
///
/// A file present under its name is used as it is. Otherwise the name's last part is
/// looked up (without regard to ASCII case) in the media archive (music and video in
/// the music archive), and the member is unpacked into a folder private to the
/// process, removed again when the engine stops. Archives are read as untrusted
/// input: a damaged one makes the lookup fail, never the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorby {

/// @brief Names the archives the lookups search.
/// @param media_archive Archive for pictures, fonts and sounds ("" for none).
/// @param music_archive Archive for music and videos ("" for none).
/// Relative names resolve against the current folder (the data folder after start-up).
void set_archive_names(const std::string& media_archive, const std::string& music_archive);

/// @brief Why the last load that failed did, in one line for the game's programmer:
/// "COMMAND: FILE: reason", such as "load_sprite: ball.png: damaged PNG data (IDAT:
/// incorrect data check)" or "load_sound: beep.wav: no such file in the current folder
/// or the media archive". Loads print nothing on their own: this is where a game
/// learns the reason.
/// @return The reason the last of load_sprite, load_background, fade_to_background,
/// load_font, load_sound, play_music and play_video gave; "" after one that succeeded
/// (play_music: after one whose file was found).
std::string last_load_error();

/// @brief Finds a media file as the loading commands do.
/// @param name A file name or path.
/// @return A path that can be opened (the name itself, or a member unpacked from the
/// media archive, valid until the next lookup); "" when there is no such file.
std::string find_media_file(const std::string& name);

/// One file to pack into an archive.
struct MediaMember {
    std::string name;           ///< the file name it is found under, without a folder
                                ///< (1 to 255 bytes, unique without regard to case)
    std::vector<uint8_t> data;  ///< its bytes (up to 256 MiB)
};

/// @brief Packs files into a media archive that set_archive_names can name.
/// @param path The archive to write (replaced in one step).
/// @param members The files, in the order they are stored.
/// @param error Set to a one-line reason when the result is false.
/// @return true when the archive was written; false (nothing written, error says why)
/// for an empty list, a name that is empty, too long, repeated or holds a folder ('/'
/// or '\\'), a member too large, or a file that cannot be written.
bool write_media_archive(const std::string& path, const std::vector<MediaMember>& members,
                         std::string& error);

}  // namespace zorby
