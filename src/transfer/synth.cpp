// The demo card's synthesiser. See synth.h.
#include "transfer/synth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "foundation/mem.h"
#include "resource/le.h"

namespace {

// How a sound is made; each kind is one small recipe below.
enum class Kind { Kick, Snare, Hat, Clap, Rim, Tom, Cymbal, Cowbell, Shaker, Bass, Sub, Lead, Pluck, Bell, Chord, Blip,
                  Zap, Riser };

struct sVoice {
    const char *file;  // file name the sound is written under
    Kind kind;         // recipe
    double freq;       // Hz: the pitch, or the start of a sweep, or a filter corner
    double freq2;      // Hz: the end of a sweep, or a second pitch or ratio
    double length;     // seconds
    double decay;      // seconds for the level to fall to 1/e
    double tone;       // recipe-specific mix, 0..1 (noise against body, click, brightness)
    int channels;      // 1 or 2; the right channel gets its own noise and a slight detune
    uint32_t seed;     // noise seed, fixed so every run makes the same bytes
};

// Names stay within the 12 characters a wave name keeps, so the card shows
// them as written.
constexpr sVoice kVoices[] = {
    {"KickDeep.wav", Kind::Kick, 150, 45, 0.6, 0.45, 0.3, 1, 11},
    {"KickPunch.wav", Kind::Kick, 220, 60, 0.4, 0.22, 0.7, 1, 12},
    {"KickLong.wav", Kind::Kick, 120, 40, 1.2, 0.9, 0.2, 1, 13},
    {"SnareTight.wav", Kind::Snare, 200, 0, 0.3, 0.09, 0.7, 1, 21},
    {"SnareFat.wav", Kind::Snare, 160, 0, 0.5, 0.2, 0.6, 1, 22},
    {"SnareBrush.wav", Kind::Snare, 180, 0, 0.5, 0.25, 0.95, 1, 23},
    {"HatClosed.wav", Kind::Hat, 7000, 0, 0.15, 0.035, 0, 1, 31},
    {"HatPedal.wav", Kind::Hat, 5000, 0, 0.2, 0.06, 0, 1, 32},
    {"HatOpen.wav", Kind::Hat, 6000, 0, 0.7, 0.3, 0, 2, 33},
    {"Clap.wav", Kind::Clap, 1200, 0, 0.4, 0.12, 0, 1, 41},
    {"Snap.wav", Kind::Clap, 2500, 0, 0.2, 0.04, 0, 1, 42},
    {"Rim.wav", Kind::Rim, 1700, 0, 0.15, 0.012, 0.5, 1, 43},
    {"TomLow.wav", Kind::Tom, 90, 0, 0.6, 0.3, 0.2, 1, 51},
    {"TomMid.wav", Kind::Tom, 130, 0, 0.5, 0.25, 0.2, 1, 52},
    {"TomHigh.wav", Kind::Tom, 190, 0, 0.5, 0.2, 0.2, 1, 53},
    {"Crash.wav", Kind::Cymbal, 400, 0, 2.0, 0.9, 0.6, 2, 61},
    {"Ride.wav", Kind::Cymbal, 550, 0, 1.5, 0.7, 0.25, 2, 62},
    {"Cowbell.wav", Kind::Cowbell, 540, 800, 0.4, 0.12, 0, 1, 63},
    {"Shaker.wav", Kind::Shaker, 6000, 0, 0.25, 0.05, 0, 1, 64},
    {"BassC.wav", Kind::Bass, 65.41, 0, 0.8, 0.4, 0.7, 1, 71},
    {"BassG.wav", Kind::Bass, 98.0, 0, 0.8, 0.35, 0.5, 1, 72},
    {"SubBass.wav", Kind::Sub, 55.0, 0, 1.0, 0.6, 0, 1, 73},
    {"LeadA.wav", Kind::Lead, 440.0, 0, 0.8, 0.5, 0.6, 2, 81},
    {"LeadE.wav", Kind::Lead, 659.26, 0, 0.8, 0.5, 0.4, 2, 82},
    {"PluckC.wav", Kind::Pluck, 261.63, 0, 1.0, 0.996, 0, 1, 83},
    {"PluckG.wav", Kind::Pluck, 392.0, 0, 1.0, 0.994, 0, 1, 84},
    {"Bell.wav", Kind::Bell, 880.0, 1.4, 1.5, 0.6, 4.0, 1, 85},
    {"ChordMinor.wav", Kind::Chord, 220.0, 0, 1.5, 0.8, 0, 2, 86},
    {"BlipUp.wav", Kind::Blip, 600, 1800, 0.12, 0.05, 0, 1, 91},
    {"BlipDown.wav", Kind::Blip, 1800, 600, 0.12, 0.05, 0, 1, 92},
    {"Zap.wav", Kind::Zap, 3000, 80, 0.3, 0.12, 0, 1, 93},
    {"Riser.wav", Kind::Riser, 200, 8000, 1.0, 0, 0, 2, 94},
};
constexpr int kVoiceCount = static_cast<int>(sizeof kVoices / sizeof kVoices[0]);

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDt = 1.0 / kSynthRate;
// The loudest sample of every sound lands here (about -1 dB of full scale).
constexpr double kPeak = 0.89;
constexpr size_t kHeaderSize = 44;

// xorshift32: white noise in [-1, 1) from a fixed seed.
struct sNoise {
    uint32_t state;
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

// One-pole low-pass; the high-pass is the input minus it.
struct sOnePole {
    double a = 1, y = 0;
    explicit sOnePole(double corner) : a(1.0 - std::exp(-kTwoPi * corner * kDt)) {}
    double low(double x) { return y += a * (x - y); }
    double high(double x) { return x - low(x); }
};

double square(double phase) { return std::sin(phase) >= 0 ? 1.0 : -1.0; }
// A band-limited enough saw for short demo tones: the phase's ramp.
double saw(double phase) { return std::fmod(phase, kTwoPi) / M_PI - 1.0; }
double env(double t, double decay) { return decay > 0 ? std::exp(-t / decay) : 1.0; }

// Renders one channel of `v` into `out` (frames samples). `detune` moves
// every pitch a little for the right channel of a stereo sound.
void renderChannel(const sVoice &v, double detune, uint32_t seed, double *out, int frames) {
    sNoise noise{seed};
    double phase = 0, phase2 = 0;
    sOnePole hp(v.freq), lp(v.freq), lp2(v.freq * 8);
    const double f = v.freq * detune;
    // The plucked string: a delay line filled with noise, averaged as it loops.
    std::vector<double> string;
    if (v.kind == Kind::Pluck) {
        string.resize(static_cast<size_t>(std::lround(kSynthRate / f)));
        for (double &s : string) s = noise.next();
    }
    sOnePole snareHp(1000), clapHp(v.freq), clapLp(v.freq * 2.5), metalHp(5000), bellLp(8000);
    for (int i = 0; i < frames; ++i) {
        const double t = i * kDt;
        double x = 0;
        switch (v.kind) {
        case Kind::Kick:
        case Kind::Tom: {
            // A sine whose pitch falls quickly from freq to its resting pitch.
            double start = v.kind == Kind::Kick ? f : f * 1.6;
            double rest = v.kind == Kind::Kick ? v.freq2 * detune : f;
            double sweep = v.kind == Kind::Kick ? 0.04 : 0.1;
            double pitch = rest + (start - rest) * std::exp(-t / sweep);
            phase += kTwoPi * pitch * kDt;
            x = std::sin(phase) * env(t, v.decay) + v.tone * noise.next() * env(t, 0.003);
            break;
        }
        case Kind::Snare: {
            phase += kTwoPi * f * kDt;
            phase2 += kTwoPi * f * 1.5 * kDt;
            double body = (std::sin(phase) + 0.5 * std::sin(phase2)) * env(t, 0.06);
            double rattle = snareHp.high(noise.next()) * env(t, v.decay);
            x = (1 - v.tone) * body + v.tone * rattle;
            break;
        }
        case Kind::Hat:
        case Kind::Shaker: {
            double n = hp.high(hp.high(noise.next()));
            double attack = v.kind == Kind::Shaker ? std::min(1.0, t / 0.02) : 1.0;
            x = n * attack * env(t, v.decay);
            break;
        }
        case Kind::Clap: {
            // Three quick bursts and a tail, as hands that do not quite meet.
            double e = 0;
            for (double at : {0.0, 0.011, 0.023})
                if (t >= at) e = std::max(e, std::exp(-(t - at) / 0.004));
            if (t >= 0.03) e = std::max(e, 0.7 * std::exp(-(t - 0.03) / v.decay));
            x = clapLp.low(clapHp.high(noise.next())) * e;
            break;
        }
        case Kind::Rim:
            phase += kTwoPi * f * kDt;
            x = std::sin(phase) * env(t, v.decay) + v.tone * hp.high(noise.next()) * env(t, 0.002);
            break;
        case Kind::Cymbal: {
            // Six square waves at unrelated ratios give the metal; noise the wash.
            static constexpr double kRatios[] = {1.0, 1.342, 1.2312, 1.6532, 1.9523, 2.1523};
            double metal = 0;
            for (double r : kRatios) metal += square(kTwoPi * f * r * t);
            x = metalHp.high(metal / 6 * (1 - v.tone) + noise.next() * v.tone) * env(t, v.decay);
            break;
        }
        case Kind::Cowbell:
            x = lp.low(hp.high(0.6 * square(kTwoPi * f * t) + 0.4 * square(kTwoPi * v.freq2 * detune * t))) *
                env(t, v.decay);
            break;
        case Kind::Bass: {
            phase += kTwoPi * f * kDt;
            // The filter closes as the note dies: bright pluck, round tail.
            lp2.a = 1.0 - std::exp(-kTwoPi * f * (2 + 10 * v.tone * env(t, 0.08)) * kDt);
            x = lp2.low(saw(phase)) * env(t, v.decay);
            break;
        }
        case Kind::Sub:
            phase += kTwoPi * f * kDt;
            x = std::sin(phase) * std::min(1.0, t / 0.005) * env(t, v.decay);
            break;
        case Kind::Lead: {
            phase += kTwoPi * f * kDt;
            phase2 += kTwoPi * f * 1.005 * kDt;
            double held = t < v.length - v.decay ? 1.0 : env(t - (v.length - v.decay), v.decay / 4);
            x = lp2.low(v.tone * saw(phase) + (1 - v.tone) * square(phase2)) * std::min(1.0, t / 0.005) * held;
            break;
        }
        case Kind::Pluck: {
            size_t n = string.size(), k = static_cast<size_t>(i) % n;
            x = string[k];
            string[k] = v.decay * 0.5 * (string[k] + string[(k + 1) % n]);
            break;
        }
        case Kind::Bell: {
            // Two-operator FM: the index falls faster than the level.
            double index = v.tone * env(t, 0.3);
            x = std::sin(kTwoPi * f * t + index * std::sin(kTwoPi * f * v.freq2 * t)) * env(t, v.decay);
            x = bellLp.low(x);
            break;
        }
        case Kind::Chord: {
            // Minor triad of detuned saws with a slow swell.
            static constexpr double kTriad[] = {1.0, 1.1892, 1.4983};
            double sum = 0;
            for (double r : kTriad) sum += saw(kTwoPi * f * r * t);
            double swell = std::min(1.0, t / 0.12) * (t < v.length - v.decay ? 1.0 : env(t - (v.length - v.decay), 0.25));
            x = lp2.low(sum / 3) * swell;
            break;
        }
        case Kind::Blip:
        case Kind::Zap: {
            double pitch = v.kind == Kind::Blip ? f + (v.freq2 * detune - f) * (t / v.length)
                                                : v.freq2 * detune + (f - v.freq2 * detune) * env(t, 0.04);
            phase += kTwoPi * pitch * kDt;
            x = (v.kind == Kind::Blip ? std::sin(phase) : square(phase) * 0.5) * env(t, v.decay);
            break;
        }
        case Kind::Riser: {
            // Noise through a low-pass whose corner climbs; fades in with it.
            double corner = f * std::pow(v.freq2 / f, t / v.length);
            lp.a = 1.0 - std::exp(-kTwoPi * corner * kDt);
            x = lp.low(noise.next()) * (t / v.length);
            break;
        }
        }
        out[i] = x;
    }
    // A short fade at the end, so a sound cut at its length does not click.
    const int fade = std::min(frames, kSynthRate / 100);
    for (int i = 0; i < fade; ++i) out[frames - 1 - i] *= static_cast<double>(i) / fade;
}

void put16(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void writeHeader(uint8_t *p, int channels, uint32_t dataBytes) {
    std::memcpy(p, "RIFF", 4);
    lePut32(p + 4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    lePut32(p + 16, 16);
    put16(p + 20, 1);  // integer PCM
    put16(p + 22, static_cast<uint32_t>(channels));
    lePut32(p + 24, kSynthRate);
    lePut32(p + 28, static_cast<uint32_t>(kSynthRate * channels * kSynthBits / 8));
    put16(p + 32, static_cast<uint32_t>(channels * kSynthBits / 8));
    put16(p + 34, kSynthBits);
    std::memcpy(p + 36, "data", 4);
    lePut32(p + 40, dataBytes);
}

}  // namespace

int synthSoundCount(void) { return kVoiceCount; }

const char *synthSoundFileName(int index) {
    return index >= 0 && index < kVoiceCount ? kVoices[index].file : nullptr;
}

int synthSoundChannels(int index) { return index >= 0 && index < kVoiceCount ? kVoices[index].channels : 0; }

int synthSoundFind(const char *fileName) {
    for (int i = 0; fileName && i < kVoiceCount; ++i)
        if (std::strcmp(kVoices[i].file, fileName) == 0) return i;
    return -1;
}

uint8_t *synthRenderWave(int index, size_t *size) {
    *size = 0;
    if (index < 0 || index >= kVoiceCount) return nullptr;
    const sVoice &v = kVoices[index];
    const int frames = static_cast<int>(std::lround(v.length * kSynthRate));
    std::vector<double> channel[2];
    double peak = 0;
    for (int c = 0; c < v.channels; ++c) {
        channel[c].resize(static_cast<size_t>(frames));
        renderChannel(v, c == 0 ? 1.0 : 1.003, v.seed * 2654435761u + static_cast<uint32_t>(c) * 7919u + 1u,
                      channel[c].data(), frames);
        for (double x : channel[c]) peak = std::max(peak, std::fabs(x));
    }
    const double gain = peak > 0 ? kPeak / peak : 0;
    const uint32_t dataBytes = static_cast<uint32_t>(frames) * static_cast<uint32_t>(v.channels) * 2;
    auto *wave = static_cast<uint8_t *>(memMalloc(kHeaderSize + dataBytes, "Synth"));
    if (!wave) return nullptr;
    writeHeader(wave, v.channels, dataBytes);
    uint8_t *p = wave + kHeaderSize;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < v.channels; ++c) {
            // Clamped, not wrapped: a sample past full scale stays at full scale.
            double s = std::floor(channel[c][static_cast<size_t>(i)] * gain * 32767.0 + 0.5);
            s = std::min(32767.0, std::max(-32768.0, s));
            put16(p, static_cast<uint32_t>(static_cast<int32_t>(s)) & 0xFFFFu);
            p += 2;
        }
    *size = kHeaderSize + dataBytes;
    return wave;
}

void synthFreeWave(uint8_t *wave) {
    if (wave) memFree(wave);
}
