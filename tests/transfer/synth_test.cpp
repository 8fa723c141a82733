// The demo synthesiser: every sound is a WAV file in the device's own format,
// is loud but never past full scale, and comes out the same bytes each time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "support/card.h"
#include "support/test_util.h"
#include "transfer/synth.h"

namespace {

std::string render(int index) {
    size_t size = 0;
    uint8_t *wave = synthRenderWave(index, &size);
    std::string bytes(reinterpret_cast<const char *>(wave), size);
    synthFreeWave(wave);
    return bytes;
}

int sample(const std::string &bytes, size_t at) {
    auto lo = static_cast<uint8_t>(bytes[at]), hi = static_cast<uint8_t>(bytes[at + 1]);
    return static_cast<int16_t>(static_cast<uint16_t>(lo | hi << 8));
}

TEST(Synth, EverySoundIsAPlayableDeterministicWaveJustUnderFullScaleAndNoneIsOutOfRange) {
    ASSERT_GE(synthSoundCount(), 28);
    std::set<std::string> names, contents;
    for (int i = 0; i < synthSoundCount(); ++i) {
        std::string name = synthSoundFileName(i);
        SCOPED_TRACE(name);
        EXPECT_TRUE(names.insert(name).second) << "file names are unique";
        EXPECT_LE(name.size() - 4, 12u) << "the wave name keeps the whole base name";
        EXPECT_EQ(synthSoundFind(name.c_str()), i);

        std::string bytes = render(i);
        ASSERT_GT(bytes.size(), 44u);
        EXPECT_EQ(bytes, render(i)) << "same bytes on every render";
        EXPECT_TRUE(contents.insert(bytes).second) << "no two sounds alike";

        // The header is the canonical one the device writes, byte for byte.
        int channels = synthSoundChannels(i);
        ASSERT_GT(channels, 0);
        int frames = static_cast<int>((bytes.size() - 44) / (2 * static_cast<size_t>(channels)));
        EXPECT_EQ(bytes.substr(0, 44), testWavBytes(frames, 44100, 16, channels).substr(0, 44));

        // Normalised to about -1 dB: loud enough to hear, and a sample that
        // wrapped round would show as a peak at the rails.
        int peak = 0;
        for (size_t at = 44; at + 1 < bytes.size(); at += 2) peak = std::max(peak, std::abs(sample(bytes, at)));
        EXPECT_GT(peak, 28000);
        EXPECT_LE(peak, 29200);
        // The fade leaves the last frame silent, so a sound ends without a click.
        EXPECT_EQ(sample(bytes, bytes.size() - 2), 0);
    }
    for (int index : {-1, synthSoundCount()}) {
        size_t size = 7;
        EXPECT_EQ(synthRenderWave(index, &size), nullptr);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(synthSoundFileName(index), nullptr);
        EXPECT_EQ(synthSoundChannels(index), 0);
    }
    EXPECT_EQ(synthSoundFind("none.wav"), -1);
    EXPECT_EQ(synthSoundFind(nullptr), -1);
}

}  // namespace
