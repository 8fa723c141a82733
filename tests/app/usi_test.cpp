// The spine on the scripted host with stub window controllers: the language
// fallback, the command line, the nested loops, every way the program closes
// and the card it holds while open.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/fileinit.h"
#include "app/usi.h"
#include "foundation/global.h"
#include "platform/evqueue.h"
#include "platform/headless/headless.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "resource/pack.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "wavelib/card.h"
#include "wavelib/player.h"
#include "wavelib/request.h"
#include "wavelib/wavelist.h"

namespace {

const std::string kBuiltLanguage = std::string(KVB_BUILD_ROOT) + "/share/kvb-rt-wave-manager/language";

// Stub controllers: a main window that opens the card the dialog names and
// closes as the main window does; one secondary window open for a few steps.
struct Stubs {
    std::vector<std::string> trail;
    _sWindow *window = nullptr;
    _sEvQueue *queue = nullptr;
    int secondarySteps = 0;  // steps the secondary window stays open
    int nestedMainSteps = 0;
};
void queueEvent(_sWindow *, void *user, uint16_t code, int32_t value, char key, const char *text) {
    evQenterExt(code, value, key, text, static_cast<Stubs *>(user)->queue);
}

int mainInit(void *user) {
    Stubs &s = *static_cast<Stubs *>(user);
    s.trail.push_back("mainInit");
    s.window = ghostWindowCreate(L"KVB-RT Wave Manager", 0, 0, 800, 600, 800, 600, 800, 600, 0, 1, 0, 1, 1, 0);
    s.queue = evQInit();
    if (!s.window || !s.queue) return -1;
    ghostWindowSetHandler(queueEvent, &s, s.window);
    ghostWindowSetDraw(s.window, 0);
    ghostDlgOpen(nullptr, 0, s.window);
    return 0;
}

void mainStep(void *user, int parentMode) {
    Stubs &s = *static_cast<Stubs *>(user);
    if (parentMode) s.nestedMainSteps++;
    if (evQcount(s.queue) == 0) ghostEventsProcess(0);
    intptr_t value = 0;
    while (uint16_t code = evQread(&value, nullptr, nullptr, 0, s.queue)) {
        if (parentMode) continue;
        if (code == WEV_STORAGE_SELECTED && value == 0) {
            s.trail.push_back("cancelled");
            usiClose(USI_CLOSE_CANCELLED);
            return;
        }
        if (code == WEV_STORAGE_SELECTED) {
            s.trail.push_back(std::string("open ") + ghostDlgStorageRootPtr());
            if (usiCardOpen(ghostDlgStorageRootPtr()) == 0) {
                sWaveList *list = waveListCreateFromStorageWindowOpen(G.volumeRoot, 0);
                if (list) rliListAddTail(&G.waveLists, list);
            }
            ghostWindowSetDraw(s.window, 1);
        }
        if (code == WEV_CLOSE_BOX) {
            if (usiClose(USI_CLOSE_ASK)) return;
        }
    }
}

void mainTerm(void *user) {
    Stubs &s = *static_cast<Stubs *>(user);
    if (s.window) s.trail.push_back("mainTerm");
    ghostWindowDispose(s.window);
    evQTerm(s.queue);
    s.window = nullptr;
    s.queue = nullptr;
}

int secondaryOpen(void *user) { return static_cast<Stubs *>(user)->secondarySteps > 0; }
void secondaryStep(void *user) {
    Stubs &s = *static_cast<Stubs *>(user);
    if (s.secondarySteps > 0 && --s.secondarySteps == 0) s.trail.push_back("secondaryClosed");
}
void secondaryCancel(void *user) {
    Stubs &s = *static_cast<Stubs *>(user);
    s.trail.push_back("secondaryCancel");
    s.secondarySteps = 1;  // closes in its next step, as a Cancel press does
}
void secondaryTerm(void *user) { static_cast<Stubs *>(user)->trail.push_back("secondaryTerm"); }

class UsiTest : public HeadlessTest {
protected:
    TestCard card{dir.path()};
    Stubs stubs;

    ScratchDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.path().c_str()};
    ScratchDir data;  // the installed data: a pack and both tables

    // A fresh host script: English, the card mounted as "KVB-RT".
    void script() {
        hlReset();
        hlSetLanguage("en");
        hlAddVolume("KVB-RT", dir.path().c_str(), "vfat");
    }
    void SetUp() override {
        HeadlessTest::SetUp();
        script();
        sUsiControllers c{};
        c.user = &stubs;
        c.mainInit = mainInit;
        c.mainStep = mainStep;
        c.mainTerm = mainTerm;
        c.secondary[0] = sUsiWindow{"edit", secondaryStep, secondaryTerm, secondaryOpen, secondaryCancel, &stubs};
        c.secondaryCount = 1;
        usiSetControllers(&c);
        card.makeTree();
        card.addWave(0, "Kick", "kick.wav");
        ASSERT_TRUE(testDataFolder(data.path(), true, {"en", "ja"}, kBuiltLanguage));
    }
    void TearDown() override {
        if (!usiFinished()) usiTerm(0);
        usiSetControllers(nullptr);
        osSetISO(nullptr);
        HeadlessTest::TearDown();
    }

    // Starts the program and runs passes until the card is open.
    void startWithCard() {
        card.makeTree();
        script();
        hlSetStorageDialogAnswer(1, 0);
        ASSERT_EQ(start({}), -1);
        for (int i = 0; i < 5 && !G.currentWaveList; i++) usiPass();
        ASSERT_NE(G.currentWaveList, nullptr);
    }
    // Calls `entry` (usiStart or usiRun) with `args` after the program's name
    // and the data folder `folder` (null: the test's own).
    int start(std::vector<std::string> args, int (*entry)(int, char **, const char *) = usiStart,
              const char *folder = nullptr) {
        args.insert(args.begin(), "kvb-rt-wave-manager");
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        return entry(static_cast<int>(argv.size()), argv.data(), folder ? folder : data.path().c_str());
    }
    // Runs passes until the program has ended; returns its exit status.
    int runToEnd() {
        for (int i = 0; i < 50 && !usiFinished(); i++) usiPass();
        EXPECT_TRUE(usiFinished());
        return usiExitStatus();
    }
    // Index of the first recorded host call starting with `prefix`, -1 when none.
    static int callAt(const std::string &prefix) {
        const auto &c = hlCalls();
        for (size_t i = 0; i < c.size(); i++)
            if (c[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(UsiTest, DataFilesFallBackToEnglishAndAMissingOneEndsStartUp) {
    struct {
        const char *language;
        const char *pack;                 // "ok", "" (none) or "bad"
        std::vector<std::string> tables;  // "!en": a damaged English table
        int result;
        const char *iso;                  // the interface language afterwards
        const char *error;                // the start of the reason on failure
        const char *folder;               // where it says it looked
    } const cases[] = {
        {"de-DE", "ok", {"en"}, 0, "en", "", ""},
        {"ja_JP.UTF-8", "ok", {"en", "ja"}, 0, "ja", "", ""},
        {"", "ok", {"en"}, 0, "en", "", ""},
        {"de", "ok", {}, -1, "de", "STRING_TABLE_en.zar: missing (looked for in ", "/language"},
        {"de", "ok", {"!en"}, -1, "de", "STRING_TABLE_en.zar: damaged (looked for in ", "/language"},
        {"en", "", {"en"}, -1, "en", "pack.bin: missing (looked for in ", "/resource"},
        {"en", "bad", {"en"}, -1, "en", "pack.bin: damaged: ", "/resource"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.language) + " " + c.pack);
        ScratchDir dir;
        std::vector<std::string> good;
        for (const std::string &t : c.tables)
            if (t[0] != '!') good.push_back(t);
        ASSERT_TRUE(testDataFolder(dir.path(), c.pack[0] == 'o', good, kBuiltLanguage));
        if (std::string(c.pack) == "bad") testWriteFile(dir / "resource/pack.bin", "KVBPACK\x01\xff\xff\0\0");
        if (std::find(c.tables.begin(), c.tables.end(), "!en") != c.tables.end())
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
    // Start-up itself ends with status 1 when a data file is missing.
    ScratchDir empty;
    EXPECT_EQ(start({}, usiStart, empty.path().c_str()), 1);
    EXPECT_EQ(stubs.trail, std::vector<std::string>{});
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
        if (c.card) {
            EXPECT_EQ(std::string(cmdlineGetCardFolderPtr()), dir.path() + c.card);
        } else {
            EXPECT_EQ(cmdlineGetCardFolderPtr(), nullptr);
        }
    }
    // A folder on the command line is opened without the dialog.
    ASSERT_EQ(start({latin1}), -1);
    usiPass();
    EXPECT_EQ(hlCallCount("storageDialog"), 0);
    EXPECT_EQ(stubs.trail, (std::vector<std::string>{"mainInit", "open " + latin1 + "/"}));
}

// Every way the program closes. Asked and answered Yes, what is still only
// requested is saved, the card ejected, and only then is the user told; a
// save or an eject that fails, the card gone and the system's quit end with
// their own status and boxes. A preview playing at the close goes before the
// library it reads, whichever way the program ends.
TEST_F(UsiTest, EachWayOfClosingSavesEjectsAndTellsAsItShould) {
    ScopedEnv driver{"SDL_AUDIODRIVER", "dummy"};
    struct {
        const char *what;
        int how;            // how the program is closed
        bool failWrite;     // every file write fails
        int ejectResult;
        int status;
        bool ejectTried;
        int errorBoxes;     // error boxes shown at close (title "Error")
    } const cases[] = {
        {"all well", USI_CLOSE_ASK, false, 0, 0, true, 0},
        {"save fails", USI_CLOSE_ASK, true, 0, 1, false, 1},
        {"eject refused", USI_CLOSE_ASK, false, -1, 1, true, 1},
        {"quit request", USI_CLOSE_QUIT, false, 0, 0, false, 0},
        {"card gone", USI_CLOSE_ERROR, false, 0, 1, false, 0},  // last: the card's tree goes with it
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        startWithCard();
        sKit *kit = static_cast<sKit *>(G.currentWaveList->kits.first);
        std::strcpy(kit->name, "LA");
        kit->isFile = 1;
        kit->edited = 1;
        waveKitSaveRequest();
        ASSERT_EQ(waveWaveSelect(static_cast<sWave *>(G.currentWaveList->waves.first)), 0);
        ASSERT_NE(gpSound, nullptr);
        if (c.how == USI_CLOSE_ERROR) std::filesystem::remove_all(dir / "Korvan");
        auto before = testTreeSnapshot(dir.path());
        script();
        hlSetEjectResult(c.ejectResult);
        hlPushMessageBoxAnswer(MBOX_YES);
        if (c.failWrite) hlFailFileOperation(1, ENOSPC);
        EXPECT_EQ(usiClose(c.how), 1);
        hlFailFileOperation(0, 0);
        EXPECT_EQ(usiExitStatus(), c.status);
        EXPECT_EQ(gpSound, nullptr);
        EXPECT_EQ(hlCallCount("eject"), c.ejectTried ? 1 : 0);
        int errors = 0;
        for (const std::string &call : hlCalls()) errors += call.find("messageBox 0 Error") == 0;
        EXPECT_EQ(errors, c.errorBoxes);
        // Neither the error close nor the quit asks or tells the user anything.
        if (c.how != USI_CLOSE_ASK) {
            EXPECT_EQ(hlCallCount("messageBox"), 0);
        }
        if (c.how == USI_CLOSE_ERROR) {
            EXPECT_EQ(testTreeSnapshot(dir.path()), before);
        }
        if (c.status != 0 || c.how != USI_CLOSE_ASK) continue;
        // The kit renamed "LA" was only requested: the close served the request.
        EXPECT_NE(testReadFile(card.kit() + "kit000.kvb").find("<Nm0>76</Nm0>\n\t<Nm1>65</Nm1>"), std::string::npos);
        int asked = callAt("messageBox 1"), ejected = callAt("eject " + dir.path() + "/"), told = callAt("messageBox 0");
        EXPECT_LT(asked, ejected);
        EXPECT_LT(ejected, told);
        ASSERT_GE(told, 0);
        EXPECT_NE(hlCalls()[told].find("has been ejected"), std::string::npos) << hlCalls()[told];
        EXPECT_LT(told, callAt("term"));
        EXPECT_EQ(stubs.trail.back(), "secondaryTerm");
    }
}

TEST_F(UsiTest, NestedLoopStepsMainWithoutInputAndQuitCancelsTheWindow) {
    startWithCard();
    stubs.secondarySteps = 3;
    const sUsiWindow edit{"edit", secondaryStep, secondaryTerm, secondaryOpen, secondaryCancel, &stubs};
    usiRunNested(&edit, nullptr);
    EXPECT_EQ(stubs.nestedMainSteps, 3);
    EXPECT_EQ(stubs.trail.back(), "secondaryClosed");

    // The system's quit request: the open window's edit is cancelled, the
    // loop finishes and closes without asking, saving and not ejecting.
    stubs.secondarySteps = 1000;
    usiRequestExit();
    usiRunNested(&edit, nullptr);
    EXPECT_EQ(stubs.trail[stubs.trail.size() - 2], "secondaryCancel");
    EXPECT_FALSE(usiFinished());
    EXPECT_EQ(runToEnd(), 0);
    EXPECT_EQ(hlCallCount("messageBox"), 0);
    EXPECT_EQ(hlCallCount("eject"), 0);
    EXPECT_TRUE(testExists(card.system() + "tag_list.kvb"));
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

}  // namespace
