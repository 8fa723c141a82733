// Audio header reader: files built here byte by byte, with the chunks other
// programs put around the sound (lists, names, extensible formats). Sound
// records: what making one tells the user, over the scripted host's real sound
// output (SDL2's dummy driver).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/audio.h"
#include "audio/sound.h"
#include "support/audio_bytes.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"

namespace {

// Decodes `bytes` saved under `name`; the record (or null) is the result.
class AudioTest : public testing::Test {
protected:
    ScratchDir dir;
    _sAudioContext *ctx = nullptr;
    _sAudioContext *decode(const std::string &name, const std::string &bytes) {
        testWriteFile(dir / name, bytes);
        audioDispose(ctx);
        ctx = audioDecode((dir / name).c_str());
        return ctx;
    }
    void TearDown() override { audioDispose(ctx); }
};

TEST_F(AudioTest, WavFieldsLayoutsAndTheExtensionChoosingTheParser) {
    std::string bytes = testRiff(testChunk("fmt ", testFmtBody(1, 2, 44100, 16)) + testChunk("data", std::string(176400, 0)));
    ASSERT_NE(decode("kick.WAV", bytes), nullptr);
    EXPECT_EQ(ctx->format, AUDIO_FORMAT_RIFF);
    EXPECT_EQ(audioGetChannels(ctx), 2);
    EXPECT_EQ(audioGetSampleRate(ctx), 44100);
    EXPECT_EQ(audioGetBitsPerSample(ctx), 16);
    EXPECT_EQ(audioGetBlockAlign(ctx), 4);
    EXPECT_EQ(audioGetBitRate(ctx), 1411200);
    EXPECT_EQ(audioGetWaveSize(ctx), 176400u);
    EXPECT_EQ(audioGetTotTime(ctx), 44100u);
    EXPECT_EQ(audioGetFilesize(ctx), 176400u + 44);
    EXPECT_STREQ(audioGetExtPtr(ctx), ".WAV");
    EXPECT_STREQ(ctx->fname, "kick");
    EXPECT_TRUE(audioIsPlayable(ctx));
    ASSERT_NE(decode("KICK.mp3", bytes), nullptr);
    EXPECT_EQ(ctx->format, AUDIO_FORMAT_NONE);
    EXPECT_EQ(ctx->sampleRate, 0);
    EXPECT_EQ(ctx->channels, 0);
    EXPECT_EQ(ctx->filesize, bytes.size());
    EXPECT_FALSE(audioIsPlayable(ctx));
    // A WAV named .aif is judged as what its name says, and refused.
    EXPECT_EQ(decode("KICK.aif", bytes), nullptr);
    EXPECT_EQ(audioDecode((dir / "missing.wav").c_str()), nullptr);

    std::string fmt = testChunk("fmt ", testFmtBody(1, 1, 44100, 16));
    std::string data = testChunk("data", std::string(100, 0));
    struct {
        const char *what;
        std::string bytes;
        bool ok;
        uint32_t waveSize;
    } cases[] = {
        {"odd LIST between fmt and data", testRiff(fmt + testChunk("LIST", std::string(25, 'x')) + data), true, 100},
        {"LIST before fmt", testRiff(testChunk("LIST", std::string(9, 'y')) + fmt + data), true, 100},
        {"fmt with extra bytes", testRiff(testChunk("fmt ", testFmtBody(1, 1, 44100, 16, 2)) + data), true, 100},
        {"odd-sized fmt is padded", testRiff(testChunk("fmt ", testFmtBody(1, 1, 44100, 16, 1)) + data), true, 100},
        {"float samples", testRiff(testChunk("fmt ", testFmtBody(3, 1, 44100, 32)) + data), false, 0},
        {"extensible", testRiff(testChunk("fmt ", testFmtBody(0xFFFE, 2, 44100, 16, 24)) + data), false, 0},
        {"fmt of 14 bytes", testRiff(testChunk("fmt ", testFmtBody(1, 1, 44100, 16).substr(0, 14)) + data), false, 0},
        {"no RIFF", "RIFX" + testRiff(fmt + data).substr(4), false, 0},
        {"no WAVE", testRiff(fmt + data).replace(8, 4, "AVI "), false, 0},
        {"no data chunk", testRiff(fmt + testChunk("LIST", "ab")), false, 0},
        {"no fmt chunk", testRiff(data), false, 0},
        {"cut inside fmt", testRiff(fmt + data).substr(0, 30), false, 0},
        {"chunk size points past the end", testRiff(fmt + "junk\xF0\xFF\xFF\x7F" + data), false, 0},
        {"empty file", "", false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        _sAudioContext *r = decode("t.wav", c.bytes);
        EXPECT_EQ(r != nullptr, c.ok);
        if (r) {
            EXPECT_EQ(r->waveSize, c.waveSize);
        }
    }
}

TEST_F(AudioTest, AiffLayoutsAndRatesTable) {
    auto chunk = [](const char *tag, const std::string &body) { return testChunk(tag, body, true); };
    std::string comm = chunk("COMM", testCommBody(1, 1000, 16));
    std::string ssnd = chunk("SSND", testSsndBody(88200));
    struct {
        const char *what;
        std::string name, bytes;
        int32_t format;  // -1: refused
        uint32_t waveSize;
    } cases[] = {
        {"plain AIFF", "a.aif", testForm("AIFF", comm + ssnd), AUDIO_FORMAT_AIFF, 88200},
        {"named chunks first", "a.aiff", testForm("AIFF", chunk("NAME", "odd") + chunk("ANNO", "x") + comm + ssnd),
         AUDIO_FORMAT_AIFF, 88200},
        {"compressed AIFC reported like PCM", "a.aif",
         testForm("AIFC", chunk("FVER", testBE(0xA2805140u, 4)) + chunk("COMM", testCommBody(1, 1000, 16, "sowt")) + ssnd), AUDIO_FORMAT_AIFC,
         88200},
        {"sound data before the common chunk", "a.aif", testForm("AIFF", chunk("SSND", testSsndBody(500)) + comm),
         AUDIO_FORMAT_AIFF, 500},
        {"no sound data", "a.aif", testForm("AIFF", comm), -1, 0},
        {"no common chunk", "a.aif", testForm("AIFF", ssnd), -1, 0},
        {"not FORM", "a.aif", "RIFF" + testForm("AIFF", comm + ssnd).substr(4), -1, 0},
        {"not AIFF", "a.aif", testForm("8SVX", comm + ssnd), -1, 0},
        {"common chunk too short", "a.aif", testForm("AIFF", chunk("COMM", testCommBody(1, 1000, 16).substr(0, 12)) + ssnd),
         -1, 0},
        {"cut in the common chunk", "a.aif", testForm("AIFF", comm + ssnd).substr(0, 24), -1, 0},
        {"huge chunk size", "a.aif", testForm("AIFF", std::string("JUNK\x7F\xFF\xFF\xF0", 8) + comm + ssnd), -1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        _sAudioContext *r = decode(c.name, c.bytes);
        ASSERT_EQ(r != nullptr, c.format >= 0);
        if (!r) continue;
        EXPECT_EQ(r->format, c.format);
        EXPECT_EQ(r->waveSize, c.waveSize);
        EXPECT_EQ(r->sampleRate, 44100);
        EXPECT_EQ(r->blockAlign, 2);
        EXPECT_EQ(r->bitRate, 705600);
        EXPECT_EQ(r->totTime, 0u);
    }
    // The rate is an extended float: odd ones give 0, never a fault.
    const struct {
        uint8_t bytes[10];
        int32_t rate;
    } rates[] = {
        {{0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}, 44100},
        {{0x40, 0x0D, 0xBB, 0x80, 0, 0, 0, 0, 0, 0}, 24000},
        {{0x40, 0x0F, 0xBB, 0x80, 0, 0, 0, 0, 0, 0}, 96000},
        {{0xC0, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}, -44100},
        {{0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 1}, 0},           // not a number
        {{0x7F, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}, 0},              // infinity
        {{0x43, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0},  // far too large
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
        {{0x3F, 0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0}, 0},           // one half truncates to 0
    };
    for (const auto &c : rates) EXPECT_EQ(audioExtendedToRate(c.bytes), c.rate);
}

struct SeenBox {
    int title;
    std::wstring text;
};

class SoundRecordTest : public HeadlessTest {
protected:
    ScopedEnv driver{"SDL_AUDIODRIVER", "dummy"};
    std::vector<SeenBox> boxes;
    void SetUp() override {
        HeadlessTest::SetUp();
        soundSetMessageBox(
            [](void *user, int title, const wchar_t *text, int) {
                static_cast<std::vector<SeenBox> *>(user)->push_back({title, text});
                return 1;
            },
            &boxes);
    }
    void TearDown() override {
        soundSetMessageBox(nullptr, nullptr);
        HeadlessTest::TearDown();
    }
};

TEST_F(SoundRecordTest, RefusalsTellTheUserWithTheNameAndNoOutputIsAResultNotAMessage) {
    testWriteFile(dir / "low.wav", testWavBytes(100, 22050));
    testWriteFile(dir / "8bit.wav", testWavBytes(100, 44100, 8));
    testWriteFile(dir / "junk.wav", "RIFF....WAVEjunk");
    struct Case {
        const char *file;
        const char *name;  // shown after the text; null: the file's name
        int result;
        int text;
        const wchar_t *tail;
    } cases[] = {
        {"missing.wav", "KICK 01", 2, 83, L"\n\nKICK 01"},
        {"junk.wav", nullptr, 2, 83, L"\n\njunk.wav"},
        {"low.wav", nullptr, 3, 84, L"\n\nlow.wav"},
        {"8bit.wav", "SNARE", 3, 84, L"\n\nSNARE"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        boxes.clear();
        EXPECT_EQ(soundCreate((dir / c.file).c_str(), c.name), nullptr);
        EXPECT_EQ(soundCreateResult(), c.result);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, 56);
        // Without a loaded table the text is the stand-in; the name follows it.
        EXPECT_EQ(boxes[0].text, std::wstring(L"DUMMY") + c.tail);
    }
    // No sound output is a result, not a message.
    boxes.clear();
    testWriteFile(dir / "ok.wav", testWavBytes(100));
    {
        ScopedEnv none{"SDL_AUDIODRIVER", "no-such-driver"};
        EXPECT_EQ(soundCreate((dir / "ok.wav").c_str()), nullptr);
        EXPECT_EQ(soundCreateResult(), SOUND_RESULT_NO_OUTPUT);
    }
    EXPECT_TRUE(boxes.empty());
    // Without a box of its own, a refusal goes to the platform's message box.
    soundSetMessageBox(nullptr, nullptr);
    EXPECT_EQ(soundCreate((dir / "missing.wav").c_str()), nullptr);
    EXPECT_EQ(hlCallCount("messageBox 0"), 1);
    ghostHostInstall(nullptr);
    EXPECT_EQ(soundCreate((dir / "ok.wav").c_str()), nullptr);
    EXPECT_EQ(soundCreateResult(), SOUND_RESULT_FAILED);
}

}  // namespace
