// kvb-window-pictures: draws every window of the desktop program on the
// scripted host (no display needed) and saves each as a PNG, for the help
// documents. The program runs as a user would run it: the card is chosen in
// the storage dialog, each secondary window is opened with its menu command
// and closed with its close box.
//
// Usage: kvb-window-pictures DATA_FOLDER CARD OUT_FOLDER LANGUAGE
// Writes OUT_FOLDER/main-window.png and one PNG per secondary window that
// opened (a window that did not open is named on stderr); exits 1 when the
// program did not start or the main window's picture was not saved.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/usi.h"
#include "desktop/desktopwindows.h"
#include "foundation/global.h"
#include "foundation/mem.h"
#include "picture_io.h"
#include "platform/ghost.h"
#include "platform/headless/headless.h"
#include "windows/main/frames.h"

namespace {

// A secondary window: its picture's name and the menu command that opens it.
struct sWindowShot {
    const char *name;
    int menu;
};

constexpr sWindowShot kSecondary[] = {
    {"wave-import", 1002},
    {"category", 1016},
    {"wave-edit", 1017},
    {"kit", 1018},
};

// A click on the main window, a second after the last one (never a double click).
void click(_sWindow *main, int x, int y) {
    static int64_t clock = 0;
    hlSetClock(clock += 1000);
    hlPostMouse(main, OSEV_MOUSE_MOVE, 0, x, y);
    hlPostMouse(main, OSEV_BUTTON_DOWN, OS_BUTTON_LEFT, x, y);
    hlPostMouse(main, OSEV_BUTTON_UP, OS_BUTTON_LEFT, x, y);
    for (int i = 0; i < 3; i++) usiPass();
}

bool savePicture(_sWindow *window, const std::string &path) {
    int w = 0, h = 0;
    ghostWindowGetSize(&w, &h, window);
    if (w <= 0 || h <= 0) return false;
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    if (hlReadPixels(window, 0, 0, w, h, rgba.data()) != 0) return false;
    Canvas c(w, h);
    // GL reads bottom row first; the picture is top row first, and opaque.
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const uint8_t *p = &rgba[(static_cast<size_t>(h - 1 - y) * w + x) * 4];
            uint8_t *q = c.at(x, y);
            q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 255;
        }
    std::string error;
    if (!pngWrite(path, c, &error)) {
        std::fprintf(stderr, "kvb-window-pictures: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

// While a secondary window runs its own loop: after a few pumps (so that it
// has drawn) its picture is taken and its close box pressed.
struct sCapture {
    _sWindow *main;
    std::string path;
    int pumps;
    bool saved;
    bool closed;
};

void captureHook(void *user) {
    sCapture *c = static_cast<sCapture *>(user);
    if (c->closed || ++c->pumps < 8) return;
    std::vector<_sWindow *> live = hlWindows();
    for (auto it = live.rbegin(); it != live.rend(); ++it) {
        if (*it == c->main || !hlWindowShown(*it)) continue;
        c->saved = savePicture(*it, c->path);
        hlPostSimple(*it, OSEV_CLOSE_BOX);
        break;
    }
    c->closed = true;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fputs("usage: kvb-window-pictures DATA_FOLDER CARD OUT_FOLDER LANGUAGE\n", stderr);
        return 2;
    }
    const std::string data = argv[1], card = argv[2], out = argv[3];
    // The run's settings stay in the output folder, never in the user's.
    const std::string config = out + "/settings";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    // Pictures need no sound: the preview player gets a silent output.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    memInit();
    hlInstall();
    std::string why;
    if (!hlGlAvailable(&why)) {
        std::fprintf(stderr, "kvb-window-pictures: no GL for the scripted host: %s\n", why.c_str());
        return 1;
    }
    hlSetLanguage(argv[4]);
    hlAddVolume("KVB-RT", card.c_str(), "vfat");
    hlSetStorageDialogAnswer(1, 0);
    desktopWindowsInstall();
    char name[] = "kvb-rt-wave-manager";
    char *args[] = {name, nullptr};
    if (usiStart(1, args, data.c_str()) != -1) {
        std::fputs("kvb-window-pictures: the program did not start\n", stderr);
        return 1;
    }
    for (int i = 0; i < 40 && !G.currentWaveList; i++) usiPass();
    for (int i = 0; i < 10; i++) usiPass();
    std::vector<_sWindow *> live = hlWindows();
    if (live.empty() || !hlWindowShown(live.front())) {
        std::fputs("kvb-window-pictures: the main window did not open\n", stderr);
        usiTerm(0);
        return 1;
    }
    _sWindow *main = live.front();
    // The first category opened and its first wave selected, as a user
    // starts; the wave edit window needs a selected wave.
    click(main, 40, int(kMwListY) + kMwRowH / 2);
    click(main, 150, int(kMwListY) + kMwRowH + kMwRowH / 2);
    int status = savePicture(main, out + "/main-window.png") ? 0 : 1;
    for (const sWindowShot &shot : kSecondary) {
        sCapture capture{main, out + "/" + shot.name + ".png", 0, false, false};
        hlSetPumpHook(captureHook, &capture);
        hlPostMenu(main, shot.menu);
        for (int i = 0; i < 5 && !capture.closed; i++) usiPass();
        hlSetPumpHook(nullptr, nullptr);
        if (!capture.saved) std::fprintf(stderr, "kvb-window-pictures: the %s window did not open\n", shot.name);
    }
    usiTerm(0);
    memTerm();
    return status;
}
