// The category window inside the main window's nested loop: add, rename,
// reorder and delete, then OK, against kvbrt's card; Cancel and the close
// box give back the library as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/global.h"
#include "support/desk.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"
#include "windows/category/tagctl.h"
#include "windows/category/tagui.h"

namespace {

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

}  // namespace
