// The secondary windows the main window runs, each inside the main window's
// nested loop and driven through its own input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/global.h"
#include "gui/text.h"
#include "support/card.h"
#include "support/desk.h"
#include "wavelib/player.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"
#include "windows/category/tagctl.h"
#include "windows/category/tagui.h"
#include "windows/kit/kitctl.h"
#include "windows/kit/kitui.h"
#include "windows/main/frames.h"
#include "windows/main/mainctl.h"
#include "windows/main/wavutil.h"
#include "windows/popup/cmbctl.h"
#include "windows/popup/cmbui.h"
#include "windows/waveedit/wavenamectl.h"
#include "windows/waveedit/wavenameui.h"
#include "windows/waveimport/importctl.h"
#include "windows/waveimport/importui.h"

namespace {

// The category window: add, rename, reorder and delete, then OK, against
// kvbrt's card; Cancel and the close box give back the library as it was.
class CategoryTest : public DeskTest {
protected:
    _sWindow *win() { return editTagWindowPtr(); }
    CgifUITag *ui() { return editTagGetScreen(); }
    void clickRow(int row) {
        then([this, row] { click(win(), 100, int(kTagListY + kTagRowH * row) + 10); });
    }
    void addOne() {
        then([this] { click(win(), 252, 70); });
    }
    void renameSelected(const std::string &name) {
        then([this, name] {
            click(win(), 380, 28);
            type(win(), name);
            key(win(), KS_RETURN);
        });
    }
    void deleteSelected() {
        then([this] { click(win(), 440, 70); });
    }
    // Names in display order, each with its waves.
    std::vector<std::string> shown() {
        std::vector<std::string> names;
        sListBase *order = waveListTagIterListOrderPtr(G.currentWaveList);
        for (auto *it = static_cast<sListItem *>(order->first); it; it = it->next) {
            auto *t = static_cast<sTag *>(it->item);
            names.push_back(std::string(t->name) + ":" + std::to_string(waveTagHadWaveCount(t)) +
                            (waveTagIsTmpCreate(t) ? "+new" : ""));
        }
        return names;
    }
};

TEST_F(CategoryTest, CancelAndCloseBoxGiveBackTheLibraryAndOkLeavesTheCardAsKvbrtMakesIt) {
    std::vector<std::string> before = shown();
    for (int way = 0; way < 2; way++) {
        during([] { return editTagGetIsWindow() == 1; });
        addOne();
        clickRow(2);
        renameSelected("RENAMED");
        clickRow(4);
        deleteSelected();
        // A name another category has is refused with its message.
        clickRow(1);
        then([this] { hlPushMessageBoxAnswer(MBOX_OK); });
        renameSelected("RENAMED");
        then([this, way] {
            EXPECT_EQ(hlCallCount("messageBox"), 1);
            if (way == 0) click(win(), 356, 142);
            else hlPostSimple(win(), OSEV_CLOSE_BOX);
        });
        hlReset();
        runWindow(1016, editTagGetIsWindow);
        EXPECT_EQ(shown(), before) << way;
    }

    std::string second, deleted;
    during([] { return editTagGetIsWindow() == 1; });
    addOne();
    then([&] {
        ASSERT_EQ(ui()->list->rowOf(ui()->selected), 0);
        EXPECT_STREQ(ui()->selected->name, "NEW");
        second = ui()->list->rows[1]->name;
    });
    renameSelected("CLAPS");
    // Down once: below the category that was shown first.
    then([this] { click(win(), 332, 70); });
    clickRow(3);
    then([&] { deleted = ui()->selected->name; });
    deleteSelected();
    then([this] { click(win(), 448, 142); });
    runWindow(1016, editTagGetIsWindow);
    for (const std::string &s : shown()) EXPECT_EQ(s.find("+new"), std::string::npos) << s;

    ASSERT_EQ(kvbrt({"category", ref, "add", "CLAPS"}), 0);
    ASSERT_EQ(kvbrt({"category", ref, "move", "CLAPS", "--after", second}), 0);
    ASSERT_EQ(kvbrt({"category", ref, "delete", deleted}), 0);
    EXPECT_EQ(closeYes(), 0);
    expectSameAsKvbrt();
}

// The kit window: names at and beyond the fields' capacity, typed in ASCII
// and committed by an input method in Japanese, never cut inside a character;
// Cancel and the close box keep the kit; the card then as kvbrt makes it for
// the same names.
class KitTest : public DeskTest {
protected:
    _sWindow *win() { return editKitWindowPtr(); }
    // Types (ASCII) or commits (UTF-8, an input method) into the name or sub-name field.
    void enter(bool sub, const std::string &text, bool ime) {
        then([this, sub, text, ime] {
            click(win(), sub ? 170 : 140, sub ? 70 : 32);
            if (ime) hlPostPaths(win(), OSEV_TEXT_INPUT, {text});
            else type(win(), text);
            key(win(), KS_RETURN);
        });
    }
    // Runs one session of the window on kit `kit`: `script` then OK (or `finish`).
    void session(int kit, const std::function<void()> &script, int finish = 0) {
        waveKitSelect(waveListKitPtr(G.currentWaveList, kit));
        during([] { return editKitGetIsWindow() == 1; });
        script();
        then([this, finish] {
            if (finish == 0) click(win(), 228, 142);
            else if (finish == 1) click(win(), 144, 142);
            else hlPostSimple(win(), OSEV_CLOSE_BOX);
        });
        runWindow(1018, editKitGetIsWindow);
    }
};

TEST_F(KitTest, NamesAtAndBeyondCapacityAsKvbrtWritesThemAndCancelKeepsTheKit) {
    sWaveList *list = G.currentWaveList;
    // ASCII at capacity (8 and 16), and beyond it: the field takes what fits.
    session(0, [&] {
        enter(false, "ABCDEFGHIJ", false);
        enter(true, "0123456789ABCDEFGH", false);
    });
    ASSERT_EQ(kvbrt({"kit", ref, "name", "0", "ABCDEFGH", "--sub", "0123456789ABCDEF"}), 0);

    // Japanese from an input method: two bytes a character, so an odd room
    // leaves the last byte free instead of half a character.
    session(1, [&] {
        enter(false, "ドラムキット", true);
        then([this] {
            click(win(), 170, 70);
            type(win(), "A");
            hlPostPaths(win(), OSEV_TEXT_INPUT, {"ドラムセットです"});
            key(win(), KS_RETURN);
        });
    });
    ASSERT_EQ(kvbrt({"kit", ref, "name", "1", "ドラムキ", "--sub", "Aドラムセットで"}), 0);

    // OK without typing writes the kit's own names back, with a file.
    std::string name = waveKitNamePtr(waveListKitPtr(list, 5)), sub = waveKitSubNamePtr(waveListKitPtr(list, 5));
    session(5, [] {});
    if (sub.empty()) ASSERT_EQ(kvbrt({"kit", ref, "name", "5", name}), 0);
    else ASSERT_EQ(kvbrt({"kit", ref, "name", "5", name, "--sub", sub}), 0);

    // Cancel and the close box keep the kit as it was.
    sKit *kit = waveListKitPtr(list, 2);
    name = waveKitNamePtr(kit), sub = waveKitSubNamePtr(kit);
    for (int finish : {1, 2}) {
        session(2, [&] {
            enter(false, "XX", false);
            enter(true, "YY", false);
        }, finish);
        EXPECT_EQ(waveKitNamePtr(kit), name) << finish;
        EXPECT_EQ(waveKitSubNamePtr(kit), sub) << finish;
    }

    EXPECT_EQ(closeYes(), 0);
    expectSameAsKvbrt();
}

// The wave edit window: renaming one wave, moving several through the pop-up
// list, deleting with its question, and the wave it renames being the one it
// shows; the card then as kvbrt makes it for the same edits.
class WaveEditTest : public DeskTest {
protected:
    _sWindow *win() { return editWaveNameWindowPtr(); }
    CgifUIWaveName *ui() { return editWaveNameGetScreen(); }
    void waitOpen() {
        during([] { return editWaveNameGetIsWindow() == 1; });
    }
    void rename(const std::string &name) {
        then([this, name] {
            click(win(), 170, 32);
            type(win(), name);
            key(win(), KS_RETURN);
        });
    }
    // Chooses pop-up row `row` (from the top, unscrolled); stores its category.
    void chooseRow(int row, sTag **chosen) {
        then([this] { click(win(), 150, 70); });
        during([] { return editCmbGetIsWindow() == 1; });
        then([this, row, chosen] {
            *chosen = static_cast<sTag *>(editCmbGetScreen()->list->rows[row].tag);
            click(editCmbWindowPtr(), 40, row * kCmbRowH + 5);
        });
        during([] { return editCmbGetIsWindow() == 0; });
    }
    void ok() {
        then([this] { click(win(), 228, 142); });
    }
};

TEST_F(WaveEditTest, CancelCloseBoxAndRefusedNamesChangeNothingAndEditsLeaveTheCardAsKvbrtMakesIt) {
    // Cancel, the close box and a refused name change nothing.
    std::string name = waveWaveNamePtr(wave(0));
    sTag *before = waveWaveTagPtr(wave(0));
    sTag *chosen = nullptr;
    selectWave(0);
    for (int way = 0; way < 3; way++) {
        waitOpen();
        rename(way == 2 ? "   " : "OTHER");
        if (way < 2) chooseRow(2, &chosen);
        if (way == 0) then([this] { click(win(), 144, 142); });
        if (way == 1) then([this] { hlPostSimple(win(), OSEV_CLOSE_BOX); });
        if (way == 2) {
            // A name of spaces is refused; OK keeps the old one.
            then([this, name] { EXPECT_STREQ(ui()->name->getMessageData(), name.c_str()); });
            ok();
        }
        runWindow(1017, editWaveNameGetIsWindow);
        EXPECT_EQ(waveWaveNamePtr(wave(0)), name) << way;
        EXPECT_EQ(waveWaveTagPtr(wave(0)), before) << way;
    }

    // One wave renamed.
    selectWave(0);
    waitOpen();
    rename("NEW KICK");
    ok();
    runWindow(1017, editWaveNameGetIsWindow);
    EXPECT_STREQ(waveWaveNamePtr(wave(0)), "NEW KICK");
    ASSERT_EQ(kvbrt({"rename", ref, "0", "NEW KICK"}), 0);

    // Two waves moved into the category of the pop-up list's second row;
    // their names stay.
    selectWave(1);
    selectWave(2, true);
    chosen = nullptr;
    waitOpen();
    then([this] { EXPECT_EQ(ui()->name->hasFlags(OBJ_NO_INPUT), true); });
    chooseRow(1, &chosen);
    ok();
    runWindow(1017, editWaveNameGetIsWindow);
    ASSERT_NE(chosen, nullptr);
    for (const char *n : {"1", "2"}) ASSERT_EQ(kvbrt({"category", ref, "assign", n, chosen->name}), 0);

    // The window acts on the waves handed over, even when the player's
    // selected wave is another: the name shown is the name written.
    selectWave(4);
    waveWaveSelect(wave(5));
    waitOpen();
    then([this] { EXPECT_STREQ(ui()->name->getMessageData(), waveWaveNamePtr(wave(4))); });
    rename("RENAMED");
    ok();
    runWindow(1017, editWaveNameGetIsWindow);
    EXPECT_STREQ(waveWaveNamePtr(wave(4)), "RENAMED");
    ASSERT_EQ(kvbrt({"rename", ref, "4", "RENAMED"}), 0);

    // Delete: No keeps the window open and everything as it was; Yes deletes.
    selectWave(3);
    waitOpen();
    then([this] {
        hlPushMessageBoxAnswer(MBOX_NO);
        click(win(), 52, 142);
    });
    during([this] { return hlCallCount("messageBox") == 1; });
    then([this] {
        EXPECT_EQ(editWaveNameGetIsWindow(), 1);
        hlPushMessageBoxAnswer(MBOX_YES);
        click(win(), 52, 142);
    });
    hlReset();
    runWindow(1017, editWaveNameGetIsWindow);
    EXPECT_EQ(wave(3), nullptr);
    ASSERT_EQ(kvbrt({"delete", ref, "3", "--yes"}), 0);

    EXPECT_EQ(closeYes(), 0);
    expectSameAsKvbrt();
}

// The wave import window: files by the open dialog and by a drop (files the
// device cannot play asked about once per batch: refused on No, converted on
// Yes), one listened to, a category made in the pop-up list, then OK against
// kvbrt's card; the close box undoes the category it made, as Cancel does.
class ImportTest : public DeskTest {
protected:
    _sWindow *win() { return editWaveImportWindowPtr(); }
    CgifUIWaveImport *ui() { return editWaveImportGetScreen(); }
    std::string file(const std::string &name, int rate = 44100) {
        std::string path = scratch / name;
        testWriteFile(path, testWavBytes(4410, rate));
        return path;
    }
    // The pop-up list's first row: "Create New Category".
    void newCategory() {
        then([this] { click(win(), 400, 104); });
        during([] { return editCmbGetIsWindow() == 1; });
        then([this] { click(editCmbWindowPtr(), 40, 5); });
        during([] { return editCmbGetIsWindow() == 0; });
    }
    void run() { runWindow(1002, editWaveImportGetIsWindow, 6); }
};

TEST_F(ImportTest, DialogAndDropThenOkImportAsKvbrtDoes) {
    std::string a = file("alpha.wav"), b = file("bravo.wav"), c = file("charlie.wav"), bad = file("wrong.wav", 48000),
                slow = file("slow.wav", 22050);
    // First the close box, which undoes the category made, as Cancel does, and imports nothing.
    int waves = waveListWaveCount(G.currentWaveList), tags = waveListTagCount(G.currentWaveList);
    during([] { return editWaveImportGetIsWindow() == 1; });
    then([&] { hlPostPaths(win(), OSEV_OPEN_DOCUMENTS, {a}); });
    during([this] { return ui()->candidates.size() == 1; });
    newCategory();
    then([this] { hlPostSimple(win(), OSEV_CLOSE_BOX); });
    run();
    pass(6);
    EXPECT_EQ(waveListTagCount(G.currentWaveList), tags);
    EXPECT_EQ(waveListWaveCount(G.currentWaveList), waves);
    EXPECT_EQ(tag("NEW"), nullptr);

    during([] { return editWaveImportGetIsWindow() == 1; });
    then([&] {
        hlPushFileDialogAnswer({a, b});
        click(win(), 372, 30);
    });
    during([this] { return ui()->candidates.size() == 2; });
    // The first file goes into a category made here.
    then([this] { click(win(), 100, 26); });
    newCategory();
    then([&] {
        EXPECT_STREQ(ui()->candidates[0].tag->name, "NEW");
        hlPushMessageBoxAnswer(MBOX_NO);
        hlPushMessageBoxAnswer(MBOX_OK);
        hlPostPaths(win(), OSEV_DRAG_ENTER, {bad, c});
        hlPostMouse(win(), OSEV_DRAG_POSITION, 0, 100, 60);
        hlPostPaths(win(), OSEV_DROP, {});
    });
    during([this] { return ui()->candidates.size() == 3; });
    then([this] {
        // Not converted, the unplayable file was named with its reason and left out.
        EXPECT_EQ(hlCallCount("messageBox"), 2);
        // Listening: play, then stop.
        click(win(), 352, 70);
    });
    then([this] {
        EXPECT_EQ(editWaveImportGetNowPlayingWave(), 0);
        click(win(), 396, 70);
    });
    then([&] {
        EXPECT_EQ(editWaveImportGetNowPlayingWave(), -1);
        hlPushMessageBoxAnswer(MBOX_YES);
        hlPushFileDialogAnswer({bad, slow});
        click(win(), 372, 30);
    });
    during([this] { return ui()->candidates.size() == 5; });
    then([this] {
        EXPECT_EQ(hlCallCount("messageBox"), 3);
        EXPECT_TRUE(ui()->candidates[4].convert);
        click(win(), 448, 142);
    });
    hlReset();
    run();
    pass(6);
    ASSERT_NE(tag("NEW"), nullptr);
    EXPECT_FALSE(waveTagIsTmpCreate(tag("NEW")));

    ASSERT_EQ(kvbrt({"category", ref, "add", "NEW"}), 0);
    ASSERT_EQ(kvbrt({"import", ref, a, "--category", "NEW"}), 0);
    ASSERT_EQ(kvbrt({"import", ref, b}), 0);
    // A file added later joins the category chosen last.
    ASSERT_EQ(kvbrt({"import", ref, c, "--category", "NEW"}), 0);
    ASSERT_EQ(kvbrt({"import", ref, bad, slow, "--category", "NEW", "--convert"}), 0);
    EXPECT_EQ(closeYes(), 0);
    expectSameAsKvbrt();
}

// The pop-up list: the main window's kit jump end to end, the rows of each
// type, scrolling, and closing without a choice.
class PopupTest : public DeskTest {
protected:
    // The wave the most kits use.
    sWave *usedWave() {
        sWave *best = nullptr;
        int most = 0;
        for (int i = 0; i < waveListWaveCount(G.currentWaveList); i++) {
            sWave *w = waveListWavePtr(G.currentWaveList, i);
            int n = waveWaveKitIsUsedCount(G.currentWaveList, w);
            if (n > most) most = n, best = w;
        }
        return best;
    }
    CgifFrCmbList *rows() { return editCmbGetScreen() ? editCmbGetScreen()->list : nullptr; }
    // Clicks the kit mark of the selected wave's row: the list opens.
    void openKitJump(sWave *w) {
        selectWave(w->waveNumber);
        click(mainWin(), int(kMwListX + kMwListW) - 10, rowY(w));
    }
};

TEST_F(PopupTest, KitJumpAndCategoryRowsChooseTheirRowOrCloseWithoutAChoice) {
    sWave *w = usedWave();
    ASSERT_NE(w, nullptr);
    // Escape and a lost focus close it choosing nothing.
    int kit = editWaveUtilityGetScreen()->kitIndex;
    for (int way = 0; way < 2; way++) {
        during([] { return editCmbGetIsWindow() == 1; });
        then([way] {
            if (way == 0) hlPostKey(editCmbWindowPtr(), KS_ESCAPE, nullptr, true);
            else hlPostSimple(editCmbWindowPtr(), OSEV_DEACTIVATED);
        });
        openKitJump(w);
        pass(6);
        EXPECT_TRUE(scriptDone()) << way;
        EXPECT_EQ(editCmbGetIsWindow(), 0) << way;
        EXPECT_EQ(editCmbGetSelectIndex(), -1) << way;
        EXPECT_EQ(editWaveUtilityGetScreen()->kitIndex, kit) << way;
    }
    // One more kit, after the others, for the last row.
    int rowsBefore = waveWaveKitIsUsedCount(G.currentWaveList, w);
    int later = 57;
    ASSERT_GT(later, waveWaveKitIsUsedKitNumber(G.currentWaveList, w, rowsBefore - 1));
    wavePadWaveNumber(waveKitPadPtr(waveListKitPtr(G.currentWaveList, later), 3), w->waveNumber);
    int n = rowsBefore + 1;

    during([] { return editCmbGetIsWindow() == 1; });
    then([&] {
        CgifFrCmbList *l = rows();
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(editCmbGetType(), CMB_TYPE_KIT);
        ASSERT_EQ(l->rowCount, n);
        EXPECT_STREQ(l->rows[n - 1].text, ("Kit " + std::to_string(later + 1)).c_str());
        EXPECT_EQ(l->bar != nullptr, n > 5);
        click(editCmbWindowPtr(), 20, (n - 1) * kCmbRowH + 5);
    });
    openKitJump(w);
    pass(6);
    EXPECT_TRUE(scriptDone());
    EXPECT_EQ(editCmbGetIsWindow(), 0);
    EXPECT_EQ(editCmbGetSelectIndex(), later + 1);
    EXPECT_EQ(waveKitSelectPtr(), waveListKitPtr(G.currentWaveList, later));
    EXPECT_EQ(editWaveUtilityGetScreen()->kitIndex, later);

    // The category lists, opened here: rows give their category's position,
    // and the wheel scrolls them.
    sWaveList *list = G.currentWaveList;
    int count = waveListTagCount(list);
    ASSERT_GE(count, 6);
    editCmbSetParentWindow(mainWin(), nullptr);
    for (int type : {CMB_TYPE_IMPORT_TAG, CMB_TYPE_TAG}) {
        editCmbSetInitializeFor(type, 10, 10);
        ASSERT_EQ(editCmbInit(), 0);
        CgifFrCmbList *l = rows();
        int extra = type == CMB_TYPE_IMPORT_TAG ? 1 : 0;
        ASSERT_EQ(l->rowCount, count + extra);
        EXPECT_EQ(l->height, kCmbMaxH);
        ASSERT_NE(l->bar, nullptr);
        if (extra) {
            EXPECT_STREQ(l->rows[0].text, cCMB_CREATE_NEW_TAG);
        }
        // Rows follow the display order; each gives its category's list position.
        for (int i = extra; i < l->rowCount; i++) {
            EXPECT_EQ(editCmbTagForIndex(l->rows[i].index), l->rows[i].tag);
            EXPECT_EQ(l->rows[i].index - extra, waveTagNumber(list, static_cast<sTag *>(l->rows[i].tag)));
        }
        hlPostMouse(editCmbWindowPtr(), OSEV_MOUSE_MOVE, 0, 20, 50);
        hlPostMouse(editCmbWindowPtr(), OSEV_WHEEL, 0, 0, -1);
        editCmbMain();
        EXPECT_GT(l->offset(), 0);
        // The row under the pointer after scrolling is the one chosen.
        int expected = l->rows[l->rowAt(50)].index;
        EXPECT_GT(expected, 1);
        click(editCmbWindowPtr(), 20, 50);
        editCmbMain();
        EXPECT_EQ(editCmbGetIsWindow(), 0);
        EXPECT_EQ(editCmbGetSelectIndex(), expected);
    }
}

}  // namespace
