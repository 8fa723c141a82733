// mixer: plays decoded 16-bit sounds into the stereo output stream.
//
// The preview player keeps each open sound as one voice: its samples, where it
// is, whether it plays, loops, and how loud. The output callback renders all
// voices into one block; everything here is plain arithmetic on the voices, so
// the exact output bytes can be checked without any sound device.
#pragma once

#include <cstdint>

// One decoded sound and its playing state.
struct sPcmVoice {
    int16_t *samples;   // interleaved frames, `channels` samples each ("Pcm")
    uint32_t frames;    // number of frames in `samples`
    int channels;       // channels in `samples`: 1 is played on both sides, beyond 2 the first two
    uint32_t pos;       // next frame to play; equals `frames` once a non-looping sound has ended
    int playing;        // 1 while the voice adds to the output
    int loop;           // 1: at the end, start again from the first frame
    int32_t volumeQ15;  // gain, 32768 = unchanged, 0 = silent
};

// --- Volume -----------------------------------------------------------------

// Returns the gain for a volume of 0.0 to 1.0 (clamped). Never fails.
int32_t mixerVolumeQ15(float volume);
// Returns one sample scaled by the gain, as the output gets it. Never fails.
int16_t mixerScale(int16_t sample, int32_t volumeQ15);

// --- Rendering --------------------------------------------------------------

// Writes `frames` stereo frames into `out`: the sum of every playing voice
// (saturated), silence where none plays. Advances the voices; a voice that
// reaches its end stops unless it loops. Never fails.
void mixerRender(sPcmVoice *const *voices, int count, int16_t *out, uint32_t frames);
