// One writer per card and nothing left half-done: commands refused (or waiting)
// while another program holds the card, nothing written through a folder that
// is a symbolic link or over a category list that cannot be read, and edits cut
// off anywhere left whole or finished by `check --fix`.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "foundation/fault.h"
#include "support/card.h"
#include "support/test_util.h"
#include "wavelib/card.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

class CliSafetyTest : public testing::Test {
protected:
    ScratchDir dir;
    TestCard card{dir.path()};
    std::string root() const { return dir.path(); }

    void SetUp() override {
        card.makeTree();
        card.writeCategories({{"DEFAULT", 0}, {"KICK", 1}});
        card.addWave(3, "Kick", "kick.wav", 1);
        card.writeKit("kit001.kvb", "Rock", "Sub", {{3, -1}});
    }
    // Puts the card back as a snapshot (testTreeSnapshot) shows it, for the next fault.
    void putBack(const std::map<std::string, std::string> &snapshot) const {
        std::filesystem::remove_all(root() + "/Korvan");
        for (const auto &[path, bytes] : snapshot)
            if (bytes == "<folder>") std::filesystem::create_directories(root() + path);
            else testWriteFile(root() + path, bytes);
    }
};

TEST_F(CliSafetyTest, AHeldCardIsRefusedUnchangedOrWaitedFor) {
    auto before = testTreeSnapshot(root());
    // A second open of the folder conflicts as another program's would.
    sCardLock *held = cardLockTake(root().c_str(), CARD_LOCK_EXCLUSIVE, 0, nullptr);
    ASSERT_NE(held, nullptr);
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"category", root(), "add", "SNARE"}, {"info", root()}, {"check", root(), "--fix"}})
        EXPECT_TRUE(cliRefused(args, 1, root() + ": the card is in use by another program"));
    cardLockRelease(held);
    EXPECT_EQ(testTreeSnapshot(root()), before);

    // Readers share; a writer waits for them.
    held = cardLockTake(root().c_str(), CARD_LOCK_SHARED, 0, nullptr);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(cliRun({"list", root()}).status, 0);
    EXPECT_EQ(cliRun({"rename", root(), "3", "Boom"}).status, 1);
    cardLockRelease(held);

    // Another process: named in the refusal, and --wait outlasts it.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sCardLock *mine = cardLockTake(root().c_str(), CARD_LOCK_EXCLUSIVE, 0, nullptr);
        (void)!write(ready[1], mine ? "y" : "n", 1);
        usleep(400 * 1000);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_TRUE(cliRefused({"rename", root(), "3", "Boom"}, 1, "(process " + std::to_string(child) + ")"));
    EXPECT_EQ(cliRun({"--wait", "rename", root(), "3", "Boom"}).status, 0);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(testReadFile(card.prm(0) + "03.kvb"), testWavePrmText("Boom", "00/kick.wav", 1));
}

TEST_F(CliSafetyTest, FoldersThatAreLinksAreNotWrittenThrough) {
    ScratchDir outside;
    std::filesystem::rename(card.kit(), outside.path() + "/KIT");
    std::filesystem::create_directory_symlink(outside.path() + "/KIT", card.device() + "KIT");
    auto before = testTreeSnapshot(outside.path());
    EXPECT_TRUE(cliRefused({"kit", root(), "set", "1", "2", "3"}, 1, "kit001.kvb"));
    EXPECT_EQ(testTreeSnapshot(outside.path()), before);
    // A data folder that is a link takes no import either.
    std::filesystem::create_directory(outside / "00");
    std::filesystem::remove_all(card.data(0));
    std::filesystem::create_directory_symlink(outside / "00", card.data(0).substr(0, card.data(0).size() - 1));
    testWriteFile(outside / "new.wav", testWavBytes(100));
    EXPECT_EQ(cliRun({"import", root(), outside / "new.wav"}).status, 1);
    EXPECT_EQ(testListDir(outside / "00"), std::vector<std::string>{});
}

TEST_F(CliSafetyTest, ADeleteCutOffAnywhereLeavesNoPadNamingAGoneWave) {
    card.addWave(250, "Hat", "hat.wav", 0);
    card.writeKit("kit001.kvb", "Rock", "Sub", {{3, -1}, {-1, 250}});
    const std::string kit = testReadFile(card.kit() + "kit001.kvb");
    const std::vector<std::string> files = {card.data(0) + "kick.wav", card.prm(0) + "03.kvb",
                                            card.data(2) + "hat.wav", card.prm(2) + "50.kvb"};
    auto before = testTreeSnapshot(root());
    for (long n = 1;; ++n) {
        rliFaultFileArm(n, EIO, true);
        cliRun({"delete", root(), "3", "250", "--yes"});
        bool fired = rliFaultFileFired();
        rliFaultFileArm(0, 0, false);
        bool kitAsBefore = testReadFile(card.kit() + "kit001.kvb") == kit;
        for (const std::string &f : files) EXPECT_TRUE(!kitAsBefore || testExists(f)) << "fault " << n << ": " << f;
        if (!fired) break;
        putBack(before);
    }
    for (const std::string &f : files) EXPECT_FALSE(testExists(f)) << f;
}

TEST_F(CliSafetyTest, ACategoryListThatCannotBeReadIsNeverReplaced) {
    testWriteFile(card.system() + "tag_list.kvb", "<TagList>\n\t<TagPrm>\n");
    ScratchDir backups;
    testWriteFile(backups / "in.wav", testWavBytes(100));
    auto before = testTreeSnapshot(root());
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"category", root(), "add", "SNARE"}, {"rename", root(), "3", "Boom"},
          {"import", root(), backups / "in.wav"}, {"renumber", root()}})
        EXPECT_TRUE(cliRefused(args, 1, "the category list cannot be read"));
    // The backup takes the card as it is; the check rebuilds the list only when told to.
    EXPECT_EQ(cliRun({"--yes", "backup", root(), backups.path()}).status, 0);
    EXPECT_EQ(cliRun({"--no", "check", root(), "--fix"}).status, 1);
    EXPECT_EQ(testTreeSnapshot(root()), before);
}

// What the library means, independent of numbers: each pad slot's audio file
// and each audio file's category.
std::map<std::string, std::string> meaning(const std::string &root) {
    std::map<std::string, std::string> m;
    sWaveList *list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    if (!list) return m;
    auto audio = [&](int number) {
        sWave *w = waveListFindWaveNumber(list, number);
        return number < 0 ? std::string("-") : w ? std::string(waveWaveFilenamePtr(w)) : "dangling";
    };
    for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next)
        m[std::string("wave ") + waveWaveFilenamePtr(w)] = w->category ? w->category->name : "?";
    for (auto *p = static_cast<sPad *>(list->pads.first); p; p = p->next)
        if (p->waveNumber >= 0 || p->subWaveNumber >= 0)
            m["kit " + std::to_string(p->kit->kitNumber) + " " + audio(p->waveNumber) + " " + audio(p->subWaveNumber)] =
                "pad";
    waveListDispose(list);
    return m;
}

TEST_F(CliSafetyTest, ARenumberOrCategoryDeleteCutOffAnywhereIsFinishedByCheckFix) {
    card.writeCategories({{"DEFAULT", 0}, {"KICK", 1}, {"SNARE", 2}});
    card.addWave(1, "Tom", "tom.wav", 0);  // 3 moves to 1 once 1 has moved on
    card.addWave(4, "Snare", "snare.wav", 2);
    card.addWave(250, "Hat", "hat.wav", 0);
    card.writeKit("kit001.kvb", "Rock", "Sub", {{3, 250}, {4, -1}});
    card.writeKit("kit002.kvb", "Jazz", "", {{250, -1}});
    const auto before = testTreeSnapshot(root());
    const auto meant = meaning(root());
    auto categoryDeleted = meant;
    categoryDeleted["wave kick.wav"] = "DEFAULT";
    ASSERT_EQ(meant.size(), 7u);
    const std::string journals = card.device() + "../.kvbrt-journal/";
    const std::pair<std::vector<std::string>, std::map<std::string, std::string>> cases[] = {
        {{"renumber", root()}, meant}, {{"category", root(), "delete", "KICK"}, categoryDeleted}};
    for (const auto &[args, after] : cases) {
        for (long n = 1;; ++n) {
            SCOPED_TRACE(args[0] + " cut off at file operation " + std::to_string(n));
            // A sticky fault stops every later write, as a crash there would.
            rliFaultFileArm(n, EIO, true);
            cliRun(args);
            bool fired = rliFaultFileFired();
            rliFaultFileArm(0, 0, false);
            if (!testListDir(journals).empty()) {
                EXPECT_TRUE(cliRefused({"rename", root(), "250", "Ride"}, 1, "check --fix"));
            }
            CliResult fixed = cliRun({"--yes", "check", root(), "--fix"});
            EXPECT_EQ(fixed.status, 0) << fixed.out << fixed.err;
            EXPECT_TRUE(testListDir(journals).empty());
            // Cut off before its journal, the edit simply did not happen.
            auto now = meaning(root());
            EXPECT_TRUE(now == after || now == meant) << fixed.out;
            if (!fired) {
                EXPECT_EQ(now, after);
                break;
            }
            putBack(before);
        }
    }
}

}  // namespace
