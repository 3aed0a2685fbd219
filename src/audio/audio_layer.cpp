// The current audio share of the engine object.
#include "audio/audio_layer.h"

#include <cstdio>
#include <cstdlib>

#include "audio/music.h"
#include "audio/sound.h"

namespace zorby {

namespace {
AudioLayer* g_audio = nullptr;
}  // namespace

AudioLayer::AudioLayer() = default;

AudioLayer::~AudioLayer() {
    if (g_audio == this) g_audio = nullptr;
}

AudioLayer& audio_layer() {
    if (!g_audio) {
        std::fputs("zorby: an engine command was called before the engine started\n", stderr);
        std::abort();
    }
    return *g_audio;
}

AudioLayer* audio_layer_if_any() {
    return g_audio;
}

void set_current_audio(AudioLayer* a) {
    g_audio = a;
}

}  // namespace zorby
