// Conversion to the device's format, judged on files sox made and measured
// here: the tone's frequency and level, the length, what the resampler must
// not let through, where a click lands, and the bytes of the header.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/fault.h"
#include "foundation/file.h"
#include "support/audio_bytes.h"
#include "support/card.h"
#include "support/test_util.h"
#include "transfer/convert.h"

namespace {

// A converted file: its header must be the canonical one (that of the
// device's own WAV files), byte for byte.
struct Pcm {
    int channels = 0;
    std::vector<int16_t> s;  // interleaved
    size_t frames() const { return channels ? s.size() / static_cast<size_t>(channels) : 0; }
    std::vector<double> channel(int c) const {
        std::vector<double> out;
        for (size_t i = static_cast<size_t>(c); i < s.size(); i += static_cast<size_t>(channels)) out.push_back(s[i]);
        return out;
    }
};

Pcm readCanonical(const std::string &path) {
    std::string b = testReadFile(path);
    Pcm p;
    if (b.size() < 44) {
        ADD_FAILURE() << path << " is too short";
        return p;
    }
    p.channels = static_cast<uint8_t>(b[22]);
    int frames = static_cast<int>((b.size() - 44) / (2 * static_cast<size_t>(p.channels)));
    EXPECT_EQ(b.substr(0, 44), testWavBytes(frames, 44100, 16, p.channels).substr(0, 44)) << path;
    p.s.resize((b.size() - 44) / 2);
    for (size_t i = 0; i < p.s.size(); ++i)
        p.s[i] = static_cast<int16_t>(static_cast<uint8_t>(b[44 + 2 * i]) | (static_cast<uint8_t>(b[45 + 2 * i]) << 8));
    return p;
}

// The middle of a signal: resampler and codec transients at the ends are
// not what these measures are about.
std::vector<double> middle(const std::vector<double> &x) {
    size_t edge = x.size() / 20;
    return std::vector<double>(x.begin() + static_cast<long>(edge), x.end() - static_cast<long>(edge));
}

double rmsDb(const std::vector<double> &x) {
    double sum = 0;
    for (double v : x) sum += v * v;
    return 20 * std::log10(std::sqrt(sum / static_cast<double>(x.size())) / 32768.0);
}

// The level in dBFS of a tone at `hz`, through a Hann window.
double toneDb(const std::vector<double> &x, double hz) {
    double re = 0, im = 0, wsum = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        double w = 0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / static_cast<double>(x.size() - 1));
        double ph = 2 * M_PI * hz * static_cast<double>(i) / 44100.0;
        re += w * x[i] * std::cos(ph);
        im += w * x[i] * std::sin(ph);
        wsum += w;
    }
    return 20 * std::log10(2 * std::hypot(re, im) / wsum / 32768.0 + 1e-30);
}

class ConvertTest : public testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override {
        if (!testHaveProgram("sox")) GTEST_SKIP() << "sox is not installed (scripts/setup installs it)";
    }
    // sox writes `name` with the output options `out` and `effects`, from `in`.
    std::string sox(const std::string &name, std::vector<std::string> out, const std::vector<std::string> &effects,
                    const std::vector<std::string> &in = {"-n"}) {
        std::vector<std::string> argv = {"sox", "-D"};
        // Made from nothing, the sound is made at the output's rate, not
        // made at 48 kHz and converted by sox.
        for (size_t i = 0; in.size() == 1 && i + 1 < out.size(); ++i)
            if (out[i] == "-r") argv.insert(argv.end(), {"-r", out[i + 1]});
        argv.insert(argv.end(), in.begin(), in.end());
        argv.insert(argv.end(), out.begin(), out.end());
        argv.push_back(dir / name);
        argv.insert(argv.end(), effects.begin(), effects.end());
        EXPECT_EQ(testRunProgram(argv), 0) << name;
        return dir / name;
    }
    int convert(const std::string &src, const std::string &dst, sConvertResult *r,
                const std::atomic<int32_t> *cancel = nullptr) {
        return convertToFile(src.c_str(), dst.c_str(), nullptr, cancel, r);
    }
};

// A one-second tone at 997 Hz through every path, from the formats users
// bring: frequency, level, length, and the gain a full-scale source takes.
TEST_F(ConvertTest, TonesKeepFrequencyLevelAndLength) {
    struct Case {
        const char *name;
        std::vector<std::string> format;
        double amplitude;
        int32_t kind;
        const char *container, *encoding;
    };
    const Case cases[] = {
        {"48k24.wav", {"-r", "48000", "-b", "24", "-c", "2"}, 0.5, CONVERT_RESAMPLE, "WAV", "PCM"},
        {"96kf.wav", {"-r", "96000", "-e", "floating-point", "-b", "32"}, 0.5, CONVERT_RESAMPLE, "WAV", "float"},
        {"22k8.wav", {"-r", "22050", "-b", "8"}, 0.5, CONVERT_RESAMPLE, "WAV", "PCM"},
        {"48k.flac", {"-r", "48000", "-b", "16", "-c", "2"}, 0.5, CONVERT_RESAMPLE, "FLAC", "PCM"},
        {"48k.ogg", {"-r", "48000", "-c", "2"}, 0.5, CONVERT_RESAMPLE, "OGG", "Vorbis"},
        {"44k24.wav", {"-r", "44100", "-b", "24", "-c", "2"}, 0.5, CONVERT_DITHER, "WAV", "PCM"},
        {"44k16.wav", {"-r", "44100", "-b", "16"}, 0.5, CONVERT_COPY, "WAV", "PCM"},
        {"44k16.flac", {"-r", "44100", "-b", "16"}, 0.5, CONVERT_REWRAP, "FLAC", "PCM"},
        // Full scale: resampling overshoots, and dither alone would pass the top.
        {"48kfull.wav", {"-r", "48000", "-b", "24"}, 1.0, CONVERT_RESAMPLE, "WAV", "PCM"},
        {"44kfull.wav", {"-r", "44100", "-b", "24"}, 1.0, CONVERT_DITHER, "WAV", "PCM"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string src = sox(c.name, c.format, {"synth", "1", "sine", "997", "vol", std::to_string(c.amplitude)});
        std::string dst = dir / (std::string(c.name) + ".out.wav");
        sConvertResult r;
        ASSERT_EQ(convert(src, dst, &r), CONVERT_OK);
        EXPECT_EQ(r.info.kind, c.kind);
        EXPECT_STREQ(r.info.container, c.container);
        EXPECT_STREQ(r.info.encoding, c.encoding);
        Pcm p = readCanonical(dst);
        EXPECT_EQ(testReadFile(dst).size(), r.info.size);
        EXPECT_NEAR(static_cast<double>(p.frames()), 44100, 1);
        EXPECT_TRUE(c.kind != CONVERT_COPY || testReadFile(dst) == testReadFile(src));
        // Only a full-scale source is lowered, and by a fraction of a decibel.
        EXPECT_EQ(r.gainDb == 0, c.amplitude < 1) << r.gainDb;
        EXPECT_LE(r.gainDb, 0);
        EXPECT_GT(r.gainDb, -0.5);
        for (int ch = 0; ch < p.channels; ++ch) {
            std::vector<double> x = p.channel(ch);
            // Off by a fraction of a hertz, the tone would lose level here.
            EXPECT_NEAR(toneDb(middle(x), 997), 20 * std::log10(c.amplitude) + r.gainDb, 0.1);
            EXPECT_NEAR(rmsDb(middle(x)), 20 * std::log10(c.amplitude / std::sqrt(2.0)) + r.gainDb, 0.1);
            // Lowered, not clipped: a sample at a rail has no neighbour there too.
            for (size_t i = 1; i < x.size(); ++i)
                ASSERT_FALSE(std::abs(x[i]) >= 32767 && std::abs(x[i - 1]) >= 32767) << "clipped at " << i;
        }
    }
}

// A tone above the new rate's limit must not fold back into the audible band
// (an interpolating resampler leaves it near full level); a click at the
// first frame must stay there (a drum's onset does not move); surround is
// mixed to stereo by the file's channel map, the centre to both sides at
// -3 dB and the low-frequency channel nowhere.
TEST_F(ConvertTest, ResamplingAndMixingKeepWhatIsHeardAndHeaderOnlyPathsKeepTheSamples) {
    std::string tone = sox("23k.wav", {"-r", "48000", "-b", "24"}, {"synth", "1", "sine", "23000", "vol", "0.9"});
    ASSERT_EQ(convert(tone, dir / "23k.out.wav", nullptr), CONVERT_OK);
    EXPECT_LT(toneDb(readCanonical(dir / "23k.out.wav").channel(0), 44100 - 23000), -90);

    std::string raw(4800 * 3, '\0');
    raw[1] = '\x40', raw[2] = '\x60';  // 24-bit little-endian 0x604000 at frame 0
    testWriteFile(dir / "click.raw", raw);
    std::string click = sox("click.wav", {"-b", "24"}, {}, {"-t", "raw", "-r", "48000", "-e", "signed", "-b", "24",
                                                           "-c", "1", dir / "click.raw"});
    ASSERT_EQ(convert(click, dir / "click.out.wav", nullptr), CONVERT_OK);
    std::vector<double> x = readCanonical(dir / "click.out.wav").channel(0);
    ASSERT_EQ(x.size(), 4410u);
    size_t peak = 0;
    for (size_t i = 0; i < x.size(); ++i)
        if (std::abs(x[i]) > std::abs(x[peak])) peak = i;
    EXPECT_LE(peak, 1u);
    EXPECT_GT(std::abs(x[0]), 1000);

    std::string src = sox("51.wav", {"-r", "48000", "-b", "24", "-c", "6"},
                          {"synth", "1", "sine", "0", "sine", "0", "sine", "997", "sine", "60", "sine", "0", "sine", "0",
                           "vol", "0.5"});
    sConvertResult r;
    ASSERT_EQ(convert(src, dir / "51.out.wav", &r), CONVERT_OK);
    EXPECT_TRUE(r.info.mixed);
    EXPECT_TRUE(r.info.channelMap);
    Pcm p = readCanonical(dir / "51.out.wav");
    ASSERT_EQ(p.channels, 2);
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_NEAR(toneDb(p.channel(ch), 997), 20 * std::log10(0.5) - 3.01, 0.1);
        EXPECT_LT(toneDb(p.channel(ch), 60), -90);
    }

    // Samples that are already 16-bit (or 8-bit) at 44100 Hz keep their values:
    // only the header changes. Odd lengths stay exact on the dither-only path.
    // First an extensible 16-bit stereo WAV with a chunk before its data.
    std::string data;
    for (int i = 0; i < 1001 * 2; ++i) data += testLE(static_cast<uint32_t>(i * 97 - 30000) & 0xFFFF, 2);
    std::string fmt = testFmtBody(0xFFFE, 2, 44100, 16) + testLE(22, 2) + testLE(16, 2) + testLE(3, 4) +
                      testLE(1, 4) + testLE(0x00100000, 4) + std::string("\x80\x00\x00\xaa\x00\x38\x9b\x71", 8);
    testWriteFile(dir / "ext.wav", testRiff(testChunk("fmt ", fmt) + testChunk("LIST", "abc") + testChunk("data", data)));
    ASSERT_EQ(convert(dir / "ext.wav", dir / "ext.out.wav", &r), CONVERT_OK);
    EXPECT_EQ(r.info.kind, CONVERT_REWRAP);
    EXPECT_EQ(testReadFile(dir / "ext.out.wav"), testWavBytes(1001, 44100, 16, 2).substr(0, 44) + data);

    std::string u8 = sox("u8.wav", {"-r", "44100", "-b", "8"}, {"synth", "0.01", "sine", "440"});
    ASSERT_EQ(convert(u8, dir / "u8.out.wav", &r), CONVERT_OK);
    EXPECT_EQ(r.info.kind, CONVERT_REWRAP);
    std::string in = testReadFile(u8);
    in = in.substr(in.find("data") + 8, 441);  // 441 frames, then a pad byte
    std::string out = testReadFile(dir / "u8.out.wav").substr(44);
    ASSERT_EQ(out.size(), in.size() * 2);
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(static_cast<uint8_t>(out[2 * i + 1]), static_cast<uint8_t>(in[i] ^ '\x80')) << i;

    std::string odd = sox("odd.wav", {"-r", "44100", "-b", "24"}, {"synth", "44107s", "sine", "440"});
    ASSERT_EQ(convert(odd, dir / "odd.out.wav", &r), CONVERT_OK);
    EXPECT_EQ(r.info.kind, CONVERT_DITHER);
    EXPECT_EQ(readCanonical(dir / "odd.out.wav").frames(), 44107u);
}

// What cannot be converted is refused with its reason, a target that exists
// is never replaced, and a failure or cancel at any step leaves nothing.
TEST_F(ConvertTest, RefusalsAndFailuresLeaveNothing) {
    testWriteFile(dir / "empty.wav", "");
    testWriteFile(dir / "text.wav", "not audio at all, just words");
    for (auto [src, result] : {std::pair{dir / "empty.wav", CONVERT_EMPTY}, {dir / "text.wav", CONVERT_UNREADABLE},
                               {dir / "missing.wav", CONVERT_UNREADABLE}, {dir.path(), CONVERT_UNREADABLE}}) {
        sConvertInfo info;
        EXPECT_EQ(convertProbe(src.c_str(), &info), result) << src;
        EXPECT_EQ(convert(src, dir / "out.wav", nullptr), result) << src;
    }

    std::string src = sox("in.wav", {"-r", "48000", "-b", "24", "-c", "2"}, {"synth", "2", "sine", "997"});
    testWriteFile(dir / "taken.wav", "mine");
    EXPECT_EQ(convert(src, dir / "taken.wav", nullptr), CONVERT_EXISTS);
    EXPECT_EQ(testReadFile(dir / "taken.wav"), "mine");
    std::atomic<int32_t> cancel{1};
    EXPECT_EQ(convert(src, dir / "out.wav", nullptr, &cancel), CONVERT_CANCELLED);

    // Every gated file step fails once in turn, until a run passes them all;
    // the full-scale source takes the second, lowered pass too. A failed read
    // of the header only costs the plain copy, so such a run may succeed.
    // Nothing else, not even a temporary file, is ever left in the folder.
    std::string full = sox("full.wav", {"-r", "48000", "-b", "24"}, {"synth", "1", "sine", "997"});
    const size_t files = testListDir(dir.path()).size();
    for (long n = 1;; ++n) {
        SCOPED_TRACE(n);
        rliFaultFileArm(n, ENOSPC, false);
        int r = convert(full, dir / "out.wav", nullptr);
        bool fired = rliFaultFileFired();
        rliFaultFileArm(0, 0, false);
        EXPECT_EQ(testListDir(dir.path()).size(), files + (r == CONVERT_OK)) << r;
        EXPECT_TRUE(r == CONVERT_OK || r == CONVERT_WRITE_FAILED) << r;
        EXPECT_TRUE(r != CONVERT_OK || readCanonical(dir / "out.wav").frames() == 44100u);
        rliFileDelete((dir / "out.wav").c_str());
        if (!fired) break;
    }
}

}  // namespace
