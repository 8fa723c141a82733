// The platform layer on the scripted host: platform events translated into
// window events and window state, and the services: dialogs, menus,
// volumes, language and clock. Beneath it, the event queue and the volumes
// read from the mount table.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <tuple>

#include "foundation/mem.h"
#include "host_fixture.h"
#include "platform/evqueue.h"
#include "platform/mountinfo.h"
#include "support/test_util.h"

namespace {

class Ghost : public HostTest {};
using Seen = std::vector<sSeenEvent>;
using Texts = std::vector<std::string>;
using Codes = std::vector<uint16_t>;

TEST_F(Ghost, MessageBoxAnswersByKindAndDeclinesWhenUnanswered) {
    struct Case {
        int kind;
        int scripted;  // -1: no answer scripted
        int result;
    };
    const Case cases[] = {
        {0, 1, 1},  {0, -1, 1},                          // OK always answers 1
        {1, 2, 2},  {1, 3, 3},  {1, -1, 3}, {1, 4, 3},  // no cancel in a yes/no box
        {2, 2, 2},  {2, 4, 4},  {2, 3, 3},  {2, -1, 4}, {2, 1, 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " scripted " << c.scripted);
        hlReset();
        trail.clear();
        if (c.scripted >= 0) hlPushMessageBoxAnswer(c.scripted);
        EXPECT_EQ(ghostMBoxOpen(L"Question", L"Delete the wave?", c.kind, win), c.result);
        EXPECT_EQ(trail, (Texts{"waveStop", "forcing+", "forcing-"}));
        EXPECT_EQ(hlCalls().front(), "messageBox " + std::to_string(c.kind) + " Question: Delete the wave?");
        EXPECT_EQ(hlCallCount("windowActivate"), 1);  // owner back in front
    }
    hlReset();
    EXPECT_EQ(ghostMBoxOpen(L"T", L"M", 7, win), 0);
    EXPECT_EQ(hlCallCount("messageBox"), 0);
    // A parent that refuses input is left behind.
    sGhostCallbacks cb{};
    cb.parentsRefused = [](void *) { return 1; };
    ghostSetCallbacks(&cb);
    EXPECT_EQ(ghostMBoxOpen(L"T", L"M", 0, win), 1);
    EXPECT_EQ(hlCallCount("windowActivate"), 0);
}

TEST_F(Ghost, FileAndFolderDialogsDeliverWhatWasChosenOrNothing) {
    hlPushFileDialogAnswer({"/home/u/drums/kick.wav", "/home/u/drums/snare 2.aif", "/home/u/drums/hat.aiff"});
    char buf[kRliPathMax];
    EXPECT_EQ(ghostFileDlgOpen(buf, sizeof buf, "wav;aif;aiff", win), 0);
    EXPECT_STREQ(buf, "/home/u/drums/kick.wav");
    // Starts in the stored folder; the window that asked takes input again.
    EXPECT_EQ(Texts(hlCalls().end() - 2, hlCalls().end()), (Texts{"fileDialog /home/u/Music", "windowActivate"}));
    EXPECT_EQ(importFolder, "/home/u/drums");
    EXPECT_EQ(forcing, 0);
    // Delivered at once, ahead of the next poll.
    EXPECT_EQ(seen, (Seen{{30, 1, 0, "/home/u/drums/kick.wav"}, {30, 1, 0, "/home/u/drums/snare 2.aif"},
                          {30, 1, 0, "/home/u/drums/hat.aiff"}}));
    // Cancelled: an empty buffer, the stored folder kept.
    seen.clear();
    hlPushFileDialogAnswer({});
    EXPECT_EQ(ghostFileDlgOpen(buf, sizeof buf, nullptr, win), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(importFolder, "/home/u/drums");
    EXPECT_TRUE(seen.empty());

    // A folder comes with a trailing slash, or nothing when it does not fit.
    struct Case {
        std::string chosen;
        size_t cap;
        int result;
        const char *buf;
    };
    const Case cases[] = {
        {"/Users/a/b", 64, 1, "/Users/a/b/"},
        {"/Users/a/b/", 64, 1, "/Users/a/b/"},
        {"/", 64, 1, "/"},
        {"/Users/a/b", 11, 0, ""},  // "/Users/a/b/" needs 12 bytes
        {"/Users/a/b", 12, 1, "/Users/a/b/"},
        {"", 64, 0, ""},  // cancelled
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.chosen);
        hlPushDirDialogAnswer(c.chosen);
        char buf[64] = "stale";
        EXPECT_EQ(ghostDirDlgOpen(buf, c.cap, win, "/Users", 0, L"Choose"), c.result);
        EXPECT_STREQ(buf, c.buf);
    }
    EXPECT_EQ(Texts(hlCalls().end() - 2, hlCalls().end()), (Texts{"dirDialog /Users Choose", "windowActivate"}));
    EXPECT_EQ(forcing, 0);
    EXPECT_TRUE(seen.empty());
}

TEST_F(Ghost, StorageDialogPreselectsTheDeviceAndReportsTheChoiceOrCancel) {
    hlAddVolume("Backup", "/media/u/Backup", "ext4");
    hlAddVolume("", "/media/u/nameless", "vfat");  // left out of the list
    hlAddVolume("KVB-RT", "/media/u/KVB-RT", "vfat");
    hlAddVolume("KVB-RT 2", "/media/u/KVB-RT 2", "exfat");
    ASSERT_EQ(ghostDlgOpen(nullptr, 0, win), 0);
    EXPECT_EQ(hlCalls().back(), "storageDialog [Backup] [KVB-RT] [KVB-RT 2] selected=1");
    EXPECT_EQ(ghostDlgOpen(nullptr, 0, win), -1);  // already open, left as it is
    EXPECT_EQ(ghostStorageDialogSelected(), 1);

    // Rebuilding keeps the volume mounted where the selection was, though
    // another name now contains the selected one and comes first.
    hlClearVolumes();
    hlAddVolume("KVB-RT 2", "/media/u/KVB-RT 2", "exfat");
    hlAddVolume("Backup", "/media/u/Backup", "ext4");
    hlAddVolume("KVB-RT", "/media/u/KVB-RT", "vfat");
    EXPECT_EQ(ghostStorageDialogRefresh(), 3);
    EXPECT_EQ(ghostStorageDialogSelected(), 2);

    hlSetStorageDialogAnswer(1, -1);
    pump();
    EXPECT_EQ(seen, (Seen{{2000, 1, 0, ""}}));
    EXPECT_STREQ(ghostDlgStorageRootPtr(), "/media/u/KVB-RT/");
    EXPECT_FALSE(ghostStorageDialogIsOpen());
    EXPECT_EQ(forcing, 0);  // modeless: the counter is not touched

    // "Folder..." opens any folder; a folder named beforehand skips the dialog.
    ASSERT_EQ(ghostDlgOpen(nullptr, 0, win), 0);
    EXPECT_EQ(ghostStorageDialogChooseFolder("/home/u/card copy"), 0);
    EXPECT_EQ(ghostStorageDialogChooseFolder("/elsewhere"), -1);  // closed already
    ASSERT_EQ(ghostStorageDialogPreset("/srv/card/"), 0);
    int shown = hlCallCount("storageDialog");
    ASSERT_EQ(ghostDlgOpen(nullptr, 0, win), 0);
    EXPECT_EQ(hlCallCount("storageDialog"), shown);
    EXPECT_EQ(pump(), (Codes{2000, 2000}));
    EXPECT_EQ(seen.back().value, 1);
    EXPECT_STREQ(ghostDlgStorageRootPtr(), "/srv/card/");
    // Cancelled, the root stays what it was. The volumes are the script's, as given.
    hlClearVolumes();
    hlAddVolume("A", "/mnt/a", "vfat");
    hlAddVolume("B", "/mnt/b/", "vfat");
    ASSERT_EQ(osStorageRootCount(), 2);
    char buf[32];
    EXPECT_EQ(osStorageRootName(buf, sizeof buf, 0), 0);
    EXPECT_STREQ(buf, "A");
    EXPECT_EQ(osStorageRootPath(buf, sizeof buf, 1), 0);
    EXPECT_STREQ(buf, "/mnt/b/");
    EXPECT_EQ(osStorageRootPath(buf, 5, 1), -1);  // does not fit: nothing half-written
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(osStorageRootName(buf, sizeof buf, 2), -1);
    ASSERT_EQ(ghostDlgOpen(nullptr, 0, win), 0);
    EXPECT_EQ(ghostStorageDialogSelected(), 0);  // no "KVB-RT": the first
    hlSetStorageDialogAnswer(0, -1);
    pump();
    EXPECT_EQ(seen, (Seen{{2000, 0, 0, ""}}));
    EXPECT_STREQ(ghostDlgStorageRootPtr(), "/srv/card/");
    EXPECT_EQ(ghostDlgOpen(nullptr, 1, win), -1);  // only kind 0 exists
}

TEST_F(Ghost, MenuItemsKeepTheirOwnStateAcrossTheBarAndPopupsShowOnlyContextCommands) {
    const int own[] = {1002, 1003, 1014, 1015, 1016, 1017, 1018};
    for (int code : own) EXPECT_FALSE(ghostMenuIsEnabled(code)) << code;  // disabled until first set
    EXPECT_TRUE(ghostMenuIsEnabled(1000));
    ghostWindowSetMenuOnOff(win, 1002, 1);
    ghostWindowSetMenuOnOff(win, 1000, 0);
    EXPECT_TRUE(hlMenuEnabled(1002));
    EXPECT_FALSE(hlMenuEnabled(1000));

    ghostWindowAllMenuOnOff(0);
    for (int code = 1000; code <= 1032; code++) EXPECT_FALSE(hlMenuEnabled(code)) << code;
    ghostWindowSetMenuOnOff(win, 1003, 1);  // remembered while the bar is off
    EXPECT_FALSE(hlMenuEnabled(1003));

    ghostWindowAllMenuOnOff(1);
    // 1000 has no state of its own: on with the bar; 1002 and 1003 were set on.
    for (int code : {1000, 1002, 1003}) EXPECT_TRUE(hlMenuEnabled(code)) << code;
    EXPECT_FALSE(hlMenuEnabled(1014));
    ghostWindowSetMenuOnOff(win, 999, 1);  // outside the menu: ignored
    ghostWindowSetMenuOnOff(win, 1033, 1);
    EXPECT_FALSE(ghostMenuIsEnabled(1033));

    // Opening a menu stops the preview, then redraws.
    sGhostCallbacks cb{};
    cb.waveStop = [](void *user, int a, int b) {
        of(user).trail.push_back("waveStop " + std::to_string(a) + std::to_string(b));
    };
    cb.forcingDraw = [](void *user) { of(user).trail.push_back("forcingDraw"); };
    cb.user = this;
    ghostSetCallbacks(&cb);
    ghostMenuWillOpen();
    EXPECT_EQ(trail, (Texts{"waveStop 00", "forcingDraw"}));
    // A context menu shows only context commands.
    const int codes[] = {1024, -1, 1032, 1005, 1023, 1033, 1025};
    ghostWindowPopupMenuCreate(win, 7, codes);
    EXPECT_EQ(hlCalls().back(), "popupMenu 1024 -1 1032 1025");
}

// A host without its own setting reads LANGUAGE, LC_ALL, LC_MESSAGES, LANG in
// turn; how a spelling names its language is the string table's to prove, and
// the host's setting and the override the start-up's.
TEST_F(Ghost, LanguageFromTheEnvironmentInItsOrderAndAnOverrideOfTwoLetters) {
    struct Case {
        const char *language, *lcAll, *lcMessages, *lang;
        const char *want;
    };
    const Case cases[] = {
        {"ja:en", "de_DE.UTF-8", "fr_FR", "it_IT", "ja"},
        {":sv:en", nullptr, nullptr, nullptr, "sv"},
        {nullptr, "de_DE.UTF-8", "fr_FR", "it_IT", "de"},
        {"", "", "fr_FR.UTF-8", "it_IT", "fr"},
        {nullptr, nullptr, nullptr, "it_IT.UTF-8", "it"},
        {nullptr, "C", nullptr, "es_ES", "es"},  // "C" names no language: look further
        {nullptr, nullptr, nullptr, nullptr, ""},
    };
    for (const Case &c : cases) {
        ScopedEnv language("LANGUAGE", c.language), lcAll("LC_ALL", c.lcAll);
        ScopedEnv lcMessages("LC_MESSAGES", c.lcMessages), lang("LANG", c.lang);
        char buf[16];
        ghostLanguageFromEnvironment(buf, sizeof buf);
        EXPECT_STREQ(buf, c.want);
    }
    osSetISO("english");
    EXPECT_STREQ(osGetISO(), "en");
}

TEST(GhostClock, ZeroBeforeInitThenTheHostClock) {
    hlInstall();
    hlSetClock(1234567);
    EXPECT_EQ(ghostGetTime(), 0);
    ASSERT_EQ(ghostInit(), 0);
    EXPECT_EQ(ghostGetTime(), 1234567);
    ghostTerm();
    EXPECT_EQ(ghostGetTime(), 0);
    ghostHostInstall(nullptr);
    EXPECT_EQ(ghostInit(), -1);  // no host, nothing to start
}

// --- Events ---------------------------------------------------------------------

TEST_F(Ghost, KeysTranslateByTable) {
    struct Case {
        uint32_t keysym;
        const char *text;
        uint16_t code;  // 0: no event
        char key;
        uint32_t qual;
    };
    const Case cases[] = {
        {'a', "a", 97, 'a', 0}, {'z', "z", 122, 'z', 0}, {'A', "A", 97, 'A', 0},
        {'0', "0", 48, '0', 0}, {'9', "9", 57, '9', 0},
        {KS_KP_0, "0", 150, '0', 0}, {KS_KP_9, "9", 159, '9', 0},
        {0xff95 /* KP_Home: keypad 7, Num Lock off */, "", 157, 0, 0}, {0xff9e /* KP_Insert */, "", 150, 0, 0},
        {KS_KP_DECIMAL, ".", 199, '.', 0}, {KS_KP_MULTIPLY, "*", 160, '*', 0}, {KS_KP_ADD, "+", 164, '+', 0},
        {KS_KP_DIVIDE, "/", 161, '/', 0}, {KS_KP_ENTER, "\r", 163, '\r', 0}, {KS_KP_SUBTRACT, "-", 162, '-', 0},
        {KS_F1, "", 300, 0, 0}, {KS_F12, "", 311, 0, 0},
        {KS_BACKSPACE, "\b", 223, '\b', 0}, {KS_TAB, "\t", 219, '\t', 0}, {KS_LEFT_TAB, "", 219, 0, 0},
        {KS_RETURN, "\r", 220, '\r', 0}, {KS_ESCAPE, "\x1b", 218, 0x1b, 0}, {' ', " ", 221, ' ', 0},
        {KS_DELETE, "", 224, 0, 0}, {KS_HOME, "", 167, 0, 0}, {KS_END, "", 170, 0, 0},
        {KS_PAGE_UP, "", 168, 0, 0}, {KS_PAGE_DOWN, "", 169, 0, 0}, {KS_LEFT, "", 137, 0, 0},
        {KS_DOWN, "", 138, 0, 0}, {KS_RIGHT, "", 139, 0, 0}, {KS_UP, "", 140, 0, 0},
        {'\'', "'", 228, '\'', 0}, {',', ",", 227, ',', 0}, {'-', "-", 230, '-', 0}, {'.', ".", 226, '.', 0},
        {'/', "/", 232, '/', 0}, {';', ";", 225, ';', 0}, {'=', "=", 234, '=', 0}, {'[', "[", 235, '[', 0},
        {'\\', "\\", 233, '\\', 0}, {']', "]", 236, ']', 0}, {'`', "`", 229, '`', 0},
        {'"', "\"", 255, '"', 0}, {'~', "~", 255, '~', 0}, {'_', "_", 255, '_', 0}, {'|', "|", 255, '|', 0},
        {'?', "?", 171, '?', 0}, {'#', "#", 171, '#', 0}, {0xE9, "\xC3\xA9", 171, char(0xE9), 0},
        {0x6c1 /* Cyrillic a */, "\xD0\xB0", 171, 0, 0},
        {KS_NUM_LOCK, "", 171, 0, 0}, {KS_AUDIO_RAISE, "", 171, 0, 0}, {KS_KP_EQUAL, "=", 171, '=', 0},
        {KS_JIS_UNDERSCORE, "_", 173, '_', 0},
        {KS_SHIFT_L, "", 217, 0, QUAL_SHIFT}, {KS_SHIFT_R, "", 216, 0, QUAL_SHIFT},
        {KS_SUPER_L, "", 212, 0, QUAL_CONTROL}, {KS_SUPER_R, "", 215, 0, QUAL_CONTROL},
        {KS_ALT_L, "", 213, 0, QUAL_OPTION}, {KS_ALT_R, "", 214, 0, QUAL_OPTION},
        {KS_ALTGR, "", 214, 0, QUAL_OPTION},
        {KS_CONTROL_L, "", 172, 0, QUAL_COMMAND}, {KS_CONTROL_R, "", 172, 0, QUAL_COMMAND},
        {0xffe5 /* Caps_Lock */, "", 0, 0, 0}, {0xfe51 /* dead_acute */, "", 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "keysym 0x" << std::hex << c.keysym);
        hlPostKey(win, c.keysym, c.text, true);
        pump();
        EXPECT_EQ(seen, (c.code ? Seen{{c.code, 1, c.key, ""}} : Seen{}));
        if (c.code == 0) continue;
        EXPECT_EQ(ghostGetKeyQual(win), c.qual);
        hlPostKey(win, c.keysym, c.text, false);
        ASSERT_EQ(pump(), Codes{c.code});
        EXPECT_EQ(seen[0].value, 0);
        EXPECT_EQ(ghostGetKeyQual(win), 0u);
    }
}

TEST_F(Ghost, CtrlQGivesNoKeyEventResyncPassesOnlyWhatChangedDeactivationReleasesAll) {
    hlPostKey(win, KS_CONTROL_L, "", true);
    hlPostKey(win, 'q', "\x11", true);
    hlPostKey(win, 's', "\x13", true);
    EXPECT_EQ(pump(), (Codes{172, 115}));
    EXPECT_EQ(ghostGetKeyQual(win), QUAL_COMMAND);
    hlPostKey(win, KS_CONTROL_L, "", false);
    hlPostKey(win, 'q', "q", true);
    hlPostKey(win, KS_SHIFT_R, "", true);
    EXPECT_EQ(pump(), (Codes{172, 113, 216}));

    seen.clear();
    ghostModifiersResync(win, QUAL_COMMAND | QUAL_SHIFT);
    EXPECT_EQ(seen, (Seen{{172, 1, 0, ""}}));
    seen.clear();
    ghostModifiersResync(win, QUAL_OPTION);
    EXPECT_EQ(seen, (Seen{{217, 0, 0, ""}, {213, 1, 0, ""}, {172, 0, 0, ""}}));
    EXPECT_EQ(ghostGetKeyQual(win), QUAL_OPTION);

    // Deactivation releases every modifier first.
    hlPostKey(win, KS_SHIFT_L, "", true);
    hlPostKey(win, KS_CONTROL_L, "", true);
    hlPostMouse(win, OSEV_MOUSE_MOVE, 0, 30, 40);
    hlPostMouse(win, OSEV_MOUSE_MOVE, 0, 35, 38);
    pump();
    EXPECT_EQ((std::array<int, 3>{win->prevMouseX, win->mouseDeltaX, win->mouseDeltaY}), (std::array<int, 3>{30, 5, -2}));
    hlPostSimple(win, OSEV_DEACTIVATED);
    EXPECT_EQ(pump(), (Codes{212, 215, 217, 216, 213, 214, 172, 25}));
    for (const sSeenEvent &e : seen) EXPECT_EQ(e.value, 0);
    EXPECT_EQ(ghostGetKeyQual(win), 0u);
    int x, y;
    ghostGetMousePos(&x, &y, win);
    EXPECT_EQ((std::array<int, 3>{x, y, win->active}), (std::array<int, 3>{0, 0, 0}));

    // While inactive, plain moves are not passed on; drag positions are,
    // as the low 16 bits of a client position that may be negative.
    hlPostMouse(win, OSEV_MOUSE_MOVE, 0, 5, 5);
    hlPostMouse(win, OSEV_DRAG_POSITION, 0, -5, 7);
    EXPECT_EQ(pump(), (Codes{4, 5}));
    EXPECT_EQ(seen[0].value, 65531);
    EXPECT_EQ(win->mouseX, -5);

    hlPostSimple(win, OSEV_ACTIVATED);
    pump();
    EXPECT_EQ(seen, (Seen{{25, 1, 0, ""}}));
    EXPECT_EQ(win->active, 1);
}

TEST_F(Ghost, MouseButtonsAndWheelByTable) {
    struct Case {
        int number, button, x, y;
        Codes codes;
        int32_t lastValue;
        uint32_t buttonsAfter;
    };
    const Case cases[] = {
        {OSEV_BUTTON_DOWN, OS_BUTTON_LEFT, 10, 20, {4, 5, 1}, 1, BUT_LEFT},
        {OSEV_BUTTON_DOWN, OS_BUTTON_RIGHT, 11, 21, {4, 5, 3}, 1, BUT_LEFT | BUT_RIGHT},
        {OSEV_BUTTON_DOWN, OS_BUTTON_MIDDLE, 12, 22, {4, 5, 2}, 1, BUT_LEFT | BUT_RIGHT | BUT_MIDDLE},
        {OSEV_BUTTON_UP, OS_BUTTON_RIGHT, 12, 22, {4, 5, 3}, 0, BUT_LEFT | BUT_MIDDLE},
        {OSEV_BUTTON_UP, OS_BUTTON_MIDDLE, 12, 22, {4, 5, 2}, 0, BUT_LEFT},
        // Off the screen to the left: no position, only the button.
        {OSEV_BUTTON_UP, OS_BUTTON_LEFT, -500, 22, {1}, 0, 0},
        {OSEV_DOUBLE_CLICK, OS_BUTTON_LEFT, 1, 1, {1}, 2, 0},
        {OSEV_DOUBLE_CLICK, OS_BUTTON_RIGHT, 1, 1, {3}, 2, 0},
        {OSEV_WHEEL, 0, 0, 1, {6}, 1, 0},
        {OSEV_WHEEL, 0, 0, -3, {7}, 1, 0},
        {OSEV_WHEEL, 0, 0, 0, {7}, 1, 0},
        {OSEV_BUTTON_DOWN, 7 /* a side button */, 1, 1, {}, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "event " << c.number << " button " << c.button);
        hlPostMouse(win, c.number, c.button, c.x, c.y);
        EXPECT_EQ(pump(), c.codes);
        EXPECT_EQ(seen.empty() ? 0 : seen.back().value, c.lastValue);
        EXPECT_EQ(ghostGetMouseBut(win), c.buttonsAfter);
    }
}

TEST_F(Ghost, RedrawIsPassedOnceResizesUpdateTheSizeAndNotificationsGoByNumber) {
    hlPostSimple(win, OSEV_NEEDS_REDRAW);
    hlPostSimple(win, OSEV_NEEDS_REDRAW);
    EXPECT_EQ(pump(), (Codes{18}));
    ghostGraphicsFinish(win);
    hlPostSimple(win, OSEV_NEEDS_REDRAW);
    EXPECT_EQ(pump(), (Codes{18}));
    // A resize updates the size; empty areas are dropped.
    hlSetWindowGeometry(win, 100, 50, 640, 480);
    EXPECT_EQ(pump(), (Codes{19}));
    int w, h;
    ghostWindowGetSize(&w, &h, win);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(640, 480));
    // After the window moves, screen positions convert against its new place.
    hlSetWindowGeometry(win, 400, 300, 640, 480, true);
    EXPECT_EQ(pump(), (Codes{24}));
    sOsEvent ev{};
    ev.number = OSEV_MOUSE_MOVE, ev.osWindow = win->osWindow, ev.x = 410, ev.y = 333;
    ghostPostEvent(&ev);
    pump();
    EXPECT_EQ((std::array<int, 2>{seen[0].value, seen[1].value}), (std::array<int, 2>{10, 33}));
    hlSetWindowGeometry(win, 100, 50, 0, 480);
    EXPECT_EQ(pump(), Codes{});
    hlSetWindowGeometry(win, 100, 50, 640, 0, true);
    EXPECT_EQ(pump(), Codes{});

    // Notifications and commands by their platform event number.
    struct Case {
        int number;
        int amount;
        Codes codes;
        int32_t value;
    };
    const Case cases[] = {
        {OSEV_CLOSE_BOX, 0, {23}, 1},   {OSEV_MENU_FIRST, 0, {1000}, 1}, {OSEV_MENU_LAST, 0, {1032}, 1},
        {30, 0, {1007}, 1},            {OSEV_STORAGE_DIALOG_CLOSED, 1, {2000}, 1},
        {OSEV_STORAGE_DIALOG_CLOSED, 0, {2000}, 0},
        {56, 0, {}, 0},                 {68, 0, {}, 0}, {0, 0, {}, 0}, {-3, 0, {}, 0}, {6, 0, {}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "platform event " << c.number);
        sOsEvent ev{};
        ev.number = c.number, ev.osWindow = win->osWindow, ev.amount = c.amount;
        ghostPostEvent(&ev);
        EXPECT_EQ(pump(), c.codes);
        EXPECT_EQ(seen.empty() ? 0 : seen[0].value, c.value);
    }
    // Pressed twice before anyone reads: two records.
    hlPostSimple(win, OSEV_CLOSE_BOX);
    hlPostSimple(win, OSEV_CLOSE_BOX);
    EXPECT_EQ(pump(), (Codes{23, 23}));
}

TEST_F(Ghost, EventsOfADisposedWindowAreDroppedAndAWindowWithoutAHandlerStillFollows) {
    _sWindow *other = ghostWindowCreate(L"Kit", 0, 0, 64, 64, 0, 0, 0, 0, 0, 1, 0, 0, 2, 0);
    ASSERT_NE(other, nullptr);
    int calls = 0;
    ghostWindowSetHandler([](_sWindow *, void *u, uint16_t, int32_t, char, const char *) { ++*static_cast<int *>(u); },
                          &calls, other);
    hlPostSimple(other, OSEV_CLOSE_BOX);
    hlPostSimple(win, OSEV_CLOSE_BOX);
    ghostWindowDispose(other);
    EXPECT_EQ(pump(), (Codes{23}));
    EXPECT_EQ(calls, 0);
    // An event naming a host window nobody created is ignored too.
    sOsEvent ev{};
    ev.number = OSEV_CLOSE_BOX;
    ev.osWindow = &ev;
    ghostPostEvent(&ev);
    EXPECT_EQ(pump(), Codes{});
    // Nobody reads the window's events, but its state follows them.
    ghostWindowSetHandler(nullptr, nullptr, win);
    hlPostKey(win, KS_ALT_L, "", true);
    hlPostMouse(win, OSEV_BUTTON_DOWN, OS_BUTTON_LEFT, 3, 4);
    ghostEventsProcess(0);
    EXPECT_EQ(ghostGetKeyQual(win), QUAL_OPTION);
    EXPECT_EQ(ghostGetMouseBut(win), BUT_LEFT);
    EXPECT_EQ(win->mouseX, 3);
}

TEST_F(Ghost, ViewCommandsToggleFlagsAndCheckMarks) {
    ASSERT_EQ(G.viewFlag, 5u);
    ghostMenuSyncViewChecks();
    struct Step {
        int code;
        uint32_t flags;
        std::array<bool, 4> checked;  // 1008 by number, 1009 by name, 1010 categories, 1011 auto play
    };
    const Step steps[] = {
        {1009, 0x6, {false, true, true, false}},  // by number -> alphabetically
        {1009, 0x5, {true, false, true, false}},  // and back
        {1008, 0x6, {false, true, true, false}},  // 1008 toggles as well
        {1008, 0x5, {true, false, true, false}},
        {1010, 0x1, {true, false, false, false}},
        {1011, 0x9, {true, false, false, true}},
        {1010, 0xD, {true, false, true, true}},
        {1011, 0x5, {true, false, true, false}},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << "command " << s.code);
        hlPostMenu(win, s.code);
        EXPECT_EQ(pump(), (Codes{uint16_t(s.code)}));
        EXPECT_EQ(G.viewFlag, s.flags);
        for (int i = 0; i < 4; i++) EXPECT_EQ(hlMenuChecked(1008 + i), s.checked[i]) << 1008 + i;
    }
}

TEST_F(Ghost, DraggedPathsLiveFromEnterUntilLeaveOpenedOnesArePassedOn) {
    hlPostPaths(win, OSEV_DRAG_ENTER, {"/media/u/KVB-RT/kick one.wav", "/home/u/snare.aif"});
    hlPostSimple(win, OSEV_DRAG_OVER);
    hlPostSimple(win, OSEV_DROP);
    EXPECT_EQ(pump(), (Codes{26, 27, 29}));
    ASSERT_EQ(ghostDragCount(), 2);
    EXPECT_STREQ(ghostDragCount(0), "/media/u/KVB-RT/kick one.wav");
    EXPECT_STREQ(ghostDragCount(1), "/home/u/snare.aif");
    EXPECT_EQ(ghostDragCount(2), nullptr);

    // A new drag replaces the list.
    hlPostPaths(win, OSEV_DRAG_ENTER, {"/tmp/x.wav"});
    pump();
    ASSERT_EQ(ghostDragCount(), 1);
    hlPostSimple(win, OSEV_DRAG_LEAVE);
    EXPECT_EQ(pump(), (Codes{28}));
    EXPECT_EQ(ghostDragCount(), 0);
    // Documents opened from outside give one event per path, in order.
    hlPostPaths(win, OSEV_OPEN_DOCUMENTS, {"/a/1.wav", "/a/2 two.wav"});
    pump();
    EXPECT_EQ(seen, (Seen{{30, 1, 0, "/a/1.wav"}, {30, 1, 0, "/a/2 two.wav"}}));
}

// --- The event queue, against a plain reference model ---------------------------
struct sModelRec {
    uint16_t code;
    intptr_t value;  // full width: notifications carry pointers
    char key;
    std::string text;
};

struct QueueGuard {
    _sEvQueue *q = evQInit();
    ~QueueGuard() { evQTerm(q); }
};

// Blocks the queue owns beyond itself: one per record with a text.
long textsHeld(const std::deque<sModelRec> &model) {
    long n = 0;
    for (const sModelRec &r : model) n += r.text.empty() ? 0 : 1;
    return n;
}

// Keys outside printable ASCII read as zero.
char expectedKey(char key) { return (key >= 0x20 && key <= 0x7E) ? key : 0; }

TEST(EvQueue, RandomSequencesMatchReferenceModel) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 6; round++) {
        long base = memGetBlockCount();
        QueueGuard g;
        ASSERT_NE(g.q, nullptr);
        std::deque<sModelRec> model;
        bool reachedFull = false;
        // Some rounds fill the queue to the brim: a newcomer is dropped, its
        // text never copied, and the rest kept in order.
        bool fill = round % 2 == 1;
        int steps = fill ? 30000 : 4000;
        for (int step = 0; step < steps; step++) {
            int op = static_cast<int>(rng() % 100);
            int enterShare = fill ? 80 : 55;
            if (op < enterShare) {
                sModelRec r{static_cast<uint16_t>(rng() % 40), static_cast<intptr_t>((uint64_t(rng()) << 32) | rng()),
                            static_cast<char>(rng() % 256), ""};
                if (rng() % 3 == 0) r.text = "path/" + std::to_string(rng() % 1000);
                // No text is entered as null or as "", at random: both mean none.
                const char *text = r.text.empty() && rng() % 2 ? nullptr : r.text.c_str();
                int got = evQenterExt(r.code, r.value, r.key, text, g.q);
                bool accepted = r.code != 0 && model.size() < kEvQueueCapacity;
                ASSERT_EQ(got, accepted ? 0 : -1) << "step " << step;
                if (accepted) model.push_back(r);
                if (r.code != 0 && !accepted) reachedFull = true;
            } else if (op < 95) {
                intptr_t value = -1;
                char key = 'x';
                char text[64] = "junk";
                bool withText = rng() % 2;
                uint16_t code = evQread(&value, &key, withText ? text : nullptr, sizeof text, g.q);
                // An empty queue leaves what the caller passed untouched.
                sModelRec want = model.empty() ? sModelRec{0, -1, 'x', ""} : model.front();
                ASSERT_EQ(std::make_tuple(code, value, key),
                          std::make_tuple(want.code, want.value, expectedKey(want.key)));
                if (model.empty()) continue;
                model.pop_front();
                if (withText) {
                    ASSERT_EQ(std::string(text), want.text);
                }
            } else if (op < 99) {
                ASSERT_EQ(evQtest(g.q), model.empty() ? 0 : model.front().code);
            } else if (!fill && rng() % 8 == 0) {
                evQDelete(g.q);
                model.clear();
            }
            ASSERT_EQ(evQcount(g.q), model.size());
            // Owned texts are released as records go: nothing more, nothing less is held.
            ASSERT_EQ(memGetBlockCount(), base + 1 + textsHeld(model)) << "step " << step;
        }
        EXPECT_TRUE(reachedFull || !fill) << "round " << round;
    }
}

TEST(EvQueue, TextIsCopiedCutOnACharacterBoundaryAndNotEnteredWithoutMemory) {
    QueueGuard g;
    char source[] = "/media/u/caf\xC3\xA9.wav";
    ASSERT_EQ(evQenterExt(30, 1, 0, source, g.q), 0);
    source[0] = 'X';  // the queue holds its own copy
    char small[14];
    ASSERT_EQ(evQread(nullptr, nullptr, small, sizeof small, g.q), 30);
    EXPECT_STREQ(small, "/media/u/caf");  // the two-byte "é" did not fit whole

    // A text copy that cannot be made enters nothing.
    memTestFailNth(1, false);
    EXPECT_EQ(evQenterExt(30, 1, 0, "/a.wav", g.q), -1);
    memTestFailNth(0, false);
    EXPECT_EQ(evQcount(g.q), 0u);
}

// --- Volumes from mountinfo text, labels from their device links ----------------
const char kMountinfo[] =
    "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
    "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "60 26 8:17 / /media/u/KVB\\040RT\\040card rw,nosuid shared:40 master:2 - vfat /dev/sdb1 rw,uid=1000\n"
    "61 26 8:33 / /media/u/tab\\011name rw - exfat /dev/sdc1 rw\n"
    "62 26 0:50 / /tmp/card rw - tmpfs tmpfs rw\n"
    "63 26 0:51 / /home/u/overlaid rw - overlay overlay rw\n"
    "64 26 0:52 / /mnt/remote rw - fuse.sshfs host:/ rw\n"
    "65 26 8:49 / /mnt/back\\134slash rw - ext4 /dev/sdd1 rw\n"
    "66 26 0:53 / /run/user/1000 rw - tmpfs tmpfs rw\n"
    "67 26 8:51 / /run/media/u/STICK rw - vfat /dev/sde1 rw\n"
    "68 26 8:17 /sub /mnt/again rw - vfat /dev/sdb1 rw\n"
    "69 26 8:65 / /mnt/hidden rw - ext4 /dev/sdf1 rw\n"
    "70 69 0:60 / /mnt/hidden rw - proc proc rw\n"
    "71 26 8:81 / /mnt/cover rw - ext4 /dev/sdg1 rw\n"
    "72 71 8:82 / /mnt/cover rw - vfat /dev/sdh1 rw\n"
    "garbage\n"
    "\n"
    "80 26 8:1 / /mnt/nodash rw\n"
    "81 26 x:y / /mnt/badnumbers rw - ext4 /dev/sdz rw\n"
    "82 26 8:2 / relative rw - ext4 /dev/sdy rw\n"
    "83 26 8:3 / /mnt/zero\\000byte rw - ext4 /dev/sdx rw";

const char kFilesystems[] =
    "nodev\tsysfs\nnodev\ttmpfs\nnodev\tproc\n\text4\n\tvfat\n\texfat\nnodev\tfuse\nnodev\toverlay\n\tfuseblk\n";

TEST(Mountinfo, MountinfoGivesRealFileSystemsWithDecodedFoldersAndLabels) {
    std::vector<sMntLabel> labels = {{8, 17, "KVB-RT"}, {8, 33, "My Disk"}, {8, 99, "Unused"}};
    std::vector<std::string> got;  // name|folder|file system
    for (const sOsVolume &x : mntInfoParse(kMountinfo, kFilesystems, labels))
        got.push_back(std::string(x.name) + "|" + x.path + "|" + x.fsType);
    EXPECT_EQ(got, (Texts{
                       "/|/|ext4",
                       "KVB-RT|/media/u/KVB RT card/|vfat",
                       "My Disk|/media/u/tab\tname/|exfat",
                       "card|/tmp/card/|tmpfs",
                       "back\\slash|/mnt/back\\slash/|ext4",
                       "STICK|/run/media/u/STICK/|vfat",
                       "KVB-RT|/mnt/again/|vfat",
                       "cover|/mnt/cover/|vfat",  // the later mount hides the earlier
                   }));
    // Without the file system list the known pseudo ones are left out.
    std::vector<std::string> paths;
    for (const sOsVolume &x : mntInfoParse(kMountinfo, "", {})) paths.push_back(x.path);
    for (const char *gone : {"/proc/", "/home/u/overlaid/", "/mnt/remote/", "/mnt/hidden/"})
        EXPECT_EQ(std::count(paths.begin(), paths.end(), gone), 0) << gone;
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "/tmp/card/"), 1);

    // Escapes, of mount folders and of labels, alone.
    struct Case {
        const char *in, *out;
    };
    const Case mount[] = {{"a\\040b", "a b"}, {"\\134", "\\"},     {"x\\012y", "x\ny"}, {"end\\04", "end\\04"},
                          {"\\999", "\\999"}, {"\\400", "\\400"}, {"plain", "plain"}};
    for (const Case &c : mount) EXPECT_EQ(mntUnescape(c.in), c.out) << c.in;
    const Case label[] = {{"My\\x20Disk", "My Disk"}, {"KVB\\x2dRT", "KVB-RT"}, {"\\xe3\\x81\\x82", "\xe3\x81\x82"},
                          {"bad\\xZZ", "bad\\xZZ"},  {"short\\x4", "short\\x4"}, {"\\x", "\\x"}};
    for (const Case &c : label) EXPECT_EQ(mntLabelDecode(c.in), c.out) << c.in;
}

TEST(Mountinfo, LabelsAreReadFromBlockDeviceLinks) {
    if (!testIsRoot()) GTEST_SKIP() << "making block device nodes needs root";
    ScratchDir dir;
    std::string node = dir / "sdx1";
    if (mknod(node.c_str(), S_IFBLK | 0600, makedev(8, 17)) != 0)
        GTEST_SKIP() << "mknod refused here: " << std::strerror(errno);
    std::string byLabel = dir / "by-label";
    ASSERT_EQ(mkdir(byLabel.c_str(), 0700), 0);
    ASSERT_EQ(symlink("../sdx1", (byLabel + "/KVB\\x20RT").c_str()), 0);
    ASSERT_EQ(symlink("../missing", (byLabel + "/Dangling").c_str()), 0);
    ASSERT_TRUE(testWriteFile(byLabel + "/notadevice", "x"));
    std::vector<sMntLabel> labels = mntReadLabels(byLabel.c_str());
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(std::make_tuple(labels[0].label, labels[0].major, labels[0].minor), std::make_tuple("KVB RT", 8u, 17u));
    EXPECT_TRUE(mntReadLabels((dir / "none").c_str()).empty());
}

}  // namespace
