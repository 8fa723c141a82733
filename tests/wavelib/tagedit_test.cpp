// Category editing: deletion and the category numbers that shift, the
// category window's edit with confirm and cancel, and free names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/library.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"

namespace {

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

TEST(TagEdit, DeletingMovesWavesToDefaultAndMarksShiftedNumbers) {
    Lib lib;
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

TEST(TagEdit, SameNameIsExactWhileANewNameMustDifferInMoreThanCase) {
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
}

}  // namespace
