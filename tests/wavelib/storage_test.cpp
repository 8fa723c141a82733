// The device folder scan on card trees built here: name rules, case on Linux
// file systems, what is deleted and what must never be, missing folders, and
// the folder utilities; and the scan as a job on the worker thread under the
// progress window, its library arriving on the caller's side.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "foundation/fault.h"
#include "foundation/global.h"
#include "foundation/mem.h"
#include "foundation/str.h"
#include "platform/job.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/library.h"
#include "support/test_util.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

// A scan of one volume (cleaning, as the desktop program scans), disposed with its library.
struct Scan : TestLibrary {
    explicit Scan(const std::string &root, uint32_t mode = WSTORAGE_SCAN_CLEAN) : TestLibrary(root, mode) {}
    _sWaveStorage *storage() const { return list ? list->storage : nullptr; }
    std::set<int> fileKits() const {
        std::set<int> out;
        for (auto *k = list ? static_cast<sKit *>(list->kits.first) : nullptr; k; k = k->next)
            if (k->isFile) out.insert(k->kitNumber);
        return out;
    }
    // The notes as "kind:file name" (the last part of the path).
    std::vector<std::string> notes() const {
        std::vector<std::string> out;
        for (auto *n = storage() ? static_cast<sStorageNote *>(storage()->notes.first) : nullptr; n; n = n->next) {
            std::string p = n->path;
            if (!p.empty() && p.back() == '/') p.pop_back();
            out.push_back(std::to_string(n->kind) + ":" + p.substr(p.rfind('/') + 1));
        }
        return out;
    }
};

std::string note(int kind, const std::string &file) { return std::to_string(kind) + ":" + file; }

TEST(StorageScan, LowerCaseTreeIsReadWithItsOwnNamesAndFilesInAnyCase) {
    ScratchDir dir;
    TestTreeNames lower{"korvan", "kvb-rt", "system", "kit", "wave", "data", "prm"};
    TestCard card = TestCard::withTree(dir.path(), lower);
    card.writeCategories({{"DEFAULT", 1}, {"SNARE", 0}});
    card.writeKit("kit003.kvb", "Rock", "", {{5, -1}});
    std::string prm = card.addWave(5, "KICK", "KICK.wav", 1);
    // The audio file in another case is found; a parameter file whose audio is
    // certainly absent goes, as this scan cleans.
    std::filesystem::rename(card.data(0) + "KICK.wav", card.data(0) + "kick.wav");
    std::string orphan = card.addWave(6, "GONE", "GONE.wav", 0, false);

    Scan scan(dir.path());
    ASSERT_NE(scan.list, nullptr);
    EXPECT_EQ(scan.storage()->flags, 0x2FFu);
    EXPECT_EQ(scan.waves(), std::set<int>{5});
    EXPECT_EQ(scan.fileKits(), std::set<int>{3});
    EXPECT_EQ(std::string(scan.storage()->kit->path), card.kit());
    EXPECT_EQ(std::string(scan.storage()->dataPath), card.device() + "wave/data/");
    EXPECT_STREQ(waveListWavePtr(scan.list, 0)->category->name, "SNARE");
    const sStorageWavePrm *node = wstorageFindWavePrm(scan.storage(), 5);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(std::string(node->audioPath), card.data(0) + "kick.wav");
    EXPECT_EQ(node->audioSize, testWavBytes(105).size());
    EXPECT_TRUE(testExists(prm));
    EXPECT_FALSE(testExists(orphan));
    EXPECT_EQ(scan.notes(), std::vector<std::string>{note(WSTORAGE_NOTE_ORPHAN_DELETED, "06.kvb")});

    // Creating the tree again makes no second, upper-case tree beside it.
    ASSERT_EQ(wstorageCreateDir(dir.path().c_str()), 0);
    EXPECT_EQ(testListDir(dir.path()), std::vector<std::string>{"korvan"});
    EXPECT_EQ(testListDir(card.device()), (std::vector<std::string>{"kit", "system", "wave"}));
    EXPECT_EQ(testListDir(card.device() + "wave"), (std::vector<std::string>{"data", "prm"}));
}

// Kit and parameter files are taken by the pattern of their names, the
// extension in any case; a second spelling of the same file is skipped and noted.
TEST(StorageScan, FileNamePatternsAndSecondSpellings) {
    ScratchDir dir;
    TestCard card = TestCard::withTree(dir.path());
    card.writeKit("kit007.KVB", "Second", "", {});
    for (const char *name : {"kit007.kvb", "kit008.KVB", "KIT009.kvb", "kit09.kvb", "kit0090.kvb", "._kit009.kvb",
                             "kit 09.kvb", "kit009.kvb.tmp", "kitabc.kvb"})
        card.writeKit(name, "K", "", {});
    testMakeDirs(card.kit() + "kit010.kvb");  // a folder is no kit file
    card.addWave(1234, "A", "A.wav");
    std::string text = testWavePrmText("B", "12/A.wav", 0);
    for (const char *name : {"034.kvb", "3a.kvb", "._35.kvb", "4.kvb", "36.kvbx", ".37.kvb.x1.tmp", "38.KVB"})
        testWriteFile(card.prm(12) + name, text);
    testWriteFile(card.prm(12) + "34.KVB", testWavePrmText("OTHER", "12/A.wav", 0));
    testWriteFile(card.system() + "TAG_LIST.KVB", testTagListText({{"X", 0}}));
    card.writeCategories({{"DEFAULT", 0}});
    // Folders other than two digits are not parameter folders.
    for (const char *folder : {"1", "123", "12.bak", "1x"}) {
        testMakeDirs(card.device() + "WAVE/PRM/" + folder);
        testWriteFile(card.device() + "WAVE/PRM/" + folder + "/50.kvb", text);
    }
    Scan scan(dir.path());
    ASSERT_NE(scan.list, nullptr);
    EXPECT_EQ(scan.fileKits(), (std::set<int>{7, 8}));
    EXPECT_STREQ(waveListKitPtr(scan.list, 7)->name, "K");
    EXPECT_EQ(scan.waves(), (std::set<int>{1234, 1238}));
    EXPECT_STREQ(waveListFindWaveNumber(scan.list, 1234)->name, "A");
    EXPECT_EQ(waveListTagCount(scan.list), 1);
    std::vector<std::string> notes = scan.notes();
    std::sort(notes.begin(), notes.end());
    EXPECT_EQ(notes, (std::vector<std::string>{note(WSTORAGE_NOTE_DUPLICATE, "34.KVB"),
                                               note(WSTORAGE_NOTE_DUPLICATE, "TAG_LIST.KVB"),
                                               note(WSTORAGE_NOTE_DUPLICATE, "kit007.KVB")}));
    // The progress bar counts every file of SYSTEM, KIT and PRM/12, whatever its name.
    EXPECT_EQ(wstorageReadCount(dir.path().c_str()), 2 + 10 + 9);
}

TEST(StorageScan, MissingFoldersLeaveWhatWasFound) {
    const struct {
        const char *removed;
        uint32_t flags;
        size_t waves;
    } cases[] = {{"SYSTEM", 0x0F7, 1}, {"KIT", 0x2EF, 1}, {"WAVE", 0x21F, 0}, {"WAVE/PRM", 0x27F, 0},
                 {"WAVE/DATA", 0x2BF, 0}};
    for (const auto &c : cases) {
        ScratchDir dir;
        TestCard card = TestCard::withTree(dir.path());
        card.writeCategories({{"DEFAULT", 0}});
        card.writeKit("kit001.kvb", "K", "", {});
        std::string prm = card.addWave(7, "W", "W.wav");
        std::filesystem::remove_all(card.device() + c.removed);
        Scan scan(dir.path());
        ASSERT_NE(scan.list, nullptr) << c.removed;
        EXPECT_EQ(scan.storage()->flags, c.flags) << c.removed;
        EXPECT_EQ(scan.waves().size(), c.waves) << c.removed;
        EXPECT_EQ(waveListKitCount(scan.list), 100) << c.removed;
        EXPECT_NE(scan.list->defaultTag, nullptr) << c.removed;
        // Without DATA the audio file cannot be told absent: the parameter file stays.
        if (std::string(c.removed) == "WAVE/DATA") {
            EXPECT_TRUE(testExists(prm));
            EXPECT_EQ(scan.notes(), std::vector<std::string>{note(WSTORAGE_NOTE_AUDIO_UNKNOWN, "07.kvb")});
        }
    }
}

TEST(StorageScan, NoDeviceFolderGivesNoLibrary) {
    // The device's folders match by their whole name only.
    const struct {
        const char *maker, *device;  // null: an empty volume
        uint32_t flags;
    } cases[] = {{nullptr, nullptr, 0x001}, {"Korvan.bak", "KVB-RT", 0x001}, {"Korvan", "KVB-RT.old", 0x003}};
    for (const auto &c : cases) {
        ScratchDir dir;
        if (c.maker) TestCard(dir.path(), {c.maker, c.device}).makeTree();
        Scan scan(dir.path());
        EXPECT_EQ(scan.list, nullptr);
        EXPECT_EQ(G.currentWaveList, nullptr);
        EXPECT_EQ(wstorageLastFlags(), c.flags);
    }
    ScratchDir dir;
    EXPECT_EQ(wstorageReadCount(dir.path().c_str()), 0);
    Scan none(dir / "absent");
    EXPECT_EQ(none.list, nullptr);
    EXPECT_EQ(wstorageLastFlags(), 0u);
    EXPECT_TRUE(testListDir(dir.path()).empty());
    EXPECT_EQ(waveListCreateFromStorage(nullptr, nullptr), nullptr);
}

TEST(StorageScan, AudioThatCannotBeExaminedKeepsItsParameterFile) {
    const struct {
        const char *what;
        std::function<void(const TestCard &)> spoil;
    } cases[] = {
        {"data folder missing", [](const TestCard &c) { std::filesystem::remove_all(c.data(0)); }},
        {"audio name is a folder",
         [](const TestCard &c) {
             std::filesystem::remove(c.data(0) + "KICK.wav");
             testMakeDirs(c.data(0) + "KICK.wav");
         }},
        {"audio name in another case is a folder",
         [](const TestCard &c) {
             std::filesystem::remove(c.data(0) + "KICK.wav");
             testMakeDirs(c.data(0) + "kick.WAV");
         }},
        // Skipped as root, which reads folders whatever their permissions.
        {"data folder unreadable",
         [](const TestCard &c) {
             std::filesystem::remove(c.data(0) + "KICK.wav");
             chmod(c.data(0).c_str(), 0);
         }},
    };
    for (const auto &c : cases) {
        if (testIsRoot() && std::string(c.what) == "data folder unreadable") continue;
        ScratchDir dir;
        TestCard card = TestCard::withTree(dir.path());
        std::string prm = card.addWave(5, "KICK", "KICK.wav");
        c.spoil(card);
        {
            Scan scan(dir.path());
            ASSERT_NE(scan.list, nullptr) << c.what;
            EXPECT_TRUE(scan.waves().empty()) << c.what;
            EXPECT_TRUE(testExists(prm)) << c.what;
            EXPECT_EQ(scan.notes(), std::vector<std::string>{note(WSTORAGE_NOTE_AUDIO_UNKNOWN, "05.kvb")}) << c.what;
        }
        chmod(card.data(0).c_str(), 0755);
    }
}

TEST(StorageScan, DamagedFilesAreSkippedNotedAndNeverDeleted) {
    ScratchDir dir;
    TestCard card = TestCard::withTree(dir.path());
    // A file outside the data folder that an escaping "Path" would reach.
    testWriteFile(dir / "victim.wav", testWavBytes(10));
    const struct {
        const char *file;
        std::string text;
        int kind;
    } cases[] = {
        {"00.kvb", testWavePrmText("A", "00/../../../../victim.wav", 0), WSTORAGE_NOTE_PATH_DAMAGED},
        {"01.kvb", testWavePrmText("A", "../../victim.wav", 0), WSTORAGE_NOTE_PATH_DAMAGED},
        {"02.kvb", testWavePrmText("A", "00/..", 0), WSTORAGE_NOTE_PATH_DAMAGED},
        {"03.kvb", testWavePrmText("A", "", 0), WSTORAGE_NOTE_PATH_DAMAGED},
        {"04.kvb", testWavePrmText("A", "0/A.wav", 0), WSTORAGE_NOTE_PATH_DAMAGED},
        {"05.kvb", "<WvPrm>\n<Path>00/A.wav</Path>\n", WSTORAGE_NOTE_MALFORMED},
        {"06.kvb", "", WSTORAGE_NOTE_MALFORMED},
        // Whole and valid, but far larger than any parameter file: not loaded.
        {"07.kvb", testWavePrmText("A", "00/A.wav", 0) + std::string(2u << 20, ' '), WSTORAGE_NOTE_MALFORMED},
    };
    testMakeDirs(card.prm(0));
    for (const auto &c : cases) testWriteFile(card.prm(0) + c.file, c.text);
    Scan scan(dir.path());
    ASSERT_NE(scan.list, nullptr);
    EXPECT_TRUE(scan.waves().empty());
    std::vector<std::string> expected;
    for (const auto &c : cases) {
        expected.push_back(note(c.kind, c.file));
        EXPECT_TRUE(testExists(card.prm(0) + c.file)) << c.file;
    }
    EXPECT_EQ(scan.notes(), expected);
    EXPECT_TRUE(testExists(dir / "victim.wav"));
}

// Whatever single file operation fails, a parameter file whose audio file is
// there is never deleted, and nothing leaks.
TEST(StorageScan, NoFailingStepDeletesAParameterFile) {
    ScratchDir dir;
    TestCard card = TestCard::withTree(dir.path());
    card.writeCategories({{"DEFAULT", 0}});
    card.writeKit("kit000.kvb", "K", "", {{1, -1}});
    std::vector<std::string> prms;
    for (int n : {1, 2, 101}) prms.push_back(card.addWave(n, "W" + std::to_string(n), "W.wav"));
    for (int kind = 0; kind < 2; ++kind) {
        bool completed = false;
        // Every file step; every allocation of the scan, then a sample of the
        // thousands the library's pads take.
        for (long n = 1; n < 20000 && !completed; n += n < 600 ? 1 : 13) {
            if (kind == 0) rliFaultFileArm(n, n % 2 ? EIO : ENOENT, false);
            else memTestFailNth(n, false);
            sWaveList *list = waveListCreateFromStorageWindowOpen(dir.path().c_str(), 0, WSTORAGE_SCAN_CLEAN);
            bool fired = kind == 0 ? rliFaultFileFired() : memTestFailCount() > 0;
            rliFaultFileArm(0, 0, false);
            memTestFailNth(0, false);
            EXPECT_TRUE(list || fired) << n;
            if (list && kind == 0) {
                EXPECT_EQ(waveListKitCount(list), 100) << n;
            }
            waveListDispose(list);
            for (const auto &p : prms) ASSERT_TRUE(testExists(p)) << (kind ? "allocation " : "file step ") << n;
            completed = !fired;
        }
        EXPECT_TRUE(completed) << "every step tried";
    }
}

TEST(StorageListing, FailuresReturnNothingAndDoNotEndTheProcess) {
    ScratchDir dir;
    for (int i = 0; i < 100; ++i) testWriteFile(dir / ("f" + std::to_string(i)), "x");
    sRliDirEntry *entries = reinterpret_cast<sRliDirEntry *>(1);
    EXPECT_EQ(rliStorageGetDir(&entries, (dir / "absent").c_str()), -1);
    EXPECT_EQ(entries, nullptr);
    for (long n = 1; n < 400; ++n) {
        memTestFailNth(n, false);
        sStorageListing *l = storageDevelopment(dir.path().c_str());
        bool fired = memTestFailCount() > 0;
        memTestFailNth(0, false);
        if (!fired) {
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(rliListCount(&l->files), 100);
            storageListingDispose(l);
            break;
        }
        // A listing is whole or absent: a partial one could hide a present file.
        EXPECT_EQ(l, nullptr) << n;
        EXPECT_EQ(errno, ENOMEM) << n;
    }
}

TEST(StorageFolders, TreesAreMadeAndGrownOnlyInsideAnExistingDeviceFolderWithItsNames) {
    ScratchDir dir;
    // The card went away: its empty mount folder gets nothing planted.
    EXPECT_EQ(wstorageMakeDir(dir.path().c_str(), cSTORAGE_DIR_KIT), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(testListDir(dir.path()).empty());
    EXPECT_EQ(wstorageMakeDir(dir.path().c_str(), "elsewhere/"), -1);
    // A lower-case tree is grown in place.
    ASSERT_TRUE(testMakeDirs(dir / "korvan/kvb-rt/wave"));
    EXPECT_EQ(wstorageMakeDir(dir.path().c_str(), "Korvan/KVB-RT/WAVE/PRM/07/"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "korvan/kvb-rt/wave/PRM/07"));
    EXPECT_EQ(testListDir(dir.path()), std::vector<std::string>{"korvan"});
    EXPECT_EQ(rliStorageExist((dir / "korvan/kvb-rt").c_str()), 0);
    EXPECT_EQ(rliStorageExist((dir / "Korvan").c_str()), -1);
    // Device paths take the names found on disk.
    char out[kRliPathMax];
    ASSERT_EQ(wstorageDevicePath(out, sizeof out, dir.path().c_str(), "Korvan/KVB-RT/WAVE/DATA/07/KICK.wav"), 0);
    EXPECT_EQ(std::string(out), dir.path() + "/korvan/kvb-rt/wave/DATA/07/KICK.wav");
    EXPECT_EQ(wstorageDevicePath(out, 8, dir.path().c_str(), "Korvan/"), -1);
    EXPECT_STREQ(out, "");
    // A new tree has the four folders; a failing step leaves nothing.
    ScratchDir fresh;
    ASSERT_EQ(wstorageCreateDir(fresh.path().c_str()), 0);
    for (const char *folder : {cSTORAGE_DIR_KIT, cSTORAGE_DIR_WAVE_DATA, cSTORAGE_DIR_WAVE_PRM, cSTORAGE_DIR_SYSTEM})
        EXPECT_TRUE(std::filesystem::is_directory(fresh / folder)) << folder;
    rliFaultFileArm(1, EIO, true);
    EXPECT_EQ(wstorageCreateDir((fresh / "other").c_str()), -1);
    rliFaultFileArm(0, 0, false);
    EXPECT_FALSE(testExists(fresh / "other"));
}

TEST(StorageText, SizesAndRatio) {
    const struct {
        uint64_t size;
        const char *text;
    } cases[] = {{0, "0Byte"},   {1023, "1023Byte"}, {1024, "1KB"},       {1048575, "1023KB"},
                 {1048576, "1MB"}, {1073741824, "1GB"}, {5ull << 40, "5120GB"}};
    for (const auto &c : cases) {
        char buf[32];
        rliStorageFileSizeString(buf, sizeof buf, c.size);
        EXPECT_STREQ(buf, c.text) << c.size;
    }
    char ratio[16];
    ScratchDir dir;
    EXPECT_EQ(rliStorageDiskFreeSizeRatioString(ratio, sizeof ratio, dir.path().c_str()), 0);
    int percent = std::atoi(ratio);
    EXPECT_TRUE(percent >= 0 && percent <= 100) << ratio;
    EXPECT_EQ(ratio[std::strlen(ratio) - 1], '%');
    EXPECT_LE(rliStorageDiskFreeSize(dir.path().c_str()), storageDiskSize(dir.path().c_str()));
    EXPECT_EQ(storageDiskSize((dir / "absent").c_str()), UINT64_MAX);
    EXPECT_EQ(rliStorageDiskFreeSizeRatioString(ratio, sizeof ratio, (dir / "absent").c_str()), -1);
    EXPECT_STREQ(stringLastSlash("a/b\\c"), "\\c");
    EXPECT_STREQ(stringLastSlash("a\\b/c"), "/c");
    EXPECT_EQ(stringLastSlash("abc"), nullptr);
}

// --- The scan job ------------------------------------------------------------------

using ScanJobTest = HeadlessTest;

TEST_F(ScanJobTest, ScanRunsOnTheWorkerWithACountedBarAndTakesKitsFromFilesAndTheRestNew) {
    TestCard card = TestCard::withTree(dir.path());
    card.writeCategories({{"DEFAULT", 0}, {"Kicks", 1}});
    for (int n : {0, 1, 105}) card.addWave(n, "Wave" + std::to_string(n), "w" + std::to_string(n) + ".wav");
    card.writeKit("kit000.kvb", "Rock", "Sub line", {{3, 4}, {-1, 17}});
    card.writeKit("kit003.kvb", "Kit", "", {{0, -1}});
    card.writeKit("kit005.kvb", "Jazz", "", {});

    TestLibrary lib(dir.path());
    ASSERT_NE(lib.list, nullptr);
    EXPECT_EQ(G.currentWaveList, lib.list);
    EXPECT_EQ(rliListCount(&lib.list->waves), 3);
    // One step per file read: the category list, three kits and three parameter files.
    EXPECT_EQ(gReadFileMax.load(), 7);
    EXPECT_EQ(gnReadFile.load(), 7);
    EXPECT_FLOAT_EQ(hlProgressRatio(), 1.0f);
    EXPECT_EQ(hlCallCount("progressOpen"), 1);
    EXPECT_EQ(hlCallCount("progressClose"), 1);
    EXPECT_EQ(editProgressBarGetIsWindow(), 0);

    ASSERT_EQ(waveListKitCount(lib.list), 100);
    EXPECT_EQ(waveListPadCount(lib.list), 1500);
    EXPECT_EQ(waveListKitFileCount(lib.list), 3);
    for (int n = 0; n < 100; ++n) {
        sKit *kit = waveListKitPtr(lib.list, n);
        ASSERT_EQ(kit->kitNumber, n);
        ASSERT_EQ(rliListCount(&kit->pads), 15);
        bool file = n == 0 || n == 3 || n == 5;
        EXPECT_EQ(kit->isFile, file ? 1 : 0) << n;
        if (!file) {
            EXPECT_EQ(std::string(kit->name, 8), "New Kit ");
            EXPECT_EQ(waveKitPadPtr(kit, 14)->waveNumber, -1);
        }
    }
    sKit *rock = waveListKitPtr(lib.list, 0);
    EXPECT_STREQ(rock->name, "Rock");
    EXPECT_STREQ(rock->subName, "Sub line");
    EXPECT_EQ(waveKitPadPtr(rock, 0)->waveNumber, 3);
    EXPECT_EQ(waveKitPadPtr(rock, 0)->subWaveNumber, 4);
    EXPECT_EQ(waveKitPadPtr(rock, 1)->subWaveNumber, 17);
    EXPECT_EQ(waveKitPadPtr(rock, 0)->kit, rock);
    // The pads name waves that do not exist: dangling, not an error.
    EXPECT_EQ(wavePadWavePtr(lib.list, waveKitPadPtr(rock, 0)), nullptr);
    EXPECT_STREQ(waveListKitPtr(lib.list, 5)->name, "Jazz");
}

// An allocation failing in the scan job loses at most the item concerned:
// every wave that is there still has a category, nothing leaks, and nothing
// is deleted. On the scripted host the first 400 allocations, the worker's
// and the progress window's among them; then, without a host, every one
// until a scan gets through.
TEST_F(ScanJobTest, AllocationFailureAtAnyStepLeaksNothingAndDeletesNothing) {
    TestCard card = TestCard::withTree(dir.path());
    card.writeCategories({{"SNARE", 0}});
    card.writeKit("kit002.kvb", "K", "", {{1, -1}});
    card.addWave(1, "A", "A.wav", 0);
    card.addWave(7, "Seven", "seven.wav");
    long blocks = memGetBlockCount();
    for (bool host : {true, false}) {
        if (!host) ghostHostInstall(nullptr);
        bool completed = false;
        for (long n = 1; n < (host ? 400 : 20000) && !completed; ++n) {
            hlFailAllocation(n);
            sWaveList *list = waveListCreateFromStorageWindowOpen(dir.path().c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
            completed = memTestFailCount() == 0;
            hlFailAllocation(0);
            for (auto *w = list ? static_cast<sWave *>(list->waves.first) : nullptr; w; w = w->next)
                EXPECT_NE(w->category, nullptr) << n;
            EXPECT_TRUE(list || !completed) << n;
            waveListDispose(list);
            EXPECT_EQ(memGetBlockCount(), blocks) << "allocation " << n;
        }
        EXPECT_TRUE(completed || host) << "every step tried";
    }
    EXPECT_TRUE(testExists(card.prm(0) + "07.kvb"));
    EXPECT_TRUE(testExists(card.prm(0) + "01.kvb"));
}

}  // namespace
