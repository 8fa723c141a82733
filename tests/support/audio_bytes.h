// Audio files built byte by byte from the container layouts (not with the
// code under test): integers, chunks, and WAV and AIFF files around them.
#pragma once

#include <cstdint>
#include <string>

// `v` as `n` bytes, least / most significant first.
inline std::string testLE(uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}
inline std::string testBE(uint32_t v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// A chunk: tag, size (big-endian for AIFF), body and the pad byte an odd body takes.
inline std::string testChunk(const char *tag, const std::string &body, bool bigEndian = false) {
    auto size = static_cast<uint32_t>(body.size());
    return std::string(tag, 4) + (bigEndian ? testBE(size, 4) : testLE(size, 4)) + body +
           std::string(body.size() & 1, '\0');
}
inline std::string testRiff(const std::string &chunks) {
    return "RIFF" + testLE(static_cast<uint32_t>(chunks.size() + 4), 4) + "WAVE" + chunks;
}
inline std::string testForm(const char *kind, const std::string &chunks) {
    return "FORM" + testBE(static_cast<uint32_t>(chunks.size() + 4), 4) + std::string(kind, 4) + chunks;
}

// A WAV format chunk's body: PCM `tag` 1, 3 float, 0xFFFE extensible; `extra` zero bytes after.
inline std::string testFmtBody(uint32_t tag, uint32_t channels, uint32_t rate, uint32_t bits, size_t extra = 0) {
    return testLE(tag, 2) + testLE(channels, 2) + testLE(rate, 4) + testLE(rate * channels * (bits / 8), 4) +
           testLE(channels * (bits / 8), 2) + testLE(bits, 2) + std::string(extra, '\0');
}

// An AIFF common chunk's body at 44100 Hz (400E AC44 0... as an 80-bit
// extended number); with `compression`, the AIFF-C form with an empty name.
inline std::string testCommBody(uint32_t channels, uint32_t frames, uint32_t bits, const char *compression = nullptr) {
    std::string b = testBE(channels, 2) + testBE(frames, 4) + testBE(bits, 2) + testBE(0x400EAC44, 4) + std::string(6, '\0');
    return compression ? b + std::string(compression, 4) + std::string(2, '\0') : b;
}
// A sound data chunk's body: zero offset and block size, then `bytes` bytes of 0x11.
inline std::string testSsndBody(size_t bytes, char fill = '\x11') { return std::string(8, '\0') + std::string(bytes, fill); }

// A mono AIFF file (or AIFF-C under `compression`) of `frames` frames.
inline std::string testAiffBytes(int frames, int bits, const char *compression = nullptr) {
    auto n = static_cast<uint32_t>(frames), b = static_cast<uint32_t>(bits);
    return testForm(compression ? "AIFC" : "AIFF",
                    testChunk("COMM", testCommBody(1, n, b, compression), true) +
                        testChunk("SSND", testSsndBody(n * (b / 8), '\x22'), true));
}
