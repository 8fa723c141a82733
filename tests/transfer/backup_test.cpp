// The backup sequence: the lists are brought up to date first, the whole maker
// folder goes into the archive, and an older backup survives every declined,
// refused, failed or cancelled attempt.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "foundation/fault.h"
#include "platform/headless/headless.h"
#include "support/card.h"
#include "transfer/archive.h"
#include "transfer/archive_support.h"
#include "transfer/backup.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

class BackupTest : public testing::Test {
protected:
    ScopedEnv tmp{"TMPDIR", testFastTempDir()};
    ScratchDir dir;
    std::string vol = dir / "vol", out = dir / "out", file = out + "/KVB-RT-BKUP-ALL.kvb";
    sWaveList *list = nullptr;

    void SetUp() override {
        hlInstall();
        std::filesystem::create_directories(out);
        TestCard card = TestCard::withTree(vol);
        card.writeCategories({{"DEFAULT", 0}, {"Kicks", 3}});
        card.addWave(0, "Kick", "kick.wav", 1);
        card.addWave(1, "Snare", "snare.wav");
        card.addWave(105, "Hat", "hat.wav");
        card.writeKit("kit000.kvb", "Kit", "", {{0, -1}});
        card.writeKit("kit007.kvb", "Kit7", "", {{1, 105}});
        testPut(vol, "Korvan/KVB-RT/notes.txt", "not card data");
        list = waveListCreateFromStorageWindowOpen(vol.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
        ASSERT_NE(list, nullptr);
        hlReset();
    }
    void TearDown() override {
        rliFaultFileArm(0, 0, false);
        waveListDispose(list);
        hlReset();
        ghostHostInstall(nullptr);
    }
    int save(int confirmed, sBackupResult *r) { return waveBackupSave(list, out.c_str(), confirmed, r); }
};

// Only a confirmed overwrite writes: the lists brought up to date first, then
// every card file archived; a cancel, or a name the archive cannot hold, writes nothing.
TEST_F(BackupTest, WritesTheListsThenArchivesEveryCardFileOnlyWhenNothingStopsIt) {
    testWriteFile(file, "old backup");
    auto before = testTreeSnapshot(dir.path());
    for (int answer : {3, 0}) {  // No, and a box nobody answered
        hlPushMessageBoxAnswer(answer);
        sBackupResult r;
        EXPECT_EQ(save(0, &r), BACKUP_DECLINED);
        EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    }
    EXPECT_EQ(hlCallCount("messageBox"), 2);
    EXPECT_EQ(waveBackupExpectedFiles(list), 2 * 3 + 2 + 5);
    hlPushMessageBoxAnswer(2);
    sBackupResult r;
    ASSERT_EQ(save(0, &r), BACKUP_DONE) << r.error;
    EXPECT_EQ(r.path, file);
    std::string bytes = testReadFile(file);
    std::vector<std::string> expect = {
        "/KVB-RT/SYSTEM/tag_list.kvb",        "/KVB-RT/SYSTEM/wavelist_name.kvb",
        "/KVB-RT/SYSTEM/wavelist_tagname.kvb", "/KVB-RT/SYSTEM/wavelist_tagnum.kvb",
        "/KVB-RT/KIT/kit000.kvb",             "/KVB-RT/KIT/kit007.kvb",
        "/KVB-RT/WAVE/PRM/00/00.kvb",         "/KVB-RT/WAVE/PRM/00/01.kvb",
        "/KVB-RT/WAVE/PRM/01/05.kvb",         "/KVB-RT/WAVE/DATA/00/kick.wav",
        "/KVB-RT/WAVE/DATA/00/snare.wav",     "/KVB-RT/WAVE/DATA/01/hat.wav",
    };
    EXPECT_EQ(sorted(testTarNames(bytes)), sorted(expect));
    EXPECT_EQ(r.files, 12);
    // The archived lists are the ones now on the card.
    EXPECT_NE(bytes.find(testReadFile(vol + "/Korvan/KVB-RT/SYSTEM/wavelist_tagnum.kvb")), std::string::npos);
    EXPECT_FLOAT_EQ(hlProgressRatio(), 1.0f);
    EXPECT_EQ(hlCallCount("messageBox"), 3);

    // Cancelled while archiving (the card made large enough for that), it
    // keeps the backup there and says nothing more.
    for (int i = 0; i < 24; ++i)
        testPut(vol, "Korvan/KVB-RT/WAVE/DATA/02/" + std::to_string(i) + ".wav", testBytes(1u << 20, i));
    hlPressProgressCancel();
    EXPECT_EQ(save(1, &r), BACKUP_CANCELLED) << r.error;
    EXPECT_EQ(testReadFile(file), bytes);
    EXPECT_EQ(testListDir(out), std::vector<std::string>{"KVB-RT-BKUP-ALL.kvb"});
    EXPECT_EQ(hlCallCount("messageBox"), 3);

    // The name is refused before the archive is begun.
    std::string name = std::string(90, 'n') + ".wav";
    testPut(vol, "Korvan/KVB-RT/WAVE/DATA/00/" + name, "x");
    before = testTreeSnapshot(dir.path());
    EXPECT_EQ(save(1, &r), BACKUP_FAILED);
    EXPECT_NE(std::string(r.error).find(name), std::string::npos) << r.error;
    EXPECT_NE(std::string(r.error).find("longer than 99 bytes"), std::string::npos) << r.error;
    EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    EXPECT_EQ(hlCallCount("messageBox"), 4);
}

// A list the card refuses (as a write-protected one does) is archived as the
// library makes it; any other failing step leaves the old backup whole.
TEST_F(BackupTest, EveryFailingStepLeavesTheOldBackupWhole) {
    bool completed = false;
    std::string noted;
    for (long n = 1; n < 500 && !completed; ++n) {
        SCOPED_TRACE(n);
        testWriteFile(file, "old backup");
        testWriteFile(vol + "/Korvan/KVB-RT/SYSTEM/wavelist_name.kvb", "stale");
        rliFaultFileArm(n, EROFS, false);
        sBackupResult r;
        int status = save(1, &r);
        bool fired = rliFaultFileFired();
        rliFaultFileArm(0, 0, false);
        EXPECT_EQ(testListDir(out), std::vector<std::string>{"KVB-RT-BKUP-ALL.kvb"});
        std::string bytes = testReadFile(file);
        if (status == BACKUP_DONE) {
            sTarVerifyInfo info;
            EXPECT_EQ(tarVerifyMemory(bytes.data(), bytes.size(), &info), 0) << info.error;
            if (r.note[0]) noted = bytes;
            completed = !fired;
        } else {
            EXPECT_TRUE(fired && status == BACKUP_FAILED && r.error[0]) << status;
            EXPECT_EQ(bytes, "old backup");
        }
    }
    EXPECT_TRUE(completed);
    std::string lists = vol + "/Korvan/KVB-RT/SYSTEM/wavelist_name.kvb";
    EXPECT_NE(noted.find(testReadFile(lists)), std::string::npos);
    // Current lists are left as they are.
    struct stat before, after;
    stat(lists.c_str(), &before);
    EXPECT_EQ(save(1, nullptr), BACKUP_DONE);
    EXPECT_EQ(stat(lists.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

}  // namespace
