// Rendering voices into the output. See mixer.h.
#include "platform/sound/mixer.h"

#include <cstring>

int32_t mixerVolumeQ15(float volume) {
    if (!(volume > 0.0f)) return 0;
    if (volume >= 1.0f) return 32768;
    return static_cast<int32_t>(volume * 32768.0f + 0.5f);
}

int16_t mixerScale(int16_t sample, int32_t volumeQ15) {
    // Arithmetic shift of a product that always fits: |sample| <= 32768, gain <= 32768.
    return static_cast<int16_t>((static_cast<int32_t>(sample) * volumeQ15) >> 15);
}

namespace {

int16_t saturate(int32_t v) {
    if (v > 32767) return 32767;
    if (v < -32768) return -32768;
    return static_cast<int16_t>(v);
}

// Adds one voice into the 32-bit accumulator.
void renderVoice(sPcmVoice *v, int32_t *acc, uint32_t frames) {
    if (!v->playing || !v->samples || v->frames == 0 || v->channels < 1) return;
    for (uint32_t i = 0; i < frames; ++i) {
        if (v->pos >= v->frames) {
            if (!v->loop) {
                v->pos = v->frames;
                v->playing = 0;
                return;
            }
            v->pos = 0;
        }
        const int16_t *f = v->samples + static_cast<size_t>(v->pos) * static_cast<size_t>(v->channels);
        int16_t left = f[0];
        int16_t right = v->channels > 1 ? f[1] : f[0];
        acc[2 * i] += mixerScale(left, v->volumeQ15);
        acc[2 * i + 1] += mixerScale(right, v->volumeQ15);
        ++v->pos;
    }
    // A sound that ends exactly with the block has ended too.
    if (v->pos >= v->frames && !v->loop) v->playing = 0;
}

}  // namespace

void mixerRender(sPcmVoice *const *voices, int count, int16_t *out, uint32_t frames) {
    constexpr uint32_t kStep = 512;
    int32_t acc[2 * kStep];
    for (uint32_t done = 0; done < frames;) {
        uint32_t n = frames - done < kStep ? frames - done : kStep;
        std::memset(acc, 0, sizeof(int32_t) * 2 * n);
        for (int k = 0; k < count; ++k)
            if (voices[k]) renderVoice(voices[k], acc, n);
        for (uint32_t i = 0; i < 2 * n; ++i) out[2 * done + i] = saturate(acc[i]);
        done += n;
    }
}
