// The request step on real card trees: the order it serves requests in, the
// card vanishing between edits, failing deletions, failed saves that stay
// requested, and requests a renumbering makes void; and the raisers' status bits.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/docalc.h"
#include "platform/headless/headless.h"
#include "resource/dnastr_ids.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/library.h"
#include "support/test_util.h"
#include "wavelib/kitsave.h"
#include "wavelib/request.h"
#include "wavelib/wavelist.h"

namespace {

class DoCalcTest : public HeadlessTest {
protected:
    TestCard card{dir.path()};
    std::vector<std::string> trail;
    sWaveList *list = nullptr;

    void SetUp() override {
        HeadlessTest::SetUp();
        sWaveCalcHooks hooks{};
        hooks.importCalc = [](void *t, sWaveList *, int select) { note(t, "import " + std::to_string(select)); };
        hooks.exportCalc = [](void *t, sWaveList *) { note(t, "export"); };
        hooks.messageBox = [](void *t, int title, int text, int kind) {
            note(t, "box " + std::to_string(title) + "/" + std::to_string(text));
            return ghostMBoxOpen(L"t", L"m", kind, nullptr);
        };
        hooks.redraw = [](void *t) { note(t, "redraw"); };
        hooks.closeRequest = [](void *t) { note(t, "close"); };
        hooks.errorCloseRequest = [](void *t) { note(t, "errorClose"); };
        hooks.postRequest = [](void *t, int code, int value) {
            note(t, "request " + std::to_string(code) + " " + std::to_string(value));
        };
        hooks.menuOnOff = [](void *t, int code, int on) {
            note(t, "menu " + std::to_string(code) + " " + std::to_string(on));
        };
        hooks.resetWaveParameter = [](void *t) { note(t, "resetParameter"); };
        hooks.user = &trail;
        waveDoCalcSetHooks(&hooks);
        card.makeTree();
    }
    void TearDown() override {
        waveListDispose(list);
        waveRequestReset();
        waveDoCalcSetHooks(nullptr);
        HeadlessTest::TearDown();
    }
    // Appends `line` to the trail a hook's `user` is.
    static void note(void *trail, const std::string &line) {
        static_cast<std::vector<std::string> *>(trail)->push_back(line);
    }

    void scan() {
        waveListDispose(list);
        list = waveListCreateFromStorageWindowOpen(dir.path().c_str(), 0);
        ASSERT_NE(list, nullptr);
        waveRequestReset();
        hlReset();
        trail.clear();
    }
    sWave *wave(int number) { return waveListFindWaveNumber(list, number); }
    std::string prm(int number) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.kvb", number % 100);
        return card.prm(number / 100) + name;
    }
    std::vector<int> failureTexts() {
        std::vector<int> texts;
        for (auto *f = static_cast<sWaveRequestFailure *>(gWaveRequestFailure.first); f; f = f->next)
            texts.push_back(f->text);
        return texts;
    }
    // Pad `index` of kit `kit` as the card holds it now: its wave and sub-wave
    // ({-2, -2} when the card has no such pad).
    std::pair<int, int> padOnCard(int kit, int index) {
        TestLibrary onCard(dir.path());
        const sPad *p = onCard.pad(kit, index);
        return p ? std::pair<int, int>{p->waveNumber, p->subWaveNumber} : std::pair<int, int>{-2, -2};
    }
};

TEST_F(DoCalcTest, ServesRequestsInTheirFixedOrder) {
    card.addWave(3, "Three", "three.wav");
    card.addWave(4, "Four", "four.wav");
    card.addWave(6, "Six", "six.wav");
    card.writeKit("kit002.kvb", "Two", "", {{3, -1}, {4, -1}});
    scan();
    waveKitEdit(waveListKitPtr(list, 2));
    waveKitSaveRequest();
    waveTagSaveRequest();
    waveWaveName(wave(4), "Renamed");
    waveWaveSaveRequest(wave(4), 1);
    waveWaveDisposeFileRequest(wave(3), 0);
    waveKitSelect(waveListKitPtr(list, 2));
    waveWavePadExchange(nullptr, nullptr, 0, 1);
    waveWavePadExchangeRequest();
    waveListWaveImportSelectReqeust();
    waveDoCalc(list);

    EXPECT_EQ(trail, (std::vector<std::string>{"import 1", "export", "resetParameter", "redraw", "menu 1003 0",
                                                "redraw", "request 20 1", "redraw"}));
    // The jobs ran in order: delete, save, pad exchange.
    EXPECT_EQ(hlCallCount("progressOpen"), 3);
    EXPECT_EQ(gStatus, 0u);
    EXPECT_EQ(gbSortRequest, 0);
    EXPECT_TRUE(failureTexts().empty());
    EXPECT_TRUE(testExists(card.system() + "tag_list.kvb"));
    EXPECT_FALSE(testExists(prm(3)));
    EXPECT_FALSE(testExists(card.data(0) + "three.wav"));
    // Deleting 3 cleared pad 1 and the kit was written with it; the exchange
    // then emptied pad 1's wave and sub-wave slots.
    EXPECT_EQ(padOnCard(2, 0), (std::pair<int, int>{-1, -1}));
    EXPECT_EQ(padOnCard(2, 1), (std::pair<int, int>{4, -1}));
    scan();
    EXPECT_STREQ(waveWaveNamePtr(wave(4)), "Renamed");
    EXPECT_EQ(wave(3), nullptr);

    // A wave whose audio went after the scan is dropped by the renumbering,
    // which comes first: its deletion and pad exchange are no longer requested.
    ASSERT_EQ(std::remove((card.data(0) + "six.wav").c_str()), 0);
    waveWaveDisposeFileRequest(wave(6), 0);
    waveWavePadExchange(wave(6), wave(4), 0, 1);
    waveListRenumberingRequest();
    waveDoCalc(list);
    EXPECT_EQ(gDeleteWave.first, nullptr);
    EXPECT_EQ(gPadExchange.wave1, nullptr);
    EXPECT_EQ(waveListWaveCount(list), 1);
    EXPECT_STREQ(waveWaveNamePtr(wave(0)), "Renamed");
    EXPECT_TRUE(testExists(card.data(0) + "four.wav"));
}

TEST_F(DoCalcTest, CardGoneBetweenEditsIsReportedOnceAndWritesNothing) {
    card.addWave(5, "Five", "five.wav");
    card.writeKit("kit000.kvb", "Zero", "", {{5, -1}});
    scan();
    // While the card is in, the wave lists make a missing system folder again.
    ASSERT_EQ(testRunProgram({"rm", "-r", card.system()}), 0);
    EXPECT_EQ(waveListSave(list), 0);
    for (const char *name : {"wavelist_name.kvb", "wavelist_tagname.kvb", "wavelist_tagnum.kvb"})
        EXPECT_TRUE(testExists(card.system() + name)) << name;
    EXPECT_EQ(gWaveRequestFailure.first, nullptr);
    waveKitEdit(waveListKitPtr(list, 0));
    waveKitSaveRequest();
    waveTagSaveRequest();
    waveWaveSaveRequest(wave(5), 1);
    waveWaveDisposeFileRequest(wave(5), 1);
    waveWavePadExchangeRequest();
    // The card is pulled: its mount folder stays behind, empty.
    ASSERT_EQ(std::rename((dir / "Korvan").c_str(), (dir / "elsewhere").c_str()), 0);
    waveDoCalc(list);

    EXPECT_EQ(trail, (std::vector<std::string>{"import 0", "export", "box 56/88", "errorClose", "request 20 0",
                                                "redraw"}));
    EXPECT_EQ(failureTexts(), (std::vector<int>{DNASTR_ERR_CARD_GONE}));
    // Nothing was served, so nothing is lost: the marks stay for a later save.
    EXPECT_EQ(wave(5)->saveRequest, 1);
    EXPECT_EQ(waveListKitPtr(list, 0)->edited, 1);
    EXPECT_EQ(gDeleteWave.first, nullptr);
    EXPECT_EQ(gStatus, 0u);
    // Nor do the wave lists or a wave save, asked for directly; each reports it.
    waveRequestFailureClear();
    EXPECT_EQ(waveListSave(list), -1);
    waveWaveSaveRequest(wave(5), 1);
    EXPECT_EQ(waveSave(list), KITSAVE_VOLUME_GONE);
    EXPECT_EQ(wave(5)->saveRequest, 1);
    EXPECT_EQ(failureTexts(), (std::vector<int>{DNASTR_ERR_CARD_GONE, DNASTR_ERR_CARD_GONE}));
    EXPECT_EQ(testListDir(dir.path()), (std::vector<std::string>{"elsewhere"}));
}

TEST_F(DoCalcTest, TheLastDeleteRequestDecidesWhetherToAsk) {
    card.addWave(1, "One", "one.wav");
    card.addWave(2, "Two", "two.wav");
    scan();
    EXPECT_EQ(waveWaveDisposeFileRequest(nullptr, 1), -1);
    EXPECT_EQ(gStatus, 0u);
    EXPECT_EQ(waveWaveDisposeFileRequest(wave(1), 1), 0);
    EXPECT_EQ(gStatus, static_cast<uint32_t>(WAVE_STATUS_DISPOSE_ASK));
    EXPECT_EQ(waveWaveDisposeFileRequest(wave(2), 0), 0);
    EXPECT_EQ(gStatus, 0u);
    EXPECT_EQ(rliListCount(&gDeleteWave), 2);
    // Marking a wave for saving raises the wave save.
    waveWaveSaveRequest(wave(1), 1);
    EXPECT_EQ(gStatus, static_cast<uint32_t>(WAVE_STATUS_WAVE_SAVE));
}

// A file that cannot be deleted or written (a folder stands in its place)
// fails only its own wave: the failure names it, the wave stays whole and,
// for a save, marked, so that the next save tries it again.
TEST_F(DoCalcTest, FilesThatCannotBeDeletedOrWrittenFailOnlyTheirWave) {
    for (int n : {1, 2, 3}) card.addWave(n, "W" + std::to_string(n), "w" + std::to_string(n) + ".wav");
    card.addWave(8, "Stuck", "stuck.wav");
    card.addWave(9, "Gone", "gone.wav");
    card.writeKit("kit001.kvb", "One", "", {{8, 9}});
    scan();
    ASSERT_EQ(std::remove((card.data(0) + "w3.wav").c_str()), 0);
    for (int n : {1, 2, 3}) {
        waveWaveName(wave(n), ("New" + std::to_string(n)).c_str());
        waveWaveSaveRequest(wave(n), 1);
    }
    waveWaveDisposeFileRequest(wave(8), 0);
    waveWaveDisposeFileRequest(wave(9), 0);
    const std::string stuck = card.data(0) + "stuck.wav";
    for (const std::string &blocked : {stuck, prm(1)}) {
        ASSERT_EQ(std::remove(blocked.c_str()), 0);
        ASSERT_TRUE(testMakeDirs(blocked + "/inside"));
    }
    waveDoCalc(list);

    EXPECT_EQ(failureTexts(),
              (std::vector<int>{DNASTR_ERR_WAVE_DELETE, DNASTR_ERR_WAVE_WRITE, DNASTR_ERR_WAVE_UNREADABLE}));
    auto *f = static_cast<sWaveRequestFailure *>(gWaveRequestFailure.first);
    EXPECT_NE(f->err, 0);
    EXPECT_EQ(std::string(f->path), stuck);
    EXPECT_EQ(std::string(f->name), "Stuck");
    EXPECT_EQ(std::string(f->next->path), prm(1));
    EXPECT_EQ(hlCallCount("messageBox"), 3);
    EXPECT_NE(wave(8), nullptr);
    EXPECT_TRUE(testExists(prm(8)));
    EXPECT_EQ(wave(9), nullptr);
    EXPECT_FALSE(testExists(prm(9)));
    EXPECT_FALSE(testExists(card.data(0) + "gone.wav"));
    // The kit lost 9 with the deletion, and still plays 8.
    EXPECT_EQ(padOnCard(1, 0), (std::pair<int, int>{8, -1}));
    EXPECT_EQ(wave(1)->saveRequest, 1);
    EXPECT_EQ(wave(2)->saveRequest, 0);
    EXPECT_EQ(wave(3)->saveRequest, 1);

    // The next save tries the marked waves again.
    waveRequestFailureClear();
    ASSERT_EQ(testRunProgram({"rm", "-r", prm(1)}), 0);
    waveWaveSaveRequest(wave(1), 1);
    waveDoCalc(list);
    EXPECT_EQ(failureTexts(), (std::vector<int>{DNASTR_ERR_WAVE_UNREADABLE}));
    EXPECT_EQ(wave(1)->saveRequest, 0);
    scan();
    EXPECT_STREQ(waveWaveNamePtr(wave(1)), "New1");
    EXPECT_STREQ(waveWaveNamePtr(wave(2)), "New2");
}

}  // namespace
