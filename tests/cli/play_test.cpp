// `kvbrt play` on card trees built here, heard through SDL2's disk driver:
// the bytes of the output, the line it prints, its refusals and Ctrl-C.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "support/card.h"
#include "support/pcm_out.h"
#include "support/test_util.h"

namespace {

class CliPlay : public testing::Test {
protected:
    ScratchDir dir;
    std::string root = dir / "card";
    TestCard card{root};
    std::string raw = dir / "out.raw";
    ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    ScopedEnv delay{"SDL_DISKAUDIODELAY", "1"};
    ScopedEnv file{"SDL_DISKAUDIOFILE", raw.c_str()};
    std::vector<int16_t> ramp = testRamp(1764);  // 40 ms

    void SetUp() override {
        card.makeTree();
        card.addWave(3, "KICK", "kick.wav");
        testWriteFile(card.data(0) + "kick.wav", testWavWithSamples(ramp, 1));
        card.addWave(4, "LOW", "low.wav");
        testWriteFile(card.data(0) + "low.wav", testWavBytes(100, 22050));
        card.addWave(5, "BAD", "bad.wav");
        testWriteFile(card.data(0) + "bad.wav", "RIFF\x04\0\0\0WAVE");
    }
};

TEST_F(CliPlay, PlaysTheWaveOnceAtTheGivenVolumeOrInALoopUntilCtrlC) {
    CliResult r = cliRun({"play", root, "3", "--volume", "500"});
    if (r.err.find("no sound output") != std::string::npos) GTEST_SKIP() << "SDL2 has no disk audio driver here";
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3  KICK  40 ms  1 channel\n");
    std::vector<int16_t> got = testDiskOutputSound(raw);
    std::vector<int16_t> want = testMonoOut(ramp, 16384);
    ASSERT_GE(got.size(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin()));
    EXPECT_TRUE(std::all_of(got.begin() + static_cast<long>(want.size()), got.end(), [](int16_t s) { return s == 0; }));

    r = cliRun({"play", root, "3", "--json", "--volume", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"number\":3,\"name\":\"KICK\",\"file\":\"" + card.data(0) +
                         "kick.wav\",\"time_ms\":40,\"channels\":1,\"file_size\":" +
                         std::to_string(44 + 2 * ramp.size()) + ",\"volume\":0,\"loop\":false}\n");

    std::vector<int16_t> once = testMonoOut(ramp, 32768);
    // A press that comes too late (or to a run that never played) must not end the tests.
    auto previous = std::signal(SIGINT, [](int) {});
    std::atomic<bool> returned{false};
    // Ctrl-C once three rounds have reached the output (playing has begun, so
    // the command is catching it by then).
    std::thread presser([&] {
        for (int i = 0; i < 5000 && !returned && testDiskOutputSound(raw).size() < 3 * once.size(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!returned) std::raise(SIGINT);
    });
    r = cliRun({"play", root, "3", "--loop"});
    returned = true;
    presser.join();
    std::signal(SIGINT, previous);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(r.out, "3  KICK  40 ms  1 channel  (loop)\n");
    got = testDiskOutputSound(raw);
    ASSERT_GE(got.size(), 3 * once.size());
    for (size_t i = 0; i < 3 * once.size(); ++i) ASSERT_EQ(got[i], once[i % once.size()]) << "sample " << i;
}

TEST_F(CliPlay, Refusals) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;  // part of the message
    } cases[] = {
        {{"9"}, 1, root + ": no wave numbered 9"},
        {{"4"}, 1, card.data(0) + "low.wav: cannot be played: not a 44100 Hz 16-bit file"},
        {{"5"}, 1, card.data(0) + "bad.wav: cannot be read as audio"},
        {{"3", "--volume", "1001"}, 2, "--volume"},
        {{"3", "--volume", "loud"}, 2, "--volume"},
        {{"three"}, 2, "WAVE"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = {"play", root};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_TRUE(cliRefused(args, c.status, c.err));
    }
    ScopedEnv none{"SDL_AUDIODRIVER", "no-such-driver"};
    EXPECT_TRUE(cliRefused({"play", root, "3"}, 1, "audio output: no sound output is available"));
}

}  // namespace
