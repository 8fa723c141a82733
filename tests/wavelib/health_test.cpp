// The card check: one fault per card, found and described; where it can be
// repaired, repaired, after which the card is clean; never an audio file lost.
// The duplicate finder: identical files under other names and folders are
// grouped, files of equal size but other bytes are not, and a file that
// cannot be read joins no group. Renumbering on generated cards: files and
// pads follow their waves, a gap-free card is left alone, the dry run is the
// real run, and a failure at any file operation leaves a card a fresh scan
// reads whole; also the kit save's volume check and its failures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "foundation/fault.h"
#include "support/audio_bytes.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "wavelib/dupes.h"
#include "wavelib/health.h"
#include "wavelib/kitsave.h"
#include "wavelib/order.h"
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
    for (const auto &[name, bytes, same] : {std::tuple<const char *, std::string, int>{"a2", a, 1}, {"b", b, 0},
                                            {"short", a.substr(0, 1000), 0}, {"missing", "", -1}}) {
        if (same >= 0) testWriteFile(dir / name, bytes);
        EXPECT_EQ(waveDupesSameFile((dir / "a").c_str(), (dir / name).c_str()), same) << name;
    }
    uint64_t h = 0;
    ASSERT_EQ(waveDupesHashFile((dir / "a").c_str(), &h), 0);
    EXPECT_EQ(h, waveDupesHash(kDupesHashStart, a.data(), a.size()));
}

// --- Renumbering ---------------------------------------------------------------------

// Every file below `root`: path -> (modification time, size).
std::map<std::string, std::pair<long long, long long>> snapshot(const std::string &root) {
    std::map<std::string, std::pair<long long, long long>> out;
    for (const auto &e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        struct stat st;
        stat(e.path().c_str(), &st);
        out[e.path().string()] = {st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec, st.st_size};
    }
    return out;
}

// Total bytes of the audio files on the card.
long long audioBytes(const TestCard &card) {
    long long total = 0;
    for (const auto &e : fs::recursive_directory_iterator(card.device() + "WAVE/DATA"))
        if (e.is_regular_file()) total += static_cast<long long>(e.file_size());
    return total;
}

class RenumberTest : public HeadlessTest {
protected:
    void TearDown() override {
        hlFailFileOperation(0, 0);
        waveStorageWaveFileClear();
        HeadlessTest::TearDown();
    }

    sWaveList *open(const std::string &root, uint32_t mode = WSTORAGE_SCAN_READ_ONLY) {
        return waveListCreateFromStorageWindowOpen(root.c_str(), 0, mode);
    }

    // Waves 3, 4, 7 (folder 00), 250, 251 (folder 02), 1203
    // (folder 12); kit 0 plays 4 / 250, the missing 7, 999 (no wave) / 1203;
    // kit 5 plays 251. Wave 250's parameter file holds an element we do not know.
    // Unless `keepGone`, wave 7's audio file goes once the card has been read.
    // Returns the card's scan.
    sWaveList *buildCard(const TestCard &card, bool keepGone = false) {
        card.makeTree();
        card.writeCategories({{"DEFAULT", 1}, {"DRUMS", 0}});
        card.addWave(3, "Snare", "SNR_04.wav", 1);
        card.addWave(4, "Kick", "KICK.wav");
        card.addWave(7, "Gone", "GONE.wav");
        std::string p = card.addWave(250, "Hat", "HAT.wav", 1);
        std::string text = testWavePrmText("Hat", "02/HAT.wav", 1);
        text.insert(text.rfind("</WvPrm>"), "\t<Future>42</Future>\n");
        testWriteFile(p, text);
        card.addWave(251, "Snare2", "SNR.wav");
        card.addWave(1203, "Tom", "TOM.wav");
        card.writeKit("kit000.kvb", "Rock", "", {{4, 250}, {7, -1}, {999, 1203}});
        card.writeKit("kit005.kvb", "Jazz", "", {{251, -1}});
        sWaveList *list = open(card.root());
        if (!keepGone) fs::remove(card.data(0) + "GONE.wav");
        return list;
    }

    // name -> (number, file name) of a fresh scan, and the kits' pads by name.
    static std::map<std::string, std::pair<int, std::string>> waves(sWaveList *list) {
        std::map<std::string, std::pair<int, std::string>> out;
        for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next)
            out[w->name] = {w->waveNumber, std::string(w->dataFolder) + "/" + w->fileName};
        return out;
    }
    static std::vector<std::string> padNames(sWaveList *list) {
        std::vector<std::string> out;
        for (int k : {0, 5})
            for (int i = 0; i < 3; ++i) {
                sPad *p = waveKitPadPtr(waveListKitPtr(list, k), i);
                sWave *a = wavePadWavePtr(list, p), *b = wavePadSubWavePtr(list, p);
                out.push_back((a ? a->name : "-") + std::string("/") + (b ? b->name : "-"));
            }
        return out;
    }
};

using Waves = std::map<std::string, std::pair<int, std::string>>;
using Pads = std::vector<std::string>;

const Waves kRenumbered = {{"Snare", {0, "00/SNR_04.wav"}},
                           {"Kick", {1, "00/KICK.wav"}},
                           {"Hat", {2, "00/HAT.wav"}},
                           {"Snare2", {3, "00/SNR_05.wav"}},
                           {"Tom", {4, "00/TOM.wav"}}};

// The plan changes nothing; the run then does each planned step: gaps close
// across folders, pads follow their waves, and no audio byte is lost. Run
// again, it leaves the card untouched.
TEST_F(RenumberTest, TheDryRunIsTheRealRunAndGapsCloseAcrossFolders) {
    TestCard card(dir.path());
    sWaveList *list = buildCard(card);
    ASSERT_NE(list, nullptr);
    long long bytes = audioBytes(card);
    auto before = snapshot(dir.path());
    sListBase steps = {};
    ASSERT_EQ(listRenumberingPlan(list, &steps), 0);
    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_EQ(waveListFindWaveNumber(list, 250)->waveNumber, 250);
    std::vector<int> kinds;
    for (auto *s = static_cast<sRenumberStep *>(steps.first); s; s = s->next) kinds.push_back(s->kind);
    EXPECT_EQ(kinds, (std::vector<int>{RENUMBER_STEP_ORPHAN, RENUMBER_STEP_PAD_CLEAR, RENUMBER_STEP_PAD_CLEAR,
                                       RENUMBER_STEP_MOVE, RENUMBER_STEP_MOVE, RENUMBER_STEP_MOVE, RENUMBER_STEP_MOVE,
                                       RENUMBER_STEP_MOVE}));
    ASSERT_EQ(listRenumbering(list), 0);
    const sRenumberResult *r = listRenumberingResult();
    EXPECT_EQ(r->renumbered, 5);
    EXPECT_EQ(r->removed, 1);
    EXPECT_EQ(r->padsCleared, 2);  // 7 and 999
    EXPECT_EQ(list->lastWaveNumber, 4);
    EXPECT_EQ(waveListKitPtr(list, 0)->edited, 0);  // written
    for (auto *s = static_cast<sRenumberStep *>(steps.first); s; s = s->next) {
        if (s->kind != RENUMBER_STEP_MOVE) continue;
        EXPECT_TRUE(fs::exists(s->newAudioPath)) << s->newAudioPath;
        EXPECT_TRUE(fs::exists(s->newPrmPath)) << s->newPrmPath;
        if (std::string(s->oldAudioPath) != s->newAudioPath) {
            EXPECT_FALSE(fs::exists(s->oldAudioPath)) << s->oldAudioPath;
        }
        sWave *w = waveListFindWaveNumber(list, s->newNumber);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(std::string(w->name), s->name);
        EXPECT_EQ(std::string(w->fileName), s->newFileName);
    }
    rliListFreeList(&steps);
    waveListDispose(list);

    sWaveList *fresh = open(dir.path());
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(waves(fresh), kRenumbered);
    EXPECT_EQ(padNames(fresh), (Pads{"Kick/Hat", "-/-", "-/Tom", "Snare2/-", "-/-", "-/-"}));
    EXPECT_EQ(waveKitPadPtr(waveListKitPtr(fresh, 0), 1)->waveNumber, -1);
    EXPECT_EQ(waveKitPadPtr(waveListKitPtr(fresh, 0), 2)->waveNumber, -1);
    // No note: no parameter file was left behind without its audio.
    EXPECT_EQ(rliListCount(&fresh->storage->notes), 0);
    EXPECT_EQ(audioBytes(card), bytes);
    // The category number and the unknown element came along.
    std::string hat = testReadFile(card.prm(0) + "02.kvb");
    EXPECT_NE(hat.find("<Future>42</Future>"), std::string::npos);
    EXPECT_EQ(fresh->waves.first ? waveListFindWaveNumber(fresh, 2)->category->name : std::string(), "DRUMS");

    // Now gap-free, the card has no step and is not written at all.
    before = snapshot(dir.path());
    ASSERT_EQ(listRenumberingPlan(fresh, &steps), 0);
    EXPECT_EQ(rliListCount(&steps), 0);
    ASSERT_EQ(listRenumbering(fresh), 0);
    EXPECT_EQ(listRenumberingResult()->renumbered, 0);
    EXPECT_EQ(snapshot(dir.path()), before);
    waveListDispose(fresh);
}

TEST_F(RenumberTest, AudioThatIsNoPlainFileIsNeitherGoneNorMoved) {
    TestCard card(dir.path());
    sWaveList *list = buildCard(card);
    ASSERT_NE(list, nullptr);
    // Hat's audio file became a folder of that name in another case.
    fs::remove(card.data(2) + "HAT.wav");
    testMakeDirs(card.data(2) + "hat.WAV/inner");
    sListBase steps = {};
    ASSERT_EQ(listRenumberingPlan(list, &steps), 0);
    int orphans = 0;
    for (auto *s = static_cast<sRenumberStep *>(steps.first); s; s = s->next) orphans += s->kind == RENUMBER_STEP_ORPHAN;
    EXPECT_EQ(orphans, 1);  // only Gone, whose folder lists without it
    rliListFreeList(&steps);
    // The run stops at Hat and keeps it whole; the waves before it are done.
    EXPECT_EQ(listRenumbering(list), RENUMBER_FAIL_STEP);
    EXPECT_EQ(listRenumberingResult()->failedNumber, 250);
    EXPECT_STREQ(listRenumberingResult()->failedName, "Hat");
    EXPECT_EQ(listRenumberingResult()->renumbered, 2);
    EXPECT_EQ(waveListFindWaveNumber(list, 250)->category->name, std::string("DRUMS"));
    waveListDispose(list);
    EXPECT_TRUE(fs::exists(card.prm(2) + "50.kvb"));
    EXPECT_TRUE(fs::is_directory(card.data(2) + "hat.WAV/inner"));
    sWaveList *fresh = open(dir.path());
    EXPECT_EQ(waves(fresh)["Kick"], (std::pair<int, std::string>{1, "00/KICK.wav"}));
    EXPECT_EQ(waves(fresh)["Snare2"], (std::pair<int, std::string>{251, "02/SNR.wav"}));
    // Kit 5 still plays Snare2, kit 0 Kick at its new number.
    EXPECT_EQ(padNames(fresh)[3], "Snare2/-");
    EXPECT_EQ(padNames(fresh)[0].substr(0, 5), "Kick/");
    waveListDispose(fresh);
}

// A failure at every single file operation in turn: afterwards a fresh scan
// reads every wave whole, no audio byte is lost, and pads name the waves they
// named, unless the failure hit a kit file, which the run then reports.
TEST_F(RenumberTest, AFailureAtAnyStepLeavesAConsistentCard) {
    Pads expectedPads = {"Kick/Hat", "-/-", "-/Tom", "Snare2/-", "-/-", "-/-"};
    int fired = 0;
    for (long n = 1; n < 500; ++n) {
        ScratchDir dir;
        TestCard card(dir.path());
        sWaveList *list = buildCard(card);
        ASSERT_NE(list, nullptr);
        long long bytes = audioBytes(card);
        hlFailFileOperation(n, EIO);
        int status = listRenumbering(list);
        bool hit = rliFaultFileFired();
        hlFailFileOperation(0, 0);
        sRenumberResult result = *listRenumberingResult();
        waveListDispose(list);
        if (!hit) {
            EXPECT_EQ(status, 0);
            break;
        }
        ++fired;

        sWaveList *fresh = open(dir.path());
        ASSERT_NE(fresh, nullptr);
        std::vector<std::string> names;
        for (auto *w = static_cast<sWave *>(fresh->waves.first); w; w = w->next) names.push_back(w->name);
        std::sort(names.begin(), names.end());
        std::vector<std::string> all = {"Hat", "Kick", "Snare", "Snare2", "Tom"};
        if (names.size() == 6) all.insert(all.begin(), "Gone");
        EXPECT_EQ(names, all) << n;
        EXPECT_EQ(audioBytes(card), bytes) << n;
        for (auto *note = static_cast<sStorageNote *>(fresh->storage->notes.first); note; note = note->next) {
            // Only the wave without audio may still be there, when removing it failed.
            EXPECT_EQ(note->kind, WSTORAGE_NOTE_ORPHAN) << n << " " << note->path;
            EXPECT_NE(std::string(note->path).find("07.kvb"), std::string::npos) << n << " " << note->path;
        }
        // A failure that did not stop the run (a listing, a lookup) cost nothing.
        if (status == 0) {
            for (const auto &[name, where] : kRenumbered) EXPECT_EQ(waves(fresh)[name].first, where.first) << n;
        }
        if (result.kitStatus == 0 && result.status != RENUMBER_FAIL_KITS) {
            Pads pads = padNames(fresh);
            // Pads of waves not yet removed or cleared may still name them.
            if (names.size() == 5) {
                EXPECT_EQ(pads[0], expectedPads[0]) << n;
            }
            EXPECT_EQ(pads[3], expectedPads[3]) << n;
            EXPECT_EQ(pads[2].substr(pads[2].find('/')), "/Tom") << n;
        } else {
            EXPECT_NE(result.status, 0) << n;
        }
        waveListDispose(fresh);
    }
    EXPECT_GT(fired, 10);
}

std::vector<std::string> gReported;
int recordMbox(int title, int text, const char *extra, int) {
    gReported.push_back(std::to_string(title) + ":" + std::to_string(text) + ":" + (extra ? extra : ""));
    return 1;
}

TEST_F(RenumberTest, WritesNeedTheDeviceFolderAKitThatCannotBeWrittenIsReportedAndAMoveReplacesNothing) {
    TestCard card(dir.path() + "/card");
    testMakeDirs(dir.path() + "/card");
    sWaveList *list = buildCard(card, true);
    ASSERT_NE(list, nullptr);
    sKit *kit = waveListKitPtr(list, 0);
    waveKitName(kit, "Changed");
    waveKitEdit(kit);
    // The card is pulled: its mount folder stays behind, empty.
    fs::rename(dir.path() + "/card", dir.path() + "/pulled");
    testMakeDirs(dir.path() + "/card");
    EXPECT_EQ(waveKitSave(list, 0), KITSAVE_VOLUME_GONE);
    EXPECT_TRUE(fs::is_empty(dir.path() + "/card"));
    EXPECT_EQ(kit->edited, 1);
    EXPECT_EQ(listRenumbering(list), RENUMBER_FAIL_VOLUME);
    EXPECT_TRUE(fs::is_empty(dir.path() + "/card"));
    fs::remove(dir.path() + "/card");
    fs::rename(dir.path() + "/pulled", dir.path() + "/card");

    // Back again. A kit that cannot be written is reported and stays edited:
    // the first operation is kit 0's, and kit 5's write after it goes through.
    waveKitEdit(waveListKitPtr(list, 5));
    gReported.clear();
    hlFailFileOperation(1, ENOSPC);
    EXPECT_EQ(waveKitSave(list, 0, recordMbox), KITSAVE_FAIL_WRITE);
    hlFailFileOperation(0, 0);
    EXPECT_EQ(gReported, (std::vector<std::string>{"56:100:Changed"}));
    EXPECT_EQ(kit->edited, 1);
    EXPECT_EQ(waveListKitPtr(list, 5)->edited, 0);
    // Asked again, it is written.
    EXPECT_EQ(waveKitSave(list, 0), 0);
    EXPECT_EQ(kit->edited, 0);
    EXPECT_EQ(waveKitSaveCount(list, 0), 0);
    EXPECT_EQ(waveKitSaveCount(list, 1), 2);

    // The device wrote HAT.wav into folder 00 after the card was read: the
    // renumbering Hat moves there never replaces it.
    testWriteFile(card.data(0) + "HAT.wav", "device's own file");
    ASSERT_EQ(listRenumbering(list), 0);
    EXPECT_EQ(testReadFile(card.data(0) + "HAT.wav"), "device's own file");
    EXPECT_EQ(std::string(waveListFindWaveNumber(list, 3)->fileName), "HAT_01.wav");
    waveListDispose(list);
}

}  // namespace
