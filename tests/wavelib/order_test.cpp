// The orders of waves and categories, arranging categories, and the
// clash-free naming of audio files in a data folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wavelib/card.h"
#include "support/card.h"
#include "support/library.h"
#include "support/test_util.h"
#include "wavelib/order.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

sWave makeWave(const char *name, int number) {
    sWave w = {};
    waveWaveName(&w, name);
    w.waveNumber = number;
    return w;
}

TEST(Order, AlphabeticalRule) {
    struct Case {
        const char *a;
        int na;
        const char *b;
        int nb;
    } before[] = {
        {"kick", 2, "KICK", 5},          // equal when folded: the number decides
        {"KICK", 5, "Kick", 9},
        {"KICK", 9, "KICK2", 1},         // a prefix first: its zero fill is smaller
        {"KICK2", 9, "KICKA", 1},
        {"Hat", 9, "kick", 1},
        {"\x82\xa0", 9, "A", 1},         // a high byte is negative: before printable bytes
        {"AB\x82\xa0", 9, "AB", 1},      // ... and before the zero fill
        {"[", 1, "a", 2},                // "[" (0x5B) is below "a" though above "Z"
        {"ABCDEFGHIJKL", 1, "ABCDEFGHIJKL", 2},
    };
    for (const Case &c : before) {
        sWave a = makeWave(c.a, c.na), b = makeWave(c.b, c.nb);
        EXPECT_TRUE(waveAlphabetBefore(&a, &b)) << c.a << " " << c.b;
        EXPECT_FALSE(waveAlphabetBefore(&b, &a)) << c.a << " " << c.b;
        EXPECT_EQ(waveSortAlphabetCompare(&a, &b), 0);
        EXPECT_EQ(waveSortAlphabetCompare(&b, &a), 1);
        EXPECT_EQ(tagSortWaveAlphabetCompare(&b, &a), 1);
    }
}

struct Cats {
    sWaveList *list = waveListCreateDefault();
    sTag *t[3];
    Cats(int k0, int k1, int k2) {
        t[0] = list->defaultTag;
        t[1] = waveTagCreate(list, "B", nullptr, 0);
        t[2] = waveTagCreate(list, "C", nullptr, 0);
        int keys[] = {k0, k1, k2};
        for (int i = 0; i < 3; ++i) t[i]->order = keys[i];
        tagCreateOrder(list);
        tagSortOrder(list);
    }
    ~Cats() { waveListDispose(list); }
    std::string shown() const {
        std::string s;
        for (auto *n = static_cast<sListItem *>(list->tagOrder.first); n; n = n->next) {
            auto *tag = static_cast<sTag *>(n->item);
            s += std::string(tag == t[0] ? "A" : tag->name) + std::to_string(tag->order);
        }
        return s;
    }
};

TEST(Order, CategoryKeysAndArranging) {
    {
        Cats c(0, 2, 1);
        EXPECT_EQ(c.shown(), "B2C1A0");
        waveListTagOrderJustified(c.list);
        EXPECT_EQ(c.shown(), "B2C1A0");
    }
    {
        Cats c(7, 7, 3);  // equal keys keep list order; justifying makes them distinct
        waveListTagOrderJustified(c.list);
        EXPECT_EQ(c.shown(), "A2B1C0");
    }
    {
        Cats c(2, 1, 0);  // moving the last before the first
        waveListOperationTagDelete();
        ASSERT_EQ(waveTagReplacementBefore(c.list, c.t[0], c.t[2]), 0);
        EXPECT_EQ(c.shown(), "C2A1B0");
        EXPECT_EQ(waveListOperationTagFirstPtr(), c.t[2]);
        ASSERT_EQ(waveTagReplacementAfter(c.list, c.t[1], c.t[2]), 0);
        EXPECT_EQ(c.shown(), "A2B1C0");
        // The category list (the files' category numbers) is never reordered.
        EXPECT_EQ(waveListTagPtr(c.list, 2), c.t[2]);
        waveListOperationTagDelete();
    }
    {
        Cats c(2, 1, 0);
        sTag *stray = tagCreate("X", 0);
        EXPECT_EQ(waveTagReplacementAfter(c.list, c.t[0], stray), -1);
        EXPECT_EQ(waveTagReplacementAfter(c.list, c.t[0], c.t[0]), -1);
        EXPECT_EQ(c.shown(), "A2B1C0");
        tagDispose(stray);
    }
}

// A library on a card whose data folder 00 holds `files`, with one wave in
// that folder; the folder's name cache starts empty.
struct FolderLibrary : TestLibrary {
    ScratchDir dir;
    sWave *wave = nullptr;
    explicit FolderLibrary(const std::vector<std::string> &files) : TestLibrary(waveListCreateDefault()) {
        TestCard card = TestCard::withTree(dir.path());
        testMakeDirs(card.data(0));
        for (const auto &f : files) testWriteFile(card.data(0) + f, "x");
        waveStorageWaveFileClear();
        waveListSetCard(list, cardCreate(dir.path().c_str()));
        wave = waveWaveCreate(list, "x.wav", 1);
    }
    ~FolderLibrary() { waveStorageWaveFileClear(); }
};

TEST(Order, ClashFreeNames) {
    struct Case {
        std::vector<std::string> folder;  // files already in data folder 00
        const char *file;                 // the wave's file name (Shift-JIS)
        const char *expected;
    } cases[] = {
        {{}, "SNR_04.wav", "SNR.wav"},
        {{"SNR.wav", "SNR_02.wav"}, "SNR_04.wav", "SNR_03.wav"},
        {{"snr.WAV"}, "SNR.wav", "SNR_01.wav"},       // the card ignores case
        {{"SNR.aif"}, "SNR.wav", "SNR.wav"},          // another extension does not clash
        {{"SNR.aif", "SNR.wav"}, "SNR.wav", "SNR_01.wav"},
        // 16 bytes: the base is shortened so suffix and extension stay.
        {{"ABCDEFGHIJKL.wav"}, "ABCDEFGHIJKL.wav", "ABCDEFGHI_01.wav"},
        // ... and a shortened name that meets another file takes the next suffix.
        {{"ABCDEFGHIJKL.wav", "ABCDEFGHI_01.wav"}, "ABCDEFGHIJKL.wav", "ABCDEFGHI_02.wav"},
        // Shift-JIS names match their UTF-8 spelling on disk and are cut whole.
        {{"\xe3\x81\x82\xe3\x81\x82\xe3\x81\x82\xe3\x81\x82\xe3\x81\x82\xe3\x81\x82.wav"},
         "\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0.wav",
         "\x82\xa0\x82\xa0\x82\xa0\x82\xa0_01.wav"},
    };
    for (const Case &c : cases) {
        FolderLibrary lib(c.folder);
        waveWaveFilename(lib.wave, c.file);
        char out[kWaveFileNameLen + 1];
        waveSameNameFilename(lib.list, lib.wave, out);
        EXPECT_EQ(std::string(out), c.expected) << c.file;
    }
}

TEST(Order, SameNameCountAndHighestNumber) {
    FolderLibrary lib({"KICK.wav", "kick_03.WAV", "KICK_07.aif", "KICKER.wav"});
    waveWaveFilename(lib.wave, "KICK_12.wav");
    EXPECT_EQ(waveSameNameCount(lib.list, lib.wave), 2);      // KICK.wav and kick_03.WAV
    EXPECT_EQ(waveSameNameMaxNumber(lib.list, lib.wave), 7);  // any extension
    // An entry placed by renumbering is compared by its whole name.
    waveWaveFilename(lib.wave, "KICK_03.wav");
    ASSERT_EQ(waveStorageAddWaveFile(lib.wave, 1), 0);
    waveWaveFilename(lib.wave, "KICK.wav");
    EXPECT_EQ(waveSameNameCount(lib.list, lib.wave), 2);
}

}  // namespace
