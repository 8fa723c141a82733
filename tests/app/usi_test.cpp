// The spine on the scripted host: the data files and the language fallback,
// the command line, and the card the program holds while open. How the
// program runs its windows and closes is the main window's tests' to prove.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/fileinit.h"
#include "app/usi.h"
#include "foundation/global.h"
#include "platform/headless/headless.h"
#include "resource/pack.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "wavelib/card.h"

namespace {

const std::string kBuiltLanguage = std::string(KVB_BUILD_ROOT) + "/share/kvb-rt-wave-manager/language";

class UsiTest : public HeadlessTest {
protected:
    void TearDown() override {
        osSetISO(nullptr);
        HeadlessTest::TearDown();
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
        if (c.card) {
            EXPECT_EQ(std::string(cmdlineGetCardFolderPtr()), dir.path() + c.card);
        } else {
            EXPECT_EQ(cmdlineGetCardFolderPtr(), nullptr);
        }
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

}  // namespace
