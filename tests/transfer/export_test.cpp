// Wave export: copies named after the waves, never replacing anything in the
// target folder, every wave not exported reported, nothing partial left.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/fault.h"
#include "platform/headless/headless.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "transfer/export.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

struct Outcome {
    int number;
    int result;
    std::string target;
};

class ExportTest : public HeadlessTest {
protected:
    std::string root = dir / "card", out = dir / "out";
    TestCard card{root};
    sWaveList *list = nullptr;
    std::vector<Outcome> outcomes;

    void SetUp() override {
        HeadlessTest::SetUp();
        testMakeDirs(out);
        card.makeTree();
    }
    void TearDown() override {
        waveListDispose(list);
        waveExportSetReport(nullptr, nullptr);
        HeadlessTest::TearDown();
    }
    void open() {
        list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
        ASSERT_NE(list, nullptr);
    }
    // Exports the waves into the out folder; returns the file names written.
    std::vector<std::string> run(const std::vector<int> &numbers, const std::string &folder = "") {
        outcomes.clear();
        for (int n : numbers) waveExportSetRequest(waveListFindWaveNumber(list, n));
        waveExportSetReport(
            [](const sWave *w, const char *target, int result, void *ctx) {
                static_cast<std::vector<Outcome> *>(ctx)->push_back({w->waveNumber, result, target ? target : ""});
            },
            &outcomes);
        hlPushDirDialogAnswer(folder.empty() ? out : folder);
        waveExportCalc(list);
        std::vector<std::string> written;
        for (const auto &o : outcomes)
            if (o.result == EXPORT_OK) written.push_back(o.target.substr(o.target.rfind('/') + 1));
        return written;
    }
    std::string audio(int number) {
        const sWave *w = waveListFindWaveNumber(list, number);
        return testReadFile(card.data(number / 100) + w->fileName);
    }
};

TEST_F(ExportTest, NamesFollowTheWaveAndTheRunningNumberRuleAndNothingIsReplaced) {
    card.addWave(0, "Kick 1", "Kick.wav");
    card.addWave(1, "KICK", "k1.wav");
    card.addWave(2, "KICK", "k2.wav");
    card.addWave(3, "Clap", "Clap.aif");
    card.addWave(4, "Kick.1", "x.wav");
    open();
    using V = std::vector<std::string>;
    EXPECT_EQ(run({0}), V{"Kick 1.wav"});
    EXPECT_EQ(run({0, 0}), (V{"Kick 1_1.wav", "Kick 1_2.wav"}));
    // A folder and a link in the way are passed over, the link left as it was.
    testMakeDirs(out + "/Clap.aif");
    ASSERT_EQ(symlink("elsewhere", (out + "/Clap_1.aif").c_str()), 0);
    EXPECT_EQ(run({3}), V{"Clap_2.aif"});
    char link[64] = {};
    EXPECT_GT(readlink((out + "/Clap_1.aif").c_str(), link, sizeof link - 1), 0);
    EXPECT_STREQ(link, "elsewhere");
    // A dotted name numbers on too, rather than meeting its own earlier copy.
    EXPECT_EQ(run({4, 4}), (V{"Kick.1.wav", "Kick.1_1.wav"}));
    EXPECT_EQ(testReadFile(out + "/Kick 1_2.wav"), audio(0));

    struct {
        std::vector<std::string> present;
        std::vector<int> waves;
        V want;
    } cases[] = {
        {{"KICK_5.wav"}, {1}, {"KICK.wav"}},
        {{"KICK.wav", "KICK_5.wav"}, {1}, {"KICK_6.wav"}},
        {{"KICK.wav", "KICK_1.wav"}, {1, 2}, {"KICK_2.wav", "KICK_3.wav"}},
        {{"kick.WAV"}, {1}, {"KICK_1.wav"}},
    };
    for (const auto &c : cases) {
        ScratchDir target;
        for (const auto &p : c.present) testWriteFile(target / p, "old");
        EXPECT_EQ(run(c.waves, target.path()), c.want) << c.present[0];
        for (const auto &p : c.present) EXPECT_EQ(testReadFile(target / p), "old");
    }
}

TEST_F(ExportTest, RefusedFailedAndCancelledWavesAreReportedAndNothingMoreIsWritten) {
    card.addWave(0, "A/B", "ab.wav");
    card.addWave(1, "Good", "good.wav");
    card.addWave(2, "Q?", "q.wav");
    card.addWave(3, "Lost", "lost.wav");
    card.addWave(4, "Tail", "tail.wav");
    open();
    unlink((card.data(0) + "lost.wav").c_str());
    EXPECT_EQ(run({0, 1, 2, 3, 4}), (std::vector<std::string>{"Good.wav", "Tail.wav"}));
    std::vector<int> want = {EXPORT_BAD_NAME, EXPORT_OK, EXPORT_BAD_NAME, EXPORT_COPY_FAILED, EXPORT_OK};
    ASSERT_EQ(outcomes.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(outcomes[i].result, want[i]) << i;
    EXPECT_EQ(hlCallCount("messageBox"), 3);
    bool named = false;
    for (const auto &c : hlCalls()) named = named || c.find("\n\nA/B") != std::string::npos;
    EXPECT_TRUE(named);
    EXPECT_EQ(testListDir(out), (std::vector<std::string>{"Good.wav", "Tail.wav"}));

    // Cancelled when the first wave is done: exactly one file more.
    for (int n : {1, 4, 1}) waveExportSetRequest(waveListFindWaveNumber(list, n));
    std::vector<int> results;
    waveExportSetReport(
        [](const sWave *, const char *, int result, void *ctx) {
            static_cast<std::vector<int> *>(ctx)->push_back(result);
            waveExportSetCancel();
        },
        &results);
    hlPushDirDialogAnswer(out);
    EXPECT_EQ(waveExportCalc(list), 2);
    EXPECT_EQ(results, (std::vector<int>{EXPORT_OK, EXPORT_NOT_RUN, EXPORT_NOT_RUN}));
    EXPECT_EQ(testListDir(out).size(), 3u);

    // The folder dialog cancelled: the requests go.
    waveExportSetRequest(waveListFindWaveNumber(list, 1));
    hlPushDirDialogAnswer("");
    EXPECT_EQ(waveExportCalc(list), 0);
    EXPECT_EQ(gExportWave.first, nullptr);
    EXPECT_EQ(testListDir(out).size(), 3u);
}

TEST_F(ExportTest, AFailingFileOperationLeavesOnlyWholeFiles) {
    card.addWave(0, "One", "one.wav");
    card.addWave(1, "Two", "two.wav");
    open();
    for (long n = 1; n < 100; ++n) {
        ScratchDir target;
        hlFailFileOperation(n, EIO);
        std::vector<std::string> written = run({0, 1}, target.path());
        bool fired = rliFaultFileFired();
        hlFailFileOperation(0, 0);
        SCOPED_TRACE("operation " + std::to_string(n));
        EXPECT_EQ(outcomes.size(), 2u);
        // Every file there was reported written and is whole; nothing else is.
        EXPECT_EQ(testListDir(target.path()), written);
        for (const auto &o : outcomes)
            EXPECT_TRUE(o.result != EXPORT_OK || testReadFile(o.target) == audio(o.number)) << o.target;
        if (!fired) return;
    }
    ADD_FAILURE() << "the export never got through";
}

}  // namespace
