// Sound records: what making one tells the user, over the scripted host's
// real sound output (SDL2's dummy driver).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/sound.h"
#include "support/headless.h"
#include "support/pcm_out.h"
#include "support/test_util.h"

namespace {

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
        boxes.clear();
        EXPECT_EQ(soundCreate((dir / c.file).c_str(), c.name), nullptr);
        EXPECT_EQ(soundCreateResult(), c.result);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, 56);
        // Without a loaded table the text is the stand-in; the name follows it.
        EXPECT_EQ(boxes[0].text, std::wstring(L"DUMMY") + c.tail);
    }
}

TEST_F(SoundRecordTest, NoOutputIsAResultNotAMessage) {
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
