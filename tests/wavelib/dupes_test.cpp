// The duplicate finder: identical files under other names and folders are
// grouped, files of equal size but other bytes are not, and a file that
// cannot be read joins no group.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "wavelib/dupes.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

using DupesTest = HeadlessTest;

std::vector<std::vector<int>> numbersOf(const sListBase &groups) {
    std::vector<std::vector<int>> out;
    for (auto *g = static_cast<const sDupeGroup *>(groups.first); g; g = g->next) {
        out.emplace_back();
        for (auto *n = static_cast<const sListItem *>(g->waves.first); n; n = n->next)
            out.back().push_back(static_cast<const sWave *>(n->item)->waveNumber);
    }
    return out;
}

TEST_F(DupesTest, GroupsIdenticalFilesOnlyAcrossNamesAndFolders) {
    TestCard card = TestCard::withTree(dir.path());
    card.writeCategories({{"DEFAULT", 0}});
    std::string kick = testWavBytes(500), other = kick, big = testWavBytes(70000);
    other[other.size() - 1] = '\x01';  // same size, last byte differs
    const struct {
        int number;
        const char *file;
        const std::string *bytes;
    } waves[] = {{3, "KICK.wav", &kick}, {150, "K2.wav", &kick}, {151, "OTHER.wav", &other},
                 {7, "BIG.wav", &big},   {240, "BIG2.wav", &big}, {241, "KICK.wav", &kick}, {9, "ALONE.wav", &other}};
    for (const auto &w : waves) {
        card.addWave(w.number, "W", w.file);
        testWriteFile(card.data(w.number / 100) + w.file, *w.bytes);
    }
    card.addWave(12, "ODD", "ODD.wav");  // a size of its own: never read

    sWaveList *list = waveListCreateFromStorageWindowOpen(dir.path().c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    ASSERT_NE(list, nullptr);
    sListBase groups{};
    int unreadable = -1;
    ASSERT_EQ(waveDupesFind(list, &groups, &unreadable), 0);
    EXPECT_EQ(numbersOf(groups), (std::vector<std::vector<int>>{{3, 150, 241}, {7, 240}, {9, 151}}));
    EXPECT_EQ(unreadable, 0);
    ASSERT_NE(groups.first, nullptr);
    EXPECT_EQ(static_cast<const sDupeGroup *>(groups.first)->size, kick.size());
    waveDupesDispose(&groups);

    // A file that cannot be read drops out of its group, and is counted.
    if (!testIsRoot()) {
        std::string locked = card.data(1) + "K2.wav";
        chmod(locked.c_str(), 0);
        ASSERT_EQ(waveDupesFind(list, &groups, &unreadable), 0);
        EXPECT_EQ(numbersOf(groups), (std::vector<std::vector<int>>{{3, 241}, {7, 240}, {9, 151}}));
        EXPECT_EQ(unreadable, 1);
        chmod(locked.c_str(), 0644);
        waveDupesDispose(&groups);
    }
    waveListDispose(list);
}

TEST(DupesFiles, SameFileComparesEveryByte) {
    ScratchDir dir;
    std::string a = std::string(200000, 'x'), b = a;
    b[150000] = 'y';  // differs past the first read
    testWriteFile(dir / "a", a);
    testWriteFile(dir / "a2", a);
    testWriteFile(dir / "b", b);
    testWriteFile(dir / "short", a.substr(0, 1000));
    EXPECT_EQ(waveDupesSameFile((dir / "a").c_str(), (dir / "a2").c_str()), 1);
    EXPECT_EQ(waveDupesSameFile((dir / "a").c_str(), (dir / "b").c_str()), 0);
    EXPECT_EQ(waveDupesSameFile((dir / "a").c_str(), (dir / "short").c_str()), 0);
    EXPECT_EQ(waveDupesSameFile((dir / "a").c_str(), (dir / "missing").c_str()), -1);
    uint64_t h = 0;
    ASSERT_EQ(waveDupesHashFile((dir / "a").c_str(), &h), 0);
    EXPECT_EQ(h, waveDupesHash(kDupesHashStart, a.data(), a.size()));
}

}  // namespace
