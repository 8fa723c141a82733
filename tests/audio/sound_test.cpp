// Sound records: what making one tells the user, and the facts it reports,
// over the scripted host's real sound output (SDL2's dummy driver).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/sound.h"
#include "platform/ghost.h"
#include "platform/headless/headless.h"
#include "support/pcm_out.h"
#include "support/test_util.h"

namespace {

struct SeenBox {
    int title;
    std::wstring text;
};
std::vector<SeenBox> gBoxes;

class SoundRecordTest : public testing::Test {
protected:
    ScratchDir dir;
    ScopedEnv driver{"SDL_AUDIODRIVER", "dummy"};
    void SetUp() override {
        hlInstall();
        gBoxes.clear();
        soundSetMessageBox([](int title, const wchar_t *text, int) {
            gBoxes.push_back({title, text});
            return 1;
        });
    }
    void TearDown() override {
        soundSetMessageBox(nullptr);
        ghostHostInstall(nullptr);
    }
};

TEST_F(SoundRecordTest, RefusalsTellTheUserWithTheNameAndLeaveNothing) {
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
        gBoxes.clear();
        EXPECT_EQ(soundCreate((dir / c.file).c_str(), c.name), nullptr);
        EXPECT_EQ(soundCreateResult(), c.result);
        ASSERT_EQ(gBoxes.size(), 1u);
        EXPECT_EQ(gBoxes[0].title, 56);
        // Without a loaded table the text is the stand-in; the name follows it.
        EXPECT_EQ(gBoxes[0].text, std::wstring(L"DUMMY") + c.tail);
    }
}

TEST_F(SoundRecordTest, NoOutputIsAResultNotAMessage) {
    testWriteFile(dir / "ok.wav", testWavBytes(100));
    {
        ScopedEnv none{"SDL_AUDIODRIVER", "no-such-driver"};
        EXPECT_EQ(soundCreate((dir / "ok.wav").c_str()), nullptr);
        EXPECT_EQ(soundCreateResult(), SOUND_RESULT_NO_OUTPUT);
    }
    ghostHostInstall(nullptr);
    EXPECT_EQ(soundCreate((dir / "ok.wav").c_str()), nullptr);
    EXPECT_EQ(soundCreateResult(), SOUND_RESULT_FAILED);
    EXPECT_TRUE(gBoxes.empty());
}

TEST_F(SoundRecordTest, DefaultBoxIsThePlatformsMessageBox) {
    soundSetMessageBox(nullptr);
    EXPECT_EQ(soundCreate((dir / "missing.wav").c_str()), nullptr);
    EXPECT_EQ(hlCallCount("messageBox 0"), 1);
}

TEST_F(SoundRecordTest, FactsOfTheFile) {
    // 176400 data bytes at 176400 bytes per second: one second exactly.
    testWriteFile(dir / "second.wav", testWavBytes(44100, 44100, 16, 2));
    _sSound *s = soundCreate((dir / "second.wav").c_str());
    if (!s && soundCreateResult() == SOUND_RESULT_NO_OUTPUT) GTEST_SKIP() << "SDL2 has no dummy audio driver here";
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(soundCreateResult(), 0);
    EXPECT_EQ(soundGetTotTime(s), 1000u);
    EXPECT_EQ(soundGetChannels(s), 2);
    EXPECT_EQ(soundGetFilesize(s), 44u + 176400u);
    soundSetVolume(s, 0.5f);
    EXPECT_FLOAT_EQ(soundGetVolume(s), 0.5f);
    soundSetLoop(s, 1);
    EXPECT_EQ(soundGetLoop(s), 1);
    soundSetPosition(s, 0.25f);
    EXPECT_NEAR(soundGetPosition(s), 0.25f, 1e-4);
    soundDispose(s);

    // Every operation on no record answers zero and changes nothing.
    soundPlay(nullptr);
    soundDispose(nullptr);
    EXPECT_EQ(soundGetTotTime(nullptr), 0u);
    EXPECT_EQ(soundGetPlaying(nullptr), 0);
    EXPECT_EQ(soundGetIsEnd(nullptr), 0);
    EXPECT_EQ(soundGetFilesize(nullptr), 0u);
}

}  // namespace
