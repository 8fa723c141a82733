// synth: the small synthesiser that makes the sounds of the demo card.
//
// About thirty short drum and tone sounds, each rendered as a complete WAV
// file (44,100 Hz, 16 bits, mono or stereo) the way a user's own sample
// would arrive. Rendering uses fixed noise seeds and no clock, so the same
// program gives the same bytes on every run; every sound is scaled so its
// loudest sample sits just under full scale, and samples are clamped, never
// wrapped, when they are turned into integers.
#pragma once

#include <cstddef>
#include <cstdint>

// Sample rate and depth of every rendered sound.
constexpr int kSynthRate = 44100;
constexpr int kSynthBits = 16;

// --- The sound table ---------------------------------------------------------

// Number of sounds the synthesiser knows.
int synthSoundCount(void);
// Returns the file name sound `index` is written under ("KickDeep.wav"), or
// null for an index out of range.
const char *synthSoundFileName(int index);
// Returns the sound's channel count (1 or 2), or 0 for an index out of range.
int synthSoundChannels(int index);
// Returns the index of the sound written as `fileName`, or -1.
int synthSoundFind(const char *fileName);

// --- Rendering ---------------------------------------------------------------------

// Renders sound `index` as a complete WAV file in a new block (owner tag
// "Synth") and stores its length in `*size`. Returns null, with `*size` 0,
// for an index out of range or when memory runs out.
uint8_t *synthRenderWave(int index, size_t *size);
// Releases a block synthRenderWave returned; null is ignored.
void synthFreeWave(uint8_t *wave);
