// The desktop host: start-up, the loop's poll, windows, drawing, input,
// menus and cursors. See qthost.h.
#include "platform/qt/qthost.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QDesktopServices>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QOpenGLContext>
#include <QPixmap>
#include <QScreen>
#include <QSocketNotifier>
#include <QSurfaceFormat>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <unistd.h>
#include <vector>

#include "platform/qt/qtprivate.h"
#include "platform/sound/sound.h"

namespace {

// The longest a poll sleeps when nothing happens.
constexpr int kIdleWaitMs = 10;
// Wheel units of one notch.
constexpr int kWheelNotch = 120;
// How long a finished progress window stays up with a full bar.
constexpr int kProgressHoldMs = 300;

struct sQt {
    int *argc = nullptr;
    char **argv = nullptr;
    QApplication *app = nullptr;
    QOpenGLContext *context = nullptr;  // the one context every window draws with
    sQtWin *mainWin = nullptr;
    sQtWin *active = nullptr;           // the window that has the keyboard
    std::map<int, QAction *> actions;   // menu command code -> item
    std::map<int, bool> enabled, checked;  // states set before the menu bar exists
    std::vector<QCursor *> cursors;
    QTimer *idle = nullptr;             // ends a poll's sleep
    QSocketNotifier *wakeNotifier = nullptr;
    int wakePipe[2] = {-1, -1};         // written by ghostWake and the signal handler
    bool pumping = false;
};

sQt &qt() {
    static sQt s;
    return s;
}

// --- Signals and waking ---------------------------------------------------------

void onSignal(int) { ghostQuitRequest(); }

void hWake(void) {
    // write() is safe in a signal handler and from any thread; a full pipe
    // already holds a wake-up.
    int fd = qt().wakePipe[1];
    if (fd >= 0) {
        char c = 1;
        ssize_t r = write(fd, &c, 1);
        (void)r;
    }
}

void drainWake() {
    char buf[64];
    while (read(qt().wakePipe[0], buf, sizeof buf) > 0) {
    }
    // The system asked to quit: a modal box or menu would keep the program
    // inside it, so it is answered as if dismissed.
    if (ghostQuitRequested()) qtCloseModals();
}

// --- Keys -------------------------------------------------------------------------

// The keysym of a key event: the X keysym xcb reports, else (events made by
// the program or a test) one derived from Qt's key.
uint32_t keysymOf(const QKeyEvent *k) {
    if (k->nativeVirtualKey()) return k->nativeVirtualKey();
    int key = k->key();
    bool pad = k->modifiers() & Qt::KeypadModifier;
    if (pad && key >= Qt::Key_0 && key <= Qt::Key_9) return KS_KP_0 + (key - Qt::Key_0);
    if (pad) {
        switch (key) {
        case Qt::Key_Asterisk: return KS_KP_MULTIPLY;
        case Qt::Key_Plus: return KS_KP_ADD;
        case Qt::Key_Minus: return KS_KP_SUBTRACT;
        case Qt::Key_Slash: return KS_KP_DIVIDE;
        case Qt::Key_Period: return KS_KP_DECIMAL;
        case Qt::Key_Enter: return KS_KP_ENTER;
        default: break;
        }
    }
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) return static_cast<uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return KS_F1 + (key - Qt::Key_F1);
    static const std::map<int, uint32_t> kTable = {
        {Qt::Key_Backspace, KS_BACKSPACE}, {Qt::Key_Tab, KS_TAB}, {Qt::Key_Backtab, KS_LEFT_TAB},
        {Qt::Key_Return, KS_RETURN}, {Qt::Key_Enter, KS_KP_ENTER}, {Qt::Key_Escape, KS_ESCAPE},
        {Qt::Key_Delete, KS_DELETE}, {Qt::Key_Home, KS_HOME}, {Qt::Key_End, KS_END},
        {Qt::Key_PageUp, KS_PAGE_UP}, {Qt::Key_PageDown, KS_PAGE_DOWN}, {Qt::Key_Left, KS_LEFT},
        {Qt::Key_Right, KS_RIGHT}, {Qt::Key_Up, KS_UP}, {Qt::Key_Down, KS_DOWN},
        {Qt::Key_Shift, KS_SHIFT_L}, {Qt::Key_Control, KS_CONTROL_L}, {Qt::Key_Alt, KS_ALT_L},
        {Qt::Key_Meta, KS_SUPER_L}, {Qt::Key_AltGr, KS_ALTGR}, {Qt::Key_NumLock, KS_NUM_LOCK},
        {Qt::Key_VolumeDown, KS_AUDIO_LOWER}, {Qt::Key_VolumeMute, KS_AUDIO_MUTE},
        {Qt::Key_VolumeUp, KS_AUDIO_RAISE},
    };
    auto it = kTable.find(key);
    return it == kTable.end() ? 0 : it->second;
}

uint32_t qualOf(Qt::KeyboardModifiers m) {
    uint32_t q = 0;
    if (m & Qt::ShiftModifier) q |= QUAL_SHIFT;
    if (m & Qt::ControlModifier) q |= QUAL_COMMAND;
    if (m & Qt::AltModifier) q |= QUAL_OPTION;
    if (m & Qt::MetaModifier) q |= QUAL_CONTROL;
    return q;
}

int buttonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return OS_BUTTON_LEFT;
    case Qt::RightButton: return OS_BUTTON_RIGHT;
    case Qt::MiddleButton: return OS_BUTTON_MIDDLE;
    default: return -1;
    }
}

// --- Drag and drop --------------------------------------------------------------

// Local files of a drag, as file-system bytes; empty when it carries none.
std::vector<QByteArray> dragPaths(const QMimeData *mime) {
    std::vector<QByteArray> out;
    if (!mime || !mime->hasUrls()) return out;
    for (const QUrl &u : mime->urls())
        if (u.isLocalFile()) out.push_back(QFile::encodeName(u.toLocalFile()));
    return out;
}

void postDragPosition(sQtWin *w, QPoint global) {
    sOsEvent ev{};
    ev.number = OSEV_DRAG_POSITION;
    ev.x = global.x();
    ev.y = global.y();
    qtPost(w, ev);
}

// One handler for the drag events of both window kinds; `global` is the
// pointer's screen position. Returns whether the event was taken.
bool dragEvent(sQtWin *w, QEvent *e, QPoint global) {
    switch (e->type()) {
    case QEvent::DragEnter: {
        auto *d = static_cast<QDragEnterEvent *>(e);
        std::vector<QByteArray> paths = dragPaths(d->mimeData());
        if (paths.empty()) return false;
        std::vector<const char *> ptrs;
        for (const QByteArray &p : paths) ptrs.push_back(p.constData());
        sOsEvent ev{};
        ev.number = OSEV_DRAG_ENTER;
        ev.paths = ptrs.data();
        ev.pathCount = static_cast<int>(ptrs.size());
        qtPost(w, ev);
        // The position travels with the drag, so a drop lands where it is shown.
        postDragPosition(w, global);
        d->acceptProposedAction();
        return true;
    }
    case QEvent::DragMove:
        postDragPosition(w, global);
        qtPostSimple(w, OSEV_DRAG_OVER);
        static_cast<QDragMoveEvent *>(e)->acceptProposedAction();
        return true;
    case QEvent::DragLeave: qtPostSimple(w, OSEV_DRAG_LEAVE); return true;
    case QEvent::Drop:
        postDragPosition(w, global);
        qtPostSimple(w, OSEV_DROP);
        static_cast<QDropEvent *>(e)->acceptProposedAction();
        return true;
    default: return false;
    }
}

// --- Focus ------------------------------------------------------------------------

sQtWin *ownerOf(QWindow *w) {
    if (auto *gl = dynamic_cast<KvbGlWindow *>(w)) return gl->owner;
    sQtWin *m = qt().mainWin;
    if (m && w && m->main && w == m->main->windowHandle()) return m;
    return nullptr;
}

void focusChanged(QWindow *now) {
    sQtWin *to = ownerOf(now);
    sQt &s = qt();
    if (to == s.active) return;
    if (s.active) qtPostSimple(s.active, OSEV_DEACTIVATED);
    if (s.active && s.active->gl->flags().testFlag(Qt::Popup)) qtPostSimple(s.active, OSEV_CLOSE_BOX);
    s.active = to;
    if (to) qtPostSimple(to, OSEV_ACTIVATED);
}

void applicationActivated(Qt::ApplicationState state) {
    sQt &s = qt();
    if (state != Qt::ApplicationActive || !s.active) return;
    // Modifiers pressed or released while another program had the keyboard.
    ghostModifiersResync(ghostWindowFromOs(s.active), qualOf(QGuiApplication::queryKeyboardModifiers()));
}

// --- Menus ------------------------------------------------------------------------

struct sMenuItem {
    int code;      // command code; 0 separator, -1 the pad submenu's start, -2 its end
    int title;     // string number
    const char *shortcut;
    bool checkable;
};

struct sMenu {
    int title;
    std::vector<sMenuItem> items;
};

// The menu bar. Exit ends File and About sits in Help, where Linux programs keep them.
const std::vector<sMenu> &menuLayout() {
    static const std::vector<sMenu> kMenus = {
        {5, {{1002, 7, "Ctrl+I", false}, {1003, 8, "Ctrl+E", false}, {0, 0, nullptr, false},
             {1004, 9, "Ctrl+S", false}, {1005, 10, "Ctrl+L", false}, {0, 0, nullptr, false},
             {1006, 11, "Ctrl+Q", false}}},
        {12, {{1008, 13, nullptr, true}, {1009, 14, nullptr, true}, {1010, 15, nullptr, true},
              {1011, 16, nullptr, true}}},
        {17, {{-1, 18, nullptr, false}, {1014, 19, "Ctrl+D", false}, {1015, 20, "Ctrl+R", false},
              {-2, 0, nullptr, false}, {1016, 21, "Ctrl+G", false}, {1017, 22, "Ctrl+B", false},
              {1018, 23, "Ctrl+K", false}, {0, 0, nullptr, false}, {1019, 24, nullptr, false}}},
        {25, {{1022, 28, nullptr, false}, {0, 0, nullptr, false}, {1021, 27, nullptr, false}}},
    };
    return kMenus;
}

QString text(int id) { return QString::fromWCharArray(ghostText(id)); }

void postMenu(int code) {
    sQtWin *w = qt().mainWin;
    if (!w) return;
    sOsEvent ev{};
    ev.number = code - int(WEV_MENU_FIRST) + OSEV_MENU_FIRST;
    qtPost(w, ev);
}

void buildMenuBar(KvbMainWindow *main) {
    sQt &s = qt();
    QMenuBar *bar = main->menuBar();
    for (const sMenu &m : menuLayout()) {
        QMenu *menu = bar->addMenu(text(m.title));
        // A menu about to open stops the preview and redraws; nothing more
        // may run inside Qt's dispatch.
        QObject::connect(menu, &QMenu::aboutToShow, [] { ghostMenuWillOpen(); });
        QMenu *into = menu;
        for (const sMenuItem &item : m.items) {
            if (item.code == 0) {
                into->addSeparator();
                continue;
            }
            if (item.code == -1) {
                into = menu->addMenu(text(item.title));
                continue;
            }
            if (item.code == -2) {
                into = menu;
                continue;
            }
            QAction *a = into->addAction(text(item.title));
            if (item.shortcut) {
                a->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
                // The keyboard may be in a secondary window or the drawing area.
                a->setShortcutContext(Qt::ApplicationShortcut);
            }
            a->setCheckable(item.checkable);
            int code = item.code;
            QObject::connect(a, &QAction::triggered, [code] { postMenu(code); });
            s.actions[code] = a;
            if (s.enabled.count(code)) a->setEnabled(s.enabled[code]);
            if (s.checked.count(code)) a->setChecked(s.checked[code]);
        }
    }
}

// --- Host functions ---------------------------------------------------------------

int hInit(void) {
    sQt &s = qt();
    if (s.app) return 0;
    const char *display = getenv("DISPLAY");
    if (!display || !*display) return -1;
    // Windows are placed where the program says, which only X allows; the
    // screens are drawn pixel for pixel.
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapInterval(0);
    format.setAlphaBufferSize(8);
    QSurfaceFormat::setDefaultFormat(format);
    s.app = new QApplication(*s.argc, s.argv);
    s.app->setQuitOnLastWindowClosed(false);
    s.context = new QOpenGLContext();
    s.context->setFormat(format);
    if (!s.context->create()) {
        delete s.context;
        s.context = nullptr;
    }
    if (pipe2(s.wakePipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        s.wakeNotifier = new QSocketNotifier(s.wakePipe[0], QSocketNotifier::Read);
        QObject::connect(s.wakeNotifier, &QSocketNotifier::activated, [] { drainWake(); });
    }
    s.idle = new QTimer();
    s.idle->setSingleShot(true);
    s.idle->setTimerType(Qt::PreciseTimer);
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, [](QWindow *w) { focusChanged(w); });
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged,
                     [](Qt::ApplicationState st) { applicationActivated(st); });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
    return 0;
}

void hTerm(void) {
    sQt &s = qt();
    if (!s.app) return;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) signal(sig, SIG_DFL);
    qtStorageDialogTerm();
    for (QCursor *c : s.cursors) delete c;
    s.cursors.clear();
    s.actions.clear();
    s.enabled.clear();
    s.checked.clear();
    delete s.idle;
    delete s.wakeNotifier;
    for (int &fd : s.wakePipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    delete s.context;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete s.app;
    int *argc = s.argc;
    char **argv = s.argv;
    s = sQt{};
    s.argc = argc;
    s.argv = argv;
}

void hPump(void) {
    sQt &s = qt();
    if (!s.app || s.pumping) return;
    s.pumping = true;
    // Objects whose deletion Qt deferred go now: nothing else ever runs Qt's
    // own loop, which is where that would happen.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
    if (!ghostEventsPending() && !ghostQuitRequested()) {
        s.idle->start(kIdleWaitMs);
        flags |= QEventLoop::WaitForMoreEvents;
    }
    QCoreApplication::processEvents(flags);
    s.pumping = false;
}

int64_t hTime(void) { return QDateTime::currentMSecsSinceEpoch(); }

void hDisplaySize(int *w, int *h) {
    for (QScreen *sc : QGuiApplication::screens()) {
        *w = std::max(*w, sc->geometry().width());
        *h = std::max(*h, sc->geometry().height());
    }
}

int hExecute(const char *path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path))) ? 0 : -1;
}

int hLanguage(char *buf, size_t cap) {
    QStringList langs = QLocale::system().uiLanguages();
    QByteArray first = langs.isEmpty() ? QByteArray() : langs.first().toUtf8();
    if (first.isEmpty() || static_cast<size_t>(first.size()) >= cap) return 0;
    std::memcpy(buf, first.constData(), first.size() + 1);
    return static_cast<int>(first.size());
}

int hEject(const char *root) {
    char why[256];
    int r = qtEject(root, why, sizeof why);
    if (r < 0) fprintf(stderr, "kvb-rt-wave-manager: %s: %s\n", root, why);
    return r;
}

// Keeps a window of `w` x `h` at (x, y) on a screen: a position stored on a
// screen that is gone, or now smaller, would put it out of reach.
QPoint clampToScreens(int x, int y, int w, int h) {
    QScreen *screen = QGuiApplication::screenAt(QPoint(x, y));
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return QPoint(x, y);
    QRect area = screen->availableGeometry();
    x = std::max(area.left(), std::min(x, area.right() + 1 - w));
    y = std::max(area.top(), std::min(y, area.bottom() + 1 - h));
    return QPoint(x, y);
}

void *hWindowCreate(_sWindow *window, const sOsWindowSpec *spec) {
    (void)window;
    sQt &s = qt();
    if (!s.app) return nullptr;
    auto *w = new sQtWin{};
    w->enabled = true;
    w->gl = new KvbGlWindow(w);
    w->gl->setTitle(QString::fromWCharArray(spec->title));
    QSize size(spec->width, spec->height);
    if (spec->icon == 1 && !s.mainWin) {
        w->main = new KvbMainWindow(w);
        w->main->setWindowTitle(QString::fromWCharArray(spec->title));
        QWidget *area = QWidget::createWindowContainer(w->gl, w->main);
        area->setFixedSize(size);
        area->setFocusPolicy(Qt::StrongFocus);
        w->main->setCentralWidget(area);
        buildMenuBar(w->main);
        w->main->adjustSize();
        if (spec->minWidth == spec->maxWidth && spec->minHeight == spec->maxHeight)
            w->main->setFixedSize(w->main->sizeHint());
        w->main->move(clampToScreens(spec->x, spec->y, w->main->width(), w->main->height()));
        w->main->winId();  // a native frame now, so the surface below exists
        s.mainWin = w;
    } else {
        w->gl->resize(size);
        if (spec->minWidth > 0) w->gl->setMinimumSize(QSize(spec->minWidth, spec->minHeight));
        if (spec->maxWidth > 0) w->gl->setMaximumSize(QSize(spec->maxWidth, spec->maxHeight));
        if (spec->flag == 1) w->gl->setFlags(Qt::Popup);
        w->gl->setPosition(clampToScreens(spec->x, spec->y, spec->width, spec->height));
        // Secondary windows stay above the main window and leave with it.
        if (s.mainWin && s.mainWin->main) w->gl->setTransientParent(s.mainWin->main->windowHandle());
    }
    w->gl->create();
    return w;
}

sQtWin *win(void *osWindow) { return static_cast<sQtWin *>(osWindow); }

void hWindowDispose(void *osWindow) {
    sQt &s = qt();
    sQtWin *w = win(osWindow);
    if (s.active == w) s.active = nullptr;
    if (s.mainWin == w) s.mainWin = nullptr;
    if (s.context && QOpenGLContext::currentContext() == s.context) s.context->doneCurrent();
    // Events already queued for the window must find no owner.
    w->gl->owner = nullptr;
    w->gl->hide();
    if (w->main) {
        w->main->owner = nullptr;
        w->main->hide();
        s.actions.clear();
        w->main->deleteLater();  // the surface goes with its container
    } else {
        w->gl->deleteLater();
    }
    delete w;
}

void hWindowShow(void *osWindow, int on) {
    sQtWin *w = win(osWindow);
    if (w->main) {
        w->main->setVisible(on != 0);
        if (on) w->main->raise();
    } else {
        w->gl->setVisible(on != 0);
        if (on) w->gl->raise();
    }
}

void hWindowEnable(void *osWindow, int on) {
    sQtWin *w = win(osWindow);
    w->enabled = on != 0;
    if (w->main) w->main->centralWidget()->setEnabled(on != 0);
}

void hWindowActivate(void *osWindow) {
    sQtWin *w = win(osWindow);
    if (w->main) {
        w->main->raise();
        w->main->activateWindow();
    } else {
        w->gl->raise();
    }
    w->gl->requestActivate();
}

int hWindowGeometry(void *osWindow, sOsRect *frame, sOsRect *client) {
    sQtWin *w = win(osWindow);
    QRect f = w->main ? w->main->frameGeometry() : w->gl->frameGeometry();
    QPoint origin = w->gl->mapToGlobal(QPoint(0, 0));
    *frame = sOsRect{f.x(), f.y(), f.width(), f.height()};
    *client = sOsRect{origin.x(), origin.y(), w->gl->width(), w->gl->height()};
    return 0;
}

int hFrameWidth(void *osWindow) {
    sQtWin *w = win(osWindow);
    QWindow *top = w->main ? w->main->windowHandle() : w->gl;
    if (!top) return 0;
    return top->frameMargins().left();
}

int hMakeCurrent(void *osWindow) {
    sQt &s = qt();
    sQtWin *w = win(osWindow);
    if (!s.context || !w->gl->handle()) return -1;
    return s.context->makeCurrent(w->gl) ? 0 : -1;
}

void hSwapRect(void *, int, int, int, int) {}

void hPresent(void *osWindow) {
    sQt &s = qt();
    sQtWin *w = win(osWindow);
    // Swapping a window that is not on the screen blocks on some drivers and
    // shows nothing anyway.
    if (!s.context || !w->gl->isExposed()) return;
    if (QOpenGLContext::currentContext() != s.context || s.context->surface() != w->gl) {
        if (!s.context->makeCurrent(w->gl)) return;
    }
    s.context->swapBuffers(w->gl);
}

void hMenuEnable(int code, int on) {
    sQt &s = qt();
    s.enabled[code] = on != 0;
    auto it = s.actions.find(code);
    if (it != s.actions.end()) it->second->setEnabled(on != 0);
}

void hMenuCheck(int code, int on) {
    sQt &s = qt();
    s.checked[code] = on != 0;
    auto it = s.actions.find(code);
    if (it != s.actions.end()) it->second->setChecked(on != 0);
}

void hPopupMenu(void *osWindow, int count, const int *codes) {
    sQtWin *w = win(osWindow);
    QMenu menu;
    for (int i = 0; i < count; i++) {
        if (codes[i] == -1) {
            menu.addSeparator();
            continue;
        }
        int number = codes[i] - int(WEV_MENU_FIRST) + OSEV_MENU_FIRST;
        QObject::connect(menu.addAction(text(codes[i] - 994)), &QAction::triggered, [w, number] {
            sOsEvent ev{};
            ev.number = number;
            qtPost(w, ev);
        });
    }
    menu.exec(QCursor::pos());
}

void hCursorSet(void *osWindow, int) { win(osWindow)->gl->unsetCursor(); }

void *hCursorCreate(void *, const uint8_t *rgba, int w, int h, int hotX, int hotY) {
    if (w <= 0 || h <= 0) return nullptr;
    QImage image(rgba, w, h, w * 4, QImage::Format_RGBA8888);
    auto *c = new QCursor(QPixmap::fromImage(image.copy()), hotX, hotY);
    qt().cursors.push_back(c);
    return c;
}

void hCursorSetCustom(void *osWindow, void *cursor) {
    if (cursor) win(osWindow)->gl->setCursor(*static_cast<QCursor *>(cursor));
}

sOsHost makeHost() {
    sOsHost h{};
    h.name = "desktop";
    h.init = hInit;
    h.term = hTerm;
    h.pump = hPump;
    h.timeMs = hTime;
    h.displaySize = hDisplaySize;
    h.execute = hExecute;
    h.language = hLanguage;
    h.eject = hEject;
    h.volumeScan = qtVolumeScan;
    h.volumeGet = qtVolumeGet;
    h.windowCreate = hWindowCreate;
    h.windowDispose = hWindowDispose;
    h.windowShow = hWindowShow;
    h.windowEnable = hWindowEnable;
    h.windowActivate = hWindowActivate;
    h.windowGeometry = hWindowGeometry;
    h.windowFrameWidth = hFrameWidth;
    h.makeCurrent = hMakeCurrent;
    h.swapRect = hSwapRect;
    h.present = hPresent;
    h.menuEnable = hMenuEnable;
    h.menuCheck = hMenuCheck;
    h.popupMenu = hPopupMenu;
    h.fileDialog = qtFileDialog;
    h.dirDialog = qtDirDialog;
    h.messageBox = qtMessageBox;
    h.storageDialogShow = qtStorageDialogShow;
    h.cursorSet = hCursorSet;
    h.cursorCreate = hCursorCreate;
    h.cursorSetCustom = hCursorSetCustom;
    h.sound = soundOutputTable();
    h.progressHoldMs = kProgressHoldMs;
    h.progressView = nullptr;
    h.wake = hWake;
    return h;
}

const sOsHost kHost = makeHost();

}  // namespace

// --- Windows ----------------------------------------------------------------------

KvbGlWindow::KvbGlWindow(sQtWin *o) : owner(o) { setSurfaceType(QWindow::OpenGLSurface); }

void KvbGlWindow::exposeEvent(QExposeEvent *) {
    if (owner && isExposed()) qtPostSimple(owner, OSEV_NEEDS_REDRAW);
}

bool KvbGlWindow::event(QEvent *e) {
    sQtWin *w = owner;
    if (!w) return QWindow::event(e);
    bool input = w->enabled;
    switch (e->type()) {
    case QEvent::MouseMove: {
        if (!input) return true;
        auto *m = static_cast<QMouseEvent *>(e);
        sOsEvent ev{};
        ev.number = OSEV_MOUSE_MOVE;
        ev.x = static_cast<int>(m->globalPosition().x());
        ev.y = static_cast<int>(m->globalPosition().y());
        qtPost(w, ev);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        if (!input) return true;
        auto *m = static_cast<QMouseEvent *>(e);
        // A pop-up list closes when the user clicks anywhere outside it.
        if (e->type() == QEvent::MouseButtonPress && flags().testFlag(Qt::Popup) &&
            !QRect(QPoint(0, 0), size()).contains(m->position().toPoint())) {
            qtPostSimple(w, OSEV_CLOSE_BOX);
            return true;
        }
        int button = buttonOf(m->button());
        if (button < 0) return true;
        sOsEvent ev{};
        ev.button = button;
        ev.x = static_cast<int>(m->globalPosition().x());
        ev.y = static_cast<int>(m->globalPosition().y());
        // Qt gives the second press of a double click as the double click
        // alone; the press comes first so the button state stays right.
        ev.number = e->type() == QEvent::MouseButtonRelease ? OSEV_BUTTON_UP : OSEV_BUTTON_DOWN;
        qtPost(w, ev);
        if (e->type() == QEvent::MouseButtonDblClick) {
            ev.number = OSEV_DOUBLE_CLICK;
            qtPost(w, ev);
        }
        return true;
    }
    case QEvent::Wheel: {
        if (!input) return true;
        // Only the vertical axis scrolls, in whole notches: a touchpad's small
        // steps add up, a sideways scroll does nothing.
        w->wheelRest += static_cast<QWheelEvent *>(e)->angleDelta().y();
        while (w->wheelRest >= kWheelNotch || w->wheelRest <= -kWheelNotch) {
            int dir = w->wheelRest > 0 ? 1 : -1;
            w->wheelRest -= dir * kWheelNotch;
            sOsEvent ev{};
            ev.number = OSEV_WHEEL;
            ev.amount = dir;
            qtPost(w, ev);
        }
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        if (!input) return true;
        auto *k = static_cast<QKeyEvent *>(e);
        sOsEvent ev{};
        ev.number = e->type() == QEvent::KeyPress ? OSEV_KEY_DOWN : OSEV_KEY_UP;
        ev.keysym = keysymOf(k);
        QByteArray t = k->text().toUtf8();
        std::snprintf(ev.text, sizeof ev.text, "%s", t.size() < int(sizeof ev.text) ? t.constData() : "");
        if (ev.keysym) qtPost(w, ev);
        return true;
    }
    case QEvent::InputMethodQuery: {
        // The window takes text from input methods (Japanese names).
        auto *q = static_cast<QInputMethodQueryEvent *>(e);
        q->setValue(Qt::ImEnabled, true);
        q->setValue(Qt::ImHints, int(Qt::ImhNone));
        q->setValue(Qt::ImCursorRectangle, QRect(0, 0, 1, 16));
        q->accept();
        return true;
    }
    case QEvent::InputMethod: {
        auto *im = static_cast<QInputMethodEvent *>(e);
        QByteArray t = im->commitString().toUtf8();
        if (input && !t.isEmpty()) {
            const char *one[1] = {t.constData()};
            sOsEvent ev{};
            ev.number = OSEV_TEXT_INPUT;
            ev.paths = one;
            ev.pathCount = 1;
            qtPost(w, ev);
        }
        im->accept();
        return true;
    }
    case QEvent::Resize: qtPostSimple(w, OSEV_RESIZED); break;
    case QEvent::Move: qtPostSimple(w, OSEV_MOVED); break;
    case QEvent::Close:
        // The close button is the program's to answer.
        e->ignore();
        qtPostSimple(w, OSEV_CLOSE_BOX);
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop: {
        QPoint global = e->type() == QEvent::DragLeave
                            ? QCursor::pos()
                            : mapToGlobal(static_cast<QDropEvent *>(e)->position().toPoint());
        if (input && dragEvent(w, e, global)) return true;
        break;
    }
    default: break;
    }
    return QWindow::event(e);
}

KvbMainWindow::KvbMainWindow(sQtWin *o) : owner(o) { setAcceptDrops(true); }

void KvbMainWindow::closeEvent(QCloseEvent *e) {
    e->ignore();
    if (owner) qtPostSimple(owner, OSEV_CLOSE_BOX);
}

void KvbMainWindow::moveEvent(QMoveEvent *e) {
    QMainWindow::moveEvent(e);
    if (owner) qtPostSimple(owner, OSEV_MOVED);
}

namespace {
// Drags over the main window arrive here (the drawing area is a native child
// that Qt does not hand them to); positions are taken on the screen.
void mainDrag(KvbMainWindow *m, QEvent *e) {
    if (!m->owner || !m->owner->enabled) return;
    QPoint global = e->type() == QEvent::DragLeave
                        ? QCursor::pos()
                        : m->mapToGlobal(static_cast<QDropEvent *>(e)->position().toPoint());
    dragEvent(m->owner, e, global);
}
}  // namespace

void KvbMainWindow::dragEnterEvent(QDragEnterEvent *e) { mainDrag(this, e); }
void KvbMainWindow::dragMoveEvent(QDragMoveEvent *e) { mainDrag(this, e); }
void KvbMainWindow::dragLeaveEvent(QDragLeaveEvent *e) { mainDrag(this, e); }
void KvbMainWindow::dropEvent(QDropEvent *e) { mainDrag(this, e); }

// --- Shared -----------------------------------------------------------------------

void qtPost(sQtWin *w, sOsEvent &ev) {
    if (!w) return;
    ev.osWindow = w;
    ghostPostEvent(&ev);
}

void qtPostSimple(sQtWin *w, int number) {
    sOsEvent ev{};
    ev.number = number;
    qtPost(w, ev);
}

QWidget *qtMainWidget() { return qt().mainWin ? qt().mainWin->main : nullptr; }

// --- Installing -------------------------------------------------------------------

void qtInstall(int *argc, char **argv) {
    qt().argc = argc;
    qt().argv = argv;
    ghostHostInstall(&kHost);
}

const sOsHost *qtHost(void) { return &kHost; }
