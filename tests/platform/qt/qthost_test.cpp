// The desktop host under Xvfb: message boxes and dialogs answered through the
// test hook, menu states, drags, the wheel, cursors, typed and composed text,
// the close button; the real program started, cancelled and ended by SIGTERM;
// ejecting against a stand-in UDisks2 on a private bus.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <deque>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "foundation/global.h"
#include "platform/qt/qthost.h"
#include "platform/qt/qtprivate.h"
#include "platform/seen_event.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

using Seen = sSeenEvent;
using Texts = std::vector<std::string>;
std::vector<Seen> gSeen;
void handler(_sWindow *, void *, uint16_t code, int32_t value, char key, const char *text) {
    gSeen.push_back({code, value, key, text ? text : ""});
}

// Dialog answers for the hook, and what it was shown.
std::deque<std::string> gAnswers;
std::vector<sQtDialogSeen> gShown;
int answer(void *, const sQtDialogSeen *seen, char *paths, size_t cap) {
    gShown.push_back(*seen);
    std::string a = gAnswers.empty() ? "" : gAnswers.front();
    if (!gAnswers.empty()) gAnswers.pop_front();
    if (seen->kind == QT_DIALOG_MESSAGE) return std::stoi(a.empty() ? "-1" : a);
    std::snprintf(paths, cap, "%s", a.c_str());
    return 0;
}

int gArgc = 1;
char gArg0[] = "test_platform_qt";
char *gArgv[] = {gArg0, nullptr};

class QtHost : public testing::Test {
protected:
    static void SetUpTestSuite() {
        rkeGlobalInit();
        qtInstall(&gArgc, gArgv);
        sGhostCallbacks cb{};
        // Menu titles are "T" and the string number, so items can be found.
        cb.text = [](void *, int id) {
            static thread_local wchar_t buf[2][16];
            static thread_local int next;
            wchar_t *b = buf[next++ & 1];
            std::swprintf(b, 16, L"T%d", id);
            return static_cast<const wchar_t *>(b);
        };
        ghostSetCallbacks(&cb);
        ASSERT_EQ(ghostInit(), 0) << "no X display";
        // The storage dialog's list lives as long as the host; taken here, it
        // is outside every test's count of blocks.
        ghostStorageDialogRefresh();
    }
    static void TearDownTestSuite() {
        ghostTerm();
        ghostSetCallbacks(nullptr);
        ghostHostInstall(nullptr);
        rkeGlobalTerm();
    }
    void SetUp() override {
        main = ghostWindowCreate(L"Main", 40, 40, 800, 600, 800, 600, 800, 600, 0, 1, 0, 1, 1, 0);
        second = ghostWindowCreate(L"Second", 900, 40, 200, 100, 200, 100, 200, 100, 0, 1, 0, 0, 2, 0);
        ASSERT_TRUE(main && second);
        ghostWindowSetHandler(handler, nullptr, main);
        ghostWindowSetHandler(handler, nullptr, second);
        ghostWindowSetDraw(main, 1);
        ghostWindowSetDraw(second, 1);
        qtSetDialogHook(answer, nullptr);
        pump(20);
    }
    void TearDown() override {
        qtSetDialogHook(nullptr, nullptr);
        gAnswers.clear();
        gShown.clear();
        ghostWindowDispose(second);
        ghostWindowDispose(main);
        pump(3);
    }
    // Runs polls and returns what the windows received, leaving out what the
    // window system sends on its own (redraws, moves, activation).
    std::vector<Seen> pump(int passes = 3) {
        gSeen.clear();
        for (int i = 0; i < passes; i++) ghostEventsProcess(0);
        std::vector<Seen> out;
        for (const Seen &s : gSeen)
            if (s.code != WEV_REDRAW && s.code != WEV_MOVED && s.code != WEV_RESIZED && s.code != WEV_ACTIVATION)
                out.push_back(s);
        return out;
    }
    static sQtWin *qw(_sWindow *w) { return static_cast<sQtWin *>(w->osWindow); }
    QAction *action(const char *title) {
        for (QAction *a : qw(main)->main->menuBar()->findChildren<QAction *>())
            if (a->text() == QLatin1String(title)) return a;
        return nullptr;
    }
    _sWindow *main = nullptr;
    _sWindow *second = nullptr;
};

TEST_F(QtHost, MessageBoxesAnswerByKindAlsoFromAWorkerAndFileDialogsDeliverTheChoice) {
    struct {
        int kind;
        const char *press;  // index of the button pressed, -1 for Escape
        int result;
    } const cases[] = {
        {0, "0", 1}, {0, "-1", 1}, {1, "0", 2}, {1, "1", 3}, {1, "-1", 3},
        {2, "0", 2}, {2, "1", 4}, {2, "2", 3}, {2, "-1", 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + c.press);
        gAnswers = {c.press};
        EXPECT_EQ(ghostMBoxOpen(L"Title", L"カードを取り出しますか？", c.kind, main), c.result);
    }
    ASSERT_EQ(gShown.size(), std::size(cases));
    const sQtDialogSeen &three = gShown.back();
    EXPECT_EQ((Texts{three.title, three.text}), (Texts{"Title", "カードを取り出しますか？"}));
    EXPECT_EQ(Texts(three.buttons, three.buttons + std::min(three.buttonCount, 3)), (Texts{"YES", "CANCEL", "NO"}));

    // Asked from another thread: shown by the main thread while it polls.
    gAnswers = {"1"};
    std::atomic<int> result{-1};
    std::thread worker([&] { result = ghostMBoxOpen(L"T", L"From the worker", 1, nullptr); });
    for (int i = 0; i < 500 && result < 0; i++) ghostEventsProcess(0);
    worker.join();
    EXPECT_EQ(result, 3);

    // File and folder dialogs deliver what was chosen.
    gAnswers = {"/m/a.wav\n/m/b.aif\n/m/c.aiff"};
    char buf[64];
    gSeen.clear();
    EXPECT_EQ(ghostFileDlgOpen(buf, sizeof buf, nullptr, main), 0);
    EXPECT_STREQ(buf, "/m/a.wav");
    EXPECT_EQ(gSeen, (std::vector<Seen>{{30, 1, 0, "/m/a.wav"}, {30, 1, 0, "/m/b.aif"}, {30, 1, 0, "/m/c.aiff"}}));
    gAnswers = {""};
    EXPECT_EQ(ghostFileDlgOpen(buf, sizeof buf, nullptr, main), 0);
    EXPECT_STREQ(buf, "");

    gAnswers = {"/Users/a/b"};
    EXPECT_EQ(ghostDirDlgOpen(buf, sizeof buf, main, "/Users", 0, L"Pick"), 1);
    EXPECT_STREQ(buf, "/Users/a/b/");
    EXPECT_STREQ(gShown.back().title, "Pick");
    EXPECT_EQ(gShown.back().kind, QT_DIALOG_FOLDER);
    gAnswers = {""};  // cancelled
    EXPECT_EQ(ghostDirDlgOpen(buf, sizeof buf, main, "/Users", 0, L"Pick"), 0);
    EXPECT_STREQ(buf, "");
}

// A card put in or taken out while the storage dialog waits shows in its list
// at once: the dialog watches the mount table rather than polling it.
TEST_F(QtHost, StorageDialogFollowsCardsMountedWhileItWaits) {
    if (!testIsRoot()) GTEST_SKIP() << "mounting a card needs root";
    mkdir("/mnt", 0755);
    char mnt[] = "/mnt/kvbqt.XXXXXX";
    ASSERT_NE(mkdtemp(mnt), nullptr);
    const std::string name = std::strrchr(mnt, '/') + 1;
    auto listedAfterPolls = [&](bool want) {
        for (int i = 0; i < 100; i++) {
            bool listed = false;
            for (int n = 0; ghostStorageDialogName(n)[0]; n++) listed = listed || name == ghostStorageDialogName(n);
            if (listed == want) return true;
            pump(1);
            usleep(20000);
        }
        return false;
    };
    ASSERT_EQ(ghostDlgOpen(nullptr, 0, main), 0);
    EXPECT_TRUE(listedAfterPolls(false));
    bool mounted;
    {
        ScratchMount card(mnt, "tmpfs", "tmpfs", 0, "size=64k");
        mounted = card.ok();
        EXPECT_TRUE(!mounted || listedAfterPolls(true)) << "a card mounted meanwhile is not listed";
    }
    EXPECT_TRUE(listedAfterPolls(false)) << "a card taken out is still listed";
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QDialog *>(w) && w->isVisible()) w->close();  // as the close box does: Cancel
    pump();
    EXPECT_FALSE(ghostStorageDialogIsOpen());
    rmdir(mnt);
    if (!mounted) GTEST_SKIP() << "tmpfs mount refused here";
}

TEST_F(QtHost, MenuBarFollowsItemAndBarStatesAndSendsCommands) {
    QAction *exportItem = action("T8"), *kit = action("T23"), *byName = action("T14"), *quit = action("T11");
    ASSERT_TRUE(exportItem && kit && byName && quit);
    EXPECT_EQ(quit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    ghostWindowSetMenuOnOff(main, 1003, 1);
    ghostWindowSetMenuOnOff(main, 1018, 0);
    EXPECT_TRUE(exportItem->isEnabled());
    EXPECT_FALSE(kit->isEnabled());
    ghostWindowAllMenuOnOff(0);
    EXPECT_FALSE(exportItem->isEnabled());
    ghostWindowAllMenuOnOff(1);
    EXPECT_TRUE(exportItem->isEnabled());
    EXPECT_FALSE(kit->isEnabled());  // its own state came back

    // A command arrives as its code; the View order moves its check mark.
    G.viewFlag = VIEW_LIST_BY_NUMBER;
    byName->trigger();
    EXPECT_EQ(pump(), (std::vector<Seen>{{1009, 1, 0, ""}}));
    EXPECT_TRUE(byName->isChecked());
    EXPECT_FALSE(action("T13")->isChecked());
    // A context menu shows its items' titles; the one chosen arrives as its code.
    QTimer chooser;
    QObject::connect(&chooser, &QTimer::timeout, [] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction *a : menu->actions())
            if (a->text() == QLatin1String("T33")) a->trigger();
        menu->close();
    });
    chooser.start(20);
    const int codes[] = {1024, -1, 1027, 1002};  // 1002 is no context command
    ghostWindowPopupMenuCreate(main, 4, codes);
    EXPECT_EQ(pump(), (std::vector<Seen>{{1027, 1, 0, ""}}));
    // Exit ends File; About sits in Help.
    QList<QAction *> menus = qw(main)->main->menuBar()->actions();
    EXPECT_EQ(menus.first()->menu()->actions().last(), quit);
    EXPECT_EQ(menus.last()->menu()->actions().last(), action("T27"));
}

TEST_F(QtHost, DragsCarryFileBytesAndTheirPosition) {
    ScratchDir dir;
    std::string file = dir / "カード.wav";
    ASSERT_TRUE(testWriteFile(file, "RIFF"));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromUtf8(file.c_str()))});
    QMainWindow *frame = qw(main)->main;
    KvbGlWindow *area = qw(main)->gl;
    // Positions on the frame, expected in the drawing area's coordinates.
    auto client = [&](QPoint p) { return area->mapFromGlobal(frame->mapToGlobal(p)); };
    QPoint at(120, 200), to(300, 260);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &enter);
    QDragMoveEvent move(to, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &move);
    QDropEvent drop(QPointF(to), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &drop);
    EXPECT_TRUE(drop.isAccepted());
    std::vector<Seen> got = pump();
    QPoint a = client(at), b = client(to);
    EXPECT_EQ(got, (std::vector<Seen>{{26, 1, 0, ""}, {4, a.x(), 0, ""}, {5, a.y(), 0, ""},
                                      {4, b.x(), 0, ""}, {5, b.y(), 0, ""}, {27, 1, 0, ""},
                                      {4, b.x(), 0, ""}, {5, b.y(), 0, ""}, {29, 1, 0, ""}}));
    ASSERT_EQ(ghostDragCount(), 1);
    EXPECT_STREQ(ghostDragCount(0), file.c_str());

    // A secondary window takes drags on its own surface.
    QDragEnterEvent enter2(QPoint(10, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(qw(second)->gl, &enter2);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(qw(second)->gl, &leave);
    EXPECT_EQ(pump(), (std::vector<Seen>{{26, 1, 0, ""}, {4, 10, 0, ""}, {5, 20, 0, ""}, {28, 1, 0, ""}}));
    EXPECT_EQ(ghostDragCount(), 0);
}

TEST_F(QtHost, WheelGivesWholeVerticalNotchesKeysTextAndCloseButtonTheirEvents) {
    auto wheel = [&](int x, int y) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(x, y), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(qw(main)->gl, &e);
    };
    wheel(120, 0);  // sideways: nothing
    EXPECT_EQ(pump(), std::vector<Seen>{});
    for (int i = 0; i < 3; i++) wheel(0, 40);  // a touchpad's small steps make one notch
    EXPECT_EQ(pump(), (std::vector<Seen>{{6, 1, 0, ""}}));
    wheel(0, -260);
    EXPECT_EQ(pump(), (std::vector<Seen>{{7, 1, 0, ""}, {7, 1, 0, ""}}));
    wheel(0, -100);  // with the 20 left over, a third notch
    EXPECT_EQ(pump(), (std::vector<Seen>{{7, 1, 0, ""}}));

    // Keys, composed text and the close button.
    auto key = [&](QEvent::Type t, int k, Qt::KeyboardModifiers m, const QString &text) {
        QKeyEvent e(t, k, m, text);
        QCoreApplication::sendEvent(qw(main)->gl, &e);
    };
    key(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    key(QEvent::KeyPress, Qt::Key_5, Qt::KeypadModifier, QStringLiteral("5"));
    key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    EXPECT_EQ(pump(), (std::vector<Seen>{{97, 1, 'A', ""}, {155, 1, '5', ""}, {218, 1, 0x1b, ""}}));

    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(qw(main)->gl, &query);
    EXPECT_TRUE(query.value(Qt::ImEnabled).toBool());
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("カード"));
    QCoreApplication::sendEvent(qw(main)->gl, &composed);
    EXPECT_EQ(pump(), (std::vector<Seen>{{31, 1, 0, "カード"}}));

    QCloseEvent close;
    QCoreApplication::sendEvent(qw(main)->main, &close);
    EXPECT_FALSE(close.isAccepted());
    QCloseEvent closeSecond;
    QCoreApplication::sendEvent(qw(second)->gl, &closeSecond);
    EXPECT_EQ(pump(), (std::vector<Seen>{{23, 1, 0, ""}, {23, 1, 0, ""}}));
    EXPECT_TRUE(qw(main)->main->isVisible());
}

TEST_F(QtHost, CustomCursorKeepsItsPixelsAndHotSpot) {
    uint8_t rgba[4 * 4 * 4];
    for (int i = 0; i < 16; i++) std::memcpy(rgba + 4 * i, "\xff\x00\x00\xff", 4);
    void *cursor = ghostCursorCreateCustomShapeEx(main, rgba, 4, 4, 3, 3);
    ASSERT_NE(cursor, nullptr);
    ghostCursorSetCustomShapeEx(main, cursor);
    QCursor shown = qw(main)->gl->cursor();
    EXPECT_EQ(shown.shape(), Qt::BitmapCursor);
    EXPECT_EQ(shown.hotSpot(), QPoint(3, 3));
    EXPECT_EQ(shown.pixmap().toImage().pixelColor(0, 0), QColor(255, 0, 0));
    ghostCursorSetShape(main, 0);
    EXPECT_EQ(qw(main)->gl->cursor().shape(), Qt::ArrowCursor);
}

// --- Processes --------------------------------------------------------------------

// Waits until a window titled `title` is shown; returns its id ("" when none came).
std::string waitForWindow(const char *title) {
    std::string out;
    for (int i = 0; i < 100 && out.empty(); i++) {
        testRunProgramOutput({"xdotool", "search", "--onlyvisible", "--name", title}, &out);
        if (out.empty()) usleep(100000);
    }
    return out.substr(0, out.find('\n'));
}

// The program as built: it runs in place, with the build's string tables and pack.
const std::string kProgram = std::string(KVB_BUILD_ROOT) + "/bin/kvb-rt-wave-manager";

TEST(QtProgram, StorageDialogCancelEndsCleanlyAndSoDoesSigterm) {
    ScratchDir dir;
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().c_str());
    ScopedEnv lang("LANGUAGE", "en");
    // Cancel: the program ends without a question.
    int pid = testStartProgram({kProgram}, dir / "err");
    ASSERT_GT(pid, 0);
    std::string id = waitForWindow("Choose the Card");
    ASSERT_FALSE(id.empty()) << testReadFile(dir / "err");
    // The key may come before the dialog has the keyboard on a busy machine.
    int status = -1;
    for (int i = 0; i < 20 && status < 0; i++) {
        testRunProgram({"xdotool", "windowfocus", "--sync", id});
        testRunProgram({"xdotool", "key", "--window", id, "Escape"});
        status = testWaitProgram(pid, 1, false);
    }
    EXPECT_EQ(status < 0 ? testWaitProgram(pid, 0) : status, 0) << testReadFile(dir / "err");

    // SIGTERM while the dialog waits, and while the main window is open.
    std::string card = dir / "card";
    ASSERT_EQ(testRunProgram({std::string(KVB_BUILD_ROOT) + "/bin/kvbrt", "demo", card}), 0);
    for (std::vector<std::string> args : {std::vector<std::string>{kProgram}, {kProgram, card}}) {
        pid = testStartProgram(args, dir / "err");
        ASSERT_FALSE(waitForWindow(args.size() == 1 ? "Choose the Card" : "KVB-RT Wave Manager").empty());
        kill(pid, SIGTERM);
        EXPECT_EQ(testWaitProgram(pid, 10), 0) << testReadFile(dir / "err");
    }
}

// --- Eject ------------------------------------------------------------------------

TEST_F(QtHost, EjectAsksUDisks2AndTouchesOnlyRemovableDrives) {
    ScratchDir dir;
    std::string bus;
    ASSERT_EQ(testRunProgramOutput({"dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"}, &bus), 0);
    std::string address = bus.substr(0, bus.find('\n'));
    pid_t daemon = std::atoi(bus.substr(bus.find('\n') + 1).c_str());
    ASSERT_GT(daemon, 0);
    std::string log = dir / "calls";
    int fake = testStartProgram({"/usr/bin/python3", std::string(KVB_SOURCE_ROOT) + "/tests/platform/qt/fake_udisks2.py", address,
                        log, "/media/u/KVB-RT:removable:ok", "/media/u/BUSY:removable:busy",
                        "/media/u/STUCK:removable:stuck", "/:fixed:ok"},
                       dir / "fake.err");
    for (int i = 0; i < 100 && testReadFile(log).find("ready") == std::string::npos; i++) usleep(100000);
    ASSERT_NE(testReadFile(log).find("ready"), std::string::npos) << testReadFile(dir / "fake.err");
    ScopedEnv system("DBUS_SYSTEM_BUS_ADDRESS", address.c_str());

    struct {
        const char *root;
        int result;
        const char *calls;  // the calls the eject made after asking for the objects
    } const cases[] = {
        {"/media/u/KVB-RT/", 0, "Unmount sdb1\nEject drive0\n"},
        {"/media/u/BUSY", -1, "Unmount sdc1\n"},
        {"/media/u/STUCK/", -1, "Unmount sdd1\nEject drive2\n"},
        {"/", 1, ""},                      // a fixed disk is never ejected
        {dir.path().c_str(), 1, ""},        // a plain folder neither
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.root);
        testWriteFile(log, "");
        char why[256];
        EXPECT_EQ(qtEject(c.root, why, sizeof why), c.result) << why;
        EXPECT_EQ(testReadFile(log), std::string("GetManagedObjects\n") + c.calls);
    }
    kill(fake, SIGTERM);
    testWaitProgram(fake, 5);
    kill(daemon, SIGTERM);
}

}  // namespace
