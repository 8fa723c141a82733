// Wave import: audio files become waves with numbers, names and clash-free
// files, as one job; whatever refuses, fails or cancels a file leaves nothing
// of it behind, on the card or in the library.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/copy.h"
#include "foundation/fault.h"
#include "platform/headless/headless.h"
#include "support/audio_bytes.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "transfer/import.h"
#include "wavelib/health.h"
#include "wavelib/names.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int result;
    int number;
    int kind;  // CONVERT_* of a request with IMPORT_CONVERT, else -1
    std::string why;
};

void collect(const char *, int result, const sWave *wave, const sConvertResult *how, const char *why, void *ctx) {
    static_cast<std::vector<Outcome> *>(ctx)->push_back(
        {result, wave ? wave->waveNumber : -1, how ? how->info.kind : -1, why});
}

class ImportTest : public HeadlessTest {
protected:
    std::string root = dir / "card";
    sWaveList *list = nullptr;
    std::vector<Outcome> outcomes;

    void SetUp() override {
        HeadlessTest::SetUp();
        testMakeDirs(root);
        testMakeDirs(dir / "in");
    }
    void TearDown() override {
        waveListDispose(list);
        waveStorageWaveFileClear();
        waveImportSetReport(nullptr, nullptr);
        HeadlessTest::TearDown();
    }
    TestCard card() { return TestCard(root); }
    // Scans the card, its folder tree made first.
    void open() {
        card().makeTree();
        waveListDispose(list);
        waveStorageWaveFileClear();
        list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
        ASSERT_NE(list, nullptr);
    }
    std::string source(const std::string &name, const std::string &bytes) {
        std::string p = dir / ("in/" + name);
        testWriteFile(p, bytes);
        return p;
    }
    int run(const std::vector<std::string> &paths, int category = 0, uint32_t flags = 0) {
        outcomes.clear();
        for (const auto &p : paths) waveImportSetRequestEx(category, p.c_str(), flags);
        waveImportSetReport(collect, &outcomes);
        return waveImportCalc(list, 0);
    }
    const sWave *wave(int number) { return waveListFindWaveNumber(list, number); }
    std::string file(int number) {
        const sWave *w = wave(number);
        return w ? card().data(number / 100) + w->fileName : "";
    }
    // The card read afresh holds exactly the waves the library holds, and no
    // temporary (hidden) file is left anywhere in the device folder.
    void expectCardMatchesLibrary() {
        sWaveList *fresh = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
        ASSERT_NE(fresh, nullptr);
        EXPECT_EQ(rliListCount(&fresh->waves), rliListCount(&list->waves));
        for (auto *w = static_cast<const sWave *>(list->waves.first); w; w = w->next) {
            const sWave *f = waveListFindWaveNumber(fresh, w->waveNumber);
            ASSERT_NE(f, nullptr) << w->waveNumber;
            EXPECT_STREQ(f->fileName, w->fileName);
            EXPECT_STREQ(f->name, w->name);
        }
        EXPECT_TRUE(fresh->storage->notes.first == nullptr);
        waveListDispose(fresh);
        size_t files = 0;
        for (auto &e : fs::recursive_directory_iterator(card().device())) {
            EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
            files += e.is_regular_file() && e.path().string().find("/WAVE/DATA/") != std::string::npos ? 1 : 0;
        }
        EXPECT_EQ(files, static_cast<size_t>(rliListCount(&list->waves)));
    }
};

// Each file the device cannot play is refused with its reason and the rest go
// on. With conversion asked for, what the device plays is copied as it is,
// the rest becomes a canonical WAV file named ".wav", and a file nothing
// reads is still refused.
TEST_F(ImportTest, RefusedFilesAreNamedWithTheirReasonOrConvertedAndTheRestGoOn) {
    open();
    testMakeDirs(dir / "in/folder.wav");
    std::string floatWav = testWavBytes(10, 44100, 32);
    floatWav[20] = 3;  // format tag: IEEE float
    struct {
        std::string path;
        int result;
        const char *why;
        int kind;  // the CONVERT_* a conversion takes, -1 where it is refused too
    } cases[] = {
        {source("good1.wav", testWavBytes(10)), IMPORT_OK, "", CONVERT_COPY},
        {source("hi.wav", testWavBytes(4800, 48000, 16, 2)), IMPORT_BAD_FORMAT,
         "48000 Hz: the device plays only 44100 Hz", CONVERT_RESAMPLE},
        {source("eight.wav", testWavBytes(10, 44100, 8)), IMPORT_BAD_FORMAT, "8-bit: the device plays only 16-bit",
         CONVERT_REWRAP},
        {source("float.wav", floatWav), IMPORT_BAD_FORMAT, "floating-point samples", CONVERT_DITHER},
        {source("text.wav", "not audio at all"), IMPORT_BAD_FORMAT, "not audio: no WAV or AIFF header", -1},
        {source("song.flac", testWavBytes(10)), IMPORT_BAD_FORMAT, "not a WAV or AIFF file", CONVERT_REWRAP},
        {source("empty.wav", ""), IMPORT_BAD_FORMAT, "empty file", -1},
        {dir / "in/missing.wav", IMPORT_NO_SIZE, "does not exist", -1},
        {dir / "in/folder.wav", IMPORT_BAD_FORMAT, "not a file", -1},
        {source("aiff24.aif", testAiffBytes(10, 24)), IMPORT_BAD_FORMAT, "24-bit", CONVERT_DITHER},
        {source("ima.aif", testAiffBytes(10, 16, "ima4")), IMPORT_BAD_FORMAT, "compressed AIFF-C (ima4)",
         CONVERT_DITHER},
        {source("sowt.aif", testAiffBytes(10, 16, "sowt")), IMPORT_BAD_FORMAT, "compressed AIFF-C (sowt)",
         CONVERT_REWRAP},
        {source("pcm.aif", testAiffBytes(10, 16, "NONE")), IMPORT_OK, "", CONVERT_COPY},
        {source("good2.wav", testWavBytes(10)), IMPORT_OK, "", CONVERT_COPY},
    };
    std::vector<std::string> paths;
    for (const auto &c : cases) paths.push_back(c.path);
    EXPECT_EQ(run(paths), 11);
    ASSERT_EQ(outcomes.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        // What libsndfile reads is refused as a conversion would take.
        int got = outcomes[i].result == IMPORT_NEEDS_CONVERT ? IMPORT_BAD_FORMAT : outcomes[i].result;
        EXPECT_EQ(got, cases[i].result) << paths[i];
        EXPECT_NE(outcomes[i].why.find(cases[i].why), std::string::npos) << paths[i] << ": " << outcomes[i].why;
    }
    EXPECT_EQ(outcomes.back().number, 2);
    // The report tells the user; without one (the desktop) a box names the file.
    EXPECT_EQ(hlCallCount("messageBox"), 0);
    waveImportSetRequest(0, paths[1].c_str());
    waveImportSetReport(nullptr, nullptr);
    EXPECT_EQ(waveImportCalc(list, 0), 1);
    EXPECT_EQ(hlCallCount("messageBox"), 1);
    bool named = false;
    for (const auto &c : hlCalls()) named = named || c.find("\n\nhi.wav") != std::string::npos;
    EXPECT_TRUE(named);

    EXPECT_EQ(run(paths, 0, IMPORT_CONVERT), 4);
    ASSERT_EQ(outcomes.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(outcomes[i].result == IMPORT_OK ? outcomes[i].kind : -1, cases[i].kind) << paths[i];
        if (outcomes[i].result != IMPORT_OK) continue;
        std::string made = file(outcomes[i].number), bytes = testReadFile(made);
        if (cases[i].kind == CONVERT_COPY) {
            EXPECT_EQ(bytes, testReadFile(paths[i]));
            continue;
        }
        EXPECT_EQ(fs::path(made).extension(), ".wav");
        EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 8) + bytes.substr(36, 4), "RIFFWAVEfmt data") << made;
    }
    EXPECT_EQ(testReadFile(file(outcomes[1].number)).size(), 44u + 4410u * 4u);
    EXPECT_EQ(testReadFile(file(outcomes[9].number)).size(), 44u + 10u * 2u);
    expectCardMatchesLibrary();
}

// Files become new waves in the default category, named by the rule and
// numbered in turn. Whatever a file is called, its wave comes back from the
// next scan with its parameter file, name and audio, every name passes the
// rule, and the check finds nothing to say about the card.
TEST_F(ImportTest, FilesBecomeWavesNamedByTheRuleAndReadBackWhole) {
    TestCard::withTree(root).writeCategories({{"DEFAULT", 0}});
    open();
    std::string snare = source("Snare Drum 01.wav", testWavBytes(300, 44100, 16, 2));
    // KICK.WAV's odd-sized chunk before the audio data is padded to even length.
    std::string kick = testRiff(testChunk("fmt ", testFmtBody(1, 2, 44100, 16)) + testChunk("LIST", "abc") +
                                testChunk("data", std::string(400, '\x11')));
    std::vector<std::string> paths = {snare, snare, snare, source("AB_12.wav", testWavBytes(10)),
                                      source("KICK.WAV", kick), source("\xC3\x89" "clat.aif", testAiffBytes(50, 16)),
                                      source("Hat.aiff", testAiffBytes(7, 16))};
    const char *hostile[] = {"a<b", "a>b", "e\\f", "g\th", "i\nj", "k:l", "m*n", "o?p", "q\"r", "s|t", "CON",
                             "lpt1", "Com9.x", ".hid", "   ", "ab. ", "x\x7f", "\x01", "\xE3\x82\xBD" "\xE8\xA1\xA8",
                             "\xFF\xFE", "nul", "..."};
    for (const char *name : hostile) paths.push_back(source(std::string(name) + ".wav", testWavBytes(10)));
    ASSERT_EQ(run(paths), 0);
    struct {
        int number;
        const char *name, *file;
    } want[] = {{0, "Snare Drum 0", "Snare.wav"}, {1, "Snare Drum 0", "Snare_01.wav"}, {2, "Snare Drum 0", "Snare_02.wav"},
                {3, "AB_12", "AB.wav"},       {4, "KICK", "KICK.WAV"},             {5, "Xclat", "Xclat.aif"},
                {6, "Hat", "Hat.aiff"}};
    for (const auto &w : want) {
        const sWave *got = wave(w.number);
        ASSERT_NE(got, nullptr) << w.number;
        EXPECT_STREQ(got->name, w.name);
        EXPECT_STREQ(got->fileName, w.file);
        EXPECT_EQ(got->isNew, 1);
        EXPECT_EQ(got->category, list->defaultTag);
        EXPECT_EQ(testReadFile(file(w.number)), testReadFile(paths[static_cast<size_t>(w.number)]));
    }
    EXPECT_STREQ(wave(21)->name, "___");
    EXPECT_STREQ(wave(17)->fileName, "CON_.wav");
    expectCardMatchesLibrary();
    for (auto *w = static_cast<const sWave *>(list->waves.first); w; w = w->next) {
        EXPECT_EQ(waveWaveNameCheck(w->name), NAME_OK) << w->name;
        EXPECT_TRUE(waveFileNameIsSafe(w->fileName)) << w->fileName;
    }
    sHealthReport report{};
    ASSERT_EQ(waveHealthCheck(root.c_str(), &report), 0);
    for (auto *f = static_cast<const sHealthFinding *>(report.findings.first); f; f = f->next)
        ADD_FAILURE() << waveHealthKindName(f->kind) << ": " << f->path << ": " << f->detail;
    waveHealthDispose(&report);
}

// A missing category takes no file; numbers follow the last wave and stop at
// 9999; a pulled card is reported.
TEST_F(ImportTest, NumbersFollowTheLastWaveAndStopAt9999AndAMissingCategoryOrAPulledCardLeavesNoFile) {
    card().addWave(150, "Old", "Old.wav");
    open();
    std::string good = source("New.wav", testWavBytes(10));
    EXPECT_EQ(run({good}, 5), 1);
    EXPECT_EQ(outcomes[0].result, IMPORT_NO_CATEGORY);
    EXPECT_EQ(outcomes[0].why, "the category does not exist");
    EXPECT_EQ(testListDir(card().data(1)), std::vector<std::string>{"Old.wav"});
    EXPECT_EQ(run({good}), 0);
    ASSERT_NE(wave(151), nullptr);
    EXPECT_STREQ(wave(151)->dataFolder, "01");
    // The card goes; its mount folder stays behind, and gets nothing planted in it.
    fs::rename(root + "/Korvan", dir / "gone");
    EXPECT_EQ(run({good}), 1);
    EXPECT_EQ(outcomes[0].result, IMPORT_COPY_FAILED);
    EXPECT_TRUE(testListDir(root).empty());
    EXPECT_EQ(rliListCount(&list->waves), 2);
    fs::rename(dir / "gone", root + "/Korvan");

    card().addWave(9999, "Last", "Last.wav");
    open();
    EXPECT_EQ(run({good, good}), 2);
    EXPECT_EQ(outcomes[0].result, IMPORT_NO_NUMBER);
    EXPECT_EQ(outcomes[1].result, IMPORT_NOT_RUN);
    EXPECT_EQ(outcomes[0].why, "no wave number is left after 9999");
    EXPECT_EQ(rliListCount(&list->waves), 3);
    expectCardMatchesLibrary();
}

TEST_F(ImportTest, CancelStopsBetweenFilesAndInsideTheCopy) {
    open();
    std::string a = source("a.wav", testWavBytes(10)), big = source("big.wav", testWavBytes(3 << 20));
    // A press after the first file: the rest are not run.
    outcomes.clear();
    for (const auto &p : {a, a, a}) waveImportSetRequest(0, p.c_str());
    waveImportSetReport(
        [](const char *path, int result, const sWave *w, const sConvertResult *how, const char *why, void *ctx) {
            collect(path, result, w, how, why, ctx);
            waveImportSetCancel();
        },
        &outcomes);
    EXPECT_EQ(waveImportCalc(list, 0), 2);
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].result, IMPORT_OK);
    EXPECT_EQ(outcomes[1].result, IMPORT_NOT_RUN);

    // A press while the copy runs: the copy stops and nothing of the file stays.
    sWave *made = nullptr;
    int r = waveWaveCreateFromImport(&made, list, 0, big.c_str(), [](float) { rliFileCopyAsyncSetCancel(); });
    EXPECT_EQ(r, IMPORT_CANCELLED);
    EXPECT_EQ(made, nullptr);
    expectCardMatchesLibrary();

    // The Cancel button of the progress window, pressed at once.
    hlPressProgressCancel();
    run({big, big, big});
    EXPECT_EQ(outcomes.size(), 3u);
    expectCardMatchesLibrary();
}

// A new wave replaces nothing on the card, and is put on the selected pad
// slot when asked to, for that run only.
TEST_F(ImportTest, NothingOnTheCardIsReplacedAndPadAssignmentGoesToTheSelectedSlot) {
    testMakeDirs(card().data(0));
    // A file the library does not know, one in another case, a folder in the
    // way, and a parameter file at the next number whose wave was left out.
    testWriteFile(card().data(0) + "Snare.wav", "stray");
    testWriteFile(card().data(0) + "SNARE_03.WAV", "stray");
    testMakeDirs(card().data(0) + "Snare_04.wav");
    card().addWave(0, "Gone", "");
    open();
    std::string prm0 = testReadFile(card().prm(0) + "00.kvb");
    sKit *kit = waveListKitPtr(list, 4);
    for (int sub : {0, 1}) {
        waveKitSelect(kit);
        wavePadSelect(waveKitPadPtr(kit, 2), sub);
        waveImportSetPadAssign();
        EXPECT_EQ(run({source("Snare.wav", testWavBytes(10))}), 0);
        sPad *pad = waveKitPadPtr(kit, 2);
        EXPECT_EQ(sub ? pad->subWaveNumber : pad->waveNumber, outcomes[0].number);
        EXPECT_EQ(kit->isFile, 1);
        EXPECT_EQ(kit->edited, 1);
    }
    ASSERT_NE(wave(1), nullptr);
    EXPECT_STREQ(wave(1)->fileName, "Snare_05.wav");
    EXPECT_EQ(testReadFile(card().data(0) + "Snare.wav"), "stray");
    EXPECT_EQ(testReadFile(card().data(0) + "SNARE_03.WAV"), "stray");
    EXPECT_EQ(testReadFile(card().prm(0) + "00.kvb"), prm0);
    EXPECT_EQ(run({source("q.wav", testWavBytes(10))}), 0);
    EXPECT_EQ(waveKitPadPtr(kit, 2)->subWaveNumber, 2);
    waveKitSelect(nullptr);
    wavePadSelect(nullptr, 0);
}

TEST_F(ImportTest, AFullCardStopsTheBatchBeforeCopying) {
    if (!testIsRoot()) GTEST_SKIP() << "needs root to mount a small tmpfs";
    ScratchMount small(root, "tmpfs", "tmpfs", 0, "size=2m");
    ASSERT_TRUE(small.ok()) << small.why();
    open();
    EXPECT_EQ(run({source("big.wav", testWavBytes(3 << 20)), source("small.wav", testWavBytes(10))}), 2);
    EXPECT_EQ(outcomes[0].result, IMPORT_NO_SPACE);
    EXPECT_EQ(outcomes[1].result, IMPORT_NOT_RUN);
    EXPECT_EQ(outcomes[0].why, "larger than the free space of the card");
    // The room asked for is the converted file's: four times this source.
    EXPECT_EQ(run({source("low.wav", testWavBytes(600 << 10, 22050, 8))}, 0, IMPORT_CONVERT), 1);
    EXPECT_EQ(outcomes[0].result, IMPORT_NO_SPACE);
    expectCardMatchesLibrary();
    waveListDispose(list);
    list = nullptr;
}

TEST_F(ImportTest, AFailingFileOperationLeavesNoPartialWave) {
    std::string a = source("a.wav", testWavBytes(100)), b = source("b.wav", testWavBytes(200));
    for (long n = 1; n < 200; ++n) {
        fs::remove_all(root);
        open();
        hlFailFileOperation(n, EIO);
        run({a, b});
        bool fired = rliFaultFileFired();
        hlFailFileOperation(0, 0);
        SCOPED_TRACE("operation " + std::to_string(n));
        int imported = 0;
        for (const auto &o : outcomes) imported += o.result == IMPORT_OK ? 1 : 0;
        EXPECT_EQ(imported, rliListCount(&list->waves));
        expectCardMatchesLibrary();
        if (!fired) {
            EXPECT_EQ(imported, 2);
            return;
        }
    }
    ADD_FAILURE() << "the import never got through";
}

}  // namespace
