// Video playback: plays a video file inside the engine window, its picture scaled to
// fit the frame (keeping its shape, centred on black) and shown at its time stamps
// on the engine clock, its sound track through the audio device in step with the
// picture, mixed over the music. The decoding sits in src/video.
#pragma once

#include "engine/engine_string.h"

namespace zorby {

// Plays the file (through the music lookup) until its end, or until a key is pressed
// or a mouse button clicked; with repeat != 0 the video starts over at its end. The
// ending press is waited out, so the caller does not see it as a new press. While it
// plays, window events are handled as in frame presentation (closing the window and
// Escape end the program, losing the focus pauses). Returns 1 when the video played,
// 0 at once (nothing shown, one error-log line) when the file cannot be found,
// opened or decoded. A file that breaks off mid-way ends playback there.
double play_video(const EngineString& file, double repeat);

// What one playback did (benchmarks and tests).
struct VideoPlaybackStats {
    int pictures_shown = 0;
    int pictures_dropped = 0;  // late: their time had passed entirely
    int frames_presented = 0;
};
double play_video(const EngineString& file, double repeat, VideoPlaybackStats* stats);

}  // namespace zorby
