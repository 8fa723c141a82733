// Conversion to the device's format. See convert.h.
#include "transfer/convert.h"

#include <fcntl.h>
#include <sndfile.h>
#include <soxr.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/audio.h"
#include "foundation/copy.h"
#include "foundation/fault.h"
#include "foundation/file.h"
#include "foundation/str.h"

namespace {

// Frames decoded per step: large enough that the per-call costs of the
// decoder and the resampler vanish, small enough to stay in the cache.
constexpr sf_count_t kBlock = 1 << 14;
// A source this long cannot become a WAV file anyway; the bound keeps the
// length arithmetic inside 64 bits.
constexpr uint64_t kMaxSourceFrames = uint64_t{1} << 40;
constexpr uint64_t kMaxData = 0xFFFFFFFFull - kConvertHeaderSize;

// --- Names of what libsndfile found -------------------------------------------------

struct Name {
    int code;
    const char *name;
};

constexpr std::array kContainers{
    Name{SF_FORMAT_WAV, "WAV"},   Name{SF_FORMAT_WAVEX, "WAV"}, Name{SF_FORMAT_RF64, "RF64"},
    Name{SF_FORMAT_W64, "W64"},   Name{SF_FORMAT_AIFF, "AIFF"}, Name{SF_FORMAT_CAF, "CAF"},
    Name{SF_FORMAT_FLAC, "FLAC"}, Name{SF_FORMAT_OGG, "OGG"},   Name{SF_FORMAT_MPEG, "MP3"},
    Name{SF_FORMAT_AU, "AU"},
};

struct Encoding {
    int code;
    const char *name;
    int bits;    // 0 for coded encodings
    bool exact;  // every sample is a 16-bit integer already (8-bit ones scale exactly)
};

constexpr std::array kEncodings{
    Encoding{SF_FORMAT_PCM_S8, "PCM", 8, true},     Encoding{SF_FORMAT_PCM_U8, "PCM", 8, true},
    Encoding{SF_FORMAT_PCM_16, "PCM", 16, true},    Encoding{SF_FORMAT_PCM_24, "PCM", 24, false},
    Encoding{SF_FORMAT_PCM_32, "PCM", 32, false},   Encoding{SF_FORMAT_FLOAT, "float", 32, false},
    Encoding{SF_FORMAT_DOUBLE, "float", 64, false}, Encoding{SF_FORMAT_VORBIS, "Vorbis", 0, false},
    Encoding{SF_FORMAT_OPUS, "Opus", 0, false},     Encoding{SF_FORMAT_MPEG_LAYER_III, "MPEG", 0, false},
    Encoding{SF_FORMAT_ULAW, "u-law", 0, false},    Encoding{SF_FORMAT_ALAW, "A-law", 0, false},
    Encoding{SF_FORMAT_ALAC_16, "ALAC", 16, true},  Encoding{SF_FORMAT_ALAC_24, "ALAC", 24, false},
};

// --- Mixing more than two channels down to stereo -------------------------------------

constexpr float kSide = 0.70710678f;  // -3 dB: a centre or surround channel shared out

// How much of a channel at position `pos` (SF_CHANNEL_MAP_*) goes left and right.
// The low-frequency channel is left out: the pad's speaker is full range.
std::array<float, 2> gainsFor(int pos) {
    switch (pos) {
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT: return {1.0f, 0.0f};
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT: return {0.0f, 1.0f};
    case SF_CHANNEL_MAP_REAR_LEFT:
    case SF_CHANNEL_MAP_SIDE_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
    case SF_CHANNEL_MAP_TOP_REAR_LEFT: return {kSide, 0.0f};
    case SF_CHANNEL_MAP_REAR_RIGHT:
    case SF_CHANNEL_MAP_SIDE_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT: return {0.0f, kSide};
    case SF_CHANNEL_MAP_LFE:
    case SF_CHANNEL_MAP_AMBISONIC_B_X:
    case SF_CHANNEL_MAP_AMBISONIC_B_Y:
    case SF_CHANNEL_MAP_AMBISONIC_B_Z: return {0.0f, 0.0f};
    default: return {kSide, kSide};  // centres, mono, and positions nobody named
    }
}

// Where a file without a channel map keeps its channels: the common order of
// WAV and FLAC files, and the different one Ogg files use, for 3 to 8
// channels. Wider files alternate left and right.
constexpr int FL = SF_CHANNEL_MAP_FRONT_LEFT, FR = SF_CHANNEL_MAP_FRONT_RIGHT, FC = SF_CHANNEL_MAP_FRONT_CENTER,
              LF = SF_CHANNEL_MAP_LFE, BL = SF_CHANNEL_MAP_REAR_LEFT, BR = SF_CHANNEL_MAP_REAR_RIGHT,
              BC = SF_CHANNEL_MAP_REAR_CENTER, SL = SF_CHANNEL_MAP_SIDE_LEFT, SR = SF_CHANNEL_MAP_SIDE_RIGHT;
constexpr int kWavOrder[9][8] = {
    {}, {}, {},
    {FL, FR, FC},
    {FL, FR, BL, BR},
    {FL, FR, FC, BL, BR},
    {FL, FR, FC, LF, BL, BR},
    {FL, FR, FC, LF, BC, SL, SR},
    {FL, FR, FC, LF, BL, BR, SL, SR},
};
constexpr int kOggOrder[9][8] = {
    {}, {}, {},
    {FL, FC, FR},
    {FL, FR, BL, BR},
    {FL, FC, FR, BL, BR},
    {FL, FC, FR, BL, BR, LF},
    {FL, FC, FR, SL, SR, BC, LF},
    {FL, FC, FR, SL, SR, BL, BR, LF},
};

// The left and right gain of every channel; `mapped` tells whether the file's
// own channel map decided them.
std::vector<std::array<float, 2>> mixMatrix(SNDFILE *sf, const SF_INFO &in, bool *mapped) {
    int n = in.channels;
    std::vector<int> map(static_cast<size_t>(n), 0);
    *mapped = sf_command(sf, SFC_GET_CHANNEL_MAP_INFO, map.data(), static_cast<int>(map.size() * sizeof(int))) ==
              SF_TRUE;
    bool ogg = (in.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG;
    std::vector<std::array<float, 2>> m(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) {
        auto i = static_cast<size_t>(c);
        if (*mapped) m[i] = gainsFor(map[i]);
        else if (n <= 8) m[i] = gainsFor((ogg ? kOggOrder : kWavOrder)[n][c]);
        else m[i] = c % 2 == 0 ? std::array<float, 2>{1.0f, 0.0f} : std::array<float, 2>{0.0f, 1.0f};
    }
    return m;
}

// --- The source ------------------------------------------------------------------------

struct SfCloser {
    void operator()(SNDFILE *sf) const { sf_close(sf); }
};
using SfHandle = std::unique_ptr<SNDFILE, SfCloser>;

// Opens a regular file for libsndfile. A pipe or device would block or never
// end, so the descriptor is opened without waiting and looked at first.
SfHandle openSource(const char *path, SF_INFO *in, int *result) {
    *in = SF_INFO{};
    *result = CONVERT_UNREADABLE;
    int fd = path ? open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    if (st.st_size == 0) {
        close(fd);
        *result = CONVERT_EMPTY;
        return nullptr;
    }
    SfHandle sf(sf_open_fd(fd, SFM_READ, in, SF_TRUE));
    if (!sf) {
        close(fd);  // libsndfile closes it only when the open succeeded
        return nullptr;
    }
    if (in->frames <= 0 || in->channels <= 0 || in->samplerate <= 0) {
        *result = in->frames <= 0 ? CONVERT_EMPTY : CONVERT_UNREADABLE;
        return nullptr;
    }
    *result = CONVERT_OK;
    return sf;
}

const Encoding *encodingOf(const SF_INFO &in) {
    int sub = in.format & SF_FORMAT_SUBMASK;
    for (const Encoding &e : kEncodings)
        if (e.code == sub) return &e;
    return nullptr;
}

// Fills `info` from an open source; `playable` says the header reader takes
// the file as one the device plays.
int describe(SNDFILE *sf, const SF_INFO &in, bool playable, sConvertInfo *info, bool *mapped) {
    *info = sConvertInfo{};
    int major = in.format & SF_FORMAT_TYPEMASK;
    const char *container = "other";
    for (const Name &c : kContainers)
        if (c.code == major) container = c.name;
    const Encoding *enc = encodingOf(in);
    std::snprintf(info->container, sizeof info->container, "%s", container);
    std::snprintf(info->encoding, sizeof info->encoding, "%s", enc ? enc->name : "other");
    info->sourceBits = enc ? enc->bits : 0;
    info->sourceRate = in.samplerate;
    info->sourceChannels = in.channels;
    info->sourceFrames = static_cast<uint64_t>(in.frames);
    if (info->sourceFrames > kMaxSourceFrames) return CONVERT_TOO_LONG;

    info->mixed = in.channels > 2;
    info->channels = info->mixed ? 2 : in.channels;
    *mapped = false;
    if (info->mixed) mixMatrix(sf, in, mapped);
    info->channelMap = *mapped;
    bool exact = enc && enc->exact && !info->mixed;
    if (in.samplerate != kConvertRate) info->kind = CONVERT_RESAMPLE;
    else if (!exact) info->kind = CONVERT_DITHER;
    // The header reader and libsndfile must agree that this is 16-bit PCM in
    // a WAV or AIFF container before the file goes on the card unchanged.
    else if (playable && in.channels <= 2 && (major == SF_FORMAT_WAV || major == SF_FORMAT_AIFF) &&
             (in.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16)
        info->kind = CONVERT_COPY;
    else info->kind = CONVERT_REWRAP;

    uint64_t rate = static_cast<uint64_t>(in.samplerate);
    info->frames = info->kind == CONVERT_RESAMPLE ? (info->sourceFrames * kConvertRate + rate / 2) / rate
                                                  : info->sourceFrames;
    if (info->frames == 0) return CONVERT_EMPTY;
    uint64_t data = info->frames * static_cast<uint64_t>(info->channels) * 2;
    if (data > kMaxData) return CONVERT_TOO_LONG;
    info->size = kConvertHeaderSize + data;
    return CONVERT_OK;
}

bool headerPlayable(const char *path) {
    _sAudioContext *a = audioDecode(path);
    bool playable = audioIsPlayable(a) && a->format != AUDIO_FORMAT_NONE;
    audioDispose(a);
    return playable;
}

// --- The target ------------------------------------------------------------------------

// The temporary file beside the target, written in large checked steps;
// removed unless committed.
class Target {
public:
    ~Target() {
        if (fd_ >= 0) close(fd_);
        if (!tmp_.empty()) unlink(tmp_.c_str());
    }
    bool open(const char *dst) {
        char tmp[kRliPathMax];
        fd_ = rliFileMakeTemp(dst, tmp, sizeof tmp);
        if (fd_ < 0) return false;
        tmp_ = tmp;
        buf_.reserve(kBuffer);
        return true;
    }
    // Starts again from an empty file (the second pass of a lowered file).
    bool rewind() {
        buf_.clear();
        written_ = 0;
        return !failed_ && ftruncate(fd_, 0) == 0 && lseek(fd_, 0, SEEK_SET) == 0;
    }
    void put16(int32_t v) {
        buf_.push_back(static_cast<uint8_t>(v & 0xFF));
        buf_.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        if (buf_.size() >= kBuffer) flush();
    }
    void putBytes(const uint8_t *p, size_t n) {
        buf_.insert(buf_.end(), p, p + n);
        if (buf_.size() >= kBuffer) flush();
    }
    uint64_t written() const { return written_ + buf_.size(); }
    bool failed() const { return failed_; }
    bool flush() {
        for (size_t done = 0; !failed_ && done < buf_.size();) {
            ssize_t w = rliFaultFileHit() ? -1 : write(fd_, buf_.data() + done, buf_.size() - done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) failed_ = true;
            else done += static_cast<size_t>(w);
        }
        written_ += buf_.size();
        buf_.clear();
        return !failed_;
    }
    // Syncs (outside a batch), closes and renames into place without
    // replacing anything. Returns CONVERT_OK, _EXISTS or _WRITE_FAILED.
    int commit(const char *dst) {
        if (!flush()) return CONVERT_WRITE_FAILED;
        if (!rliFileSyncInBatch() && (rliFaultFileHit() || fsync(fd_) != 0)) return CONVERT_WRITE_FAILED;
        int fd = fd_;
        fd_ = -1;
        if (rliFaultFileHit() || close(fd) != 0) return CONVERT_WRITE_FAILED;
        int r = rliFileMoveEx(tmp_.c_str(), dst, RLI_MOVE_NOREPLACE);
        if (r == -3) return CONVERT_EXISTS;
        if (r != 0) return CONVERT_WRITE_FAILED;
        tmp_.clear();
        return CONVERT_OK;
    }

private:
    static constexpr size_t kBuffer = 1u << 20;
    int fd_ = -1;
    std::string tmp_;
    std::vector<uint8_t> buf_;
    uint64_t written_ = 0;
    bool failed_ = false;
};

// --- Reduction to 16 bits ----------------------------------------------------------------

// Triangular dither of one step peak to peak either way, from two uniform
// draws per sample. A fixed seed makes a conversion give the same bytes
// every time.
class Dither {
public:
    float next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        constexpr float kUnit = 1.0f / 4294967296.0f;
        return static_cast<float>(static_cast<uint32_t>(state_)) * kUnit +
               static_cast<float>(static_cast<uint32_t>(state_ >> 32)) * kUnit - 1.0f;
    }

private:
    uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

// A dithered sample rounds inside 16 bits while its undithered value, in
// steps, stays within these: the dither adds at most one step either way.
constexpr float kTop = 32767.5f - 1.0f;
constexpr float kBottom = -32768.5f + 1.0f;

// Scales, dithers and writes samples, following their extremes.
struct Quantizer {
    float scale = 32768.0f;  // 32768 times the gain
    float high = 0, low = 0;  // extremes before dither, in steps
    Dither dither;

    void put(Target &t, const float *s, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            // A damaged float file may hold infinities or not-a-number: they
            // count as silence rather than silencing the whole file.
            float v = std::isfinite(s[i]) ? s[i] * scale : 0.0f;
            high = std::max(high, v);
            low = std::min(low, v);
            float d = std::clamp(v + dither.next(), -32768.0f, 32767.0f);
            t.put16(static_cast<int32_t>(std::lrint(d)));
        }
    }
    bool overflowed() const { return high > kTop || low < kBottom; }
    // The gain that brings both extremes inside, a hair under so the second
    // pass's products land inside too.
    double gain() const {
        double g = 1.0;
        if (high > kTop) g = std::min(g, kTop / static_cast<double>(high));
        if (low < kBottom) g = std::min(g, kBottom / static_cast<double>(low));
        return g * (1.0 - 1e-6);
    }
};

// --- The passes ----------------------------------------------------------------------------

struct Job {
    SNDFILE *sf;
    const SF_INFO *in;
    const sConvertInfo *info;
    rliCopyProgressFn progress;
    const std::atomic<int32_t> *cancel;
    Target *target;

    // After each block: reports progress; a cancel or a failed write (a full
    // card) ends the pass at once rather than after the whole source.
    int step(uint64_t done) const {
        if (progress) progress(static_cast<float>(done) / static_cast<float>(info->sourceFrames));
        if (cancel && cancel->load() != 0) return CONVERT_CANCELLED;
        return target->failed() ? CONVERT_WRITE_FAILED : CONVERT_OK;
    }
    // A source that ends early has changed or is damaged, except a coded one,
    // whose length in its header is only the encoder's word.
    bool shortfallFails() const { return sf_error(sf) != SF_ERR_NO_ERROR || info->sourceBits != 0; }
};

// Integer samples of at most 16 bits at the device's rate: carried over exactly.
int passExact(const Job &j) {
    std::vector<int16_t> buf(static_cast<size_t>(kBlock) * static_cast<size_t>(j.in->channels));
    uint64_t done = 0;
    while (done < j.info->sourceFrames) {
        sf_count_t want = static_cast<sf_count_t>(std::min<uint64_t>(kBlock, j.info->sourceFrames - done));
        sf_count_t got = sf_readf_short(j.sf, buf.data(), want);
        if (got <= 0) break;
        for (size_t i = 0; i < static_cast<size_t>(got) * static_cast<size_t>(j.in->channels); ++i)
            j.target->put16(buf[i]);
        done += static_cast<uint64_t>(got);
        if (int r = j.step(done)) return r;
    }
    if (done < j.info->sourceFrames && j.shortfallFails()) return CONVERT_READ_FAILED;
    return CONVERT_OK;
}

struct SoxrDeleter {
    void operator()(soxr_t s) const { soxr_delete(s); }
};

// Everything else: decoded to float, mixed, resampled when the rate differs,
// and dithered to 16 bits, exactly `info->frames` frames long.
int passFloat(const Job &j, const std::vector<std::array<float, 2>> &mix, Quantizer &q) {
    const size_t inCh = static_cast<size_t>(j.in->channels), outCh = static_cast<size_t>(j.info->channels);
    const bool resample = j.info->kind == CONVERT_RESAMPLE;
    std::unique_ptr<soxr, SoxrDeleter> rs;
    if (resample) {
        soxr_error_t err = nullptr;
        soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
        soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        rs.reset(soxr_create(j.in->samplerate, kConvertRate, static_cast<unsigned>(outCh), &err, &io, &quality,
                             &runtime));
        if (!rs || err) return CONVERT_READ_FAILED;
    }
    // A block of a very low rate makes many output frames: its input is
    // shortened so no step makes much more than a block. A block of many
    // channels is shortened so it stays about the size of a stereo one.
    auto rate = static_cast<uint64_t>(j.in->samplerate);
    uint64_t block = std::max<uint64_t>(1, static_cast<uint64_t>(kBlock) * 2 / std::max<size_t>(2, inCh));
    block = std::clamp<uint64_t>(block * rate / kConvertRate, 1, block);
    std::vector<float> raw(block * inCh), mixed, out;
    if (!mix.empty()) mixed.resize(block * outCh);
    size_t outCap = static_cast<size_t>(block * kConvertRate / rate) + 64;
    if (resample) out.resize(outCap * outCh);

    uint64_t done = 0, emitted = 0;
    // Hands frames to the quantizer, never more than the promised length.
    auto emit = [&](const float *s, uint64_t frames) {
        frames = std::min(frames, j.info->frames - emitted);
        q.put(*j.target, s, static_cast<size_t>(frames) * outCh);
        emitted += frames;
    };
    // Drains the resampler; `in` null (with 0 frames) flushes what it holds.
    auto resampleOut = [&](const float *in, size_t frames) {
        do {
            size_t used = 0, made = 0;
            if (soxr_process(rs.get(), in, frames, &used, out.data(), outCap, &made)) return false;
            emit(out.data(), made);
            if (in) {
                in += used * outCh;
                frames -= used;
            } else if (made == 0) {
                break;
            }
        } while (frames > 0 || !in);
        return true;
    };

    while (done < j.info->sourceFrames) {
        sf_count_t want = static_cast<sf_count_t>(std::min<uint64_t>(block, j.info->sourceFrames - done));
        sf_count_t got = sf_readf_float(j.sf, raw.data(), want);
        if (got <= 0) break;
        auto frames = static_cast<size_t>(got);
        const float *s = raw.data();
        if (!mix.empty()) {
            for (size_t f = 0; f < frames; ++f) {
                float l = 0, r = 0;
                for (size_t c = 0; c < inCh; ++c) {
                    l += raw[f * inCh + c] * mix[c][0];
                    r += raw[f * inCh + c] * mix[c][1];
                }
                mixed[f * 2] = l;
                mixed[f * 2 + 1] = r;
            }
            s = mixed.data();
        }
        if (!resample) emit(s, frames);
        else if (!resampleOut(s, frames)) return CONVERT_READ_FAILED;
        done += frames;
        if (int r = j.step(done)) return r;
    }
    if (done < j.info->sourceFrames && j.shortfallFails()) return CONVERT_READ_FAILED;
    if (resample && !resampleOut(nullptr, 0)) return CONVERT_READ_FAILED;
    // The resampler's last frame or a coded source's end may fall short of
    // the promised length by a little: silence fills it.
    const std::vector<float> zero(outCh, 0.0f);
    while (emitted < j.info->frames) emit(zero.data(), 1);
    return CONVERT_OK;
}

}  // namespace

// --- Looking at a source ----------------------------------------------------

int convertProbe(const char *path, sConvertInfo *info) {
    if (!info) return CONVERT_UNREADABLE;
    *info = sConvertInfo{};
    SF_INFO in;
    int result;
    SfHandle sf = openSource(path, &in, &result);
    if (!sf) return result;
    bool mapped;
    result = describe(sf.get(), in, headerPlayable(path), info, &mapped);
    if (result != CONVERT_OK) {
        *info = sConvertInfo{};
        return result;
    }
    if (info->kind == CONVERT_COPY) {
        struct stat st;
        if (stat(path, &st) != 0) return CONVERT_UNREADABLE;
        info->size = static_cast<uint64_t>(st.st_size);
    }
    return CONVERT_OK;
}

const char *convertKindName(int32_t kind) {
    static constexpr const char *kNames[] = {"copied", "rewrapped", "dithered", "resampled"};
    return kind >= CONVERT_COPY && kind <= CONVERT_RESAMPLE ? kNames[kind] : "";
}

// --- Converting ---------------------------------------------------------------

int convertToFile(const char *src, const char *dst, rliCopyProgressFn progress, const std::atomic<int32_t> *cancel,
                  sConvertResult *result) {
    if (result) *result = sConvertResult{};
    if (!dst) return CONVERT_WRITE_FAILED;
    SF_INFO in;
    int r;
    SfHandle sf = openSource(src, &in, &r);
    if (!sf) return r;
    sConvertInfo info;
    bool mapped;
    r = describe(sf.get(), in, headerPlayable(src), &info, &mapped);
    if (r != CONVERT_OK) return r;
    struct stat st;
    if (lstat(dst, &st) == 0) return CONVERT_EXISTS;

    Target target;
    if (!target.open(dst)) return CONVERT_WRITE_FAILED;
    uint8_t header[kConvertHeaderSize];
    convertCanonicalHeader(header, info.channels, info.frames);
    target.putBytes(header, sizeof header);
    Job job{sf.get(), &in, &info, progress, cancel, &target};
    double gain = 1.0;
    if (info.kind == CONVERT_COPY || info.kind == CONVERT_REWRAP) {
        r = passExact(job);
    } else {
        std::vector<std::array<float, 2>> mix;
        if (info.mixed) mix = mixMatrix(sf.get(), in, &mapped);
        Quantizer q;
        r = passFloat(job, mix, q);
        // A peak past full scale: the whole file again, lowered just enough.
        if (r == CONVERT_OK && q.overflowed()) {
            gain = q.gain();
            sf.reset();
            sf = openSource(src, &in, &r);
            if (!sf || static_cast<uint64_t>(in.frames) != info.sourceFrames) return CONVERT_READ_FAILED;
            if (!target.rewind()) return CONVERT_WRITE_FAILED;
            target.putBytes(header, sizeof header);
            job.sf = sf.get();
            Quantizer lowered;
            lowered.scale = static_cast<float>(32768.0 * gain);
            r = passFloat(job, mix, lowered);
        }
    }
    if (r != CONVERT_OK) return r;
    if (target.written() != info.size) return CONVERT_WRITE_FAILED;
    r = target.commit(dst);
    if (r != CONVERT_OK) return r;
    if (result) {
        result->info = info;
        result->gainDb = gain < 1.0 ? 20.0 * std::log10(gain) : 0.0;
    }
    return CONVERT_OK;
}

// --- The canonical format --------------------------------------------------------

int convertCanonicalHeader(uint8_t out[kConvertHeaderSize], int32_t channels, uint64_t frames) {
    if (!out || (channels != 1 && channels != 2)) return -1;
    uint64_t data = frames * static_cast<uint64_t>(channels) * 2;
    if (frames > kMaxData || data > kMaxData) return -1;
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::memcpy(out, "RIFF", 4);
    put(4, static_cast<uint32_t>(36 + data), 4);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2);  // integer PCM
    put(22, static_cast<uint32_t>(channels), 2);
    put(24, kConvertRate, 4);
    put(28, static_cast<uint32_t>(kConvertRate * channels * 2), 4);
    put(32, static_cast<uint32_t>(channels * 2), 2);
    put(34, 16, 2);
    std::memcpy(out + 36, "data", 4);
    put(40, static_cast<uint32_t>(data), 4);
    return 0;
}
