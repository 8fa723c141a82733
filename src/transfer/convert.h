// convert: turns an audio file the device cannot play into one it can, a
// canonical 44100 Hz 16-bit PCM WAV file.
//
// The device plays only 44100 Hz 16-bit PCM in a WAV or AIFF file, but what
// users hold is 48 kHz or 24-bit WAV, extensible WAV, FLAC, Ogg and the like.
// A source is decoded with libsndfile (whatever it reads), resampled with
// libsoxr at its very-high quality when its rate differs, mixed down to stereo
// when it has more than two channels, and reduced to 16 bits with TPDF
// dither. Samples that are already 16-bit (or 8-bit) integers at 44100 Hz are
// carried over exactly, with no dither, so a file whose only fault is its
// header keeps its sample data. A peak that would pass full scale is never
// wrapped or clipped: the whole file is lowered by the smallest gain that
// keeps it inside, and the result says by how much.
//
// The length of the result is known before anything is written (the rate
// ratio applied to the source's frames, rounded to the nearest frame), so a
// caller can check the room on the card first. The file is written under a
// temporary name beside its target and renamed into place without replacing
// anything; it is synced before the rename unless a sync batch is open (see
// foundation/file.h), and nothing is left behind on failure.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "foundation/copy.h"

// What a source needs (sConvertInfo::kind).
enum : int32_t {
    CONVERT_COPY = 0,      // the device plays it as it is: copy it unchanged
    CONVERT_REWRAP = 1,    // 44100 Hz 16-bit (or 8-bit) samples in another header: carried over exactly
    CONVERT_DITHER = 2,    // 44100 Hz, finer samples or more than two channels: reduced to 16 bits
    CONVERT_RESAMPLE = 3,  // another rate: resampled to 44100 Hz, then reduced to 16 bits
};

// Results of the functions below.
enum : int {
    CONVERT_OK = 0,
    CONVERT_UNREADABLE = -1,    // missing, not a regular file, or not audio libsndfile reads
    CONVERT_EMPTY = -2,         // holds no sample frames
    CONVERT_TOO_LONG = -3,      // the converted file would pass the 4 GiB a WAV file can hold
    CONVERT_READ_FAILED = -4,   // the source failed or changed while it was read
    CONVERT_WRITE_FAILED = -5,  // the target could not be written (a full or pulled card)
    CONVERT_EXISTS = -6,        // something already has the target's name
    CONVERT_CANCELLED = -7,     // the cancel flag was raised
};

// The bytes of a canonical header: RIFF, a 16-byte "fmt " chunk, the "data" header.
constexpr size_t kConvertHeaderSize = 44;
// The rate the device plays.
constexpr int32_t kConvertRate = 44100;

// What a source is and what converting it gives.
struct sConvertInfo {
    int32_t kind;            // CONVERT_COPY ... CONVERT_RESAMPLE
    char container[8];       // the source's container: "WAV", "AIFF", "FLAC", "OGG", "MP3", ... ("other")
    char encoding[12];       // its sample encoding: "PCM", "float", "Vorbis", "Opus", "MPEG", ... ("other")
    int32_t sourceBits;      // bits per sample of PCM and float sources; 0 for coded ones
    int32_t sourceRate;      // sample frames per second of the source
    int32_t sourceChannels;  // channels of the source
    uint64_t sourceFrames;   // sample frames of the source
    bool mixed;              // more than two channels are mixed down to stereo
    bool channelMap;         // the mix-down follows the file's own channel map (else the default matrix)
    int32_t channels;        // channels of the result: 1 or 2
    uint64_t frames;         // sample frames of the result
    uint64_t size;           // bytes of the result; for CONVERT_COPY the source's own length
};

// What a conversion did.
struct sConvertResult {
    sConvertInfo info;  // the source as it was converted
    double gainDb;      // gain applied so no peak passes full scale: 0, or below 0 (dB)
};

// --- Looking at a source ----------------------------------------------------

// Fills `info` for the file at `path` (a UTF-8 byte path). Returns CONVERT_OK,
// or CONVERT_UNREADABLE, _EMPTY or _TOO_LONG with `info` zeroed. Reads only.
int convertProbe(const char *path, sConvertInfo *info);
// Returns the short words the report uses for a kind: "copied", "rewrapped",
// "dithered", "resampled" ("" for an unknown kind). Never fails.
const char *convertKindName(int32_t kind);

// --- Converting ---------------------------------------------------------------

// Writes the canonical WAV file of `src` at `dst`, which must not exist yet,
// calling `progress` (may be null) with the share done, and stopping when
// `cancel` (may be null) becomes non-zero. A source the device plays as it is
// is carried over exactly like a rewrap. Returns CONVERT_OK with `result`
// (may be null) filled in, or a negative CONVERT_* code with nothing created
// at `dst` and no temporary file left.
int convertToFile(const char *src, const char *dst, rliCopyProgressFn progress, const std::atomic<int32_t> *cancel,
                  sConvertResult *result);

// --- The canonical format --------------------------------------------------------

// Writes into `out` the canonical header of a 44100 Hz 16-bit PCM WAV file of
// `frames` frames of `channels` channels. Returns 0, or -1 (nothing written)
// when the channels are not 1 or 2 or the data would not fit a WAV file.
int convertCanonicalHeader(uint8_t out[kConvertHeaderSize], int32_t channels, uint64_t frames);
