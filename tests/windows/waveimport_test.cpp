// The wave import window inside the main window's nested loop: files by the
// open dialog and by a drop (files the device cannot play asked about once
// per batch: refused on No, converted on Yes), one listened to, a category
// made in the pop-up list, then OK against kvbrt's card; the close box undoes
// the category it made, as Cancel does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/global.h"
#include "support/card.h"
#include "support/desk.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"
#include "windows/popup/cmbctl.h"
#include "windows/waveimport/importctl.h"
#include "windows/waveimport/importui.h"

namespace {

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

}  // namespace
