// player: the preview player of the selected wave.
//
// Exactly one player exists for the selected wave (gpSelectWave, wavelist.h):
// selecting a wave makes it, selecting another or none releases it. The player
// reads the wave's audio file straight from the card of the library the
// screens show (G.currentWaveList) through the sound record layer
// (audio/sound.h). A player whose creation failed leaves the wave
// selected without a player; every operation then answers as for "no player".
//
// The loop setting outlives players: it is applied at every play, so a loop
// switched on before a wave is selected holds for the next one.
//
// What must reach the windows above (the request event 204 to the main window,
// its message boxes, its error close when the card is gone) goes through the
// hooks registered here; each is optional. Without a message-box hook the job
// runner's message box is used (the platform's box, shown from either thread).
//
// All operations run on the main thread (the import's pad assignment selects
// and deselects on the worker while the main thread only runs the progress loop).
#pragma once

#include <cstdint>

struct _sSound;
struct sWave;

// --- Hooks into the windows above ------------------------------------------------

// Callbacks registered by the main window controller; any entry may be null.
// Each gets `user` back.
struct sWavePlayerHooks {
    // Posts request event `code` with `value` to the main window's request queue
    // (204 with 1: the player stopped or went away).
    void (*postRequest)(void *user, int code, int value);
    // Shows a message box (title and text are string numbers; kind as ghostMBoxOpen)
    // in the main window and returns the button chosen.
    int (*messageBox)(void *user, int title, int text, int kind);
    // Asks the main window to close with an error (the card has gone).
    void (*errorClose)(void *user);
    void *user;
};

// Copies the hooks (null: clears them). Never fails.
void waveWavePlayerSetHooks(const sWavePlayerHooks *hooks);

// --- State ---------------------------------------------------------------------------

// The player of the selected wave, or null.
extern _sSound *gpSound;
// The loop setting (0 or 1), kept across players; initially 0.
extern int gbSoundLoop;

// --- Selection and the player's life ------------------------------------------------

// Makes `wave` (or none) the selected wave: the same wave as now changes
// nothing and returns 0; otherwise releases the old player and, for a wave,
// makes its player. Returns waveWavePlayCreate's result, 0 for none.
int waveWaveSelect(sWave *wave);
// Makes the player of the selected wave (releasing any old one). Returns 0, or
// -1 without a selected wave, when the card is gone (message 88, error close)
// or when the file cannot be played (messages 83 / 84); no player then.
int waveWavePlayCreate(void);
// Stops and releases the player, posting request 204 when there was one.
// Returns 0, or -1 without a selected wave (nothing changed).
int waveWavePlayDispose(void);
// Returns 0 when a player exists, else -1.
int waveWaveIsCreate(void);

// --- Playing ---------------------------------------------------------------------

// Plays and applies the loop setting. Returns 0, or -1 without a player.
int waveWavePlay(void);
// Stops the player and posts request 204. Does nothing without a player.
void waveWaveStop(void);
// Seeks to `fraction` (0.0 start, 1.0 end). Does nothing without a player.
void waveWaveSetPosition(float fraction);
// Returns the position as a fraction; 0.0 without a player.
float waveWaveGetPosition(void);
// Sets the volume (0.0 to 1.0). Does nothing without a player.
void waveWaveSetVolume(float volume);
// Returns the volume; 0.0 without a player.
float waveWaveGetVolume(void);
// Stores the loop setting and applies it to the player if any. Never fails.
void waveWaveSetLoop(int on);
// Returns the loop setting (with or without a player).
int waveWaveGetLoop(void);
// Returns 0 while playing; -1 when not playing or without a player.
int waveWaveGetPlaying(void);
// Returns 1 in the one pass in which playing stopped, else 0; -1 without a player.
int waveWaveGetIsEnd(void);
// Lets the player update its state; once per pass of the main loop. Does
// nothing without a player.
void waveWaveDoCalc(void);

// --- Facts of the file ---------------------------------------------------------------

// Returns the total time in milliseconds; 0 without a player.
uint64_t waveWaveGetTotTime(void);
// Returns the channels; 0 without a player.
int waveWaveGetChannels(void);
// Returns the file size in bytes; 0 without a player.
uint32_t waveWaveGetFilesize(void);
