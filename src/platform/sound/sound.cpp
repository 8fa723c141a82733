// Preview sound through libsndfile and SDL2. See sound.h.
#include "platform/sound/sound.h"

#include <SDL.h>
#include <cstring>
#include <sndfile.h>
#include <sys/stat.h>

#include "foundation/log.h"
#include "foundation/mem.h"
#include "platform/sound/mixer.h"

namespace {

constexpr int kRate = 44100;
constexpr int kMaxVoices = 8;
// A preview holds the whole file in memory; past this it is not a drum sample.
constexpr sf_count_t kMaxSamples = sf_count_t(1) << 28;

// One open sound ("sSoundV").
struct sSoundVoice {
    sPcmVoice voice;     // what the mixer plays
    uint32_t filesize;   // bytes of the whole file
    int isEnd;           // 1 in the pass in which playing stopped
    int prevState;       // 0 none, 1 playing, 2 not playing
};

struct Output {
    SDL_AudioDeviceID device = 0;
    bool ownsSubsystem = false;
    sPcmVoice *voices[kMaxVoices] = {};
    int open = 0;
};

Output &out() {
    static Output o;
    return o;
}

void callback(void *, Uint8 *stream, int len) {
    auto frames = static_cast<uint32_t>(len) / 4;
    mixerRender(out().voices, kMaxVoices, reinterpret_cast<int16_t *>(stream), frames);
}

// Holds the device lock for a scope, so the callback never sees a half change.
class Lock {
public:
    Lock() {
        if (out().device) SDL_LockAudioDevice(out().device);
    }
    ~Lock() {
        if (out().device) SDL_UnlockAudioDevice(out().device);
    }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;
};

bool openOutput() {
    Output &o = out();
    if (o.device) return true;
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            rliDbgLog("sound: %s\n", SDL_GetError());
            return false;
        }
        o.ownsSubsystem = true;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = callback;
    // No changes allowed: SDL converts to whatever the device needs, and the
    // mixer always renders 44100 Hz 16-bit stereo.
    o.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!o.device) {
        rliDbgLog("sound: %s\n", SDL_GetError());
        if (o.ownsSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        o.ownsSubsystem = false;
        return false;
    }
    SDL_PauseAudioDevice(o.device, 0);
    return true;
}

void closeOutput() {
    Output &o = out();
    if (!o.device) return;
    SDL_CloseAudioDevice(o.device);
    o.device = 0;
    if (o.ownsSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    o.ownsSubsystem = false;
}

// Decodes the file into `v`. Returns 0 or a SOUND_ERROR_*.
int decode(const char *path, sSoundVoice *v) {
    SF_INFO info{};
    SNDFILE *f = sf_open(path, SFM_READ, &info);
    if (!f) return SOUND_ERROR_UNREADABLE;
    int result = 0;
    if (info.samplerate != kRate || (info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_16) {
        result = SOUND_ERROR_FORMAT;
    } else if (info.channels < 1 || info.frames < 0 || info.frames * info.channels > kMaxSamples) {
        result = SOUND_ERROR_UNREADABLE;
    } else {
        size_t count = static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels);
        auto *samples = static_cast<int16_t *>(memMalloc(count * sizeof(int16_t) + 1, "Pcm"));
        sf_count_t got = samples ? sf_readf_short(f, samples, info.frames) : -1;
        if (got < 0) {
            if (samples) memFree(samples);
            result = SOUND_ERROR_UNREADABLE;
        } else {
            v->voice.samples = samples;
            v->voice.frames = static_cast<uint32_t>(got);
            v->voice.channels = info.channels;
        }
    }
    sf_close(f);
    return result;
}

sSoundVoice *as(void *wave) { return static_cast<sSoundVoice *>(wave); }

void *sCreate(int *result, const char *path) {
    auto *v = static_cast<sSoundVoice *>(memCalloc(sizeof(sSoundVoice), "sSoundV"));
    int r = v ? decode(path, v) : SOUND_ERROR_UNREADABLE;
    int slot = -1;
    if (r == 0) {
        for (int i = 0; i < kMaxVoices && slot < 0; ++i)
            if (!out().voices[i]) slot = i;
        if (slot < 0 || !openOutput()) r = SOUND_ERROR_NO_OUTPUT;
    }
    if (r != 0) {
        if (v && v->voice.samples) memFree(v->voice.samples);
        if (v) memFree(v);
        if (result) *result = r;
        return nullptr;
    }
    struct stat st;
    v->filesize = stat(path, &st) == 0 ? static_cast<uint32_t>(st.st_size) : 0;
    v->voice.volumeQ15 = 32768;
    {
        Lock lock;
        out().voices[slot] = &v->voice;
    }
    ++out().open;
    if (result) *result = 0;
    return v;
}

void sDispose(void *wave) {
    sSoundVoice *v = as(wave);
    {
        Lock lock;
        for (auto &slot : out().voices)
            if (slot == &v->voice) slot = nullptr;
    }
    memFree(v->voice.samples);
    memFree(v);
    if (--out().open == 0) closeOutput();
}

void sPlay(void *wave) {
    Lock lock;
    sPcmVoice &p = as(wave)->voice;
    if (p.pos >= p.frames) p.pos = 0;  // playing an ended sound starts it again
    p.playing = 1;
}

void sStop(void *wave) {
    Lock lock;
    as(wave)->voice.playing = 0;
    as(wave)->voice.pos = 0;
}

void sPause(void *wave) {
    Lock lock;
    as(wave)->voice.playing = 0;
}

void sSetPosition(void *wave, float fraction) {
    Lock lock;
    sPcmVoice &p = as(wave)->voice;
    if (!(fraction > 0.0f)) fraction = 0.0f;
    if (fraction > 1.0f) fraction = 1.0f;
    p.pos = static_cast<uint32_t>(static_cast<double>(fraction) * p.frames);
}

float sGetPosition(void *wave) {
    Lock lock;
    const sPcmVoice &p = as(wave)->voice;
    return p.frames ? static_cast<float>(p.pos) / static_cast<float>(p.frames) : 0.0f;
}

void sSetVolume(void *wave, float volume) {
    Lock lock;
    as(wave)->voice.volumeQ15 = mixerVolumeQ15(volume);
}

float sGetVolume(void *wave) {
    Lock lock;
    return static_cast<float>(as(wave)->voice.volumeQ15) / 32768.0f;
}

void sSetLoop(void *wave, int on) {
    Lock lock;
    as(wave)->voice.loop = on ? 1 : 0;
}

int sGetLoop(void *wave) { return as(wave)->voice.loop; }

void sDoCalc(void *wave) {
    sSoundVoice *v = as(wave);
    int playing;
    {
        Lock lock;
        playing = v->voice.playing;
    }
    // The end flag is 1 for exactly the one pass that sees playing stop.
    int state = playing ? 1 : 2;
    if (state != v->prevState) {
        v->isEnd = (state == 2 && v->prevState == 1) ? 1 : 0;
        v->prevState = state;
    } else {
        v->isEnd = 0;
    }
}

int sGetPlaying(void *wave) {
    Lock lock;
    return as(wave)->voice.playing;
}

int sGetIsEnd(void *wave) { return as(wave)->isEnd; }

float sGetTime(void *wave) {
    const sPcmVoice &p = as(wave)->voice;
    float bytesPerSecond = static_cast<float>(kRate * p.channels * 2);
    float waveSize = static_cast<float>(p.frames) * static_cast<float>(p.channels * 2);
    return (waveSize * 1000.0f) / (bytesPerSecond * 1000.0f) * 1000.0f;
}

int sGetChannels(void *wave) { return as(wave)->voice.channels; }

uint32_t sGetFilesize(void *wave) { return as(wave)->filesize; }

const sOsSound kSound = {
    sCreate, sDispose,   sDoCalc,  sPlay,        sStop,        sPause,       sSetPosition, sGetPosition, sSetVolume,
    sGetVolume, sSetLoop, sGetLoop, sGetPlaying, sGetIsEnd, sGetTime, sGetChannels, sGetFilesize,
};

}  // namespace

const sOsSound *soundOutputTable(void) { return &kSound; }

int soundOutputOpenCount(void) { return out().open; }
