// Sound records over the platform wave object. See sound.h.
#include "audio/sound.h"

#include <atomic>
#include <cstring>
#include <string>

#include "foundation/mem.h"
#include "foundation/str.h"
#include "platform/ghost.h"
#include "platform/job.h"
#include "resource/dnastr.h"

namespace {

std::atomic<soundMboxFn> gMbox{nullptr};
std::atomic<void *> gMboxUser{nullptr};
std::atomic<int> gLastResult{0};

// The last part of a path, for the message.
const char *baseName(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// Message 83 or 84 with "\n\n" and `name` appended.
void tellRefusal(int text, const char *name) {
    std::wstring message = dnaStrGetPtr(text);
    message += L"\n\n";
    std::wstring wide(std::strlen(name) + 1, L'\0');
    if (utf8towchar(wide.data(), wide.size(), name) > 0) message += wide.c_str();
    soundMboxFn mbox = gMbox.load();
    if (mbox) mbox(gMboxUser.load(), DNASTR_TITLE_ERROR, message.c_str(), MBOX_KIND_OK);
    else editProgressBarMboxOpenMsg(DNASTR_TITLE_ERROR, message.c_str(), MBOX_KIND_OK);
}

}  // namespace

void soundSetMessageBox(soundMboxFn mbox, void *user) {
    gMboxUser.store(user);
    gMbox.store(mbox);
}

_sSound *soundCreate(const char *path, const char *name) {
    if (!path) {
        gLastResult.store(SOUND_RESULT_UNREADABLE);
        tellRefusal(DNASTR_ERR_WAVE_UNREADABLE, name ? name : "");
        return nullptr;
    }
    auto *s = static_cast<_sSound *>(memCalloc(sizeof(_sSound), "sSound"));
    if (!s) {
        gLastResult.store(SOUND_RESULT_FAILED);
        return nullptr;
    }
    int result = SOUND_RESULT_FAILED;
    s->wave = osWaveCreate(&result, path);
    if (s->wave && result != 0) {
        // A host must not hand back an object with a refusal; never keep one.
        osWaveDispose(s->wave);
        s->wave = nullptr;
    }
    if (!s->wave && result == 0) result = SOUND_RESULT_FAILED;
    gLastResult.store(result);
    if (result == 0) return s;
    memFree(s);
    if (result == SOUND_RESULT_UNREADABLE) tellRefusal(DNASTR_ERR_WAVE_UNREADABLE, name ? name : baseName(path));
    else if (result == SOUND_RESULT_FORMAT) tellRefusal(DNASTR_ERR_WAVE_FORMAT, name ? name : baseName(path));
    return nullptr;
}

int soundCreateResult(void) { return gLastResult.load(); }

void soundDispose(_sSound *s) {
    if (!s) return;
    // Stopped first, so the output never plays from a voice being released.
    osWaveStop(s->wave);
    osWaveDispose(s->wave);
    memFree(s);
}

// --- Forwarders -------------------------------------------------------------------

namespace {
void *handle(_sSound *s) { return s ? s->wave : nullptr; }
}  // namespace

void soundDoCalc(_sSound *s) { osWaveDoCalc(handle(s)); }
void soundPlay(_sSound *s) { osWavePlay(handle(s)); }
void soundStop(_sSound *s) { osWaveStop(handle(s)); }
void soundPause(_sSound *s) { osWavePause(handle(s)); }
void soundSetPosition(_sSound *s, float fraction) { osWaveSetPosition(handle(s), fraction); }
float soundGetPosition(_sSound *s) { return osWaveGetPosition(handle(s)); }
void soundSetVolume(_sSound *s, float volume) { osWaveSetVolume(handle(s), volume); }
float soundGetVolume(_sSound *s) { return osWaveGetVolume(handle(s)); }
void soundSetLoop(_sSound *s, int on) { osWaveSetLoop(handle(s), on); }
int soundGetLoop(_sSound *s) { return osWaveGetLoop(handle(s)); }
int soundGetPlaying(_sSound *s) { return osWaveGetPlaying(handle(s)); }
int soundGetIsEnd(_sSound *s) { return osWaveGetIsEnd(handle(s)); }

uint64_t soundGetTotTime(_sSound *s) {
    float ms = osWaveGetTime(handle(s));
    return ms > 0.0f ? static_cast<uint64_t>(ms) : 0;
}

int soundGetChannels(_sSound *s) { return static_cast<int16_t>(osWaveGetChannels(handle(s))); }
uint32_t soundGetFilesize(_sSound *s) { return osWaveGetFilesize(handle(s)); }
