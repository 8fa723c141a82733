// sound: the hosts' sound output for the preview player.
//
// A sound is an audio file decoded whole with libsndfile into a mixer voice;
// one SDL2 audio stream at 44100 Hz, 16-bit stereo plays every open voice. The
// stream is opened with the first sound and closed with the last, so a program
// that never previews opens no audio device. Which output SDL2 uses is its own
// choice (SDL_AUDIODRIVER: the default device for users, "disk" or "dummy" in
// tests). Every call is made on the main thread; the stream's callback runs on
// SDL's thread and the two meet only under the device lock.
#pragma once

#include "platform/ghost.h"

// Results of the table's create, beside 0 for success.
enum : int {
    SOUND_ERROR_UNREADABLE = 2,  // the file cannot be opened or decoded
    SOUND_ERROR_FORMAT = 3,      // not 44100 Hz 16-bit
    SOUND_ERROR_NO_OUTPUT = 4,   // no audio output could be opened
};

// --- The table a host installs ------------------------------------------------

// Returns the sound functions for a host's table. Never fails.
const sOsSound *soundOutputTable(void);

// --- Test support -----------------------------------------------------------------

// Returns the number of sounds open now. Changes nothing.
int soundOutputOpenCount(void);
