// The wave edit window inside the main window's nested loop: renaming one
// wave, moving several through the pop-up list, deleting with its question,
// and the wave it renames being the one it shows; the card then as kvbrt
// makes it for the same edits.
#include <gtest/gtest.h>

#include <string>

#include "foundation/global.h"
#include "gui/text.h"
#include "support/desk.h"
#include "wavelib/player.h"
#include "wavelib/wavelist.h"
#include "windows/popup/cmbctl.h"
#include "windows/popup/cmbui.h"
#include "windows/waveedit/wavenamectl.h"
#include "windows/waveedit/wavenameui.h"

namespace {

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

}  // namespace
