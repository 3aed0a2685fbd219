// The current audio share of the engine object.
#include "audio/audio_layer.h"

#include "audio/music.h"
#include "audio/sound.h"
#include "engine/current_share.h"

namespace zorby {

namespace {
constinit CurrentShare<AudioLayer> g_audio;
}  // namespace

AudioLayer::AudioLayer() = default;

AudioLayer::~AudioLayer() {
    g_audio.release(this);
}

AudioLayer& audio_layer() {
    return g_audio.get();
}

AudioLayer* audio_layer_if_any() {
    return g_audio.if_any();
}

void set_current_audio(AudioLayer* a) {
    g_audio.set(a);
}

}  // namespace zorby
