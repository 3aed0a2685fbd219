/// @file sound.h
/// @brief Sound effects: PCM WAV files in numbered slots, played with a pan and a volume.
///
/// A slot holds up to four copies of its sound so it can overlap itself; each copy
/// plays on a channel of its own. Without an audio device (none present, or
/// SDL_AUDIODRIVER=dummy) every load returns false and every play -1, and the game
/// runs on in silence. Whether a copy still plays is judged on the engine clock from
/// the sound's length, so the choices are the same in play, in tests and in replays.
#pragma once

#include <string>

namespace zorby {

/// @brief Loads a WAV file (PCM, 8 or 16 bit, mono or stereo, any rate) into a slot.
/// @param file The sound file (through the media lookup, zorby/media.h).
/// @param slot 0 to 127 (higher numbers act as 127; negative ones load nothing).
/// @param copies 1 to 4 copies that may play at once (clamped).
/// @return true when loaded; false for a missing or unplayable file, a negative slot, or
/// no audio device; last_load_error() says which (the file is checked even without a
/// device).
bool load_sound(const std::string& file, int slot, int copies = 1);
/// @brief Plays a slot on its next free copy (the oldest when all play).
/// @param slot 0 to 127.
/// @param pan -1 left, 0 centre, 1 right (clamped; NaN is error 5 and ends the run).
/// @param volume 0 silent to 1 full, on a decibel scale (0.5 is 50 dB down; clamped;
/// NaN is error 5 and ends the run).
/// @return The channel: slot * 256 + copy; -1 when nothing played (empty slot, no device).
int play_sound(int slot, double pan = 0.0, double volume = 1.0);
/// @brief Whether a channel still plays.
/// @param channel As play_sound returned it; -1 and unknown channels give false.
/// @return true while the copy behind the channel plays.
bool sound_playing(int channel);
/// @brief Stops every copy of every slot.
void stop_all_sounds();

}  // namespace zorby
