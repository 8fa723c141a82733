// The main window on the scripted host: a demo card opened, edited through
// the window's own input (clicks, drags, menus, dropped files, answered
// questions) and closed; the card must then hold what `kvbrt` makes of the
// same edits and pass its health check. Also the ways a card is refused,
// every way the program closes, the windows it runs modally and the faults
// the window must not repeat. Then the secondary windows it runs, each inside
// its nested loop and driven through its own input.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "app/usi.h"
#include "foundation/fault.h"
#include "foundation/global.h"
#include "gui/text.h"
#include "platform/headless/headless.h"
#include "support/card.h"
#include "support/desk.h"
#include "wavelib/player.h"
#include "wavelib/request.h"
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

// The program starts in each test, on the folder the test names, with no
// secondary windows; input goes to the main window and is followed by passes.
class MainWindowTest : public DeskTest {
protected:
    void SetUp() override {
        prepare();
        editWaveUtilityInstall(nullptr);
    }
    CgifUIWaveUtility *screen() { return editWaveUtilityGetScreen(); }
    void click(int x, int y, int button = OS_BUTTON_LEFT) {
        DeskTest::click(mainWin(), x, y, button);
        pass();
    }
    void key(uint32_t keysym, const char *text = nullptr) {
        DeskTest::key(mainWin(), keysym, text);
        pass();
    }
    void menu(int code) {
        hlPostMenu(mainWin(), code);
        pass();
    }
    static int padX(int pad) { return 410 + pad % 3 * 124 + 50; }
    static int padY(int pad) { return pad < 9 ? 75 + pad / 3 * 80 + 20 : 315 + (pad - 9) / 3 * 58 + 20; }
    // RGB at window point (x, y).
    std::vector<int> pixel(int x, int y) {
        uint8_t p[4] = {};
        hlReadPixels(mainWin(), x, 600 - 1 - y, 1, 1, p);
        return {p[0], p[1], p[2]};
    }
    bool anyPixel(int x, int y, int w, int h, const std::vector<int> &rgb) {
        for (int i = 0; i < w; i++)
            for (int j = 0; j < h; j++)
                if (pixel(x + i, y + j) == rgb) return true;
        return false;
    }
    std::vector<std::string> dropped(const std::vector<std::string> &names) {
        std::vector<std::string> paths;
        for (const std::string &n : names) {
            paths.push_back(scratch / n);
            testWriteFile(paths.back(), testWavBytes(2205));
        }
        return paths;
    }
    // Index of the first recorded host call starting with `prefix`, -1 when none.
    static int callAt(const std::string &prefix) {
        const auto &c = hlCalls();
        for (size_t i = 0; i < c.size(); i++)
            if (c[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
        return -1;
    }
    void drop(const std::vector<std::string> &paths, int x, int y) {
        hlPostPaths(mainWin(), OSEV_DRAG_ENTER, paths);
        hlPostMouse(mainWin(), OSEV_DRAG_POSITION, 0, x, y);
        hlPostPaths(mainWin(), OSEV_DROP, {});
        pass();
    }
};

// A secondary window that stays open for a few steps and notes what it saw.
struct StubWindow {
    int steps = 0;
    std::vector<std::string> trail;
    static StubWindow &of(void *u) { return *static_cast<StubWindow *>(u); }
    sMainSecondary entry() {
        sMainSecondary e{};
        e.window.name = "stub";
        e.window.user = this;
        e.window.isOpen = [](void *u) { return of(u).steps > 0 ? 1 : 0; };
        e.window.step = [](void *u) {
            StubWindow &w = of(u);
            if (w.steps <= 0) return;
            w.steps--;
            w.trail.push_back(std::string("step input=") + (hlWindowEnabled(editWaveUtilityGetWindow()) ? "on" : "off") +
                              " menu=" + (ghostMenuIsEnabled(1016) ? "on" : "off"));
        };
        e.window.term = [](void *u) { of(u).trail.push_back("term"); };
        e.window.cancel = [](void *u) {
            of(u).trail.push_back("cancel");
            of(u).steps = 1;  // closes in its next step, as a Cancel press does
        };
        e.open = [](void *u) {
            of(u).steps = 3;
            of(u).trail.push_back("open");
            return 0;
        };
        e.addSelectedWave = [](void *u, sWave *w) { of(u).trail.push_back(std::string("wave ") + w->name); };
        return e;
    }
};

// One session of every kind of edit the window makes, refused drops among
// them, against kvbrt.
TEST_F(MainWindowTest, EditsLeaveTheCardAsKvbrtMakesIt) {
    ASSERT_EQ(start(card), -1);
    ASSERT_NE(G.currentWaveList, nullptr);
    EXPECT_EQ(hlCallCount("storageDialog"), 0);  // a folder on the command line opens without the dialog
    ASSERT_TRUE(hlWindowShown(mainWin()));

    // A wave onto a pad with the menu command, and one pad released.
    selectWave(0);
    // The row's picture is tinted with the selection colour.
    std::vector<int> row = pixel(300, rowY(wave(0)));
    EXPECT_NEAR(row[0] * 253.0 / row[2], 100, 4);
    EXPECT_NEAR(row[1] * 253.0 / row[2], 104, 4);
    click(padX(4), padY(4));
    EXPECT_TRUE(hlMenuEnabled(1014));
    menu(1014);
    ASSERT_EQ(kvbrt({"kit", ref, "set", "0", "5", "0"}), 0);
    click(padX(0), padY(0));
    EXPECT_TRUE(hlMenuEnabled(1015));
    hlPushMessageBoxAnswer(MBOX_YES);
    menu(1015);
    ASSERT_EQ(kvbrt({"kit", ref, "clear", "0", "1"}), 0);

    // A wave dragged into another category.
    selectWave(1);
    int from = rowY(wave(1));
    press(mainWin(), 150, from);
    hlPostMouse(mainWin(), OSEV_MOUSE_MOVE, 0, 150, from - 10);
    hlPostMouse(mainWin(), OSEV_MOUSE_MOVE, 0, 150, rowY(tag("SNARE")));
    release(mainWin(), 150, rowY(tag("SNARE")));
    pass();
    ASSERT_EQ(kvbrt({"category", ref, "assign", "1", "SNARE"}), 0);

    // A wave deleted through its context menu.
    selectWave(10);
    click(150, rowY(wave(10)), OS_BUTTON_RIGHT);
    EXPECT_EQ(hlCallCount("popupMenu"), 1);
    hlPushMessageBoxAnswer(MBOX_YES);
    menu(1030);
    ASSERT_EQ(kvbrt({"delete", ref, "10", "--yes"}), 0);

    // Renumbering, then a file dropped on a category.
    menu(1019);
    ASSERT_EQ(kvbrt({"renumber", ref}), 0);
    std::vector<std::string> files = dropped({"Cowbell2.wav"});
    if (!waveTagIsOpen(tag("PERC"))) click(40, rowY(tag("PERC")));
    drop(files, 150, rowY(tag("PERC")));
    ASSERT_EQ(waveListWaveCount(G.currentWaveList), 32);
    ASSERT_EQ(kvbrt({"import", ref, files[0], "--category", "PERC"}), 0);

    // The kit's name typed into its field.
    click(540, 39);
    key(KS_BACKSPACE);
    for (const char *c : {"R", "o", "c", "k"}) key(uint32_t(c[0]), c);
    key(KS_RETURN);
    pass();
    ASSERT_EQ(kvbrt({"kit", ref, "name", "0", "Rock"}), 0);

    // Two pads exchanged by dragging one onto the other.
    press(mainWin(), padX(0), padY(0));
    hlPostMouse(mainWin(), OSEV_MOUSE_MOVE, 0, padX(1), padY(1));
    release(mainWin(), padX(1), padY(1));
    pass();
    ASSERT_EQ(kvbrt({"kit", ref, "swap", "0", "1", "2"}), 0);

    // A category dragged below another.
    int fx = rowY(tag("FX")), kick = rowY(tag("KICK"));
    press(mainWin(), 150, fx);
    hlPostMouse(mainWin(), OSEV_MOUSE_MOVE, 0, 150, fx + 8);
    hlPostMouse(mainWin(), OSEV_MOUSE_MOVE, 0, 150, kick + 6);
    release(mainWin(), 150, kick + 6);
    pass();
    ASSERT_EQ(kvbrt({"category", ref, "move", "FX", "--after", "KICK"}), 0);

    // Categories deleted in one gesture are asked about once.
    click(150, rowY(tag("SYNTH")));
    hlPostKey(mainWin(), KS_SHIFT_L, nullptr, true);
    click(150, rowY(tag("BASS")));
    hlPostKey(mainWin(), KS_SHIFT_L, nullptr, false);
    ASSERT_EQ(screen()->getWaveListSelectNum(), 2);
    int boxes = hlCallCount("messageBox");
    hlPushMessageBoxAnswer(MBOX_YES);
    menu(1030);
    EXPECT_EQ(hlCallCount("messageBox"), boxes + 1);
    for (const char *t : {"SYNTH", "BASS"}) ASSERT_EQ(kvbrt({"category", ref, "delete", t}), 0);

    // Dropped on a pad, two files are refused whole, and so is a path longer
    // than any the card can take; one file goes into DEFAULT and onto the pad.
    drop(dropped({"A.wav", "B.wav"}), padX(6), padY(6));
    EXPECT_EQ(hlCallCount("messageBox"), boxes + 2);
    std::string deep = scratch.path();
    while (deep.size() < 4200) deep += "/" + std::string(300, 'x');
    drop({deep + "/a.wav"}, 150, rowY(tag("FX")));
    EXPECT_EQ(hlCallCount("messageBox"), boxes + 3);
    EXPECT_EQ(waveListWaveCount(G.currentWaveList), 32);
    std::vector<std::string> one = dropped({"Tamb.wav"});
    drop(one, padX(7), padY(7));
    ASSERT_EQ(waveListWaveCount(G.currentWaveList), 33);
    ASSERT_EQ(kvbrt({"import", ref, one[0]}), 0);
    ASSERT_EQ(kvbrt({"kit", ref, "set", "0", "8", "32"}), 0);

    EXPECT_EQ(closeYes(), 0);
    expectSameAsKvbrt();
}

// Cards that are not opened give the dialog back: a device folder that is
// there but cannot be read is the user's data (named in a notice, never
// replaced by an empty library or a DEFAULT-only category list), and question
// 65 answered No leaves a folder without one as it was. The dialog cancelled, the
// program ends without a question or an eject.
TEST_F(MainWindowTest, CardsNotOpenedGiveTheDialogBackAndCancellingItEnds) {
    std::string tags = card + "/Korvan/KVB-RT/SYSTEM/tag_list.kvb";
    auto before = testReadFile(tags);
    // Every listing of the card fails, as on a card that cannot be read.
    ASSERT_EQ(start(card, [] { rliFaultFileArm(1, EIO, true); }), -1);
    rliFaultFileArm(0, 0, false);
    EXPECT_EQ(G.currentWaveList, nullptr);
    EXPECT_EQ(hlCallCount("messageBox 0"), 1);  // a notice naming the folder, not question 65
    EXPECT_EQ(hlCallCount("storageDialog"), 1);
    pass();
    EXPECT_EQ(testReadFile(tags), before);
    hlSetStorageDialogAnswer(0, -1);
    pass(5);
    EXPECT_TRUE(usiFinished());
    EXPECT_EQ(usiExitStatus(), 0);
    EXPECT_EQ(hlCallCount("messageBox"), 1);
    EXPECT_EQ(hlCallCount("eject"), 0);
    usiPass();  // nothing runs once the program has ended
    // Start-up order on the host: the system, the main window, the dialog; at the end the platform goes last.
    EXPECT_LT(callAt("init"), callAt("windowCreate KVB-RT Wave Manager 800x600 menu=1 icon=1"));
    EXPECT_LT(callAt("windowCreate"), callAt("storageDialog"));
    EXPECT_EQ(hlCalls().back(), "term");

    // Started again, the folder chosen in the dialog has no device tree: answered No.
    std::string empty = scratch / "empty";
    testMakeDirs(empty);
    hlAddVolume("KVB-RT", empty.c_str(), "vfat");
    hlSetStorageDialogAnswer(1, 0);
    hlPushMessageBoxAnswer(MBOX_NO);
    ASSERT_EQ(start(""), -1);
    pass();
    EXPECT_EQ(G.currentWaveList, nullptr);
    EXPECT_EQ(hlCallCount("messageBox 1"), 1);
    EXPECT_EQ(hlCallCount("storageDialog"), 3);
    EXPECT_TRUE(testListDir(empty).empty());
}

TEST_F(MainWindowTest, FileMenuBackupRestoreAndExport) {
    std::string folder = scratch / "backup";
    testMakeDirs(folder);
    std::string archive = folder + "/KVB-RT-BKUP-ALL.kvb";
    testWriteFile(archive, "older");
    ASSERT_EQ(start(card), -1);
    // Over an existing archive, No: nothing written.
    hlPushDirDialogAnswer(folder);
    hlPushMessageBoxAnswer(MBOX_NO);
    menu(1004);
    EXPECT_EQ(testReadFile(archive), "older");
    hlPushDirDialogAnswer(folder);
    hlPushMessageBoxAnswer(MBOX_YES);
    menu(1004);
    ASSERT_NE(testReadFile(archive), "older");
    // The card changes; the restore brings the backup's state back.
    selectWave(3);
    hlPushMessageBoxAnswer(MBOX_YES);
    menu(1030);
    ASSERT_EQ(wave(3), nullptr);
    hlPushMessageBoxAnswer(MBOX_YES);
    hlPushDirDialogAnswer(folder);
    menu(1005);
    ASSERT_NE(G.currentWaveList, nullptr);
    EXPECT_NE(wave(3), nullptr);
    EXPECT_FALSE(hlMenuEnabled(1003));
    // A restore that fails says so and keeps the library on screen.
    testWriteFile(archive, "not an archive");
    sWaveList *before = G.currentWaveList;
    hlPushMessageBoxAnswer(MBOX_YES);
    hlPushDirDialogAnswer(folder);
    menu(1005);
    EXPECT_EQ(G.currentWaveList, before);
    EXPECT_FALSE(usiFinished());

    // Export from the file menu, once a wave is selected.
    std::string out = scratch / "out";
    testMakeDirs(out);
    selectWave(2);
    EXPECT_TRUE(hlMenuEnabled(1003));
    hlPushDirDialogAnswer(out);
    menu(1003);
    EXPECT_EQ(testListDir(out), std::vector<std::string>{"KickLong.wav"});
    // A 16-byte sub-name survives a click into its field and away.
    sKit *kit = waveListKitPtr(G.currentWaveList, 0);
    waveKitSubName(kit, "Sixteen-Bytes-16");
    editWaveUtilityUpdateRequest();
    pass();
    click(670, 39);
    click(150, 560);
    EXPECT_STREQ(waveKitSubNamePtr(kit), "Sixteen-Bytes-16");
    EXPECT_EQ(closeYes(), 0);
    EXPECT_EQ(kvbrt({"check", card}), 0);
}

// Every secondary window opens by one pattern: modal, main window deaf and
// its menu bar off while it runs, everything back afterwards.
TEST_F(MainWindowTest, SecondaryWindowsOpenModally) {
    StubWindow edit;
    sMainSecondary table[MAIN_WINDOW_COUNT] = {};
    table[MAIN_WINDOW_WAVEEDIT] = edit.entry();
    editWaveUtilityInstall(table);
    ASSERT_EQ(start(card), -1);
    // The wave edit window hears the selected waves in list order before it opens.
    selectWave(0);
    hlPostKey(mainWin(), KS_SHIFT_L, nullptr, true);
    click(150, rowY(wave(2)));
    hlPostKey(mainWin(), KS_SHIFT_L, nullptr, false);
    menu(1017);
    const std::string modal = "step input=off menu=off";
    EXPECT_EQ(edit.trail, (std::vector<std::string>{"wave KickDeep", "wave KickPunch", "wave KickLong", "open", modal,
                                                    modal, modal, "term"}));
    EXPECT_TRUE(hlWindowEnabled(mainWin()));
    EXPECT_TRUE(ghostMenuIsEnabled(1016));

    // The system's quit request while one runs: its edit is cancelled, and the
    // program then ends without asking, ejecting or telling. The waves it was
    // opened for are left marked as touched, and the library must not leave
    // them listed when it goes (the fixture counts the blocks left over).
    int boxes = hlCallCount("messageBox");
    hlPostMenu(mainWin(), 1017);
    usiRequestExit();
    pass();
    // Cancelled, closed at its next step, and terminated again as the program ends.
    EXPECT_EQ(std::vector<std::string>(edit.trail.end() - 5, edit.trail.end()),
              (std::vector<std::string>{"open", "cancel", modal, "term", "term"}));
    EXPECT_TRUE(usiFinished());
    EXPECT_EQ(usiExitStatus(), 0);
    EXPECT_EQ(hlCallCount("messageBox"), boxes);
    EXPECT_EQ(hlCallCount("eject"), 0);
}

// Every way the program closes. Asked and answered Yes, what is still only
// requested is saved, the card ejected, and only then is the user told; a save
// or an eject that fails and the system's quit end with their own status and
// boxes. A preview playing at the close goes before the library it reads,
// whichever way the program ends.
TEST_F(MainWindowTest, EachWayOfClosingSavesEjectsAndTellsAsItShould) {
    struct {
        const char *what;
        int how;            // how the program is closed
        bool failWrite;     // every file write fails
        int ejectResult;
        int status;
        bool ejectTried;
        int errorBoxes;     // error boxes shown at close (title "Error")
    } const cases[] = {
        {"all well", USI_CLOSE_ASK, false, 0, 0, true, 0},
        {"save fails", USI_CLOSE_ASK, true, 0, 1, false, 1},
        {"eject refused", USI_CLOSE_ASK, false, -1, 1, true, 1},
        {"quit request", USI_CLOSE_QUIT, false, 0, 0, false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(start(card), -1);
        ASSERT_NE(G.currentWaveList, nullptr);
        sKit *kit = waveListKitPtr(G.currentWaveList, 0);
        std::strcpy(kit->name, "LA");
        kit->edited = 1;
        waveKitSaveRequest();
        ASSERT_EQ(waveWaveSelect(wave(0)), 0);
        ASSERT_NE(gpSound, nullptr);
        hlReset();
        hlSetEjectResult(c.ejectResult);
        hlPushMessageBoxAnswer(MBOX_YES);
        if (c.failWrite) hlFailFileOperation(1, ENOSPC);
        EXPECT_EQ(usiClose(c.how), 1);
        hlFailFileOperation(0, 0);
        EXPECT_EQ(usiExitStatus(), c.status);
        EXPECT_EQ(gpSound, nullptr);
        EXPECT_EQ(hlCallCount("eject"), c.ejectTried ? 1 : 0);
        EXPECT_EQ(hlCallCount("messageBox 0 Error"), c.errorBoxes);
        // The quit asks or tells the user nothing; every other close asks.
        EXPECT_EQ(hlCallCount("messageBox") > 0, c.how == USI_CLOSE_ASK);
        if (c.status != 0 || c.how != USI_CLOSE_ASK) continue;
        // The kit renamed "LA" was only requested: the close served the request.
        EXPECT_NE(testReadFile(TestCard(card).kit() + "kit000.kvb").find("<Nm0>76</Nm0>\n\t<Nm1>65</Nm1>"),
                  std::string::npos);
        int asked = callAt("messageBox 1"), ejected = callAt("eject " + card + "/"), told = callAt("messageBox 0");
        EXPECT_LT(asked, ejected);
        EXPECT_LT(ejected, told);
        ASSERT_GE(told, 0);
        EXPECT_NE(hlCalls()[told].find("has been ejected"), std::string::npos) << hlCalls()[told];
        EXPECT_LT(told, callAt("term"));
    }

    // Closing asks, by the menu and by the close box, and a No changes nothing;
    // a card pulled under a command gives message 88 and a close without the
    // question, with nothing written where the card was.
    ASSERT_EQ(start(card), -1);
    hlReset();
    auto before = testTreeSnapshot(card);
    for (bool box : {false, true}) {
        hlPushMessageBoxAnswer(MBOX_NO);
        if (box) hlPostSimple(mainWin(), OSEV_CLOSE_BOX);
        else hlPostMenu(mainWin(), 1006);
        pass();
        EXPECT_FALSE(usiFinished());
        EXPECT_EQ(hlCallCount("messageBox"), box ? 2 : 1);
    }
    EXPECT_EQ(testTreeSnapshot(card), before);
    std::string moved = scratch / "pulled";
    ASSERT_EQ(rename(card.c_str(), moved.c_str()), 0);
    testMakeDirs(card);
    hlPushMessageBoxAnswer(MBOX_OK);
    menu(1004);
    pass(5);
    EXPECT_TRUE(usiFinished());
    EXPECT_EQ(usiExitStatus(), 1);
    EXPECT_TRUE(testListDir(card).empty());
}

TEST_F(MainWindowTest, PlayerTextsHeaderKeysContextMenuHelpAndScrollingTheList) {
    ASSERT_EQ(start(card), -1);
    // The header's text is drawn in light grey on its panel.
    EXPECT_TRUE(anyPixel(42, 36, 100, 10, {230, 230, 230}));
    selectWave(2);
    EXPECT_EQ(screen()->player->lenText, std::string("/00:01"));
    EXPECT_EQ(screen()->player->infoText, std::string("16bit/44100Hz/Mono/103KB"));
    EXPECT_TRUE(anyPixel(566, 452, 80, 14, {230, 230, 230}));
    // Keys: Down selects the next row, Space plays it, Return closes a category.
    key(KS_DOWN);
    EXPECT_EQ(waveWaveSelectPtr(), nullptr);
    EXPECT_EQ(screen()->list->rows[screen()->list->current].item, tag("DEFAULT"));
    key(KS_UP);
    EXPECT_EQ(waveWaveSelectPtr(), wave(2));
    key(' ', " ");
    EXPECT_EQ(editWaveUtilityGetNowPlayingWave(), 0);
    click(150, rowY(tag("KICK")));
    key(KS_RETURN);
    EXPECT_FALSE(waveTagIsOpen(tag("KICK")));
    click(padX(4), padY(4));
    // The selected pad's wave name is written in the selection colour.
    EXPECT_TRUE(anyPixel(padX(4) - 42, padY(4) + 4, 80, 14, {100, 104, 253}));
    // A context menu waits for a box that is open.
    editWaveUtilityForcingUpdate(1);
    click(150, rowY(tag("FX")), OS_BUTTON_RIGHT);
    EXPECT_EQ(hlCallCount("popupMenu"), 0);
    editWaveUtilityForcingUpdate(0);
    pass();
    EXPECT_EQ(hlCallCount("popupMenu"), 1);
    // Help opens the document of the interface language; without it (the
    // sanitizer build makes none) it says so instead of doing nothing.
    const std::string document = KVB_BUILD_ROOT "/share/kvb-rt-wave-manager/document/KVB-RT_Wave_Manager_en.pdf";
    const bool built = access(document.c_str(), F_OK) == 0;
    int boxes = hlCallCount("messageBox");
    menu(1022);
    EXPECT_EQ(hlCallCount("messageBox"), boxes + (built ? 0 : 1));
    EXPECT_EQ(hlCallCount("execute"), built ? 1 : 0);
    EXPECT_TRUE(!built || hlCalls()[callAt("execute ")].ends_with("/document/KVB-RT_Wave_Manager_en.pdf"));

    // Without categories every wave is a row: more than the list shows, so the
    // wheel and a drag near the list's edge scroll it.
    menu(1010);
    CgifFrWaveList *list = screen()->list;
    ASSERT_EQ(list->rowCount, 32);
    EXPECT_EQ(list->scroll, 0);
    hlPostMouse(mainWin(), OSEV_MOUSE_MOVE, 0, 150, 200);
    // Three rows a notch, never past the last row.
    hlPostMouse(mainWin(), OSEV_WHEEL, 0, 150, -1);
    pass();
    EXPECT_EQ(list->scroll, 3 * kMwRowH);
    for (int i = 0; i < 5; i++) hlPostMouse(mainWin(), OSEV_WHEEL, 0, 150, -1);
    pass();
    EXPECT_EQ(list->scroll, (32 - kMwRowsShown) * kMwRowH);
    // A row dragged to the top edge pulls the list along.
    int before = list->scroll;
    press(mainWin(), 150, 300);
    for (int y = 290; y > 76; y -= 20) hlPostMouse(mainWin(), OSEV_MOUSE_MOVE, 0, 150, y);
    release(mainWin(), 150, 78);
    pass();
    EXPECT_LT(list->scroll, before);
    // The drag showed the wave cursor made from the pack at start-up.
    EXPECT_EQ(hlCallCount("cursorCreate 32x32"), 2);
    EXPECT_EQ(hlCallCount("cursorSetCustom"), 1);
    // The categories shown again, one selected: it is forgotten with the library at the close.
    menu(1010);
    click(150, rowY(tag("FX")));
    // Waves keep their categories: dropping without categories shown moves nothing.
    EXPECT_EQ(closeYes(), 0);
    expectSameAsKvbrt();
}

// === The secondary windows ======================================================

// The category window: add, rename, reorder and delete, then OK, against
// kvbrt's card; Cancel and the close box give back the library as it was.
class CategoryTest : public DeskTest {
protected:
    _sWindow *win() { return editTagWindowPtr(); }
    CgifUITag *ui() { return editTagGetScreen(); }
    void clickRow(int row) {
        then([this, row] { click(win(), 100, int(kTagListY + kTagRowH * row) + 10); });
    }
    void renameSelected(const std::string &name) {
        then([this, name] {
            click(win(), 380, 28);
            type(win(), name);
            key(win(), KS_RETURN);
        });
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
        then([this] { click(win(), 252, 70); });  // Add
        clickRow(2);
        renameSelected("RENAMED");
        clickRow(4);
        then([this] { click(win(), 440, 70); });  // Delete
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
    then([this] { click(win(), 252, 70); });  // Add
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
    then([this] { click(win(), 440, 70); });  // Delete
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
class ImportWindowTest : public DeskTest {
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

TEST_F(ImportWindowTest, DialogAndDropThenOkImportAsKvbrtDoes) {
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
        EXPECT_EQ(std::strcmp(l->rows[0].text, cCMB_CREATE_NEW_TAG) == 0, extra == 1);
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
