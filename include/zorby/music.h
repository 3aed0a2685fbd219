/// @file music.h
/// @brief Background music: one piece at a time (MP3, OGG Vorbis, FLAC or WAV), repeated
/// from the beginning when it ends.
///
/// The repetition is kept on the engine clock by every frame and every wait, so the
/// test kit's virtual clock drives it as the real clock does in play.
#pragma once

#include <string>

namespace zorby {

/// @brief Stops any music and plays a file, repeating it.
/// @param file The music file (through the music lookup, zorby/media.h); a file that
/// cannot be found plays nothing and last_load_error() says so; one that cannot be
/// decoded, or no audio device, plays nothing without a word.
void play_music(const std::string& file);
/// @brief Stops the music.
void stop_music();
/// @brief Sets the music's volume.
/// @param volume 0 silent to 1 full (clamped; NaN is error 5 and ends the run); does
/// nothing else while no music plays.
void music_volume(double volume);

}  // namespace zorby
