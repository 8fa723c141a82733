// The scan runs as a job under the progress window: on the worker thread, with
// its counted bar, and the library it builds arrives on the caller's side.
#include <gtest/gtest.h>

#include <string>

#include "foundation/mem.h"
#include "platform/job.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

using ScanJobTest = HeadlessTest;

TEST_F(ScanJobTest, ScanRunsOnTheWorkerWithACountedBar) {
    TestCard card(dir.path());
    card.makeTree();
    card.writeCategories({{"DEFAULT", 0}, {"Kicks", 1}});
    for (int n : {0, 1, 105}) card.addWave(n, "Wave" + std::to_string(n), "w" + std::to_string(n) + ".wav");
    card.writeKit("kit003.kvb", "Kit", "", {{0, -1}});

    sWaveList *list = waveListCreateFromStorageWindowOpen(dir.path().c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(rliListCount(&list->waves), 3);
    // One step per file read: the category list, the kit and three parameter files.
    EXPECT_EQ(gReadFileMax.load(), 5);
    EXPECT_EQ(gnReadFile.load(), 5);
    EXPECT_FLOAT_EQ(hlProgressRatio(), 1.0f);
    EXPECT_EQ(hlCallCount("progressOpen"), 1);
    EXPECT_EQ(hlCallCount("progressClose"), 1);
    EXPECT_EQ(editProgressBarGetIsWindow(), 0);
    waveListDispose(list);
}

TEST_F(ScanJobTest, AllocationFailureAtAnyStepLeaksNothingAndDeletesNothing) {
    TestCard card(dir.path());
    card.makeTree();
    card.addWave(7, "Seven", "seven.wav");
    long blocks = memGetBlockCount();
    // The library's own records come first; fail each allocation in turn until
    // the scan gets through, and count on nothing being left behind.
    for (long n = 1; n < 400; ++n) {
        hlFailAllocation(n);
        sWaveList *list = waveListCreateFromStorageWindowOpen(dir.path().c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
        hlFailAllocation(0);
        if (list) {
            waveListDispose(list);
            continue;
        }
        EXPECT_EQ(memGetBlockCount(), blocks) << "allocation " << n;
    }
    EXPECT_EQ(memGetBlockCount(), blocks);
    EXPECT_TRUE(testExists(card.prm(0) + "/07.kvb"));
}

}  // namespace
