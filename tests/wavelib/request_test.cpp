// The request raisers and the jobs that write without the request step: the
// delete list's ask bit, the wave list files, and the volume check keeping a
// pulled card's mount folder empty.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "resource/dnastr_ids.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "wavelib/kitsave.h"
#include "wavelib/request.h"
#include "wavelib/wavelist.h"

namespace {

class RequestTest : public HeadlessTest {
protected:
    TestCard card{dir.path()};
    sWaveList *list = nullptr;

    void SetUp() override {
        HeadlessTest::SetUp();
        card.makeTree();
        card.addWave(1, "One", "one.wav");
        card.addWave(2, "Two", "two.wav");
        list = waveListCreateFromStorageWindowOpen(dir.path().c_str(), 0);
        ASSERT_NE(list, nullptr);
        waveRequestReset();
    }
    void TearDown() override {
        waveListDispose(list);
        waveRequestReset();
        HeadlessTest::TearDown();
    }
    // The card is pulled; its mount folder stays behind, empty.
    void pullCard() { ASSERT_EQ(std::rename((dir.path() + "/Korvan").c_str(), (dir.path() + "/x").c_str()), 0); }
};

TEST_F(RequestTest, TheLastDeleteRequestDecidesWhetherToAsk) {
    sWave *one = waveListFindWaveNumber(list, 1), *two = waveListFindWaveNumber(list, 2);
    EXPECT_EQ(waveWaveDisposeFileRequest(nullptr, 1), -1);
    EXPECT_EQ(gStatus, 0u);
    EXPECT_EQ(waveWaveDisposeFileRequest(one, 1), 0);
    EXPECT_EQ(gStatus, static_cast<uint32_t>(WAVE_STATUS_DISPOSE_ASK));
    EXPECT_EQ(waveWaveDisposeFileRequest(two, 0), 0);
    EXPECT_EQ(gStatus, 0u);
    EXPECT_EQ(rliListCount(&gDeleteWave), 2);
    // Marking a wave for saving raises the wave save.
    waveWaveSaveRequest(one, 1);
    EXPECT_EQ(gStatus, static_cast<uint32_t>(WAVE_STATUS_WAVE_SAVE));
}

// The wave lists make a missing system folder again while the card is in, and
// nothing once it is pulled.
TEST_F(RequestTest, WaveListsGoIntoTheSystemFolderAndNothingBelowAPulledCardsMountFolder) {
    ASSERT_EQ(testRunProgram({"rm", "-r", card.system()}), 0);
    EXPECT_EQ(waveListSave(list), 0);
    for (const char *name : {"wavelist_name.kvb", "wavelist_tagname.kvb", "wavelist_tagnum.kvb"})
        EXPECT_TRUE(testExists(card.system() + name)) << name;
    EXPECT_EQ(gWaveRequestFailure.first, nullptr);
    pullCard();
    EXPECT_EQ(waveListSave(list), -1);
    waveWaveSaveRequest(waveListFindWaveNumber(list, 1), 1);
    EXPECT_EQ(waveSave(list), KITSAVE_VOLUME_GONE);
    EXPECT_EQ(waveListFindWaveNumber(list, 1)->saveRequest, 1);
    EXPECT_EQ(testListDir(dir.path()), (std::vector<std::string>{"x"}));
    auto *f = static_cast<sWaveRequestFailure *>(gWaveRequestFailure.first);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->text, DNASTR_ERR_CARD_GONE);
}

}  // namespace
