// Preview sound: the mixer's arithmetic, and real output through SDL2's disk
// driver: a loop plays on and a stop rewinds.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound/mixer.h"
#include "platform/sound/sound.h"
#include "support/pcm_out.h"

namespace {

std::vector<int16_t> render(std::vector<sPcmVoice *> voices, uint32_t frames) {
    std::vector<int16_t> out(2 * frames, 0x5555);
    mixerRender(voices.data(), static_cast<int>(voices.size()), out.data(), frames);
    return out;
}

TEST(Mixer, VolumeChannelsEndLoopPauseAndSaturatedSums) {
    int16_t mono[] = {1000, -2000, 32767, -32768};
    sPcmVoice v{mono, 4, 1, 0, 1, 0, mixerVolumeQ15(0.5f)};
    std::vector<int16_t> out = render({&v}, 6);
    // Mono plays on both sides; after the last frame the voice stops and the rest is silence.
    EXPECT_EQ(out, (std::vector<int16_t>{500, 500, -1000, -1000, 16383, 16383, -16384, -16384, 0, 0, 0, 0}));
    EXPECT_EQ(std::make_pair(v.playing, v.pos), std::make_pair(0, 4u));

    int16_t stereo[] = {10, 20, 30, 40};
    sPcmVoice s{stereo, 2, 2, 0, 1, 0, mixerVolumeQ15(1.0f)};
    EXPECT_EQ(render({&s}, 2), (std::vector<int16_t>{10, 20, 30, 40}));
    EXPECT_EQ(s.playing, 0);  // ending exactly with the block counts as ended

    EXPECT_EQ(mixerVolumeQ15(-1.0f), 0);
    EXPECT_EQ(mixerVolumeQ15(2.0f), 32768);
    EXPECT_EQ(mixerScale(-32768, 32768), -32768);

    // A loop wraps and plays on; a paused voice is silent.
    int16_t three[] = {1, 2, 3};
    sPcmVoice loop{three, 3, 1, 1, 1, 1, 32768};
    EXPECT_EQ(render({&loop}, 5), (std::vector<int16_t>{2, 2, 3, 3, 1, 1, 2, 2, 3, 3}));
    EXPECT_EQ(loop.playing, 1);
    loop.playing = 0;
    EXPECT_EQ(render({&loop}, 2), (std::vector<int16_t>(4, 0)));
    // Voices add, saturating; an empty slot is skipped.
    int16_t loud[] = {30000, -30000};
    sPcmVoice va{loud, 1, 2, 0, 1, 0, 32768}, vb{loud, 1, 2, 0, 1, 0, 32768};
    EXPECT_EQ(render({&va, nullptr, &vb}, 1), (std::vector<int16_t>{32767, -32768}));
}

TEST(SoundOutput, LoopPlaysOnAndStopRewinds) {
    ScratchDir dir;
    const std::string raw = dir / "out.raw";
    ScopedEnv driver("SDL_AUDIODRIVER", "disk"), delay("SDL_DISKAUDIODELAY", "0");
    ScopedEnv file("SDL_DISKAUDIOFILE", raw.c_str());
    const sOsSound *snd = soundOutputTable();
    std::vector<int16_t> samples(441 * 2, 1200);  // 10 ms of stereo
    testWriteFile(dir / "loop.wav", testWavWithSamples(samples, 2));
    int result = -1;
    void *w = snd->create(&result, (dir / "loop.wav").c_str());
    if (!w && result == SOUND_ERROR_NO_OUTPUT) GTEST_SKIP() << "SDL2 has no disk audio driver here";
    ASSERT_NE(w, nullptr);
    snd->setLoop(w, 1);
    snd->play(w);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    snd->doCalc(w);
    EXPECT_EQ(snd->getPlaying(w), 1);  // still playing after six lengths
    snd->stop(w);
    snd->doCalc(w);
    EXPECT_EQ(std::make_pair(snd->getPlaying(w), snd->getIsEnd(w)), std::make_pair(0, 1));
    EXPECT_FLOAT_EQ(snd->getPosition(w), 0.0f);
    snd->setPosition(w, 0.5f);
    EXPECT_NEAR(snd->getPosition(w), 0.5f, 1.0f / 441);  // whole frames only
    snd->dispose(w);
    EXPECT_EQ(soundOutputOpenCount(), 0);
    std::vector<int16_t> got = testDiskOutputSound(raw);
    // More than one pass of the sound reached the output.
    EXPECT_GT(size_t(std::count(got.begin(), got.end(), 1200)), samples.size() * 2);
}

}  // namespace
