// The pop-up list: the main window's kit jump end to end, the rows of each
// type, scrolling, and closing without a choice.
#include <gtest/gtest.h>

#include <string>

#include "foundation/global.h"
#include "support/desk.h"
#include "wavelib/wavelist.h"
#include "windows/main/frames.h"
#include "windows/main/mainctl.h"
#include "windows/main/wavutil.h"
#include "windows/popup/cmbctl.h"
#include "windows/popup/cmbui.h"

namespace {

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
