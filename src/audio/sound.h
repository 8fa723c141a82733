// sound: one playable audio file, over the platform's sound output.
//
// A sound record wraps the platform wave object (osWave*, platform/ghost.h)
// so the players above it need not know the host. Making one tells the user
// when the file cannot be played: message 83 when it cannot be read, 84 when
// it is not 44100 Hz 16-bit, each followed by the name of what was to be
// played. No output at all (no sound device) is not told here; the caller
// learns it from soundCreateResult.
//
// Records are made and used on one thread at a time (the main thread, or the
// worker of a job while the main thread only waits for it).
#pragma once

#include <cstdint>

// Results of soundCreateResult, beside 0 for success.
enum : int {
    SOUND_RESULT_FAILED = -1,      // no output host or no memory
    SOUND_RESULT_UNREADABLE = 2,   // the file cannot be opened or decoded (message 83)
    SOUND_RESULT_FORMAT = 3,       // not 44100 Hz 16-bit (message 84)
    SOUND_RESULT_NO_OUTPUT = 4,    // no audio output could be opened
};

// One sound ("sSound").
struct _sSound {
    void *wave;  // the platform wave object
};

// Shows a message box: title is a string number, text a ready wide text, kind
// as ghostMBoxOpen; `user` as registered. Returns the button chosen.
typedef int (*soundMboxFn)(void *user, int title, const wchar_t *text, int kind);

// --- Making and releasing ---------------------------------------------------------

// Sets the message box that tells about files that cannot be played (null:
// the job runner's box, which works from either thread) and the `user` it
// gets back. Never fails.
void soundSetMessageBox(soundMboxFn mbox, void *user);
// Opens the audio file at UTF-8 `path` (null: unreadable). `name` (UTF-8) is appended to the
// message when the file cannot be played; null appends the file's own name.
// Returns the record, or null (message 83 / 84 shown where it applies,
// nothing left allocated).
_sSound *soundCreate(const char *path, const char *name = nullptr);
// Returns the result of the last soundCreate (0 or SOUND_RESULT_*). Changes nothing.
int soundCreateResult(void);
// Stops and releases the sound and frees the record. Null is ignored.
void soundDispose(_sSound *s);

// --- Playing (each does nothing, or returns 0, for null) ----------------------------

// Updates the playing and end state; once per pass of the main loop.
void soundDoCalc(_sSound *s);
void soundPlay(_sSound *s);
// Stops and rewinds.
void soundStop(_sSound *s);
void soundPause(_sSound *s);
// Position as a fraction of the whole sound, 0.0 to 1.0.
void soundSetPosition(_sSound *s, float fraction);
float soundGetPosition(_sSound *s);
// Volume 0.0 (silent) to 1.0 (as recorded).
void soundSetVolume(_sSound *s, float volume);
float soundGetVolume(_sSound *s);
void soundSetLoop(_sSound *s, int on);
int soundGetLoop(_sSound *s);
// 1 while playing, else 0.
int soundGetPlaying(_sSound *s);
// 1 in the one pass of soundDoCalc that saw playing stop, else 0.
int soundGetIsEnd(_sSound *s);

// --- Facts of the file ---------------------------------------------------------------

// Total time in milliseconds.
uint64_t soundGetTotTime(_sSound *s);
int soundGetChannels(_sSound *s);
// Bytes of the whole file.
uint32_t soundGetFilesize(_sSound *s);
