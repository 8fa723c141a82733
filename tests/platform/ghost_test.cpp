// The platform services seen through the scripted host: dialogs, menus,
// volumes, language, clock and drawing.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <GL/gl.h>

#include "foundation/file.h"
#include "foundation/mem.h"
#include "host_fixture.h"
#include "support/test_util.h"

namespace {

class Ghost : public HostTest {};

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
        EXPECT_EQ(forcing, 0);
        EXPECT_EQ(trail, (std::vector<std::string>{"waveStop", "forcing+", "forcing-"}));
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

TEST_F(Ghost, FileDialogDeliversEveryChosenPathInOrderOrNothing) {
    hlPushFileDialogAnswer({"/home/u/drums/kick.wav", "/home/u/drums/snare 2.aif", "/home/u/drums/hat.aiff"});
    char buf[kRliPathMax];
    EXPECT_EQ(ghostFileDlgOpen(buf, sizeof buf, "wav;aif;aiff", win), 0);
    EXPECT_STREQ(buf, "/home/u/drums/kick.wav");
    // Starts in the stored folder; the window that asked takes input again.
    EXPECT_EQ(hlCalls().end()[-2], "fileDialog /home/u/Music");
    EXPECT_EQ(hlCalls().back(), "windowActivate");
    EXPECT_EQ(importFolder, "/home/u/drums");
    EXPECT_EQ(forcing, 0);
    // Delivered at once, ahead of the next poll.
    EXPECT_EQ(seen, (std::vector<sSeenEvent>{{30, 1, 0, "/home/u/drums/kick.wav"},
                                             {30, 1, 0, "/home/u/drums/snare 2.aif"},
                                             {30, 1, 0, "/home/u/drums/hat.aiff"}}));
    // Cancelled: an empty buffer, the stored folder kept.
    seen.clear();
    hlPushFileDialogAnswer({});
    EXPECT_EQ(ghostFileDlgOpen(buf, sizeof buf, nullptr, win), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(importFolder, "/home/u/drums");
    EXPECT_TRUE(seen.empty());
}

TEST_F(Ghost, FolderDialogAnswersWithATrailingSlashOrNothing) {
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
    EXPECT_EQ(hlCalls().end()[-2], "dirDialog /Users Choose");
    EXPECT_EQ(hlCalls().back(), "windowActivate");
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
    EXPECT_EQ(seen, (std::vector<sSeenEvent>{{2000, 1, 0, ""}}));
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
    EXPECT_EQ(pump(), (std::vector<uint16_t>{2000, 2000}));
    EXPECT_EQ(seen.back().value, 1);
    EXPECT_STREQ(ghostDlgStorageRootPtr(), "/srv/card/");
    // Cancelled, the root stays what it was.
    hlClearVolumes();
    hlAddVolume("A", "/mnt/a", "vfat");
    hlAddVolume("B", "/mnt/b", "vfat");
    ASSERT_EQ(ghostDlgOpen(nullptr, 0, win), 0);
    EXPECT_EQ(ghostStorageDialogSelected(), 0);  // no "KVB-RT": the first
    hlSetStorageDialogAnswer(0, -1);
    pump();
    EXPECT_EQ(seen, (std::vector<sSeenEvent>{{2000, 0, 0, ""}}));
    EXPECT_STREQ(ghostDlgStorageRootPtr(), "/srv/card/");
    EXPECT_EQ(ghostDlgOpen(nullptr, 1, win), -1);  // only kind 0 exists
}

TEST_F(Ghost, MenuItemsWithOwnStateSurviveTheBarBeingSwitched) {
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
    EXPECT_TRUE(hlMenuEnabled(1000));  // no state of its own: on with the bar
    EXPECT_TRUE(hlMenuEnabled(1002));
    EXPECT_TRUE(hlMenuEnabled(1003));
    EXPECT_FALSE(hlMenuEnabled(1014));
    ghostWindowSetMenuOnOff(win, 999, 1);  // outside the menu: ignored
    ghostWindowSetMenuOnOff(win, 1033, 1);
    EXPECT_FALSE(ghostMenuIsEnabled(1033));
}

TEST_F(Ghost, OpeningAMenuStopsThePreviewThenRedrawsAndPopupsShowContextCommands) {
    sGhostCallbacks cb{};
    cb.waveStop = [](void *user, int a, int b) {
        of(user).trail.push_back("waveStop " + std::to_string(a) + std::to_string(b));
    };
    cb.forcingDraw = [](void *user) { of(user).trail.push_back("forcingDraw"); };
    cb.user = this;
    ghostSetCallbacks(&cb);
    ghostMenuWillOpen();
    EXPECT_EQ(trail, (std::vector<std::string>{"waveStop 00", "forcingDraw"}));
    // A context menu shows only context commands.
    const int codes[] = {1024, -1, 1032, 1005, 1023, 1033, 1025};
    ghostWindowPopupMenuCreate(win, 7, codes);
    EXPECT_EQ(hlCalls().back(), "popupMenu 1024 -1 1032 1025");
}

TEST_F(Ghost, LanguageFromHostOrOverride) {
    struct Case {
        const char *spelled;
        const char *iso;
    };
    const Case cases[] = {{"ja-JP", "ja"}, {"de_DE.UTF-8", "de"}, {"fr", "fr"}, {"", "en"},
                          {"C", "en"},     {"POSIX", "en"},      {"pt_BR@euro", "pt"}, {"1x", "en"}};
    for (const Case &c : cases) {
        hlSetLanguage(c.spelled);
        EXPECT_STREQ(osGetISO(), c.iso) << c.spelled;
    }
    osSetISO("english");
    EXPECT_STREQ(osGetISO(), "en");
    osSetISO(nullptr);
    hlSetLanguage("ja");
    EXPECT_STREQ(osGetISO(), "ja");
}

TEST(GhostLanguage, EnvironmentOrderIsLanguageLcAllLcMessagesLang) {
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

TEST_F(Ghost, VolumesComeFromTheScript) {
    hlAddVolume("KVB-RT", "/media/u/KVB-RT", "vfat");
    hlAddVolume("", "/mnt/x/", "ext4");
    ASSERT_EQ(osStorageRootCount(), 2);
    char buf[32];
    EXPECT_EQ(osStorageRootName(buf, sizeof buf, 0), 0);
    EXPECT_STREQ(buf, "KVB-RT");
    EXPECT_EQ(osStorageRootPath(buf, sizeof buf, 1), 0);
    EXPECT_STREQ(buf, "/mnt/x/");
    EXPECT_EQ(osStorageRootPath(buf, 5, 1), -1);  // does not fit: nothing half-written
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(osStorageRootName(buf, sizeof buf, 2), -1);
    EXPECT_EQ(ghostStorageEjectDrive("/media/u/KVB-RT/"), 0);
    EXPECT_EQ(hlCalls().back(), "eject /media/u/KVB-RT/");
}

TEST_F(Ghost, WindowCreationThatRunsOutOfMemoryLeavesNothing) {
    long before = memGetBlockCount();
    hlFailAllocation(1);
    EXPECT_EQ(ghostWindowCreate(L"X", 0, 0, 8, 8, 0, 0, 0, 0, 0, 1, 0, 0, 2, 0), nullptr);
    hlFailAllocation(2);  // the record is made, the host's window is not
    EXPECT_EQ(ghostWindowCreate(L"X", 0, 0, 8, 8, 0, 0, 0, 0, 0, 1, 0, 0, 2, 0), nullptr);
    hlFailAllocation(0);
    EXPECT_EQ(memGetBlockCount(), before);
}

TEST_F(Ghost, PbufferClearsToAColourAndReadsBack) {
    std::string why;
    if (!hlGlAvailable(&why)) GTEST_SKIP() << "no EGL device: " << why;
    ASSERT_EQ(ghostActivateWindowDrawingContext(win), 0);
    const char *version = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_NE(std::string(version).find("Compatibility"), std::string::npos) << version;
    glViewport(0, 0, 320, 240);
    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // Immediate mode works: the fixed-function drawing the screens rely on.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 320, 0, 240, -1, 1);
    glColor3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(10, 0);
    glVertex2f(10, 10);
    glVertex2f(0, 10);
    glEnd();
    ghostGraphicsFinish(win);
    uint8_t px[4 * 2];
    ASSERT_EQ(hlReadPixels(win, 200, 100, 1, 1, px), 0);
    EXPECT_EQ(px[0], 255);
    EXPECT_NEAR(px[1], 128, 1);
    EXPECT_EQ(px[2], 0);
    EXPECT_EQ(px[3], 255);
    ASSERT_EQ(hlReadPixels(win, 5, 5, 1, 1, px), 0);
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[2], 255);
}

}  // namespace
