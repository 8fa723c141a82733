// The restore sequence: a backup replaces the card's files only once it is
// verified and wholly unpacked beside them; whatever fails, is refused, is
// cancelled or is cut off, the card ends up as the old one or the restored one.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "foundation/fault.h"
#include "platform/headless/headless.h"
#include "transfer/archive.h"
#include "transfer/archive_support.h"
#include "transfer/backup.h"

namespace {

using Tree = std::map<std::string, std::string>;

bool isCardFile(const std::string &rel) {
    std::string ext = std::filesystem::path(rel).extension().string();
    for (auto &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".kvb" || ext == ".wav" || ext == ".aif" || ext == ".aiff";
}

class RestoreTest : public testing::Test {
protected:
    ScopedEnv tmp{"TMPDIR", testFastTempDir()};
    ScratchDir dir;
    std::string vol = dir / "vol", archive = dir / "KVB-RT-BKUP-ALL.kvb";
    Tree backupFiles;  // what the backup holds, below Korvan

    void SetUp() override {
        hlInstall();
        // The old card: card files the backup replaces or lacks, files of other
        // kinds, a hidden folder the device's clean-up enters.
        testPut(vol, "Korvan/KVB-RT/SYSTEM/tag_list.kvb", "old list");
        testPut(vol, "Korvan/KVB-RT/WAVE/DATA/00/old.wav", "old wave");
        testPut(vol, "Korvan/KVB-RT/WAVE/PRM/00/00.kvb", "old prm");
        testPut(vol, "Korvan/KVB-RT/KIT/kit001.KVB", "old kit");
        testPut(vol, "Korvan/KVB-RT/notes.txt", "mine");
        testPut(vol, "Korvan/.hidden/x.wav", "hidden");
        testPut(vol, "other.wav", "outside the maker folder");
        // The backup, written by our writer from another card.
        std::string src = dir / "src";
        backupFiles = {
            {"KVB-RT/SYSTEM/tag_list.kvb", "new list"},
            {"KVB-RT/WAVE/DATA/00/new.wav", std::string(3000, 'w')},
            {"KVB-RT/WAVE/PRM/00/00.kvb", "new prm"},
            {"KVB-RT/KIT/kit000.kvb", ""},
            {"KVB-RT/WAVE/DATA/01/deep.aif", std::string(512, 'a')},
        };
        for (const auto &[rel, data] : backupFiles) testPut(src + "/Korvan", rel, data);
        char error[kTarErrorMax];
        ASSERT_EQ(tarBackupSave(archive.c_str(), (src + "/Korvan").c_str(), 5, nullptr, error, sizeof error), 0)
            << error;
    }
    void TearDown() override {
        rliFaultFileArm(0, 0, false);
        waveBackupSetFreeSpaceProbe(nullptr);
        hlReset();
        ghostHostInstall(nullptr);
    }

    // The volume as a restore must leave it: the old card files gone, the rest
    // kept, the backup's files and their folders added.
    Tree restored(const Tree &old) const {
        Tree t;
        for (const auto &[rel, kind] : old)
            if (kind == "<folder>" || !(rel.rfind("/Korvan/", 0) == 0 && isCardFile(rel))) t[rel] = kind;
        for (const auto &[rel, data] : backupFiles) {
            std::filesystem::path p = "/Korvan/" + rel;
            t[p.string()] = data;
            for (p = p.parent_path(); p != "/"; p = p.parent_path()) t[p.string()] = "<folder>";
        }
        return t;
    }

    int restore(unsigned flags = RESTORE_CONFIRMED, sBackupResult *r = nullptr, const std::string &from = "") {
        sBackupResult local;
        return waveBackupRestore(vol.c_str(), (from.empty() ? archive : from).c_str(), flags, r ? r : &local);
    }
};

TEST_F(RestoreTest, HostileOrDamagedBackupsAreRefusedWithTheCardUntouched) {
    std::string good = testReadFile(archive);
    struct Case {
        std::string label, bytes, why;
        std::string plant = "";  // a symbolic link left on the card, at this path below Korvan: last case only
    };
    // What the archive reader refuses is proven with it; here, one of those
    // and what only a restore meets: its staging folder, and the card's own links and folders.
    const Case cases[] = {
        {"dot-dot", testTarEntry("/KVB-RT/../../evil.wav", "x") + testTarEnd(), ".."},
        {"staging name", testTarEntry("/.kvbrt-restore/journal", "x") + testTarEnd(), "staging folder"},
        {"file on the card where a folder goes", testTarEntry("/KVB-RT/notes.txt/x.wav", "x") + testTarEnd(),
         "folder where a file stands"},
        {"folder on the card where a file goes", testTarEntry("/KVB-RT/WAVE", "x") + testTarEnd(), "replace a folder"},
        {"through a link on the card", good, "symbolic link", "KVB-RT/WAVE"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        std::string a = dir / "hostile.kvb";
        testWriteFile(a, c.bytes);
        std::filesystem::path plant = vol + "/Korvan/" + c.plant;
        if (!c.plant.empty()) {
            std::filesystem::rename(plant, dir / "moved");
            std::filesystem::create_directory_symlink(dir / "moved", plant);
        }
        Tree old = testTreeSnapshot(dir.path());
        sBackupResult r;
        EXPECT_EQ(restore(RESTORE_CONFIRMED, &r, a), BACKUP_FAILED);
        EXPECT_NE(std::string(r.error).find(c.why), std::string::npos) << r.error;
        EXPECT_EQ(testTreeSnapshot(dir.path()), old);
    }
}

// Every file operation fails in turn; without a pulled card (the fault does
// not stick) the restore itself leaves the old card or the new one. With a
// pulled card (every later operation fails too) the journal lets a later
// recovery take the card either way, as asked.
TEST_F(RestoreTest, EveryFailingStepLeavesTheOldCardOrTheRestoredOne) {
    Tree old = testTreeSnapshot(vol);
    Tree fresh = restored(old);
    std::string copy = dir / "oldvol";
    std::filesystem::copy(vol, copy, std::filesystem::copy_options::recursive);
    bool completed = false;
    for (long n = 1; n < 2000 && !completed; ++n) {
        for (int mode = 0; mode < 3; ++mode) {
            SCOPED_TRACE(testing::Message() << "operation " << n << " mode " << mode);
            std::filesystem::remove_all(vol);
            std::filesystem::copy(copy, vol, std::filesystem::copy_options::recursive);
            rliFaultFileArm(n, EIO, mode > 0);
            sBackupResult r;
            int status = restore(RESTORE_CONFIRMED, &r);
            bool fired = rliFaultFileFired();
            rliFaultFileArm(0, 0, false);
            if (!fired) {
                // Staged, and nothing left for a recovery: the snapshot holds hidden folders too.
                EXPECT_EQ(status, BACKUP_DONE) << r.error;
                EXPECT_EQ(r.inPlace, 0);
                EXPECT_EQ(testTreeSnapshot(vol), fresh);
                completed = true;
                break;
            }
            EXPECT_TRUE(r.error[0]);
            if (status == BACKUP_DONE) {
                // Restored; only the hidden staging folder may be left for the recovery.
                EXPECT_GE(restoreRecover(vol.c_str(), RESTORE_RECOVER_ROLLBACK, nullptr, 0), 0);
                EXPECT_EQ(testTreeSnapshot(vol), fresh) << r.error;
                continue;
            }
            if (mode == 0) {
                EXPECT_TRUE(status == BACKUP_FAILED) << r.error;
                EXPECT_EQ(testTreeSnapshot(vol), old) << r.error;
                continue;
            }
            int apply = mode == 1 ? RESTORE_RECOVER_FINISH : RESTORE_RECOVER_ROLLBACK;
            char detail[kBackupErrorMax];
            int state = restoreRecover(vol.c_str(), apply, detail, sizeof detail);
            ASSERT_GE(state, 0) << detail;
            bool forward = state == RESTORE_STATE_DONE ||
                           (apply == RESTORE_RECOVER_FINISH && (state == RESTORE_STATE_ASIDE || state == RESTORE_STATE_PLACE));
            EXPECT_EQ(testTreeSnapshot(vol), forward ? fresh : old) << "state " << state << ": " << r.error;
        }
    }
    EXPECT_TRUE(completed);
}

TEST_F(RestoreTest, AMissingBackupCancelOrNoRoomToStageItLeavesTheOldCardAndInPlaceNeedsConfirming) {
    Tree all = testTreeSnapshot(dir.path());
    sBackupResult r;
    EXPECT_EQ(restore(RESTORE_CONFIRMED, &r, dir / "none.kvb"), BACKUP_FAILED);
    EXPECT_NE(std::string(r.error).find("none.kvb"), std::string::npos) << r.error;
    EXPECT_EQ(testTreeSnapshot(dir.path()), all);
    EXPECT_EQ(hlCallCount("messageBox"), 1);
    // A backup large enough that the job is still unpacking when Cancel is seen.
    std::string src = dir / "big/Korvan", big = dir / "big.kvb";
    for (int i = 0; i < 24; ++i)
        testPut(src, "KVB-RT/WAVE/DATA/00/" + std::to_string(i) + ".wav", testBytes(1u << 20, i));
    char error[kTarErrorMax];
    ASSERT_EQ(tarBackupSave(big.c_str(), src.c_str(), 24, nullptr, error, sizeof error), 0) << error;
    Tree old = testTreeSnapshot(vol);
    hlPressProgressCancel();
    EXPECT_EQ(restore(RESTORE_CONFIRMED, &r, big), BACKUP_CANCELLED) << r.error;
    EXPECT_EQ(testTreeSnapshot(vol), old);

    waveBackupSetFreeSpaceProbe([](const char *) -> uint64_t { return 4096; });
    EXPECT_EQ(restore(RESTORE_CONFIRMED | RESTORE_IN_PLACE_REFUSED, &r), BACKUP_FAILED);
    EXPECT_EQ(r.noRoom, 1);
    EXPECT_NE(std::string(r.error).find("no room"), std::string::npos) << r.error;
    hlPushMessageBoxAnswer(3);
    EXPECT_EQ(restore(RESTORE_CONFIRMED, &r), BACKUP_DECLINED);
    EXPECT_EQ(testTreeSnapshot(vol), old);
    // A backup that would not fit even once the old files are gone is refused
    // before any of them goes.
    for (unsigned inPlace : {RESTORE_IN_PLACE_CONFIRMED, RESTORE_IN_PLACE}) {
        EXPECT_EQ(restore(RESTORE_CONFIRMED | inPlace, &r, big), BACKUP_FAILED);
        EXPECT_EQ(r.noRoom, 2);
        EXPECT_EQ(testTreeSnapshot(vol), old);
    }
    hlPushMessageBoxAnswer(2);
    ASSERT_EQ(restore(RESTORE_CONFIRMED, &r), BACKUP_DONE) << r.error;
    EXPECT_EQ(r.inPlace, 1);
    EXPECT_EQ(r.files, 5);
    EXPECT_FLOAT_EQ(hlProgressRatio(), 1.0f);
    EXPECT_EQ(testTreeSnapshot(vol), restored(old));
}

TEST_F(RestoreTest, RecoveryReportsAndClearsWhatAnInterruptedRestoreLeftAndCleanUpPassesOverIt) {
    std::string staging = vol + "/Korvan/.kvbrt-restore";
    Tree old = testTreeSnapshot(vol);
    // Unpacking was under way: only rolling back is possible, and it is harmless.
    testPut(staging, "new/KVB-RT/x.wav", "half");
    char detail[kBackupErrorMax];
    EXPECT_EQ(restoreRecoverState(vol.c_str(), detail, sizeof detail), RESTORE_STATE_STAGING);
    EXPECT_EQ(restoreRecover(vol.c_str(), RESTORE_RECOVER_FINISH, detail, sizeof detail), RESTORE_STATE_STAGING);
    EXPECT_EQ(testTreeSnapshot(vol), old);
    // A journal that cannot be read: left alone for a person to look at.
    testPut(staging, "journal", "something else\n");
    EXPECT_EQ(restoreRecoverState(vol.c_str(), detail, sizeof detail), RESTORE_STATE_DAMAGED);
    EXPECT_EQ(restoreRecover(vol.c_str(), RESTORE_RECOVER_ROLLBACK, detail, sizeof detail), -1);
    EXPECT_TRUE(testExists(staging + "/journal"));
    // ... and a restore refuses to start over it.
    sBackupResult r;
    EXPECT_EQ(restore(RESTORE_CONFIRMED, &r), BACKUP_FAILED);
    EXPECT_NE(std::string(r.error).find("interrupted"), std::string::npos) << r.error;
    // The card's clean-up passes over what is staged.
    testPut(staging, "new/a.wav", "staged");
    EXPECT_EQ(storageFileDelete((vol + "/Korvan").c_str()), 0);
    EXPECT_TRUE(testExists(staging + "/new/a.wav"));
    EXPECT_FALSE(testExists(vol + "/Korvan/.hidden/x.wav"));
    EXPECT_FALSE(testExists(vol + "/Korvan/KVB-RT/KIT/kit001.KVB"));
    EXPECT_TRUE(testExists(vol + "/Korvan/KVB-RT/notes.txt"));
}

}  // namespace
