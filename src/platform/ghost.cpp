// The platform layer's services: host forwarding, windows, menus, dialogs,
// volumes, language. See ghost.h.
#include "ghost.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>
#include <thread>
#include <sys/statvfs.h>
#include <unistd.h>

#include "foundation/global.h"
#include "foundation/list.h"
#include "foundation/mem.h"
#include "ghost_private.h"

namespace {

// A posted platform event waiting for ghostEventsProcess.
struct sPendingEvent {
    sPendingEvent *next;
    sPendingEvent *prev;
    sOsEvent ev;
    char **paths;  // owned copies ("charpp" / "strs"), or null
};

// Longest list the storage-select dialog shows.
constexpr int kStorageListMax = 64;

// The storage-select dialog's state.
struct sStorageDialog {
    bool open;
    void *ownerOs;               // the window that gets the dialog-closed event
    sOsVolume *list;             // named volumes ("StDlg"), or null
    int count;
    int selected;                // -1 when the list is empty
    char selectedPath[kRliPathMax];  // mount path of the last selection, for rebuilds
    char root[kRliPathMax];      // the chosen mount path, ending in "/"
    bool preset;                 // root named before opening: close at once with OK
};

const sOsHost *gHost = nullptr;
sGhostCallbacks gCb{};
bool gInited = false;
sListBase gWindows{};
sListBase gPending{};
sStorageDialog gDlg{};
std::atomic<int> gQuitRequest{0};

// Menu items: state per command code; the bar's on/off.
constexpr int kMenuCount = WEV_MENU_LAST - WEV_MENU_FIRST + 1;
constexpr int kMenuOwnState[] = {1002, 1003, 1014, 1015, 1016, 1017, 1018};
int gMenuState[kMenuCount];
bool gMenuStateReady = false;
bool gMenuBarOn = true;

char gIsoSet[3] = "";  // set by osSetISO; wins over the host
char gIsoCur[16] = "";

bool menuHasOwnState(int code) {
    for (int c : kMenuOwnState)
        if (c == code) return true;
    return false;
}

void menuReady() {
    if (gMenuStateReady) return;
    for (int i = 0; i < kMenuCount; i++) gMenuState[i] = menuHasOwnState(WEV_MENU_FIRST + i) ? 0 : 1;
    gMenuStateReady = true;
}

void dropPending(void *osWindow, bool all) {
    sPendingEvent *e = static_cast<sPendingEvent *>(gPending.first);
    while (e) {
        sPendingEvent *next = e->next;
        if (all || e->ev.osWindow == osWindow) {
            rliListRemLink(&gPending, e);
            ghostPathsFree(e->paths, e->ev.pathCount);
            memFree(e);
        }
        e = next;
    }
}

bool copyText(char *buf, size_t cap, const char *text) {
    if (!buf || cap == 0) return false;
    size_t n = std::strlen(text);
    if (n >= cap) {
        buf[0] = 0;
        return false;
    }
    std::memcpy(buf, text, n + 1);
    return true;
}

void forcing(int on) {
    if (gCb.forcingUpdate) gCb.forcingUpdate(gCb.user, on);
}

// Closes the storage-select dialog and posts its result to the owner.
void postClosed(int result) {
    gDlg.open = false;
    sOsEvent ev{};
    ev.number = OSEV_STORAGE_DIALOG_CLOSED;
    ev.osWindow = gDlg.ownerOs;
    ev.amount = result;
    ghostPostEvent(&ev);
}

// Rebuilds the storage-select list. `opening`: first showing of this dialog.
int storageRebuild(bool opening) {
    if (!gDlg.list) gDlg.list = static_cast<sOsVolume *>(memCalloc(sizeof(sOsVolume) * kStorageListMax, "StDlg"));
    gDlg.count = 0;
    gDlg.selected = -1;
    if (!gDlg.list) return 0;
    int n = osStorageRootCount();
    for (int i = 0; i < n && gDlg.count < kStorageListMax; i++) {
        sOsVolume v;
        if (osStorageRootInfo(i, &v) == 0 && v.name[0]) gDlg.list[gDlg.count++] = v;
    }
    if (gDlg.count == 0) return 0;
    gDlg.selected = 0;
    for (int i = 0; i < gDlg.count; i++) {
        // A name may be part of another ("KVB-RT", "KVB-RT 2"); a mount path is one place.
        bool hit = opening ? std::strcmp(gDlg.list[i].name, "KVB-RT") == 0
                           : std::strcmp(gDlg.list[i].path, gDlg.selectedPath) == 0;
        if (hit) {
            gDlg.selected = i;
            break;
        }
    }
    std::memcpy(gDlg.selectedPath, gDlg.list[gDlg.selected].path, sizeof gDlg.selectedPath);
    return gDlg.count;
}

}  // namespace

// --- Path lists -----------------------------------------------------------------

void ghostPathsFree(char **paths, int count) {
    if (!paths) return;
    for (int i = 0; i < count; i++)
        if (paths[i]) memFree(paths[i]);
    memFree(paths);
}

char **ghostPathsCopy(const char *const *paths, int count) {
    if (!paths || count <= 0) return nullptr;
    char **out = static_cast<char **>(memCalloc(sizeof(char *) * count, "charpp"));
    if (!out) return nullptr;
    for (int i = 0; i < count; i++) {
        const char *p = paths[i] ? paths[i] : "";
        size_t n = std::strlen(p);
        out[i] = static_cast<char *>(memMalloc(n + 1, "strs"));
        if (!out[i]) {
            ghostPathsFree(out, count);
            return nullptr;
        }
        std::memcpy(out[i], p, n + 1);
    }
    return out;
}

// --- Host -----------------------------------------------------------------------

void ghostHostInstall(const sOsHost *host) { gHost = host; }
const sOsHost *ghostHost(void) { return gHost; }

void ghostSetCallbacks(const sGhostCallbacks *callbacks) { gCb = callbacks ? *callbacks : sGhostCallbacks{}; }

// --- System and process ---------------------------------------------------------

int ghostInit(void) {
    if (!gHost) return -1;
    if (gHost->init && gHost->init() < 0) return -1;
    menuReady();
    ghostSetCurrentDir();
    if (gCb.systemStart) gCb.systemStart(gCb.user);
    ghostMenuSyncViewChecks();
    gInited = true;
    return 0;
}

void ghostTerm(void) {
    ghostDragRelease();
    dropPending(nullptr, true);
    while (gWindows.first) ghostWindowDispose(static_cast<_sWindow *>(gWindows.first));
    if (gDlg.list) memFree(gDlg.list);
    gDlg = sStorageDialog{};
    if (gInited && gHost && gHost->term) gHost->term();
    gInited = false;
    gQuitRequest.store(0, std::memory_order_relaxed);
}

int ghostPostEvent(const sOsEvent *event) {
    if (!event) return -1;
    sPendingEvent *e = static_cast<sPendingEvent *>(memCalloc(sizeof(sPendingEvent), "OSEv"));
    if (!e) return -1;
    e->ev = *event;
    if (event->paths && event->pathCount > 0) {
        e->paths = ghostPathsCopy(event->paths, event->pathCount);
        if (!e->paths) {
            memFree(e);
            return -1;
        }
        e->ev.paths = e->paths;
    } else {
        e->ev.paths = nullptr;
        e->ev.pathCount = 0;
    }
    rliListAddTail(&gPending, e);
    return 0;
}

int ghostEventsPending(void) { return gPending.first ? 1 : 0; }

void ghostWake(void) {
    if (gHost && gHost->wake) gHost->wake();
}

void ghostQuitRequest(void) {
    gQuitRequest.store(1, std::memory_order_relaxed);
    // Reached from a signal handler too: the host's wake must be safe there.
    ghostWake();
}

int ghostQuitRequested(void) { return gQuitRequest.load(std::memory_order_relaxed); }

const wchar_t *ghostText(int id) {
    const wchar_t *t = gCb.text ? gCb.text(gCb.user, id) : nullptr;
    return t ? t : L"";
}

void ghostEventsProcess(int wait) {
    (void)wait;
    // A poll pauses about a millisecond; without a host that does it, pause
    // here, or a loop waiting for a worker (the progress window) spins a core
    // the worker needs.
    if (gHost && gHost->pump) gHost->pump();
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Only what is queued now: events posted while these are handled wait for
    // the next pass, so a handler that posts cannot keep this call busy.
    sListBase batch = gPending;
    gPending = sListBase{};
    while (sPendingEvent *e = static_cast<sPendingEvent *>(batch.first)) {
        rliListRemLink(&batch, e);
        windowProc(&e->ev, nullptr);
        ghostPathsFree(e->paths, e->ev.pathCount);
        memFree(e);
    }
}

int64_t ghostGetTime(void) {
    if (!gInited) return 0;
    if (gHost && gHost->timeMs) return gHost->timeMs();
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void ghostDisplayGetSize(int *w, int *h) {
    int ww = 0, hh = 0;
    if (gHost && gHost->displaySize) gHost->displaySize(&ww, &hh);
    if (w) *w = ww;
    if (h) *h = hh;
}

int ghostGetAppFolder(char *buf, size_t cap) {
    if (!buf || cap == 0) return -1;
    buf[0] = 0;
    char exe[kRliPathMax];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return -1;
    exe[n] = 0;
    char *slash = std::strrchr(exe, '/');
    if (!slash) return -1;
    if (slash == exe) slash++;  // an executable in "/" keeps its folder "/"
    *slash = 0;
    return copyText(buf, cap, exe) ? 0 : -1;
}

int ghostGetDataPath(char *buf, size_t cap, const char *sub) {
    char app[kRliPathMax];
    if (ghostGetAppFolder(app, sizeof app) < 0) {
        if (buf && cap) buf[0] = 0;
        return -1;
    }
    std::string path = std::string(app) + "/../share/kvb-rt-wave-manager/" + (sub ? sub : "");
    return copyText(buf, cap, path.c_str()) ? 0 : -1;
}

int ghostSetCurrentDir(void) {
    char app[kRliPathMax];
    if (ghostGetAppFolder(app, sizeof app) < 0) return -1;
    wchar_t wide[kGlobalDirMax];
    if (utf8towchar(wide, kGlobalDirMax, app) < 0) return -1;
    std::memcpy(G.currentDir, wide, sizeof wide);
    return 0;
}

int ghostExecute(const char *path) {
    if (!path || !gHost || !gHost->execute) return -1;
    return gHost->execute(path);
}

int ghostStorageEjectDrive(const char *root) {
    if (!root || !gHost || !gHost->eject) return -1;
    return gHost->eject(root);
}

// --- Language -------------------------------------------------------------------

int ghostLanguageFromLocale(char *buf, size_t cap, const char *locale) {
    if (!buf || cap == 0) return 0;
    buf[0] = 0;
    if (!locale) return 0;
    // A list ("de:en") names its first non-empty entry.
    const char *p = locale;
    while (*p == ':') p++;
    size_t n = 0;
    while (p[n] && p[n] != ':' && p[n] != '_' && p[n] != '-' && p[n] != '.' && p[n] != '@') n++;
    std::string lang(p, n);
    if (lang.empty() || lang == "C" || lang == "POSIX" || n >= cap) return 0;
    for (char c : lang)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return 0;
    std::memcpy(buf, lang.data(), n);
    buf[n] = 0;
    return static_cast<int>(n);
}

int ghostLanguageFromEnvironment(char *buf, size_t cap) {
    if (buf && cap) buf[0] = 0;
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *v = getenv(name);
        if (!v || !*v) continue;
        // LANGUAGE may list several; take the first that names a language.
        std::string list = v;
        size_t at = 0;
        while (at <= list.size()) {
            size_t end = list.find(':', at);
            if (end == std::string::npos) end = list.size();
            int n = ghostLanguageFromLocale(buf, cap, list.substr(at, end - at).c_str());
            if (n > 0) return n;
            at = end + 1;
        }
    }
    return 0;
}

const char *osGetISO(void) {
    if (gIsoSet[0]) return gIsoSet;
    char spelled[64] = "";
    if (gHost && gHost->language && gHost->language(spelled, sizeof spelled) > 0 &&
        ghostLanguageFromLocale(gIsoCur, sizeof gIsoCur, spelled) > 0)
        return gIsoCur;
    std::memcpy(gIsoCur, "en", 3);
    return gIsoCur;
}

void osSetISO(const char *code) {
    gIsoSet[0] = 0;
    if (!code) return;
    size_t n = strnlen(code, 2);
    std::memcpy(gIsoSet, code, n);
    gIsoSet[n] = 0;
}

// --- Volumes --------------------------------------------------------------------

int osStorageRootCount(void) {
    if (!gHost || !gHost->volumeScan) return 0;
    int n = gHost->volumeScan();
    return n > 0 ? n : 0;
}

int osStorageRootInfo(int i, sOsVolume *out) {
    if (!out || !gHost || !gHost->volumeGet) return -1;
    sOsVolume v;
    if (gHost->volumeGet(i, &v) < 0) return -1;
    *out = v;
    return 0;
}

int osStorageRootName(char *buf, size_t cap, int i) {
    sOsVolume v;
    if (osStorageRootInfo(i, &v) < 0) {
        if (buf && cap) buf[0] = 0;
        return -1;
    }
    if (!buf || cap == 0) return -1;
    // Display names may be cut; they are shown, not used as paths.
    size_t n = strnlen(v.name, cap - 1);
    while (n > 0 && v.name[n] && (static_cast<unsigned char>(v.name[n]) & 0xC0) == 0x80) n--;
    std::memcpy(buf, v.name, n);
    buf[n] = 0;
    return 0;
}

int osStorageRootPath(char *buf, size_t cap, int i) {
    sOsVolume v;
    if (osStorageRootInfo(i, &v) < 0) {
        if (buf && cap) buf[0] = 0;
        return -1;
    }
    return copyText(buf, cap, v.path) ? 0 : -1;
}

int ghostStorageSpace(const char *path, uint64_t *total, uint64_t *freeBytes) {
    if (total) *total = 0;
    if (freeBytes) *freeBytes = 0;
    struct statvfs s;
    if (!path || statvfs(path, &s) != 0) return -1;
    if (total) *total = static_cast<uint64_t>(s.f_blocks) * s.f_frsize;
    if (freeBytes) *freeBytes = static_cast<uint64_t>(s.f_bavail) * s.f_frsize;
    return 0;
}

// --- Windows --------------------------------------------------------------------

_sWindow *ghostWindowCreate(const wchar_t *title, int x, int y, int width, int height, int minWidth,
                            int minHeight, int maxWidth, int maxHeight, int screen, int drawMode, int flag,
                            int menu, int icon, int last) {
    if (!gHost || !gHost->windowCreate) return nullptr;
    _sWindow *w = static_cast<_sWindow *>(memCalloc(sizeof(_sWindow), "sWin"));
    if (!w) return nullptr;
    if (title) {
        std::wcsncpy(w->title, title, 127);
        w->title[127] = 0;
    }
    w->clientLeft = w->frameLeft = x;
    w->clientTop = w->frameTop = y;
    w->clientWidth = w->frameWidth = width;
    w->clientHeight = w->frameHeight = height;
    w->active = 1;
    w->mouseX = w->prevMouseX = x + width / 2;
    w->mouseY = w->prevMouseY = y + height / 2;
    sOsWindowSpec spec{w->title, x, y, width, height, minWidth, minHeight, maxWidth, maxHeight,
                       screen, drawMode, flag, menu, icon, last};
    w->osWindow = gHost->windowCreate(w, &spec);
    if (!w->osWindow) {
        memFree(w);
        return nullptr;
    }
    rliListAddTail(&gWindows, w);
    ghostWindowRefreshGeometry(w, false);
    return w;
}

void ghostWindowDispose(_sWindow *window) {
    if (!window || rliListFindIndex(&gWindows, window) < 0) return;
    rliListRemLink(&gWindows, window);
    dropPending(window->osWindow, false);
    if (gHost && gHost->windowDispose) gHost->windowDispose(window->osWindow);
    memFree(window);
}

_sWindow *ghostWindowFromOs(void *osWindow) {
    if (!osWindow) return nullptr;
    for (_sWindow *w = static_cast<_sWindow *>(gWindows.first); w; w = w->next)
        if (w->osWindow == osWindow) return w;
    return nullptr;
}

int ghostWindowRefreshGeometry(_sWindow *w, bool client) {
    if (!w || !gHost || !gHost->windowGeometry) return -1;
    sOsRect frame{}, area{};
    if (gHost->windowGeometry(w->osWindow, &frame, &area) != 0) return -1;
    w->frameLeft = frame.left;
    w->frameTop = frame.top;
    w->frameWidth = frame.width;
    w->frameHeight = frame.height;
    if (client) {
        w->clientLeft = area.left;
        w->clientTop = area.top;
        w->clientWidth = area.width;
        w->clientHeight = area.height;
    }
    return 0;
}

void ghostWindowSetHandler(ghostEventHandler handler, void *user, _sWindow *window) {
    if (!window) return;
    window->handler = handler;
    window->user = user;
}

void ghostWindowGetSize(int *w, int *h, _sWindow *window) {
    if (w) *w = window ? window->clientWidth : 0;
    if (h) *h = window ? window->clientHeight : 0;
}

void ghostWindowGetWindowPosition(int *x, int *y, _sWindow *window) {
    if (x) *x = window ? window->frameLeft : 0;
    if (y) *y = window ? window->frameTop : 0;
}

int ghostWindowGetFrameWidth(_sWindow *window) {
    if (!window || !gHost || !gHost->windowFrameWidth) return 0;
    return gHost->windowFrameWidth(window->osWindow);
}

void ghostWindowSetDraw(_sWindow *window, int on) {
    if (window && gHost && gHost->windowShow) gHost->windowShow(window->osWindow, on);
}

void ghostWindowSetAble(_sWindow *window, int on) {
    if (window && gHost && gHost->windowEnable) gHost->windowEnable(window->osWindow, on);
}

void ghostWindowActivate(_sWindow *window) {
    if (window && gHost && gHost->windowActivate) gHost->windowActivate(window->osWindow);
}

void ghostSetActive(_sWindow *window) {
    if (window) window->active = 1;
}

int ghostActivateWindowDrawingContext(_sWindow *window) {
    if (!window || !gHost || !gHost->makeCurrent) return -1;
    return gHost->makeCurrent(window->osWindow);
}

void ghostWindowSwapBuffersRect(_sWindow *window, int x, int y, int w, int h) {
    if (window && gHost && gHost->swapRect) gHost->swapRect(window->osWindow, x, y, w, h);
}

void ghostGraphicsFinish(_sWindow *window) {
    if (!window) return;
    if (gHost && gHost->present) gHost->present(window->osWindow);
    window->redrawSent = 0;
}

void ghostGetMousePos(int *x, int *y, _sWindow *window) {
    if (x) *x = window ? window->mouseX : 0;
    if (y) *y = window ? window->mouseY : 0;
}

uint32_t ghostGetMouseBut(_sWindow *window) { return window ? window->mouseBut : 0; }
uint32_t ghostGetKeyQual(_sWindow *window) { return window ? window->keyQual : 0; }

// --- Menus ----------------------------------------------------------------------

void ghostWindowSetMenuOnOff(_sWindow *window, int code, int on) {
    (void)window;
    if (code < WEV_MENU_FIRST || code > WEV_MENU_LAST) return;
    menuReady();
    gMenuState[code - WEV_MENU_FIRST] = on ? 1 : 0;
    if (gMenuBarOn && gHost && gHost->menuEnable) gHost->menuEnable(code, on ? 1 : 0);
}

void ghostWindowAllMenuOnOff(int on) {
    menuReady();
    gMenuBarOn = on != 0;
    for (int code = WEV_MENU_FIRST; code <= WEV_MENU_LAST; code++) {
        // Items without a state of their own are enabled whenever the bar is.
        if (gMenuBarOn && !menuHasOwnState(code)) gMenuState[code - WEV_MENU_FIRST] = 1;
        if (gHost && gHost->menuEnable) gHost->menuEnable(code, ghostMenuIsEnabled(code));
    }
}

void ghostMenuWillOpen(void) {
    // Called from inside the host's event dispatch: a whole main-window step
    // here could run the close sequence under the toolkit's feet, so the
    // preview only stops and the window is redrawn.
    if (gCb.waveStop) gCb.waveStop(gCb.user, 0, 0);
    if (gCb.forcingDraw) gCb.forcingDraw(gCb.user);
}

int ghostMenuIsEnabled(int code) {
    if (code < WEV_MENU_FIRST || code > WEV_MENU_LAST) return 0;
    menuReady();
    return gMenuBarOn && gMenuState[code - WEV_MENU_FIRST] ? 1 : 0;
}

void ghostMenuCheck(int code, int on) {
    if (gHost && gHost->menuCheck) gHost->menuCheck(code, on ? 1 : 0);
}

void ghostMenuSyncViewChecks(void) {
    ghostMenuCheck(MENU_VIEW_BY_NUMBER, G.viewFlag & VIEW_LIST_BY_NUMBER);
    ghostMenuCheck(MENU_VIEW_BY_NAME, G.viewFlag & VIEW_LIST_BY_NAME);
    ghostMenuCheck(MENU_VIEW_CATEGORIES, G.viewFlag & VIEW_SHOW_CATEGORIES);
    ghostMenuCheck(MENU_VIEW_AUTO_PLAY, G.viewFlag & VIEW_AUTO_PLAY);
}

void ghostWindowPopupMenuCreate(_sWindow *window, int count, const int *codes) {
    if (!window || !codes || count <= 0 || !gHost || !gHost->popupMenu) return;
    int kept[64];
    int n = 0;
    for (int i = 0; i < count && n < 64; i++)
        if (codes[i] == -1 || (codes[i] >= 1024 && codes[i] <= 1032)) kept[n++] = codes[i];
    if (n > 0) gHost->popupMenu(window->osWindow, n, kept);
}

// --- Dialogs --------------------------------------------------------------------

namespace {

struct sFileDlgRun {
    char *buf;
    size_t cap;
    int count;
    _sWindow *window;
    char folder[kRliPathMax];
};

void fileDlgSink(void *ctx, const char *path) {
    sFileDlgRun *run = static_cast<sFileDlgRun *>(ctx);
    if (!path || !*path) return;
    if (run->count++ == 0) {
        if (run->buf && run->cap) {
            size_t n = strnlen(path, run->cap - 1);
            std::memcpy(run->buf, path, n);
            run->buf[n] = 0;
        }
        const char *slash = std::strrchr(path, '/');
        size_t n = slash ? static_cast<size_t>(slash - path) : 0;
        if (slash == path) n = 1;  // a file in "/" keeps the folder "/"
        if (n < sizeof run->folder) {
            std::memcpy(run->folder, path, n);
            run->folder[n] = 0;
        }
    }
    if (run->window) {
        const char *one[1] = {path};
        sOsEvent ev{};
        ev.number = OSEV_OPEN_DOCUMENTS;
        ev.osWindow = run->window->osWindow;
        ev.paths = one;
        ev.pathCount = 1;
        windowProc(&ev, nullptr);
    }
}

}  // namespace

int ghostFileDlgOpen(char *buf, size_t cap, const char *filter, _sWindow *window) {
    (void)filter;  // always the audio files the import takes
    if (buf && cap) buf[0] = 0;
    char start[kRliPathMax] = "";
    if (gCb.importFolderGet) gCb.importFolderGet(gCb.user, start, sizeof start);
    sFileDlgRun run{buf, cap, 0, window, ""};
    forcing(1);
    if (gHost && gHost->fileDialog) gHost->fileDialog(start, fileDlgSink, &run);
    forcing(0);
    // The desktop hands the keyboard back to whichever window it likes; the
    // window that asked goes on taking clicks and keys, as after a box.
    if (window && !(gCb.parentsRefused && gCb.parentsRefused(gCb.user))) ghostWindowActivate(window);
    if (run.count > 0 && run.folder[0] && gCb.importFolderSet) gCb.importFolderSet(gCb.user, run.folder);
    return 0;
}

int ghostDirDlgOpen(char *buf, size_t cap, _sWindow *window, const char *startFolder, int flag,
                    const wchar_t *title) {
    (void)flag;
    if (!buf || cap == 0) return 0;
    buf[0] = 0;
    char chosen[kRliPathMax] = "";
    int ok = 0;
    forcing(1);
    if (gHost && gHost->dirDialog)
        ok = gHost->dirDialog(chosen, sizeof chosen, startFolder ? startFolder : "", title ? title : L"");
    forcing(0);
    if (window && !(gCb.parentsRefused && gCb.parentsRefused(gCb.user))) ghostWindowActivate(window);
    if (!ok || !chosen[0]) return 0;
    size_t n = std::strlen(chosen);
    bool slash = chosen[n - 1] == '/';
    if (n + (slash ? 0 : 1) >= cap) return 0;
    std::memcpy(buf, chosen, n);
    if (!slash) buf[n++] = '/';
    buf[n] = 0;
    return 1;
}

int ghostMBoxOpen(const wchar_t *title, const wchar_t *message, int kind, _sWindow *window) {
    if (gCb.waveStop) gCb.waveStop(gCb.user, 0, 0);
    if (kind < MBOX_KIND_OK || kind > MBOX_KIND_YES_CANCEL_NO) return 0;
    int r = 0;
    forcing(1);
    if (gHost && gHost->messageBox) r = gHost->messageBox(title ? title : L"", message ? message : L"", kind);
    forcing(0);
    // A box that could not be asked counts as its safe answer: no, or cancel.
    bool yesOrNo = r == MBOX_YES || r == MBOX_NO;
    if (kind == MBOX_KIND_OK) r = MBOX_OK;
    else if (kind == MBOX_KIND_YES_NO && !yesOrNo) r = MBOX_NO;
    else if (kind == MBOX_KIND_YES_CANCEL_NO && !yesOrNo && r != MBOX_CANCEL) r = MBOX_CANCEL;
    if (window && !(gCb.parentsRefused && gCb.parentsRefused(gCb.user))) ghostWindowActivate(window);
    return r;
}

int ghostDlgOpen(void *record, int kind, _sWindow *window) {
    (void)record;
    if (kind != 0 || gDlg.open) return -1;
    if (gDlg.preset) {
        gDlg.preset = false;
        gDlg.open = true;
        gDlg.ownerOs = window ? window->osWindow : nullptr;
        postClosed(1);
        return 0;
    }
    if (!gHost || !gHost->storageDialogShow) return -1;
    gDlg.open = true;
    gDlg.ownerOs = window ? window->osWindow : nullptr;
    storageRebuild(true);
    if (gHost->storageDialogShow() < 0) {
        gDlg.open = false;
        return -1;
    }
    return 0;
}

const char *ghostDlgStorageRootPtr(void) { return gDlg.root; }

namespace {

// Copies `path` into the dialog's root with a trailing "/".
bool setRoot(const char *path) {
    size_t n = path ? std::strlen(path) : 0;
    if (n == 0) return false;
    bool slash = path[n - 1] == '/';
    if (n + (slash ? 0 : 1) >= sizeof gDlg.root) return false;
    std::memcpy(gDlg.root, path, n);
    if (!slash) gDlg.root[n++] = '/';
    gDlg.root[n] = 0;
    return true;
}

}  // namespace

int ghostStorageDialogPreset(const char *root) {
    if (!setRoot(root)) return -1;
    gDlg.preset = true;
    return 0;
}

int ghostStorageDialogChooseFolder(const char *path) {
    if (!gDlg.open || !setRoot(path)) return -1;
    postClosed(1);
    return 0;
}

int ghostStorageDialogRefresh(void) { return storageRebuild(false); }

const char *ghostStorageDialogName(int i) {
    return (gDlg.list && i >= 0 && i < gDlg.count) ? gDlg.list[i].name : "";
}

int ghostStorageDialogSelected(void) { return gDlg.selected; }

int ghostStorageDialogChoose(int i) {
    if (!gDlg.list || i < 0 || i >= gDlg.count) return -1;
    gDlg.selected = i;
    std::memcpy(gDlg.selectedPath, gDlg.list[i].path, sizeof gDlg.selectedPath);
    std::memcpy(gDlg.root, gDlg.list[i].path, sizeof gDlg.root);
    return 0;
}

void ghostStorageDialogClose(int result) {
    if (!gDlg.open) return;
    if (result == 1) ghostStorageDialogChoose(gDlg.selected);
    postClosed(result);
}

int ghostStorageDialogIsOpen(void) { return gDlg.open ? 1 : 0; }

// --- Cursors --------------------------------------------------------------------

void ghostCursorSetShape(_sWindow *window, int shape) {
    if (window && gHost && gHost->cursorSet) gHost->cursorSet(window->osWindow, shape);
}

void *ghostCursorCreateCustomShapeEx(_sWindow *window, const uint8_t *rgba, int w, int h, int hotX, int hotY) {
    if (!window || !rgba || !gHost || !gHost->cursorCreate) return nullptr;
    return gHost->cursorCreate(window->osWindow, rgba, w, h, hotX, hotY);
}

void ghostCursorSetCustomShapeEx(_sWindow *window, void *cursor) {
    if (window && gHost && gHost->cursorSetCustom) gHost->cursorSetCustom(window->osWindow, cursor);
}

// --- Sound ----------------------------------------------------------------------

namespace {
const sOsSound *sound() { return gHost ? gHost->sound : nullptr; }
}  // namespace

void *osWaveCreate(int *result, const char *path) {
    if (!sound() || !sound()->create) {
        if (result) *result = -1;
        return nullptr;
    }
    return sound()->create(result, path);
}

#define KVB_SOUND_VOID(member, ...) \
    if (wave && sound() && sound()->member) sound()->member(__VA_ARGS__)
#define KVB_SOUND_RET(member, zero) return (wave && sound() && sound()->member) ? sound()->member(wave) : zero

void osWaveDispose(void *wave) { KVB_SOUND_VOID(dispose, wave); }
void osWaveDoCalc(void *wave) { KVB_SOUND_VOID(doCalc, wave); }
void osWavePlay(void *wave) { KVB_SOUND_VOID(play, wave); }
void osWaveStop(void *wave) { KVB_SOUND_VOID(stop, wave); }
void osWavePause(void *wave) { KVB_SOUND_VOID(pause, wave); }
void osWaveSetPosition(void *wave, float fraction) { KVB_SOUND_VOID(setPosition, wave, fraction); }
float osWaveGetPosition(void *wave) { KVB_SOUND_RET(getPosition, 0.0f); }
void osWaveSetVolume(void *wave, float volume) { KVB_SOUND_VOID(setVolume, wave, volume); }
float osWaveGetVolume(void *wave) { KVB_SOUND_RET(getVolume, 0.0f); }
void osWaveSetLoop(void *wave, int on) { KVB_SOUND_VOID(setLoop, wave, on); }
int osWaveGetLoop(void *wave) { KVB_SOUND_RET(getLoop, 0); }
int osWaveGetPlaying(void *wave) { KVB_SOUND_RET(getPlaying, 0); }
int osWaveGetIsEnd(void *wave) { KVB_SOUND_RET(getIsEnd, 0); }
float osWaveGetTime(void *wave) { KVB_SOUND_RET(getTime, 0.0f); }
int osWaveGetChannels(void *wave) { KVB_SOUND_RET(getChannels, 0); }
uint32_t osWaveGetFilesize(void *wave) { KVB_SOUND_RET(getFilesize, 0u); }
