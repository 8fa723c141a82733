// Renumbering on generated cards: files and pads follow their waves, a
// gap-free card is left alone, the dry run is the real run, and a failure at
// any file operation leaves a card a fresh scan reads whole. Also the kit
// save's volume check and its failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "foundation/fault.h"
#include "support/card.h"
#include "support/headless.h"
#include "support/test_util.h"
#include "wavelib/kitsave.h"
#include "wavelib/order.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace fs = std::filesystem;

namespace {

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
    // Wave 7's audio file goes once the card has been read (goneAfterRead).
    static void buildCard(const TestCard &card) {
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
    }

    static void goneAfterRead(const TestCard &card) { fs::remove(card.data(0) + "GONE.wav"); }

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
    buildCard(card);
    sWaveList *list = open(dir.path());
    ASSERT_NE(list, nullptr);
    goneAfterRead(card);
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
    buildCard(card);
    sWaveList *list = open(dir.path());
    ASSERT_NE(list, nullptr);
    // Hat's audio file became a folder of that name in another case.
    fs::remove(card.data(2) + "HAT.wav");
    testMakeDirs(card.data(2) + "hat.WAV/inner");
    goneAfterRead(card);
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
        buildCard(card);
        sWaveList *list = open(dir.path());
        ASSERT_NE(list, nullptr);
        goneAfterRead(card);
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
    buildCard(card);
    sWaveList *list = open(dir.path() + "/card");
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
