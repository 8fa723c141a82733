// The scripted host. See headless.h.
#include "headless.h"
#include "platform/sound/sound.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>

#include "foundation/fault.h"
#include "foundation/mem.h"
#include "platform/job.h"

namespace {

// One window: its pbuffer and the client rectangle the test gave it.
struct sHlWindow {
    EGLSurface surface;  // EGL_NO_SURFACE without GL
    sOsRect client;
    int shown;
    int enabled;
    _sWindow *owner;     // the layer's window this pbuffer belongs to
};

// Live windows in creation order, and the pump hook; unlike the script they
// outlive hlReset, as the windows themselves do.
struct sHlLive {
    std::vector<sHlWindow *> windows;
    void (*pumpHook)(void *user) = nullptr;
    void *pumpUser = nullptr;
};

sHlLive &live() {
    static sHlLive l;
    return l;
}

struct sScript {
    std::vector<sOsVolume> volumes;
    std::vector<sOsVolume> snapshot;
    std::deque<int> boxAnswers;
    std::deque<std::vector<std::string>> fileAnswers;
    std::deque<std::string> dirAnswers;
    bool storagePending = false;
    int storageResult = 0;
    int storageIndex = -1;
    std::string language;
    int64_t clock = 0;
    int displayW = 1920, displayH = 1080;
    std::vector<std::string> calls;
    std::map<int, bool> menuEnabled, menuChecked;
    bool progressShown = false;
    float progressRatio = 0.0f;
    int progressCancelPresses = 0;  // presses the next pass of the wait loop reports
    int ejectResult = 0;
};

sScript &script() {
    static sScript s;
    return s;
}

// GL state lives for the process: bringing Mesa up and down for every test
// costs time and gains nothing.
struct sGl {
    bool tried = false;
    bool ok = false;
    std::string why;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    EGLContext context = EGL_NO_CONTEXT;
};

sGl &gl() {
    static sGl g;
    return g;
}

std::string narrow(const wchar_t *w) {
    if (!w) return {};
    char buf[1024];
    wcs2utf8s(buf, sizeof buf, w);  // a cut title is still good enough for the log
    return buf;
}

void record(const std::string &line) { script().calls.push_back(line); }

std::string eglWhy(const char *step) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s failed (EGL error 0x%04x)", step, eglGetError());
    return buf;
}

bool glStart() {
    sGl &g = gl();
    if (g.tried) return g.ok;
    g.tried = true;
    // Mesa's software renderer: the same pixels on every machine, no GPU needed.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getDisplay) {
        g.why = "EGL has no eglGetPlatformDisplayEXT";
        return false;
    }
    g.display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (g.display == EGL_NO_DISPLAY || !eglInitialize(g.display, &major, &minor)) {
        g.why = eglWhy("eglInitialize on the surfaceless platform");
        g.display = EGL_NO_DISPLAY;
        return false;
    }
    const EGLint configAttrs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                  EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                  EGL_NONE};
    EGLint n = 0;
    if (!eglChooseConfig(g.display, configAttrs, &g.config, 1, &n) || n < 1) {
        g.why = "no EGL configuration with pbuffers and desktop OpenGL";
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        g.why = eglWhy("eglBindAPI(OpenGL)");
        return false;
    }
    const EGLint contextAttrs[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1,
                                   EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                   EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    g.context = eglCreateContext(g.display, g.config, EGL_NO_CONTEXT, contextAttrs);
    if (g.context == EGL_NO_CONTEXT) {
        g.why = eglWhy("eglCreateContext (compatibility profile)");
        return false;
    }
    g.ok = true;
    return true;
}

sHlWindow *hw(void *osWindow) { return static_cast<sHlWindow *>(osWindow); }

// --- Host functions -------------------------------------------------------------

int hInit(void) {
    record("init");
    return 0;
}

void hTerm(void) { record("term"); }

void hPump(void) {
    sScript &s = script();
    if (s.storagePending && ghostStorageDialogIsOpen()) {
        s.storagePending = false;
        if (s.storageIndex >= 0) ghostStorageDialogChoose(s.storageIndex);
        ghostStorageDialogClose(s.storageResult);
    }
    if (live().pumpHook) live().pumpHook(live().pumpUser);
}

int64_t hTime(void) { return script().clock; }

void hDisplaySize(int *w, int *h) {
    *w = script().displayW;
    *h = script().displayH;
}

int hExecute(const char *path) {
    record(std::string("execute ") + path);
    return 0;
}

int hLanguage(char *buf, size_t cap) {
    const std::string &l = script().language;
    if (l.size() >= cap) return 0;
    std::memcpy(buf, l.c_str(), l.size() + 1);
    return static_cast<int>(l.size());
}

int hEject(const char *root) {
    record(std::string("eject ") + root);
    return script().ejectResult;
}

int hVolumeScan(void) {
    record("volumeScan");
    script().snapshot = script().volumes;
    return static_cast<int>(script().snapshot.size());
}

int hVolumeGet(int i, sOsVolume *out) {
    const auto &v = script().snapshot;
    if (i < 0 || i >= static_cast<int>(v.size())) return -1;
    *out = v[i];
    return 0;
}

void *hWindowCreate(_sWindow *window, const sOsWindowSpec *spec) {
    (void)window;
    sHlWindow *w = static_cast<sHlWindow *>(memCalloc(sizeof(sHlWindow), "HLWin"));
    if (!w) return nullptr;
    w->surface = EGL_NO_SURFACE;
    w->client = sOsRect{spec->x, spec->y, spec->width, spec->height};
    w->enabled = 1;
    w->owner = window;
    if (glStart()) {
        const EGLint attrs[] = {EGL_WIDTH, spec->width > 0 ? spec->width : 1, EGL_HEIGHT,
                                spec->height > 0 ? spec->height : 1, EGL_NONE};
        w->surface = eglCreatePbufferSurface(gl().display, gl().config, attrs);
        if (w->surface == EGL_NO_SURFACE) {
            memFree(w);
            record("windowCreate failed");
            return nullptr;
        }
    }
    char line[1200];
    std::snprintf(line, sizeof line, "windowCreate %s %dx%d menu=%d icon=%d", narrow(spec->title).c_str(),
                  spec->width, spec->height, spec->menu, spec->icon);
    record(line);
    live().windows.push_back(w);
    return w;
}

void hWindowDispose(void *osWindow) {
    sHlWindow *w = hw(osWindow);
    if (w->surface != EGL_NO_SURFACE) {
        if (eglGetCurrentSurface(EGL_DRAW) == w->surface)
            eglMakeCurrent(gl().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroySurface(gl().display, w->surface);
    }
    std::erase(live().windows, w);
    memFree(w);
    record("windowDispose");
}

void hWindowShow(void *osWindow, int on) {
    hw(osWindow)->shown = on;
    record(on ? "windowShow" : "windowHide");
}

void hWindowEnable(void *osWindow, int on) {
    hw(osWindow)->enabled = on;
    record(on ? "windowEnable" : "windowDisable");
}

void hWindowActivate(void *) { record("windowActivate"); }

int hWindowGeometry(void *osWindow, sOsRect *frame, sOsRect *client) {
    *client = hw(osWindow)->client;
    *frame = *client;  // no decorations
    return 0;
}

int hFrameWidth(void *) { return 0; }

int hMakeCurrent(void *osWindow) {
    sHlWindow *w = hw(osWindow);
    record("makeCurrent");
    if (w->surface == EGL_NO_SURFACE) return -1;
    return eglMakeCurrent(gl().display, w->surface, w->surface, gl().context) ? 0 : -1;
}

void hSwapRect(void *, int x, int y, int w, int h) {
    record("swapRect " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) + " " +
           std::to_string(h));
}

void hPresent(void *osWindow) {
    // A pbuffer has nothing to show; finishing makes read-backs see the frame.
    if (hw(osWindow)->surface != EGL_NO_SURFACE && eglGetCurrentSurface(EGL_DRAW) == hw(osWindow)->surface) glFinish();
    record("present");
}

void hMenuEnable(int code, int on) {
    script().menuEnabled[code] = on != 0;
    record("menuEnable " + std::to_string(code) + " " + std::to_string(on));
}

void hMenuCheck(int code, int on) {
    script().menuChecked[code] = on != 0;
    record("menuCheck " + std::to_string(code) + " " + std::to_string(on));
}

void hPopupMenu(void *, int count, const int *codes) {
    std::string line = "popupMenu";
    for (int i = 0; i < count; i++) line += " " + std::to_string(codes[i]);
    record(line);
}

int hFileDialog(const char *startFolder, osPathSink sink, void *ctx) {
    record(std::string("fileDialog ") + startFolder);
    sScript &s = script();
    if (s.fileAnswers.empty()) return 0;
    std::vector<std::string> paths = s.fileAnswers.front();
    s.fileAnswers.pop_front();
    for (const std::string &p : paths) sink(ctx, p.c_str());
    return static_cast<int>(paths.size());
}

int hDirDialog(char *buf, size_t cap, const char *startFolder, const wchar_t *title) {
    record(std::string("dirDialog ") + startFolder + " " + narrow(title));
    sScript &s = script();
    if (s.dirAnswers.empty()) return 0;
    std::string folder = s.dirAnswers.front();
    s.dirAnswers.pop_front();
    if (folder.empty() || folder.size() >= cap) return 0;
    std::memcpy(buf, folder.c_str(), folder.size() + 1);
    return 1;
}

int hMessageBox(const wchar_t *title, const wchar_t *message, int kind) {
    record("messageBox " + std::to_string(kind) + " " + narrow(title) + ": " + narrow(message));
    sScript &s = script();
    if (s.boxAnswers.empty()) return 0;
    int r = s.boxAnswers.front();
    s.boxAnswers.pop_front();
    return r;
}

int hStorageDialogShow(void) {
    std::string line = "storageDialog";
    for (int i = 0; ghostStorageDialogName(i)[0]; i++) line += std::string(" [") + ghostStorageDialogName(i) + "]";
    line += " selected=" + std::to_string(ghostStorageDialogSelected());
    record(line);
    return 0;
}

void hCursorSet(void *, int shape) { record("cursorSet " + std::to_string(shape)); }

void *hCursorCreate(void *, const uint8_t *, int w, int h, int, int) {
    record("cursorCreate " + std::to_string(w) + "x" + std::to_string(h));
    static int token;
    return &token;
}

void hCursorSetCustom(void *, void *) { record("cursorSetCustom"); }

// The progress view records what the window would show.
void hProgressOpen(_sWindow *, const char *message, int hasCancel, int noParent) {
    script().progressShown = true;
    record(std::string("progressOpen ") + message + " cancel=" + std::to_string(hasCancel) +
           " parent=" + std::to_string(noParent ? 0 : 1));
}

void hProgressRatio(float ratio) {
    script().progressRatio = ratio;
    char line[48];
    std::snprintf(line, sizeof line, "progressRatio %g", ratio);
    record(line);
}

void hProgressMessage(const char *message) { record(std::string("progressMessage ") + message); }

void hProgressStep(uint16_t, int32_t, char) {
    // Pressed on the main thread, as a button would be.
    for (; script().progressCancelPresses > 0; script().progressCancelPresses--) editProgressBarCancelPress();
}

void hProgressClose(void) {
    script().progressShown = false;
    record("progressClose");
}

const sProgressView kView = {hProgressOpen, hProgressRatio, hProgressMessage, hProgressStep, hProgressClose};

// Not const: tests choose the progress window's hold time.
sOsHost kHost = {
    "headless", hInit, hTerm, hPump, hTime, hDisplaySize, hExecute, hLanguage, hEject, hVolumeScan, hVolumeGet,
    hWindowCreate, hWindowDispose, hWindowShow, hWindowEnable, hWindowActivate, hWindowGeometry, hFrameWidth,
    hMakeCurrent, hSwapRect, hPresent, hMenuEnable, hMenuCheck, hPopupMenu, hFileDialog, hDirDialog,
    hMessageBox, hStorageDialogShow, hCursorSet, hCursorCreate, hCursorSetCustom, soundOutputTable(), 0, &kView,
    nullptr,
};

void post(_sWindow *window, sOsEvent &ev) {
    ev.osWindow = window ? window->osWindow : nullptr;
    ghostPostEvent(&ev);
}

}  // namespace

// --- Installing -------------------------------------------------------------------

const sOsHost *hlHost(void) { return &kHost; }

void hlInstall(void) {
    hlReset();
    ghostHostInstall(&kHost);
}

void hlReset(void) {
    sScript &s = script();
    std::vector<std::string>().swap(s.calls);
    s = sScript{};
    kHost.progressHoldMs = 0;
}

// --- Script -----------------------------------------------------------------------

void hlAddVolume(const char *name, const char *path, const char *fsType) {
    sOsVolume v{};
    std::snprintf(v.name, sizeof v.name, "%s", name ? name : "");
    size_t n = std::strlen(path);
    std::snprintf(v.path, sizeof v.path, "%s%s", path, (n && path[n - 1] == '/') ? "" : "/");
    std::snprintf(v.fsType, sizeof v.fsType, "%s", fsType ? fsType : "");
    script().volumes.push_back(v);
}

void hlClearVolumes(void) { script().volumes.clear(); }
void hlPushMessageBoxAnswer(int answer) { script().boxAnswers.push_back(answer); }
void hlPushFileDialogAnswer(const std::vector<std::string> &paths) { script().fileAnswers.push_back(paths); }
void hlPushDirDialogAnswer(const std::string &folder) { script().dirAnswers.push_back(folder); }

void hlSetStorageDialogAnswer(int result, int index) {
    script().storagePending = true;
    script().storageResult = result;
    script().storageIndex = index;
}

void hlSetEjectResult(int result) { script().ejectResult = result; }
void hlSetLanguage(const char *spelled) { script().language = spelled ? spelled : ""; }
void hlSetClock(int64_t ms) { script().clock = ms; }

void hlSetDisplaySize(int w, int h) {
    script().displayW = w;
    script().displayH = h;
}

void hlSetProgressHold(int ms) { kHost.progressHoldMs = ms; }
void hlPressProgressCancel(void) { script().progressCancelPresses++; }

void hlFailFileOperation(long n, int err) { rliFaultFileArm(n, err ? err : EIO, false); }
void hlFailAllocation(long n) { memTestFailNth(n, false); }

// --- Events -----------------------------------------------------------------------

void hlPostKey(_sWindow *window, uint32_t keysym, const char *text, bool down) {
    sOsEvent ev{};
    ev.number = down ? OSEV_KEY_DOWN : OSEV_KEY_UP;
    ev.keysym = keysym;
    if (text) std::snprintf(ev.text, sizeof ev.text, "%s", text);
    post(window, ev);
}

void hlPostMouse(_sWindow *window, int number, int button, int x, int y) {
    sOsEvent ev{};
    ev.number = number;
    ev.button = button;
    // Hosts report screen positions; the layer converts them back.
    ev.x = x + (window ? window->clientLeft : 0);
    ev.y = y + (window ? window->clientTop : 0);
    ev.amount = y;
    post(window, ev);
}

void hlPostMenu(_sWindow *window, int code) {
    sOsEvent ev{};
    ev.number = code - int(WEV_MENU_FIRST) + OSEV_MENU_FIRST;
    post(window, ev);
}

void hlPostSimple(_sWindow *window, int number) {
    sOsEvent ev{};
    ev.number = number;
    post(window, ev);
}

void hlPostPaths(_sWindow *window, int number, const std::vector<std::string> &paths) {
    std::vector<const char *> ptrs;
    for (const std::string &p : paths) ptrs.push_back(p.c_str());
    sOsEvent ev{};
    ev.number = number;
    ev.paths = ptrs.data();
    ev.pathCount = static_cast<int>(ptrs.size());
    post(window, ev);
}

void hlSetWindowGeometry(_sWindow *window, int x, int y, int w, int h, bool moved) {
    if (!window) return;
    hw(window->osWindow)->client = sOsRect{x, y, w, h};
    hlPostSimple(window, moved ? OSEV_MOVED : OSEV_RESIZED);
}

// --- Observing --------------------------------------------------------------------

const std::vector<std::string> &hlCalls(void) { return script().calls; }

int hlCallCount(const char *prefix) {
    int n = 0;
    for (const std::string &c : script().calls)
        if (c.compare(0, std::strlen(prefix), prefix) == 0) n++;
    return n;
}

bool hlMenuEnabled(int code) {
    auto it = script().menuEnabled.find(code);
    return it != script().menuEnabled.end() && it->second;
}

bool hlMenuChecked(int code) {
    auto it = script().menuChecked.find(code);
    return it != script().menuChecked.end() && it->second;
}

bool hlProgressShown(void) { return script().progressShown; }
float hlProgressRatio(void) { return script().progressRatio; }

bool hlWindowShown(_sWindow *window) { return window && hw(window->osWindow)->shown; }
bool hlWindowEnabled(_sWindow *window) { return window && hw(window->osWindow)->enabled; }

bool hlGlAvailable(std::string *why) {
    bool ok = glStart();
    if (why) *why = gl().why;
    return ok;
}

std::vector<_sWindow *> hlWindows(void) {
    std::vector<_sWindow *> out;
    for (sHlWindow *w : live().windows)
        if (w->owner) out.push_back(w->owner);
    return out;
}

void hlSetPumpHook(void (*hook)(void *user), void *user) {
    live().pumpHook = hook;
    live().pumpUser = user;
}

int hlReadPixels(_sWindow *window, int x, int y, int w, int h, uint8_t *rgba) {
    if (!window || ghostActivateWindowDrawingContext(window) != 0) return -1;
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return glGetError() == GL_NO_ERROR ? 0 : -1;
}
