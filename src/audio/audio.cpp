// Audio header reader. See audio.h.
#include "audio/audio.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/file.h"
#include "foundation/log.h"
#include "foundation/mem.h"

namespace {

constexpr uint32_t kAifcVersion = 0xA2805140u;

bool tagIs(const char tag[4], const char *want) { return std::memcmp(tag, want, 4) == 0; }

uint8_t byteAt(sBitCursor *c) {
    if (c->pos >= c->end) {
        c->overrun = true;
        return 0;
    }
    return *c->pos++;
}

// Moves the cursor forward by `n` bytes; past the end counts as an overrun.
void skip(sBitCursor *c, uint64_t n) {
    if (n > static_cast<uint64_t>(c->end - c->pos)) {
        c->pos = c->end;
        c->overrun = true;
        return;
    }
    c->pos += n;
}

int16_t asSigned16(uint32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

int fail(const char *why) {
    if (why) rliDbgLog("%s", why);
    return -1;
}

int parseRiff(_sAudioContext *ctx, const uint8_t *data, size_t size) {
    if (size < 4 || std::memcmp(data, "RIFF", 4) != 0) return fail("missing RIFF tag\n");
    if (size < 12 || std::memcmp(data + 8, "WAVE", 4) != 0) return fail("missing WAVE tag\n");

    // The format chunk is searched for byte by byte, as the device's own tools
    // find it even behind chunks with wrong sizes.
    size_t fmt = 12;
    while (fmt + 4 <= size && std::memcmp(data + fmt, "fmt ", 4) != 0) ++fmt;
    if (fmt + 8 > size) return fail(nullptr);
    sBitCursor c{data + fmt + 4, data + size, false};
    auto fmtSize = static_cast<int32_t>(bitGetLE32(&c));
    if (fmtSize <= 15) return fail("fmt chunk was too short\n");
    ctx->codec = bitGetLE16(&c);
    if (ctx->codec != 1) return fail("unsupported wave format\n");
    ctx->channels = asSigned16(bitGetLE16(&c));
    ctx->sampleRate = static_cast<int32_t>(bitGetLE32(&c));
    ctx->bitRate = static_cast<int32_t>(bitGetLE32(&c) * 8u);
    ctx->blockAlign = asSigned16(bitGetLE16(&c));
    ctx->bitsPerSample = asSigned16(bitGetLE16(&c));
    if (c.overrun) return fail(nullptr);

    c.pos = data + fmt;
    skip(&c, 8u + static_cast<uint64_t>(fmtSize) + (fmtSize & 1));
    for (;;) {
        char tag[4];
        for (char &t : tag) t = static_cast<char>(byteAt(&c));
        uint32_t chunk = bitGetLE32(&c);
        if (c.overrun) return fail(nullptr);
        if (tagIs(tag, "data")) {
            ctx->waveSize = chunk;
            break;
        }
        skip(&c, static_cast<uint64_t>(chunk) + (chunk & 1));
    }
    int32_t frame = (ctx->bitsPerSample / 8) * ctx->channels;
    ctx->totTime = frame > 0 ? ctx->waveSize / static_cast<uint64_t>(frame) : 0;
    ctx->format = AUDIO_FORMAT_RIFF;
    return 0;
}

int parseAiff(_sAudioContext *ctx, const uint8_t *data, size_t size) {
    sBitCursor c{data, data + size, false};
    char tag[4];
    uint32_t formSize = getTag(&c, tag);
    if (c.overrun || !tagIs(tag, "FORM")) return fail("missing FORM tag\n");
    char kind[4];
    for (char &k : kind) k = static_cast<char>(byteAt(&c));
    uint32_t version;
    if (tagIs(kind, "AIFF")) {
        ctx->format = AUDIO_FORMAT_AIFF;
        version = 0;
    } else if (tagIs(kind, "AIFC")) {
        ctx->format = AUDIO_FORMAT_AIFC;
        version = kAifcVersion;
    } else {
        return fail("missing AIFF tag\n");
    }

    int64_t remaining = static_cast<int64_t>(formSize) - 4;
    bool haveComm = false, haveSsnd = false;
    while (remaining > 0) {
        uint32_t chunk = getTag(&c, tag);
        if (c.overrun) return fail(nullptr);
        remaining -= static_cast<int64_t>(chunk) + 8;
        const uint8_t *body = c.pos;
        // Every chunk ends where its size says, whatever was read of it.
        uint64_t whole = static_cast<uint64_t>(chunk) + (chunk & 1);
        if (tagIs(tag, "COMM")) {
            uint32_t need = version == kAifcVersion ? 22 : 18;
            if (chunk < need) return fail(nullptr);
            ctx->channels = asSigned16(bitGetBE16(&c));
            bitGetBE32(&c);  // frame count: not needed, the data size says it
            ctx->bitsPerSample = asSigned16(bitGetBE16(&c));
            uint8_t rate[10];
            for (uint8_t &r : rate) r = byteAt(&c);
            if (c.overrun) return fail(nullptr);
            ctx->sampleRate = audioExtendedToRate(rate);
            if (ctx->format == AUDIO_FORMAT_AIFC && chunk >= 22) ctx->codec = bitGetBE32(&c);
            // A compressed AIFC is reported like PCM with its codec; audioIsPlayable judges.
            ctx->blockAlign = (ctx->bitsPerSample * ctx->channels) / 8;
            ctx->bitRate = static_cast<int32_t>(static_cast<int64_t>(ctx->blockAlign) * 8 * ctx->sampleRate);
            haveComm = true;
            if (haveSsnd) return 0;
        } else if (tagIs(tag, "SSND")) {
            ctx->waveSize = chunk >= 8 ? chunk - 8 : 0;
            haveSsnd = true;
            if (haveComm) return 0;
        } else if (tagIs(tag, "FVER")) {
            version = bitGetBE32(&c);
            if (c.overrun) return fail(nullptr);
        }
        c.pos = body;
        skip(&c, whole);
        // Sound data before the common chunk is skipped like any other chunk;
        // the common chunk must still lie within the loaded bytes.
        if (c.overrun) return fail(nullptr);
    }
    return fail(nullptr);
}

int32_t parserFor(const char *ext) {
    if (rliStrCaseCmp(ext, ".wav") == 0) return AUDIO_FORMAT_RIFF;
    if (rliStrCaseCmp(ext, ".aif") == 0 || rliStrCaseCmp(ext, ".aiff") == 0) return AUDIO_FORMAT_AIFF;
    return AUDIO_FORMAT_NONE;
}

}  // namespace

// --- Decoding -------------------------------------------------------------------

_sAudioContext *audioDecode(const char *path) {
    if (!path || std::strlen(path) >= kRliPathMax) return nullptr;
    auto *ctx = static_cast<_sAudioContext *>(memCalloc(sizeof(_sAudioContext), "AC"));
    if (!ctx) return nullptr;
    std::strcpy(ctx->path, path);
    _sRliFile *file = rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, static_cast<long>(kAudioHeaderMax));
    if (!file) {
        memFree(ctx);
        return nullptr;
    }
    rliStringSplitpathA(ctx->drive, ctx->dir, ctx->fname, ctx->ext, path);
    int32_t parser = parserFor(ctx->ext);
    size_t loaded = rliFileGetDataSize(file) < kAudioHeaderMax ? rliFileGetDataSize(file) : kAudioHeaderMax;
    int r = parser == AUDIO_FORMAT_NONE ? 0 : audioParseHeader(ctx, parser, rliFileGetDataAddr(file), loaded);
    uint32_t whole = rliFileGetDataSize(file);
    rliFileClose(file);
    if (r != 0) {
        memFree(ctx);
        return nullptr;
    }
    ctx->filesize = whole;
    return ctx;
}

void audioDispose(_sAudioContext *ctx) {
    if (ctx) memFree(ctx);
}

namespace {

constexpr uint32_t fourCc(const char (&s)[5]) {
    return (uint32_t{static_cast<uint8_t>(s[0])} << 24) | (uint32_t{static_cast<uint8_t>(s[1])} << 16) |
           (uint32_t{static_cast<uint8_t>(s[2])} << 8) | uint32_t{static_cast<uint8_t>(s[3])};
}

// 'twos' is big-endian PCM under another name; 'sowt' (little-endian) and
// every real codec are not what the device reads from an AIFF-C file.
bool uncompressed(const _sAudioContext *ctx) {
    return ctx->format != AUDIO_FORMAT_AIFC || ctx->codec == fourCc("NONE") || ctx->codec == fourCc("twos");
}

int refuse(char *why, size_t cap, int code, const std::string &text) {
    if (why && cap) std::snprintf(why, cap, "%s", text.c_str());
    return code;
}

}  // namespace

bool audioIsPlayable(const _sAudioContext *ctx) {
    return ctx && ctx->sampleRate == 44100 && ctx->bitsPerSample == 16 && uncompressed(ctx);
}

int audioCheckFile(const char *path, char *why, size_t cap) {
    refuse(why, cap, AUDIO_OK, "");
    struct stat st;
    if (!path || stat(path, &st) != 0) {
        int err = path ? errno : ENOENT;
        if (err == ENOENT) return refuse(why, cap, AUDIO_MISSING, "does not exist");
        return refuse(why, cap, AUDIO_UNREADABLE, std::string("cannot be read: ") + std::strerror(err));
    }
    // A pipe or a device would block or never end: nothing but a file is opened.
    if (!S_ISREG(st.st_mode)) return refuse(why, cap, AUDIO_NOT_FILE, "not a file");
    if (st.st_size == 0) return refuse(why, cap, AUDIO_EMPTY, "empty file");
    char dir[kRliPathMax], base[kRliPathMax], ext[kRliPathMax];
    if (std::strlen(path) >= kRliPathMax || rliStringSplitpathA(nullptr, dir, base, ext, path) != 0 ||
        parserFor(ext) == AUDIO_FORMAT_NONE)
        return refuse(why, cap, AUDIO_NOT_AUDIO, "not a WAV or AIFF file (only .wav, .aif and .aiff are taken)");
    _sRliFile *file = rliFileOpenA(path, cRLIFILE_MODE_READ_BINARY, static_cast<long>(kAudioHeaderMax));
    if (!file) return refuse(why, cap, AUDIO_UNREADABLE, std::string("cannot be read: ") + std::strerror(errno));
    auto *ctx = static_cast<_sAudioContext *>(memCalloc(sizeof(_sAudioContext), "AC"));
    size_t loaded = std::min<size_t>(rliFileGetDataSize(file), kAudioHeaderMax);
    int parsed = ctx ? audioParseHeader(ctx, parserFor(ext), rliFileGetDataAddr(file), loaded) : -1;
    rliFileClose(file);
    int code = AUDIO_OK;
    std::string text;
    if (!ctx) {
        code = AUDIO_UNREADABLE;
        text = "cannot be read: out of memory";
    } else if (parsed != 0 && ctx->format == AUDIO_FORMAT_NONE && ctx->codec > 1) {
        code = AUDIO_NOT_PCM;
        text = std::string(ctx->codec == 3 ? "floating-point" : "compressed or extended-format") +
               " samples: the device plays only 16-bit integer PCM";
    } else if (parsed != 0) {
        code = AUDIO_NOT_AUDIO;
        text = "not audio: no WAV or AIFF header that can be read";
    } else if (!uncompressed(ctx)) {
        char type[5] = {static_cast<char>(ctx->codec >> 24), static_cast<char>(ctx->codec >> 16),
                        static_cast<char>(ctx->codec >> 8), static_cast<char>(ctx->codec), 0};
        for (char &c : type)
            if (c && !std::isprint(static_cast<unsigned char>(c))) c = '?';
        code = AUDIO_COMPRESSED;
        text = std::string("compressed AIFF-C (") + type + "): the device plays only uncompressed audio";
    } else if (ctx->sampleRate != 44100) {
        code = AUDIO_BAD_RATE;
        text = std::to_string(ctx->sampleRate) + " Hz: the device plays only 44100 Hz";
    } else if (ctx->bitsPerSample != 16) {
        code = AUDIO_BAD_DEPTH;
        text = std::to_string(ctx->bitsPerSample) + "-bit: the device plays only 16-bit";
    }
    audioDispose(ctx);
    return refuse(why, cap, code, text);
}

int audioParseHeader(_sAudioContext *ctx, int32_t format, const uint8_t *data, size_t size) {
    if (!ctx || !data) return -1;
    if (format == AUDIO_FORMAT_RIFF) return parseRiff(ctx, data, size);
    if (format == AUDIO_FORMAT_AIFF || format == AUDIO_FORMAT_AIFC) return parseAiff(ctx, data, size);
    return -1;
}

// --- Accessors ----------------------------------------------------------------------

int32_t audioGetBitRate(const _sAudioContext *ctx) { return ctx ? ctx->bitRate : 0; }
int32_t audioGetChannels(const _sAudioContext *ctx) { return ctx ? ctx->channels : 0; }
int32_t audioGetSampleRate(const _sAudioContext *ctx) { return ctx ? ctx->sampleRate : 0; }
int32_t audioGetBlockAlign(const _sAudioContext *ctx) { return ctx ? ctx->blockAlign : 0; }
int32_t audioGetBitsPerSample(const _sAudioContext *ctx) { return ctx ? ctx->bitsPerSample : 0; }
const char *audioGetExtPtr(const _sAudioContext *ctx) { return ctx ? ctx->ext : nullptr; }
uint32_t audioGetWaveSize(const _sAudioContext *ctx) { return ctx ? ctx->waveSize : 0; }
uint32_t audioGetFilesize(const _sAudioContext *ctx) { return ctx ? ctx->filesize : 0; }
uint64_t audioGetTotTime(const _sAudioContext *ctx) { return ctx ? ctx->totTime : 0; }

// --- Cursor readers -------------------------------------------------------------------

uint32_t bitGetBE16(sBitCursor *c) {
    uint32_t hi = byteAt(c);
    return (hi << 8) | byteAt(c);
}

uint32_t bitGetLE16(sBitCursor *c) {
    uint32_t lo = byteAt(c);
    return lo | (static_cast<uint32_t>(byteAt(c)) << 8);
}

uint32_t bitGetBE32(sBitCursor *c) {
    uint32_t hi = bitGetBE16(c);
    return (hi << 16) | bitGetBE16(c);
}

uint32_t bitGetLE32(sBitCursor *c) {
    uint32_t lo = bitGetLE16(c);
    return lo | (bitGetLE16(c) << 16);
}

uint32_t getTag(sBitCursor *c, char tag[4]) {
    for (int i = 0; i < 4; ++i) tag[i] = static_cast<char>(byteAt(c));
    uint32_t size = bitGetBE32(c);
    return (size & 0x80000000u) ? 0x7FFFFFFFu : size;
}

int32_t audioExtendedToRate(const uint8_t b[10]) {
    bool negative = b[0] & 0x80;
    int exponent = ((b[0] & 0x7F) << 8) | b[1];
    uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) mantissa = (mantissa << 8) | b[i];
    if (exponent == 0x7FFF && mantissa != 0) return 0;
    long double value = std::ldexp(static_cast<long double>(mantissa), exponent - 16446);
    if (negative) value = -value;
    // Out of an int's range (or infinite) is no rate any caller accepts; it is
    // reported as 0 rather than converted with undefined behaviour.
    if (!(value < 2147483520.0L && value > -2147483520.0L)) return 0;
    return static_cast<int32_t>(static_cast<float>(value));
}
