// Preview-output checks: WAV files with chosen samples, and reading back what
// SDL2's disk driver wrote (16-bit stereo frames at 44100 Hz).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/card.h"
#include "support/test_util.h"

// A canonical WAV file holding `samples` (interleaved, `channels` per frame).
inline std::string testWavWithSamples(const std::vector<int16_t> &samples, int channels, int rate = 44100,
                                      int bits = 16) {
    int frames = static_cast<int>(samples.size()) / channels;
    std::string bytes = testWavBytes(frames, rate, bits, channels);
    size_t size = std::min(samples.size() * 2, bytes.size() - 44);
    std::memcpy(bytes.data() + 44, samples.data(), size);
    return bytes;
}

// A recognisable mono ramp that never crosses zero, so the output's first
// non-zero sample marks where playing began.
inline std::vector<int16_t> testRamp(int frames, int base = 1000) {
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i) s.push_back(static_cast<int16_t>(base + (i * 37) % 20000));
    return s;
}

// The samples of the disk driver's output file, from the first non-zero one on.
inline std::vector<int16_t> testDiskOutputSound(const std::string &path) {
    std::string bytes = testReadFile(path);
    std::vector<int16_t> all(bytes.size() / 2);
    if (!all.empty()) std::memcpy(all.data(), bytes.data(), all.size() * 2);
    size_t start = 0;
    while (start < all.size() && all[start] == 0) ++start;
    return std::vector<int16_t>(all.begin() + static_cast<long>(start), all.end());
}

// What the output carries for a mono `samples` played once at gain `q15`:
// every sample on both sides, scaled as the mixer scales.
inline std::vector<int16_t> testMonoOut(const std::vector<int16_t> &samples, int32_t q15) {
    std::vector<int16_t> out;
    for (int16_t s : samples) {
        auto v = static_cast<int16_t>((static_cast<int32_t>(s) * q15) >> 15);
        out.push_back(v);
        out.push_back(v);
    }
    return out;
}
