// The spine on the scripted host: the data files and the language fallback,
// the command line, and the card the program holds while open. How the
// program runs its windows and closes is the main window's tests' to prove.
// The request step it runs, on real card trees: the order it serves requests
// in, the card vanishing between edits, failing deletions, failed saves that
// stay requested, and requests a renumbering makes void; and the raisers'
// status bits.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/docalc.h"
#include "app/fileinit.h"
#include "app/usi.h"
#include "foundation/global.h"
#include "platform/headless/headless.h"
#include "resource/dnastr_ids.h"
#include "resource/pack.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/library.h"
#include "support/test_util.h"
#include "wavelib/card.h"
#include "wavelib/kitsave.h"
#include "wavelib/request.h"
#include "wavelib/wavelist.h"

namespace {

using UsiTest = HeadlessTest;

TEST_F(UsiTest, DataFilesFallBackToEnglishAndAMissingOneEndsStartUp) {
    struct {
        const char *language;
        const char *pack;                 // "ok", "" (none) or "bad"
        std::vector<std::string> tables;
        int result;
        const char *iso;                  // the interface language afterwards
        const char *error;                // the start of the reason on failure
        const char *folder;               // where it says it looked
    } const cases[] = {
        {"de-DE", "ok", {"en"}, 0, "en", "", ""},
        {"ja_JP.UTF-8", "ok", {"en", "ja"}, 0, "ja", "", ""},
        {"", "ok", {"en"}, 0, "en", "", ""},
        {"de", "ok", {}, -1, "de", "STRING_TABLE_en.zar: missing (looked for in ", "/language"},
        {"de", "ok", {}, -1, "de", "STRING_TABLE_en.zar: damaged (looked for in ", "/language"},
        {"en", "", {"en"}, -1, "en", "pack.bin: missing (looked for in ", "/resource"},
        {"en", "bad", {"en"}, -1, "en", "pack.bin: damaged: ", "/resource"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.language) + " " + c.pack);
        ScratchDir dir;
        ASSERT_TRUE(testDataFolder(dir.path(), c.pack[0] == 'o', c.tables,
                                   std::string(KVB_BUILD_ROOT) + "/share/kvb-rt-wave-manager/language"));
        if (std::string(c.pack) == "bad") testWriteFile(dir / "resource/pack.bin", "KVBPACK\x01\xff\xff\0\0");
        if (std::string(c.error).find("damaged (") != std::string::npos)
            testWriteFile(dir / "language/STRING_TABLE_en.zar", "ZAR?");
        osSetISO(nullptr);
        hlSetLanguage(c.language);
        EXPECT_EQ(fileInit(dir.path().c_str()), c.result);
        EXPECT_STREQ(osGetISO(), c.iso);
        std::string error = fileInitError();
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
        if (c.result < 0) {
            EXPECT_NE(error.find(dir.path() + c.folder), std::string::npos) << error;
        }
        // Loaded: the pack, then the table's own bytes; failed: nothing.
        EXPECT_EQ(rliListCount(&G.files), c.result == 0 ? 2 : 0);
        if (c.result == 0) {
            EXPECT_NE(fileGetPtr(0), nullptr);
            EXPECT_EQ(fileGetSize(103), testReadFile(dir / ("language/STRING_TABLE_" + std::string(c.iso) + ".zar")).size());
        }
        fileTerm();
    }
    // Start-up itself ends with status 1 when a data file is missing, before any window.
    ScratchDir empty;
    char program[] = "kvb-rt-wave-manager";
    char *argv[] = {program};
    EXPECT_EQ(usiStart(1, argv, empty.path().c_str()), 1);
    EXPECT_EQ(hlCallCount("windowCreate"), 0);
}

TEST_F(UsiTest, CommandLineKeepsFileSystemBytes) {
    const std::string utf8 = dir / "カード";
    const std::string latin1 = dir / "Karte\xe4";  // not UTF-8 at all
    ASSERT_EQ(mkdir(utf8.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(latin1.c_str(), 0755), 0);
    struct {
        std::vector<std::string> args;
        int result;
        const char *patch, *alist, *card;
    } const cases[] = {
        {{"-x", "a.s1e", "b.s1a", "c.S1E"}, CMDLINE_RUN, "a.s1e", "b.s1a", nullptr},
        {{"d.s1ex", "e.s1e"}, CMDLINE_RUN, "e.s1e", "", nullptr},
        {{"d.s1ex"}, CMDLINE_RUN, "d.s1ex", "", nullptr},
        {{utf8}, CMDLINE_RUN, "", "", "/カード/"},
        {{latin1 + "/"}, CMDLINE_RUN, "", "", "/Karte\xe4/"},
        {{dir / "nowhere", "c.s1b"}, CMDLINE_RUN, "", "", nullptr},
        {{utf8, latin1}, CMDLINE_RUN, "", "", "/Karte\xe4/"},
        {{"--version", "x"}, CMDLINE_VERSION, "", "", nullptr},
        {{"--help"}, CMDLINE_HELP, "", "", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0]);
        cmdlineReset();
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "prog");
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        EXPECT_EQ(cmdlineArgParse(static_cast<int>(argv.size()), argv.data()), c.result);
        EXPECT_STREQ(cmdlineGetPatchFilenamePtr(), c.patch);
        EXPECT_EQ(cmdlineGetPatchFilenameAble(), c.patch[0] != 0);
        EXPECT_STREQ(cmdlineGetAlistFilenamePtr(), c.alist);
        const char *card = cmdlineGetCardFolderPtr();
        EXPECT_EQ(card ? std::string(card) : "none", c.card ? dir.path() + c.card : "none");
    }
}

// The desktop program holds the card while it is open: no command gets it,
// and the card counts as gone once another is mounted in its place. What was
// opened then writes nothing there, nor once the mount folder is empty.
TEST(UsiCard, HeldWhileOpenAndGoneWhenSwapped) {
    ScratchDir dir;
    TestCard::withTree(dir.path());
    sCard *opened = cardCreate(dir.path().c_str());
    ASSERT_NE(opened, nullptr);
    char path[4096];
    ASSERT_EQ(cardPath(opened, path, sizeof path, "Korvan/KVB-RT/KIT/kit002.kvb"), 0);
    ASSERT_EQ(usiCardOpen(dir.path().c_str()), 0);
    EXPECT_FALSE(usiCardGone());
    sCardLockRefusal why{};
    EXPECT_EQ(cardLockTake(dir.path().c_str(), CARD_LOCK_SHARED, 0, &why), nullptr);
    EXPECT_EQ(why.err, EWOULDBLOCK);
    // Opening again lets go of the card first.
    EXPECT_EQ(usiCardOpen(dir.path().c_str()), 0);
    // Another card in the same place: the same names, another device folder.
    std::filesystem::rename(dir / "Korvan", dir / "Other");
    TestCard(dir.path()).makeTree(false);
    EXPECT_TRUE(usiCardGone());
    errno = 0;
    EXPECT_EQ(cardPath(opened, path, sizeof path, "Korvan/KVB-RT/KIT/kit002.kvb"), -1);
    EXPECT_EQ(errno, ENODEV);
    EXPECT_EQ(cardMakeDir(opened, "Korvan/KVB-RT/WAVE/DATA/00/"), -1);
    usiCardRelease();
    sCardLock *lock = cardLockTake(dir.path().c_str(), CARD_LOCK_EXCLUSIVE, 0, nullptr);
    EXPECT_NE(lock, nullptr);
    EXPECT_EQ(usiCardOpen(dir.path().c_str()), -2);
    cardLockRelease(lock);
    std::filesystem::remove_all(dir / "Korvan");
    EXPECT_EQ(cardMakeDir(opened, "Korvan/KVB-RT/WAVE/DATA/00/"), -1);
    EXPECT_EQ(testListDir(dir.path()), std::vector<std::string>{"Other"});
    cardClose(opened);
}

// --- The request step -----------------------------------------------------------------

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
    EXPECT_FALSE(testExists(card.prm(0) + "03.kvb"));
    EXPECT_FALSE(testExists(card.data(0) + "three.wav"));
    // Deleting 3 cleared pad 1 and the kit was written with it; the exchange
    // then emptied pad 1's wave and sub-wave slots.
    EXPECT_EQ(padOnCard(2, 0), (std::pair<int, int>{-1, -1}));
    EXPECT_EQ(padOnCard(2, 1), (std::pair<int, int>{4, -1}));
    scan();
    EXPECT_STREQ(waveWaveNamePtr(wave(4)), "Renamed");

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
    // The last deletion request decides whether deleting asks first.
    EXPECT_EQ(waveWaveDisposeFileRequest(nullptr, 1), -1);
    EXPECT_EQ(gStatus, 0u);
    EXPECT_EQ(waveWaveDisposeFileRequest(wave(8), 1), 0);
    EXPECT_EQ(gStatus, static_cast<uint32_t>(WAVE_STATUS_DISPOSE_ASK));
    EXPECT_EQ(waveWaveDisposeFileRequest(wave(9), 0), 0);
    EXPECT_EQ(gStatus, 0u);
    EXPECT_EQ(rliListCount(&gDeleteWave), 2);
    for (int n : {1, 2, 3}) {
        waveWaveName(wave(n), ("New" + std::to_string(n)).c_str());
        waveWaveSaveRequest(wave(n), 1);
    }
    EXPECT_EQ(gStatus, static_cast<uint32_t>(WAVE_STATUS_WAVE_SAVE));
    const std::string stuck = card.data(0) + "stuck.wav", prm1 = card.prm(0) + "01.kvb";
    for (const std::string &blocked : {stuck, prm1}) {
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
    EXPECT_EQ(std::string(f->next->path), prm1);
    EXPECT_EQ(hlCallCount("messageBox"), 3);
    EXPECT_NE(wave(8), nullptr);
    EXPECT_TRUE(testExists(card.prm(0) + "08.kvb"));
    EXPECT_EQ(wave(9), nullptr);
    EXPECT_FALSE(testExists(card.prm(0) + "09.kvb"));
    EXPECT_FALSE(testExists(card.data(0) + "gone.wav"));
    // The kit lost 9 with the deletion, and still plays 8.
    EXPECT_EQ(padOnCard(1, 0), (std::pair<int, int>{8, -1}));
    EXPECT_EQ(wave(1)->saveRequest, 1);
    EXPECT_EQ(wave(2)->saveRequest, 0);
    EXPECT_EQ(wave(3)->saveRequest, 1);

    // The next save tries the marked waves again.
    waveRequestFailureClear();
    ASSERT_EQ(testRunProgram({"rm", "-r", prm1}), 0);
    waveWaveSaveRequest(wave(1), 1);
    waveDoCalc(list);
    EXPECT_EQ(failureTexts(), (std::vector<int>{DNASTR_ERR_WAVE_UNREADABLE}));
    EXPECT_EQ(wave(1)->saveRequest, 0);
    scan();
    EXPECT_STREQ(waveWaveNamePtr(wave(1)), "New1");
    EXPECT_STREQ(waveWaveNamePtr(wave(2)), "New2");
}

}  // namespace
