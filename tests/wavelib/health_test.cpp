// The card check: one fault per card, found and described; where it can be
// repaired, repaired, after which the card is clean; never an audio file lost.
// The duplicate finder: identical files under other names and folders are
// grouped, files of equal size but other bytes are not, and a file that
// cannot be read joins no group.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/audio_bytes.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "wavelib/dupes.h"
#include "wavelib/health.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

namespace fs = std::filesystem;

struct FaultRow {
    const char *name;
    std::function<void(const TestCard &)> make;
    std::vector<int32_t> kinds;  // every finding the fault gives, in the report's order
    int32_t fix;                 // the repair planned for the first one
    const char *file;            // the end of the first finding's path
};

void PrintTo(const FaultRow &row, std::ostream *os) { *os << row.name; }

const std::vector<FaultRow> &faultRows() {
    static const std::vector<FaultRow> rows = {
        {"ParameterDoesNotParseOrItsPathIsDamaged",
         [](const TestCard &c) {
             testWriteFile(c.prm(0) + "07.kvb", "<WvPrm>\n<Nm0>65");
             testWriteFile(c.prm(0) + "08.kvb", testWavePrmText("UP", "00/../../x.wav", 0));
         },
         {HEALTH_PRM_DAMAGED, HEALTH_PRM_DAMAGED}, HEALTH_FIX_NONE, "PRM/00/07.kvb"},
        {"ParameterAudioNotAFile",
         [](const TestCard &c) {
             c.addWave(9, "DIR", "DIR.wav", 0, false);
             testMakeDirs(c.data(0) + "DIR.wav");
         },
         {HEALTH_PRM_AUDIO_UNREADABLE, HEALTH_FOLDER_FOR_FILE}, HEALTH_FIX_NONE, "PRM/00/09.kvb"},
        {"ParameterTwoSpellings",
         [](const TestCard &c) { testWriteFile(c.prm(0) + "01.KVB", testWavePrmText("GOOD", "00/GOOD.wav", 0)); },
         {HEALTH_PRM_DUPLICATE}, HEALTH_FIX_NONE, "PRM/00/01.KVB"},
        {"OrphanAudioAdopted",
         [](const TestCard &c) {
             testMakeDirs(c.data(2));
             testWriteFile(c.data(2) + "Snare Drum 1.wav", testWavBytes(300));
         },
         {HEALTH_AUDIO_ORPHAN}, HEALTH_FIX_ADOPT, "DATA/02/Snare Drum 1.wav"},
        // Adopted, an unsafe name would break the parameter file written for it on every repair.
        {"OrphanAudioUnplayableOrNamedUnsafely",
         [](const TestCard &c) {
             testWriteFile(c.data(0) + "HI.wav", testWavBytes(300, 48000));
             testWriteFile(c.data(0) + "a\\b.wav", testWavBytes(300));
         },
         {HEALTH_AUDIO_ORPHAN, HEALTH_AUDIO_ORPHAN}, HEALTH_FIX_NONE, "DATA/00/a\\b.wav"},
        {"WaveAt22050HzOrCompressed",
         [](const TestCard &c) {
             c.addWave(3, "LO", "LO.wav");
             testWriteFile(c.data(0) + "LO.wav", testWavBytes(300, 22050));
             c.addWave(4, "ULAW", "ULAW.aif");
             testWriteFile(c.data(0) + "ULAW.aif", testAiffBytes(10, 16, "ulaw"));
         },
         {HEALTH_AUDIO_UNPLAYABLE, HEALTH_AUDIO_UNPLAYABLE}, HEALTH_FIX_NONE, "DATA/00/LO.wav"},
        {"CategoryOutOfRange", [](const TestCard &c) { c.addWave(6, "FAR", "FAR.wav", 5); },
         {HEALTH_TAG_OUT_OF_RANGE}, HEALTH_FIX_NONE, "PRM/00/06.kvb"},
        {"TooManyCategories",
         [](const TestCard &c) {
             std::vector<std::pair<std::string, int>> tags = {{"DEFAULT", 0}};
             for (int i = 1; i <= 20; ++i) tags.push_back({"T" + std::to_string(i), 0});
             c.writeCategories(tags);
         },
         {HEALTH_TAG_TOO_MANY}, HEALTH_FIX_NONE, "SYSTEM/tag_list.kvb"},
        {"KitFileDamaged", [](const TestCard &c) { testWriteFile(c.kit() + "kit003.kvb", "<KitPrm>\n<Nm0>65</Nm0>\n"); },
         {HEALTH_KIT_DAMAGED}, HEALTH_FIX_REWRITE_KIT, "KIT/kit003.kvb"},
        {"WaveListStale",
         [](const TestCard &c) { testWriteFile(c.system() + "wavelist_name.kvb", "<WvListSortbyName>\n</WvListSortbyName>\n"); },
         {HEALTH_WAVELIST_STALE}, HEALTH_FIX_REWRITE_WAVELIST, "SYSTEM/wavelist_name.kvb"},
        {"WaveNameNotShiftJis", [](const TestCard &c) { c.addWave(2, "AB\x81", "AB.wav"); },
         {HEALTH_NAME_NOT_SJIS}, HEALTH_FIX_NONE, "PRM/00/02.kvb"},
        {"NamesClashWithoutCase",
         [](const TestCard &c) { testWriteFile(c.data(0) + "good.WAV", testWavBytes(300)); },
         {HEALTH_AUDIO_ORPHAN, HEALTH_NAME_CLASH}, HEALTH_FIX_NONE, "DATA/00/good.WAV"},
        // The journals' folder too: a journal write cut off leaves one there.
        {"TemporaryFilesLeft",
         [](const TestCard &c) {
             testWriteFile(c.kit() + ".kit000.kvb.Ab12Cd.tmp", "<Kit");
             testMakeDirs(c.root() + "/Korvan/.kvbrt-journal");
             testWriteFile(c.root() + "/Korvan/.kvbrt-journal/.renumber.journal.Ab12Cd.tmp", "1");
         },
         {HEALTH_TEMP_FILE, HEALTH_TEMP_FILE}, HEALTH_FIX_REMOVE_TEMP, ".kvbrt-journal/.renumber.journal.Ab12Cd.tmp"},
        {"CategoryListMissing", [](const TestCard &c) { std::filesystem::remove(c.system() + "tag_list.kvb"); },
         {HEALTH_TAG_LIST_MISSING}, HEALTH_FIX_REBUILD_TAGS, "SYSTEM/tag_list.kvb"},
        // Deleting either wave would take the other's audio.
        {"TwoParameterFilesOneAudio", [](const TestCard &c) { c.addWave(7, "TWIN", "GOOD.wav", 0, false); },
         {HEALTH_AUDIO_SHARED}, HEALTH_FIX_NONE, "PRM/00/07.kvb"},
        {"AFolderAndALinkWhereFilesBelong",
         [](const TestCard &c) {
             testMakeDirs(c.kit() + "kit005.kvb");
             std::filesystem::create_directory_symlink("/tmp", c.kit() + "out");
         },
         {HEALTH_FOLDER_FOR_FILE, HEALTH_SYMLINK}, HEALTH_FIX_NONE, "KIT/kit005.kvb/"},
    };
    return rows;
}

class HealthTest : public HeadlessTest, public testing::WithParamInterface<FaultRow> {
protected:
    // A healthy card: DEFAULT, one wave on one pad of kit 0.
    TestCard healthyCard() {
        TestCard card = TestCard::withTree(dir.path());
        card.writeCategories({{"DEFAULT", 0}});
        card.addWave(1, "GOOD", "GOOD.wav");
        card.writeKit("kit000.kvb", "Kit", "", {{1, -1}});
        return card;
    }
};

std::vector<int32_t> kindsOf(const sHealthReport &r) {
    std::vector<int32_t> kinds;
    for (auto *f = static_cast<const sHealthFinding *>(r.findings.first); f; f = f->next) kinds.push_back(f->kind);
    return kinds;
}

TEST_P(HealthTest, FoundDescribedAndRepairedWhereItCanBe) {
    const FaultRow &row = GetParam();
    TestCard card = healthyCard();
    row.make(card);
    // Every audio file lives in the data folders.
    const std::string data = card.device() + "WAVE/DATA";
    std::map<std::string, std::string> audioBefore = testTreeSnapshot(data);

    sHealthReport r{}, after{};
    ASSERT_EQ(waveHealthCheck(dir.path().c_str(), &r), 0);
    ASSERT_EQ(kindsOf(r), row.kinds);
    auto *first = static_cast<const sHealthFinding *>(r.findings.first);
    EXPECT_EQ(first->fix, row.fix);
    std::string path = first->path;
    EXPECT_EQ(path.substr(path.size() - std::min(path.size(), std::strlen(row.file))), row.file) << path;
    EXPECT_STRNE(first->detail, "");
    // Checking changed nothing.
    EXPECT_EQ(testTreeSnapshot(data), audioBefore);

    ASSERT_EQ(waveHealthApply(&r, &after), 0);
    EXPECT_EQ(kindsOf(after), row.fix == HEALTH_FIX_NONE ? row.kinds : std::vector<int32_t>{});
    EXPECT_EQ(testTreeSnapshot(data), audioBefore) << "an audio file was lost or changed";
    ASSERT_NE(after.list, nullptr);
    EXPECT_NE(waveListFindWaveNumber(after.list, 1), nullptr) << "the healthy wave went";
    if (row.fix != HEALTH_FIX_NONE) {
        EXPECT_NE(r.repairs.first, nullptr);
        for (auto *p = static_cast<const sHealthRepair *>(r.repairs.first); p; p = p->next) EXPECT_TRUE(p->ok) << p->detail;
    }
    waveHealthDispose(&r);
    waveHealthDispose(&after);
}

INSTANTIATE_TEST_SUITE_P(OneFaultEach, HealthTest, testing::ValuesIn(faultRows()),
                         [](const testing::TestParamInfo<FaultRow> &info) { return info.param.name; });

TEST_F(HealthTest, RepairsLeaveTheCardAsTheDeviceReadsIt) {
    TestCard card = healthyCard();
    card.addWave(5, "GONE", "GONE.wav", 0, false);                          // orphan parameter file
    card.writeKit("kit002.kvb", "Two", "", {{5, 1}, {-1, 77}});             // pads on the orphan and on nothing
    testMakeDirs(card.data(0));
    testWriteFile(card.data(0) + "Snare Drum 1.wav", testWavBytes(300));  // orphan audio in folder 00
    testWriteFile(card.system() + "wavelist_tagnum.kvb", "old");

    sHealthReport r{}, after{};
    ASSERT_EQ(waveHealthCheck(dir.path().c_str(), &r), 0);
    ASSERT_EQ(waveHealthApply(&r, &after), 0);
    EXPECT_EQ(kindsOf(after), std::vector<int32_t>{});
    // Wave 5's number was taken by its parameter file when the plan was made,
    // and 1 by the healthy wave: the orphan gets the lowest number free of both.
    sWave *adopted = waveListFindWaveNumber(after.list, 0);
    ASSERT_NE(adopted, nullptr);
    EXPECT_STREQ(adopted->name, "Snare Drum 1");
    EXPECT_STREQ(adopted->fileName, "Snare Drum 1.wav");
    EXPECT_EQ(adopted->category, after.list->defaultTag);
    EXPECT_FALSE(fs::exists(card.prm(0) + "05.kvb"));
    EXPECT_EQ(testReadFile(card.kit() + "kit002.kvb"), testKitText("Two", "", {{-1, 1}}));
    waveHealthDispose(&r);
    waveHealthDispose(&after);
}

// Repairs keep every wave at its category number, whether the list lacks
// DEFAULT (added after the others) or was cut off (rebuilt: whole names kept,
// placeholders for the rest, the damaged bytes beside it).
TEST_F(HealthTest, RepairedCategoryListsKeepEveryWaveInItsPlace) {
    std::string whole = testTagListText({{"SNARE", 0}, {"KICK", 0}});
    std::string cut = whole.substr(0, whole.find("</TagPrm>") + 20);
    struct Case {
        std::string list, expected, second;
    };
    for (const Case &c : {Case{whole, testTagListText({{"SNARE", 0}, {"KICK", 0}, {"DEFAULT", 0}}), "KICK"},
                          Case{cut, testTagListText({{"SNARE", 2}, {"CATEGORY 1", 1}, {"DEFAULT", 0}}), "CATEGORY 1"}}) {
        ScratchDir d;
        TestCard card = TestCard::withTree(d.path());
        testWriteFile(card.system() + "tag_list.kvb", c.list);
        card.addWave(1, "SN", "SN.wav", 0);
        card.addWave(2, "KK", "KK.wav", 1);
        testWriteFile(card.data(0) + "HAT.wav", testWavBytes(300));
        sHealthReport r{}, after{};
        ASSERT_EQ(waveHealthCheck(d.path().c_str(), &r), 0);
        ASSERT_EQ(waveHealthApply(&r, &after), 0);
        EXPECT_EQ(kindsOf(after), std::vector<int32_t>{});
        EXPECT_EQ(testReadFile(card.system() + "tag_list.kvb"), c.expected);
        EXPECT_EQ(testReadFile(card.system() + "tag_list.kvb.damaged"), c.list == cut ? cut : "");
        EXPECT_STREQ(waveListFindWaveNumber(after.list, 1)->category->name, "SNARE");
        EXPECT_EQ(waveListFindWaveNumber(after.list, 2)->category->name, c.second);
        EXPECT_STREQ(waveListFindWaveNumber(after.list, 0)->category->name, "DEFAULT");
        waveHealthDispose(&r);
        waveHealthDispose(&after);
    }
}

// --- Duplicates ----------------------------------------------------------------------

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

TEST_F(DupesTest, GroupsIdenticalFilesOnlyAcrossNamesAndFoldersComparingEveryByte) {
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

    // Two files are the same only when every byte is.
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
