/// @file video.h
/// @brief Video playback inside the engine window.
#pragma once

#include <string>

namespace zorby {

/// @brief Plays a video file (MP4, WebM, Matroska, AVI or Ogg) until its end, a key
/// press or a mouse click. The picture is scaled to fit the frame keeping its shape,
/// centred on black, and shown at its time stamps; the sound track plays in step,
/// over the music. Window events are handled as in present_frame() (Escape and closing
/// the window end the run). The ending press is waited out, so the caller does not
/// see it as a new press.
/// @param file The video file (through the music lookup, zorby/media.h).
/// @param repeat true: start again at the end (until a key or click).
/// @return true when the video played; false at once (nothing shown; last_load_error()
/// and one error-log line say why) when the file cannot be found, opened or decoded. A file that
/// breaks off mid-way ends playback there and still returns true.
bool play_video(const std::string& file, bool repeat = false);

}  // namespace zorby
