// The library model: building from a scanned card (the default category,
// the limit of 20), wave numbers, pads, membership and disposal; the orders of
// waves and categories, arranging categories, and the clash-free naming of
// audio files in a data folder; category editing: deletion and the category
// numbers that shift, the category window's edit with confirm and cancel, and
// free names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "foundation/global.h"
#include "wavelib/card.h"
#include "support/card.h"
#include "support/library.h"
#include "support/test_util.h"
#include "wavelib/storage.h"
#include "wavelib/tagedit.h"
#include "wavelib/names.h"
#include "wavelib/order.h"
#include "wavelib/wavelist.h"

namespace {

using Tags = std::vector<std::pair<std::string, int>>;

// A missing DEFAULT is added and takes the waves whose category is not in the
// list; the display order sorts by descending key.
TEST(WaveListBuild, DefaultCategoryAndDisplayOrderRules) {
    const struct {
        const char *what;
        Tags file;
        std::vector<std::string> tags, shown;  // the first is the default category
        std::vector<std::pair<int, std::string>> waves;  // file category -> category joined
    } cases[] = {
        {"DEFAULT missing",
         {{"SNARE", 1}, {"KICK", 0}},
         {"DEFAULT", "SNARE", "KICK"},
         {"SNARE", "DEFAULT", "KICK"},
         {{0, "SNARE"}, {1, "KICK"}, {2, "DEFAULT"}, {-1, "DEFAULT"}}},
        {"DEFAULT in lower case", {{"default", 0}, {"HAT", 1}}, {"default", "HAT"}, {"HAT", "default"},
         {{1, "HAT"}, {5, "default"}}},
    };
    for (const auto &c : cases) {
        ScratchDir dir;
        TestCard card = TestCard::withTree(dir.path());
        card.writeCategories(c.file);
        int number = 0;
        for (const auto &w : c.waves) card.addWave(number++, "W", "W.wav", w.first);
        TestLibrary lib(dir.path());
        ASSERT_NE(lib.list, nullptr) << c.what;
        EXPECT_EQ(lib.tags(), c.tags) << c.what;
        EXPECT_EQ(lib.tagOrder(), c.shown) << c.what;
        EXPECT_EQ(lib.list->defaultTag, waveListTagPtr(lib.list, 0)) << c.what;
        number = 0;
        for (const auto &w : c.waves) EXPECT_EQ(lib.tagOf(number++), w.second) << c.what << " category " << w.first;
    }
}

TEST(WaveListBuild, TwentyCategoryLimitWhenDefaultIsAdded) {
    Tags twenty;
    for (int i = 0; i < 20; ++i) twenty.push_back({"CAT" + std::to_string(i), i});
    ScratchDir dir;
    TestCard card = TestCard::withTree(dir.path());
    card.writeCategories(twenty);
    card.addWave(0, "A", "A.wav", 18);  // CAT18, at position 19
    card.addWave(1, "B", "B.wav", 19);  // CAT19 did not fit
    TestLibrary lib(dir.path());
    ASSERT_NE(lib.list, nullptr);
    ASSERT_EQ(waveListTagCount(lib.list), 20);
    EXPECT_STREQ(waveListTagPtr(lib.list, 0)->name, "DEFAULT");
    EXPECT_STREQ(waveListTagPtr(lib.list, 19)->name, "CAT18");
    EXPECT_EQ(lib.tagOf(0), "CAT18");
    EXPECT_EQ(lib.tagOf(1), "DEFAULT");
    // A full library refuses a category and says so through the message box.
    static int asked;
    asked = 0;
    EXPECT_EQ(waveTagCreate(lib.list, "MORE", [](int title, int text, int) { return asked = title * 100 + text; }, 1),
              nullptr);
    EXPECT_EQ(asked, 5669);
    EXPECT_EQ(waveListTagCount(lib.list), 20);
    EXPECT_EQ(lib.tagOrder().size(), 20u);
}

TEST(WaveListBuild, WavesTakeTheirFilesFieldsAndNumbers) {
    ScratchDir dir;
    TestCard card = TestCard::withTree(dir.path());
    card.addWave(250, "LONGNAME1234", "LONGFILENAME_X.wav");
    card.addWave(3, "KICK", "KICK_07.wav");
    card.addWave(17, "SNARE", "SN.aif");
    TestLibrary lib(dir.path());
    ASSERT_NE(lib.list, nullptr);
    EXPECT_EQ(waveListLastWaveNumber(lib.list), 250);
    sWave *w = waveListFindWaveNumber(lib.list, 250);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->name, "LONGNAME1234");
    EXPECT_STREQ(w->fileName, "LONGFILENAME_X.w");  // 16 bytes of "LONGFILENAME_X.wav"
    EXPECT_STREQ(w->dataFolder, "02");
    EXPECT_STREQ(waveListFindWaveNumber(lib.list, 3)->fileName, "KICK_07.wav");
    std::vector<int> byNumber;
    for (int i = 0; sWave *v = waveListWaveWaveNumberPtr(lib.list, i); ++i) byNumber.push_back(v->waveNumber);
    EXPECT_EQ(byNumber, (std::vector<int>{3, 17, 250}));
    std::vector<int> alphabetical;
    for (int i = 0; sWave *v = waveListWaveAlphabetPtr(lib.list, i); ++i) alphabetical.push_back(v->waveNumber);
    EXPECT_EQ(alphabetical, (std::vector<int>{3, 250, 17}));
    sTag *def = lib.list->defaultTag;
    EXPECT_EQ(waveTagHadWaveCount(def), 3);
    EXPECT_EQ(waveTagHadWaveNumberPtr(def, 0)->waveNumber, 3);
    EXPECT_EQ(waveTagHadWaveAlphabetPtr(def, 2)->waveNumber, 17);
}

// A wave made from an audio file's name takes the next number and no
// category; a category change moves it and marks it for saving; disposal
// clears every pad, membership and selection naming it. Numbers end at 9999.
TEST(WaveListWaves, MadeMovedAndDisposedOf) {
    TestLibrary lib(waveListCreateDefault());
    sWave *w = waveWaveCreate(lib.list, "/in/Kick Drum_03.wav", 0);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->waveNumber, 0);
    EXPECT_STREQ(w->name, "Kick Drum");
    EXPECT_STREQ(w->fileName, "00/Kick Drum.wav");
    EXPECT_EQ(w->category, nullptr);
    sWave *other = waveWaveCreate(lib.list, "/x/B.wav", 0);
    sTag *tag = lib.list->defaultTag;
    ASSERT_EQ(waveTagAddWave(tag, w), 0);
    ASSERT_EQ(waveTagAddWave(tag, other), 0);
    EXPECT_EQ(waveTagAddWave(tag, w), -1);  // already in a category: nothing changes
    EXPECT_EQ(waveTagHadWaveCount(tag), 2);

    sTag *snare = waveTagCreate(lib.list, "SNARE", nullptr, 1);
    ASSERT_NE(snare, nullptr);
    EXPECT_EQ(snare->order, 1);
    EXPECT_EQ(tag->order, 0);
    waveWaveTagChange(other, snare);
    EXPECT_EQ(other->category, snare);
    EXPECT_EQ(other->saveRequest, 1);
    EXPECT_EQ(waveTagHadWaveCount(tag), 1);
    EXPECT_EQ(waveTagHadWavePtr(snare, 0), other);
    EXPECT_EQ(waveListOperationWaveFirstPtr(), other);
    waveListOperationWaveDelete();
    EXPECT_EQ(waveTagNumber(lib.list, snare), 1);
    EXPECT_EQ(waveListTagFindName(lib.list, "snare"), snare);
    waveTagRemWave(snare, other);
    EXPECT_EQ(other->category, nullptr);
    EXPECT_EQ(waveTagHadWaveCount(snare), 0);

    ASSERT_EQ(waveTagAddWave(tag, other), 0);
    sKit *kit = waveListKitPtr(lib.list, 0);
    waveKitPadPtr(kit, 3)->waveNumber = w->waveNumber;
    waveKitPadPtr(kit, 7)->subWaveNumber = w->waveNumber;
    waveListSortItAll(lib.list);
    gpSelectWave = w;
    waveListOperationWave(w);
    waveWaveDispose(lib.list, w);
    EXPECT_EQ(waveKitPadPtr(kit, 3)->waveNumber, -1);
    EXPECT_EQ(waveKitPadPtr(kit, 7)->subWaveNumber, -1);
    EXPECT_EQ(waveTagHadWaveCount(tag), 1);
    EXPECT_EQ(waveTagHadWaveAlphabetPtr(tag, 0), other);
    EXPECT_EQ(waveTagHadWaveNumberPtr(tag, 0), other);
    EXPECT_EQ(waveListWaveCount(lib.list), 1);
    EXPECT_EQ(gpSelectWave, nullptr);
    EXPECT_EQ(waveListOperationWaveFirstPtr(), nullptr);
    EXPECT_EQ(waveListWaveWaveNumberPtr(lib.list, 0), other);

    lib.list->lastWaveNumber = 9998;
    EXPECT_EQ(waveWaveCreate(lib.list, "/x/A.wav", 0)->waveNumber, 9999);
    EXPECT_NE(waveWaveCreate(lib.list, "/x/B.wav", 0), nullptr);  // 10000, only ever transient
    EXPECT_EQ(waveWaveCreate(lib.list, "/x/C.wav", 0), nullptr);
    EXPECT_EQ(waveListWaveCount(lib.list), 3);
}

TEST(WaveListNames, SameNameSplitAndEffectiveNameReplacesWideCharactersAndRefusedOnes) {
    const struct {
        const char *name, *out;
        int number;
    } cases[] = {{"KICK_07", "KICK", 7}, {"KICK", "KICK", -1}, {"KICK_", "KICK_", -1}, {"_12", "", 12},
                 {"KICK_A1", "KICK", 0}, {"AB_1C", "AB", 1},   {"A_B_2", "A_B", 2},     {"", "", -1}};
    for (const auto &c : cases) {
        char out[32];
        EXPECT_EQ(strSameName(out, c.name), c.number) << c.name;
        EXPECT_STREQ(out, c.out) << c.name;
    }
    struct {
        const char *path, *name;
    } effective[] = {
        {"/in/s\xC3\xA9quence_long.wav", "sXquence_lon"},  // 14-character base name
        {"KICK.aif", "KICK"},
        {"/in/a<b>c\td.wav", "a_b_c_d"},
        {"/in/   .wav", "___"},
        {"/in/\xF0\x9F\x8E\xB5 x.wav", "X x"},
    };
    for (const auto &c : effective) {
        char buf[kWaveNameLen + 1];
        waveWaveGetEffectiveName(buf, c.path);
        EXPECT_STREQ(buf, c.name) << c.path;
    }
}

// Shift-JIS double-byte characters may end in "\\" or "|"; only whole
// characters are judged, and a cut never splits one.
TEST(WaveListNames, TheRuleJudgesWholeShiftJisCharactersAndAudioFileNamesAreSafeOnAFatCard) {
    struct {
        const char *name;
        size_t max;
        bool blank;
        int code;
    } cases[] = {
        {"Kick 01", 12, false, NAME_OK},         {"\x83\x5C\x83\x7C", 12, false, NAME_OK},
        {"", 12, false, NAME_EMPTY},             {"", 8, true, NAME_OK},
        {"   ", 12, false, NAME_BLANK},          {"New Kit ", 8, true, NAME_OK},
        {"x/y", 12, false, NAME_BAD_CHAR},       {"a\\b", 12, false, NAME_BAD_CHAR},
        {"a<b", 12, false, NAME_BAD_CHAR},       {"tab\there", 12, false, NAME_BAD_CHAR},
        {"\x7f", 12, false, NAME_BAD_CHAR},      {"ab\x83", 12, false, NAME_BAD_CHAR},
        {"\xA0", 12, false, NAME_BAD_CHAR},      {"thirteen byte", 12, false, NAME_TOO_LONG},
        {"\xB1\xB2", 12, false, NAME_OK},       // half-width katakana
    };
    for (const auto &c : cases) EXPECT_EQ(waveNameCheck(c.name, c.max, c.blank), c.code) << c.name;

    char out[kWaveNameLen + 1];
    waveNameMake(out, kWaveNameLen, "abcdefghijk\x83\x5C");  // the 12th byte leads a character
    EXPECT_STREQ(out, "abcdefghijk");
    waveNameMake(out, kWaveNameLen, "\x83\x5C/\x01");
    EXPECT_STREQ(out, "\x83\x5C__");

    struct {
        const char *wave, *ext, *file;
    } files[] = {
        {"Snare Drum 0", ".wav", "Snare.wav"}, {"k:l*m", ".WAV", "k_l_m.WAV"}, {".hid", ".aif", "_hid.aif"},
        {"ab. ", ".wav", "ab__.wav"},          {"CON", ".wav", "CON_.wav"},   {"lpt9x", ".wav", "lpt9x.wav"},
        {"Com1", ".aiff", "Com1_.aiff"},       {"", ".wav", "_.wav"},         {"\x83\x5C", ".wav", "__.wav"},
    };
    for (const auto &c : files) {
        char out[kWaveFileNameLen + 1];
        waveFileNameMake(out, c.wave, c.ext);
        EXPECT_STREQ(out, c.file) << c.wave;
        EXPECT_TRUE(waveFileNameIsSafe(out)) << out;
    }
    for (const char *bad : {"a<b.wav", "e\\f.wav", "AUX.wav", ".x.wav", "x.wav.", "\x83\x5C.wav", "seventeen_bytes.wav"})
        EXPECT_FALSE(waveFileNameIsSafe(bad)) << bad;
}

TEST(WaveListWaves, FileExistChecksFormatOnTheLibrarysCard) {
    ScratchDir dir;
    TestCard card = TestCard::withTree(dir.path(), {"korvan", "kvb-rt", "system", "kit", "wave", "data", "prm"});
    card.addWave(101, "A", "A.wav");
    testWriteFile(card.data(1) + "B.wav", testWavBytes(10, 48000));
    TestLibrary lib(waveListCreateDefault());
    waveListSetCard(lib.list, cardCreate(dir.path().c_str()));
    sWave w{};
    std::memcpy(w.dataFolder, "01", 3);
    const struct {
        const char *file;
        int result, text;
    } cases[] = {{"A.wav", 0, 0}, {"B.wav", -2, 84}, {"C.wav", -1, 83}};
    for (const auto &c : cases) {
        std::snprintf(w.fileName, sizeof w.fileName, "%s", c.file);
        static int shown;
        shown = 0;
        EXPECT_EQ(waveWaveFileExistMbox(lib.list, &w, [](int, int text, int) { return shown = text; }), c.result)
            << c.file;
        EXPECT_EQ(shown, c.text) << c.file;
    }
}

// --- Orders ---------------------------------------------------------------------------

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

// DEFAULT, SNARE and KICK with two waves each (numbers 0-5 in that order).
struct Lib : TestLibrary {
    sTag *def, *snare, *kick;
    Lib() : TestLibrary(waveListCreateDefault()) {
        def = list->defaultTag;
        snare = waveTagCreate(list, "SNARE", nullptr, 0);
        kick = waveTagCreate(list, "KICK", nullptr, 0);
        for (sTag *t : {def, snare, kick})
            for (int i = 0; i < 2; ++i) waveTagAddWave(t, waveWaveCreate(list, "w.wav", 1));
    }
    void clearMarks() {
        for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next) w->saveRequest = 0;
    }
};

using Names = std::vector<std::string>;
using Numbers = std::vector<int>;

// The three categories with order keys k0-k2, arranged for display; shown()
// gives their initials and keys in display order.
struct Cats : Lib {
    Cats(int k0, int k1, int k2) {
        def->order = k0;
        snare->order = k1;
        kick->order = k2;
        tagCreateOrder(list);
        tagSortOrder(list);
    }
    std::string shown() const {
        std::string s;
        for (auto *n = static_cast<sListItem *>(list->tagOrder.first); n; n = n->next) {
            auto *tag = static_cast<sTag *>(n->item);
            s += tag->name[0] + std::to_string(tag->order);
        }
        return s;
    }
};

TEST(Order, CategoryKeysAndArranging) {
    {
        Cats c(0, 2, 1);
        EXPECT_EQ(c.shown(), "S2K1D0");
        waveListTagOrderJustified(c.list);
        EXPECT_EQ(c.shown(), "S2K1D0");
    }
    {
        Cats c(7, 7, 3);  // equal keys keep list order; justifying makes them distinct
        waveListTagOrderJustified(c.list);
        EXPECT_EQ(c.shown(), "D2S1K0");
    }
    {
        Cats c(2, 1, 0);  // refused moves change nothing; then the last moves before the first
        sTag *stray = tagCreate("X", 0);
        EXPECT_EQ(waveTagReplacementAfter(c.list, c.def, stray), -1);
        EXPECT_EQ(waveTagReplacementAfter(c.list, c.def, c.def), -1);
        EXPECT_EQ(c.shown(), "D2S1K0");
        tagDispose(stray);
        waveListOperationTagDelete();
        ASSERT_EQ(waveTagReplacementBefore(c.list, c.def, c.kick), 0);
        EXPECT_EQ(c.shown(), "K2D1S0");
        EXPECT_EQ(waveListOperationTagFirstPtr(), c.kick);
        ASSERT_EQ(waveTagReplacementAfter(c.list, c.snare, c.kick), 0);
        EXPECT_EQ(c.shown(), "D2S1K0");
        // The category list (the files' category numbers) is never reordered.
        EXPECT_EQ(waveListTagPtr(c.list, 2), c.kick);
        waveListOperationTagDelete();
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

TEST(Order, ClashFreeNamesSameNameCountAndHighestNumber) {
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

// --- Category editing -------------------------------------------------------------------

TEST(TagEdit, NameChecksAndDeletingMovesWavesToDefaultAndMarksShiftedNumbers) {
    Lib lib;
    EXPECT_EQ(waveTagSameName(lib.list, "SNARE"), 1);
    EXPECT_EQ(waveTagSameName(lib.list, "snare"), 0);
    EXPECT_EQ(waveTagSameName(lib.list, "SNARE", lib.snare), 0);
    EXPECT_EQ(waveTagSameName(lib.list, "SNARE", lib.kick), 1);

    const sTag *clash = nullptr;
    EXPECT_EQ(waveTagNameCheck(lib.list, "snare", nullptr, &clash), TAG_NAME_IN_USE);
    EXPECT_EQ(clash, lib.snare);
    EXPECT_EQ(waveTagNameCheck(lib.list, "Snare", lib.snare, &clash), TAG_NAME_OK);  // its own name
    EXPECT_EQ(clash, nullptr);
    EXPECT_EQ(waveTagNameCheck(lib.list, "ABCDEFGHIJKL", nullptr, nullptr), TAG_NAME_OK);
    EXPECT_EQ(waveTagNameCheck(lib.list, "ABCDEFGHIJKLM", nullptr, nullptr), TAG_NAME_TOO_LONG);
    EXPECT_EQ(waveTagNameCheck(lib.list, "", nullptr, nullptr), TAG_NAME_EMPTY);

    // DEFAULT itself is never deleted, outright or within an edit.
    EXPECT_EQ(waveTagDispose(lib.list, lib.def), -1);
    EXPECT_EQ(waveTagIsTmpDispose(lib.list, lib.def), -1);
    EXPECT_EQ(lib.list->defaultTag, lib.def);
    EXPECT_TRUE(lib.marked().empty());

    ASSERT_EQ(waveTagDispose(lib.list, lib.snare), 0);
    EXPECT_EQ(lib.tags(), (Names{"DEFAULT", "KICK"}));
    EXPECT_EQ(lib.tagOf(2), "DEFAULT");
    EXPECT_EQ(lib.tagOf(3), "DEFAULT");
    // SNARE's waves moved, KICK's category number fell from 2 to 1; DEFAULT's stayed.
    EXPECT_EQ(lib.marked(), (Numbers{2, 3, 4, 5}));
    EXPECT_EQ(waveTagHadWaveCount(lib.def), 4);
    EXPECT_EQ(rliListCount(&lib.list->tagOrder), 2);

    lib.clearMarks();
    ASSERT_EQ(waveTagDispose(lib.list, lib.kick), 0);
    EXPECT_EQ(lib.marked(), (Numbers{4, 5}));  // the last category: nothing after it shifts
}

// An edit makes NEW, makes and deletes TEMP, deletes SNARE and KICK and renames DEFAULT. Cancelled, the
// removed categories are back in their places, so no parameter file needs rewriting, and the names are restored
// unless kept; confirmed, the deletions stand. What was made and deleted in the edit leaves no trace either way.
TEST(TagEdit, AnEditCancelledOrConfirmed) {
    for (int how : {0, 1, 2}) {  // cancel, cancel keeping the names, confirm
        Lib lib;
        waveTagEditInitialize(lib.list);
        for (const char *name : {"NEW", "TEMP"}) waveTagIsTmpCreate(waveTagCreate(lib.list, name, nullptr, 1), 1);
        ASSERT_EQ(waveTagIsTmpDispose(lib.list, waveListTagFindName(lib.list, "TEMP")), 0);
        ASSERT_EQ(waveTagIsTmpDispose(lib.list, lib.snare), 0);
        ASSERT_EQ(waveTagIsTmpDispose(lib.list, lib.kick), 0);
        EXPECT_EQ(lib.tags(), (Names{"DEFAULT", "NEW"}));
        waveTagName(lib.def, "RENAMED");
        if (how == 2) waveTagEditEffective(lib.list);
        else waveTagEditCancel(lib.list, how);
        if (how == 2) {
            EXPECT_EQ(lib.tags(), (Names{"RENAMED", "NEW"}));
            EXPECT_EQ(lib.tagOf(4), "RENAMED");
            EXPECT_EQ(lib.marked(), (Numbers{2, 3, 4, 5}));
        } else {
            EXPECT_EQ(lib.tags(), (Names{how ? "RENAMED" : "DEFAULT", "SNARE", "KICK"}));
            EXPECT_EQ(lib.tagOf(2), "SNARE");
            EXPECT_EQ(lib.tagOf(5), "KICK");
            EXPECT_TRUE(lib.marked().empty());
        }
        EXPECT_EQ(rliListCount(&lib.list->removedTags), 0) << how;
        EXPECT_EQ(rliListCount(&lib.list->tagOrder), how == 2 ? 2 : 3) << how;
    }
}

TEST(TagEdit, FreeNames) {
    struct Case {
        Names existing;
        const char *wanted;
        const char *expected;
    } cases[] = {
        {{}, "NEW", "NEW"},
        {{"NEW"}, "NEW", "NEW_01"},
        {{"NEW", "NEW_01"}, "NEW", "NEW_02"},
        {{"NEW_01"}, "NEW", "NEW"},
        {{"DRUM", "DRUM_01"}, "DRUM_05", "DRUM_05_02"},
        // A name and the same name with "_00" both take 0: the next free is 1.
        {{"HAT", "HAT_00"}, "HAT", "HAT_01"},
        // A base over 12 bytes keeps 12 so the suffix fits.
        {{"ABCDEFGHIJKLMN"}, "ABCDEFGHIJKLMN", "ABCDEFGHIJKL_01"},
        // ... and the cut name must not meet a category of another base.
        {{"ABCDEFGHIJKLMN", "ABCDEFGHIJKL_01"}, "ABCDEFGHIJKLMN", "ABCDEFGHIJKL_02"},
        // 15 bytes with a suffix: cut to the field it would be itself again.
        {{"ABCDEFGHIJKL_05", "ABCDEFGHIJKL"}, "ABCDEFGHIJKL_05", "ABCDEFGHIJKL_01"},
        // Shift-JIS: a two-byte character is never cut in half.
        {{"\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0"},
         "\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0",
         "\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0\x82\xa0_01"},
    };
    for (const Case &c : cases) {
        sWaveList *list = waveListCreateDefault();
        waveTagName(list->defaultTag, "ZZZ");
        for (const auto &n : c.existing) waveTagCreate(list, n.c_str(), nullptr, 0);
        char out[kTagNameLen + 1];
        waveTagNameAbleToUse(out, list, c.wanted);
        EXPECT_EQ(std::string(out), c.expected) << c.wanted;
        EXPECT_EQ(waveTagSameName(list, out), 0) << out;
        waveListDispose(list);
    }
}

}  // namespace
