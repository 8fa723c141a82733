// audio: reads the header of a WAV or AIFF/AIFC file and reports its format.
//
// Samples are never read, converted or written: every audio file on the card
// is an unchanged copy of what the user imported, and this module only tells
// whether the device can play it (callers accept exactly 44100 Hz, 16 bits).
// At most the first 64 KiB of a file are loaded, and every walk over chunk
// headers stays inside the loaded bytes, so a damaged or hostile file can make
// the parse fail but never read past what was loaded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/str.h"

// Container codes of _sAudioContext::format.
enum : int32_t {
    AUDIO_FORMAT_NONE = 0,  // extension is none of .wav .aif .aiff: not parsed
    AUDIO_FORMAT_RIFF = 1,  // RIFF/WAVE
    AUDIO_FORMAT_AIFC = 2,  // AIFF-C
    AUDIO_FORMAT_AIFF = 3,  // AIFF
};

// How much of a file the reader looks at.
constexpr size_t kAudioHeaderMax = 65536;

// The header facts of one file; allocated zero-filled with owner tag "AC".
struct _sAudioContext {
    char path[kRliPathMax];   // the path as given
    char drive[kRliPathMax];  // always empty on Linux
    char dir[kRliPathMax];    // folder part, with its trailing "/"
    char fname[kRliPathMax];  // file name without extension
    char ext[kRliPathMax];    // extension with its dot, as written in the path
    uint32_t filesize;        // length of the whole file in bytes
    int32_t format;           // container code (AUDIO_FORMAT_*)
    int32_t bitRate;          // bits per second
    int32_t channels;         // number of channels
    int32_t sampleRate;       // sample frames per second
    int32_t blockAlign;       // bytes per sample frame
    int32_t bitsPerSample;    // bits per sample
    uint32_t waveSize;        // bytes of sample data
    uint64_t totTime;         // sample frames in the data (RIFF only; 0 for AIFF)
    uint32_t codec;           // RIFF: the format tag (1 integer PCM, 3 float, ...); AIFC: the
                              // compression type's four bytes big-endian ('NONE'); AIFF: 0
};

// Why the device cannot take a file (audioCheckFile).
enum : int {
    AUDIO_OK = 0,
    AUDIO_MISSING = -1,      // does not exist
    AUDIO_UNREADABLE = -2,   // cannot be opened or read (the system's reason is given)
    AUDIO_NOT_FILE = -3,     // a folder or another thing that is not a regular file
    AUDIO_EMPTY = -4,        // no bytes at all
    AUDIO_NOT_AUDIO = -5,    // not a WAV or AIFF file (by its extension or its header)
    AUDIO_NOT_PCM = -6,      // a WAV file of another sample format than integer PCM (float, ...)
    AUDIO_COMPRESSED = -7,   // an AIFF-C file other than uncompressed big-endian PCM
    AUDIO_BAD_RATE = -8,     // not 44100 Hz
    AUDIO_BAD_DEPTH = -9,    // not 16 bits per sample
};

// A bounded read position over loaded bytes. Reads past `end` return 0 and set
// `overrun`, so a parser checks once after a group of reads.
struct sBitCursor {
    const uint8_t *pos;  // next byte to read
    const uint8_t *end;  // one past the last loaded byte
    bool overrun;        // a read went past `end`
};

// --- Decoding ---------------------------------------------------------------

// Returns a new record for the file at UTF-8 `path`: format fields set for a
// known extension, all zero (format 0) for another one. Null when the file
// cannot be opened, memory runs out, or a known container's header is not
// acceptable. Reads only; the file is unchanged.
_sAudioContext *audioDecode(const char *path);
// Releases the record; null is ignored.
void audioDispose(_sAudioContext *ctx);
// Returns whether the device plays this format: 44100 Hz, 16 bits, and for an
// AIFF-C file uncompressed big-endian samples. False for null.
bool audioIsPlayable(const _sAudioContext *ctx);
// Returns AUDIO_OK when the device can play the file at UTF-8 `path`, else
// the first AUDIO_* reason found; `why` (`cap` bytes, may be null) gets the
// reason in words, the same for every caller, "" for AUDIO_OK. Reads only.
int audioCheckFile(const char *path, char *why, size_t cap);

// --- Accessors (0 or null for a null record) ----------------------------------

int32_t audioGetBitRate(const _sAudioContext *ctx);
int32_t audioGetChannels(const _sAudioContext *ctx);
int32_t audioGetSampleRate(const _sAudioContext *ctx);
int32_t audioGetBlockAlign(const _sAudioContext *ctx);
int32_t audioGetBitsPerSample(const _sAudioContext *ctx);
const char *audioGetExtPtr(const _sAudioContext *ctx);
uint32_t audioGetWaveSize(const _sAudioContext *ctx);
uint32_t audioGetFilesize(const _sAudioContext *ctx);
uint64_t audioGetTotTime(const _sAudioContext *ctx);

// --- Parsing loaded bytes -------------------------------------------------------

// Parses a header already in memory into `ctx` (format fields only) by the
// container `format` (AUDIO_FORMAT_RIFF, _AIFF; AIFC is found from the bytes).
// Returns 0, or -1 when the header is not acceptable. Used by audioDecode and
// by the fuzz target; reads only `size` bytes of `data`.
int audioParseHeader(_sAudioContext *ctx, int32_t format, const uint8_t *data, size_t size);

// --- Cursor readers ---------------------------------------------------------------

uint32_t bitGetBE16(sBitCursor *c);
uint32_t bitGetLE16(sBitCursor *c);
uint32_t bitGetBE32(sBitCursor *c);
uint32_t bitGetLE32(sBitCursor *c);
// Reads a chunk header: four tag bytes into `tag` (file order) and the
// big-endian size, which it returns (0x7FFFFFFF when the top bit is set).
uint32_t getTag(sBitCursor *c, char tag[4]);

// Decodes an 80-bit extended float (10 big-endian bytes) to a whole rate,
// truncated toward zero; 0 for not-a-number and values no int can hold.
int32_t audioExtendedToRate(const uint8_t bytes[10]);
