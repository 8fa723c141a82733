// The preview player of the selected wave. See player.h.
#include "wavelib/player.h"

#include <cstring>
#include <string>

#include "audio/sound.h"
#include "foundation/global.h"
#include "foundation/str.h"
#include "platform/job.h"
#include "resource/dnastr_ids.h"
#include "wavelib/card.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

_sSound *gpSound = nullptr;
int gbSoundLoop = 0;

namespace {

// The main window's request telling the player panel that playing stopped.
constexpr int kRequestPlayerStopped = 204;

sWavePlayerHooks gHooks{};

std::string field(const char *bytes, size_t length) { return std::string(bytes, strnlen(bytes, length)); }

void postStopped() {
    if (gHooks.postRequest) gHooks.postRequest(gHooks.user, kRequestPlayerStopped, 1);
}

// The card of the selected wave: that of the library the screens show.
const sCard *selectedCard() { return G.currentWaveList ? G.currentWaveList->card : nullptr; }

// Stops and releases the player; 1 when there was one.
int releasePlayer() {
    if (!gpSound) return 0;
    _sSound *s = gpSound;
    gpSound = nullptr;
    soundDispose(s);
    postStopped();
    return 1;
}

// Whether the card's device folder is still where the library was read from.
bool deviceFolderExists() {
    char path[kRliPathMax];
    return cardPath(selectedCard(), path, sizeof path, cSTORAGE_DIR_DEVICE) == 0 && rliStorageExist(path) == 0;
}

// The card is gone: tell the user and ask the main window to close.
void cardGone() {
    if (gHooks.messageBox) gHooks.messageBox(gHooks.user, DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, MBOX_KIND_OK);
    else editProgressBarMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, MBOX_KIND_OK);
    if (gHooks.errorClose) gHooks.errorClose(gHooks.user);
}

// Writes the full path of the wave's audio file. Returns 0, or -1 when it
// does not fit or the stored name would lead out of its data folder.
int audioPath(char *out, size_t cap, const sWave *wave) {
    std::string folder = field(wave->dataFolder, kWaveDataFolderLen);
    std::string file = strSjisToUtf8(field(wave->fileName, kWaveFileNameLen));
    if (folder.empty() || file.empty() || file == "." || file == ".." || folder.find('/') != std::string::npos ||
        file.find('/') != std::string::npos || folder == "." || folder == "..")
        return -1;
    std::string relative = std::string(cSTORAGE_DIR_WAVE_DATA) + folder + "/" + file;
    return cardPath(selectedCard(), out, cap, relative.c_str());
}

}  // namespace

void waveWavePlayerSetHooks(const sWavePlayerHooks *hooks) { gHooks = hooks ? *hooks : sWavePlayerHooks{}; }

// --- Selection and the player's life ------------------------------------------------

int waveWaveSelect(sWave *wave) {
    if (wave == gpSelectWave) {
        // The library clears the selection itself when it disposes of the
        // selected wave; the player made for it must not outlive it.
        if (!wave) releasePlayer();
        return 0;
    }
    waveWavePlayDispose();
    gpSelectWave = wave;
    return wave ? waveWavePlayCreate() : 0;
}

int waveWavePlayCreate(void) {
    if (!gpSelectWave) return -1;
    releasePlayer();
    if (!deviceFolderExists()) {
        cardGone();
        return -1;
    }
    char path[kRliPathMax];
    std::string name = strSjisToUtf8(field(gpSelectWave->name, kWaveNameLen));
    if (audioPath(path, sizeof path, gpSelectWave) != 0) {
        // Passed through soundCreate so the user hears of it as of any unreadable file.
        soundCreate(nullptr, name.c_str());
        return -1;
    }
    gpSound = soundCreate(path, name.c_str());
    return gpSound ? 0 : -1;
}

int waveWavePlayDispose(void) {
    // A player left behind by a selection cleared elsewhere goes too.
    releasePlayer();
    return gpSelectWave ? 0 : -1;
}

int waveWaveIsCreate(void) { return gpSound ? 0 : -1; }

// --- Playing ---------------------------------------------------------------------

int waveWavePlay(void) {
    if (!gpSound) return -1;
    // Loop first: a short sound must not end before it learns that it loops.
    soundSetLoop(gpSound, gbSoundLoop);
    soundPlay(gpSound);
    return 0;
}

void waveWaveStop(void) {
    if (!gpSound) return;
    soundStop(gpSound);
    postStopped();
}

void waveWaveSetPosition(float fraction) { soundSetPosition(gpSound, fraction); }
float waveWaveGetPosition(void) { return soundGetPosition(gpSound); }
void waveWaveSetVolume(float volume) { soundSetVolume(gpSound, volume); }
float waveWaveGetVolume(void) { return soundGetVolume(gpSound); }

void waveWaveSetLoop(int on) {
    gbSoundLoop = on ? 1 : 0;
    soundSetLoop(gpSound, gbSoundLoop);
}

int waveWaveGetLoop(void) { return gbSoundLoop; }
int waveWaveGetPlaying(void) { return gpSound && soundGetPlaying(gpSound) ? 0 : -1; }
int waveWaveGetIsEnd(void) { return gpSound ? soundGetIsEnd(gpSound) : -1; }
void waveWaveDoCalc(void) { soundDoCalc(gpSound); }

// --- Facts of the file ---------------------------------------------------------------

uint64_t waveWaveGetTotTime(void) { return soundGetTotTime(gpSound); }
int waveWaveGetChannels(void) { return soundGetChannels(gpSound); }
uint32_t waveWaveGetFilesize(void) { return soundGetFilesize(gpSound); }
