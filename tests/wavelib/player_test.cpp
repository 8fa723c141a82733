// The selected wave's preview player on a card tree, played through SDL2's
// disk driver so the bytes that reach the output can be compared.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound.h"
#include "foundation/global.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/pcm_out.h"
#include "support/test_util.h"
#include "wavelib/player.h"
#include "wavelib/wavelist.h"

namespace {

struct Seen {
    std::vector<int> requests;  // codes posted to the main window
    std::vector<int> boxes;     // message texts shown
    int errorCloses = 0;
};

class PlayerTest : public HeadlessTest {
protected:
    TestCard card{dir.path()};
    std::string raw = dir / "out.raw";
    ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    ScopedEnv delay{"SDL_DISKAUDIODELAY", "1"};  // about 20 times real time
    ScopedEnv file{"SDL_DISKAUDIOFILE", raw.c_str()};
    std::vector<int16_t> ramp = testRamp(2205);  // 50 ms
    sWave kick{}, snare{}, gone{};
    Seen seen;
    sWaveList *list = nullptr;  // the library the screens show: its card is played from

    static void setWave(sWave &w, int number, const char *name, const char *file) {
        std::snprintf(w.name, sizeof w.name, "%s", name);
        std::snprintf(w.fileName, sizeof w.fileName, "%s", file);
        std::snprintf(w.dataFolder, sizeof w.dataFolder, "%02d", number / 100);
        w.waveNumber = number;
    }

    void SetUp() override {
        HeadlessTest::SetUp();
        card.makeTree();
        testMakeDirs(card.data(0));
        testWriteFile(card.data(0) + "kick.wav", testWavWithSamples(ramp, 1));
        testWriteFile(card.data(0) + "snare.wav", testWavBytes(44100, 44100, 16, 2));
        setWave(kick, 1, "KICK", "kick.wav");
        setWave(snare, 2, "SNARE", "snare.wav");
        setWave(gone, 3, "GONE", "gone.wav");
        list = waveListCreateFromStorageWindowOpen(dir.path().c_str(), 0);
        ASSERT_EQ(G.currentWaveList, list);
        sWavePlayerHooks hooks{};
        hooks.postRequest = [](void *user, int code, int) { static_cast<Seen *>(user)->requests.push_back(code); };
        hooks.messageBox = [](void *user, int, int text, int) {
            static_cast<Seen *>(user)->boxes.push_back(text);
            return 1;
        };
        hooks.errorClose = [](void *user) { ++static_cast<Seen *>(user)->errorCloses; };
        hooks.user = &seen;
        waveWavePlayerSetHooks(&hooks);
        soundSetMessageBox(
            [](void *user, int, const wchar_t *text, int) {
                static_cast<Seen *>(user)->boxes.push_back(std::wcsncmp(text, L"DUMMY", 5) == 0 ? 83 : -1);
                return 1;
            },
            &seen);
    }

    void TearDown() override {
        waveWaveSelect(nullptr);
        gpSelectWave = nullptr;
        gbSoundLoop = 0;
        waveWavePlayerSetHooks(nullptr);
        soundSetMessageBox(nullptr, nullptr);
        waveListDispose(list);
        HeadlessTest::TearDown();
    }

    // Runs main-loop passes until `done` (at most some seconds); returns the passes
    // whose end flag was 1.
    template <class Done>
    int passUntil(Done done) {
        int ends = 0;
        for (int i = 0; i < 5000 && !done(); ++i) {
            waveWaveDoCalc();
            ends += waveWaveGetIsEnd() == 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return ends;
    }
};

TEST_F(PlayerTest, PlaysToTheEndOrInALoopReportsTheEndOnceAndHoldsOnePlayerPerSelection) {
    ASSERT_EQ(waveWaveSelect(&kick), 0) << soundCreateResult();
    if (soundCreateResult() == SOUND_RESULT_NO_OUTPUT) GTEST_SKIP() << "SDL2 has no disk audio driver here";
    _sSound *first = gpSound;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(waveWaveSelect(&kick), 0);  // the same wave: same player, no news
    EXPECT_EQ(gpSound, first);
    EXPECT_EQ(waveWaveGetTotTime(), 50u);
    EXPECT_EQ(waveWaveGetChannels(), 1);
    EXPECT_EQ(waveWaveGetFilesize(), 44u + 2 * 2205);
    ASSERT_EQ(waveWavePlay(), 0);
    int ends = passUntil([] { return waveWaveGetPlaying() != 0; });
    for (int i = 0; i < 3; ++i) {
        waveWaveDoCalc();
        ends += waveWaveGetIsEnd() == 1;
    }
    EXPECT_EQ(ends, 1);
    EXPECT_FLOAT_EQ(waveWaveGetPosition(), 1.0f);
    EXPECT_TRUE(seen.requests.empty());  // ending by itself is the end flag's news

    // Each release of a player tells the window once.
    ASSERT_EQ(waveWaveSelect(&snare), 0);
    EXPECT_EQ(seen.requests, std::vector<int>{204});
    // 176400 data bytes at 176400 bytes per second: one second exactly.
    EXPECT_EQ(waveWaveGetChannels(), 2);
    EXPECT_EQ(waveWaveGetTotTime(), 1000u);
    EXPECT_EQ(waveWaveGetFilesize(), 44u + 176400u);
    EXPECT_EQ(waveWaveSelect(nullptr), 0);
    EXPECT_EQ(waveWaveIsCreate(), -1);
    EXPECT_EQ(waveWaveSelect(nullptr), 0);
    EXPECT_EQ(seen.requests, (std::vector<int>{204, 204}));

    // The library clears the selection of a wave it disposes of; the player
    // made for that wave goes with the next deselection instead of staying open.
    ASSERT_EQ(waveWaveSelect(&kick), 0);
    gpSelectWave = nullptr;
    EXPECT_EQ(waveWaveSelect(nullptr), 0);
    EXPECT_EQ(gpSound, nullptr);
    EXPECT_EQ(seen.requests.size(), 3u);

    // A loop set without a player holds for the next one; stopping ends it.
    waveWaveSetLoop(1);
    EXPECT_EQ(waveWaveGetLoop(), 1);
    ASSERT_EQ(waveWaveSelect(&kick), 0);
    ASSERT_EQ(waveWavePlay(), 0);
    std::vector<int16_t> once = testMonoOut(ramp, 32768);
    EXPECT_EQ(passUntil([&] { return testDiskOutputSound(raw).size() >= 3 * once.size(); }), 0);
    EXPECT_EQ(waveWaveGetPlaying(), 0);
    waveWaveStop();
    EXPECT_EQ(seen.requests.size(), 4u);
    waveWaveDoCalc();
    EXPECT_EQ(waveWaveGetIsEnd(), 1);
    waveWaveDoCalc();
    EXPECT_EQ(waveWaveGetIsEnd(), 0);
    EXPECT_EQ(waveWaveGetPlaying(), -1);
    waveWaveSelect(nullptr);  // closes the output, so the file holds all it was given

    std::vector<int16_t> got = testDiskOutputSound(raw);
    ASSERT_GE(got.size(), 3 * once.size());
    for (size_t i = 0; i < 3 * once.size(); ++i) ASSERT_EQ(got[i], once[i % once.size()]) << "sample " << i;
}

TEST_F(PlayerTest, WithoutAPlayerEveryOperationAnswersNoneAndAGoneCardClosesTheWindow) {
    // A removed file: message 83, the wave stays selected without a player.
    EXPECT_EQ(waveWaveSelect(&gone), -1);
    EXPECT_EQ(seen.boxes, std::vector<int>{83});
    EXPECT_EQ(gpSelectWave, &gone);
    EXPECT_EQ(waveWaveIsCreate(), -1);
    EXPECT_EQ(waveWavePlay(), -1);
    waveWaveStop();
    waveWaveSetVolume(0.5f);
    waveWaveSetPosition(0.5f);
    waveWaveDoCalc();
    EXPECT_EQ(waveWaveGetPlaying(), -1);
    EXPECT_EQ(waveWaveGetIsEnd(), -1);
    EXPECT_EQ(waveWaveGetPosition(), 0.0f);
    EXPECT_EQ(waveWaveGetVolume(), 0.0f);
    EXPECT_EQ(waveWaveGetTotTime(), 0u);
    EXPECT_EQ(waveWaveGetChannels(), 0);
    EXPECT_EQ(waveWaveGetFilesize(), 0u);
    EXPECT_TRUE(seen.requests.empty());
    EXPECT_EQ(seen.errorCloses, 0);
    // A stored name that would leave its data folder is never opened.
    sWave escape{};
    setWave(escape, 4, "ESC", "..");
    EXPECT_EQ(waveWaveSelect(&escape), -1);
    EXPECT_EQ(seen.boxes, (std::vector<int>{83, 83}));
    // The card gone: message 88, and the window closes with an error.
    ASSERT_EQ(std::rename((dir / "Korvan").c_str(), (dir / "Korvan.old").c_str()), 0);
    EXPECT_EQ(waveWaveSelect(&kick), -1);
    EXPECT_EQ(seen.boxes, (std::vector<int>{83, 83, 88}));
    EXPECT_EQ(seen.errorCloses, 1);
    EXPECT_EQ(waveWaveIsCreate(), -1);
    EXPECT_EQ(waveWavePlayCreate(), -1);  // asked again: told again, never a player
    EXPECT_EQ(seen.errorCloses, 2);
}

}  // namespace
