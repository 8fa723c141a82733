// The stand-in window controllers. See stubwindows.h.
#include "desktop/stubwindows.h"

#include <GL/gl.h>

#include "app/usi.h"
#include "foundation/global.h"
#include "gui/gifqueue.h"
#include "gui/progressbar.h"
#include "platform/job.h"
#include "platform/evqueue.h"
#include "platform/ghost.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "resource/user.h"

namespace {

struct sStubMain {
    _sWindow *window;
    _sEvQueue *queue;
    int forcing;  // modal dialogs open (the forcing counter)
};

sStubMain gMain{};

void queueEvent(_sWindow *, void *, uint16_t code, int32_t value, char key, const char *text) {
    evQenterExt(code, value, key, text, gMain.queue);
}

int messageBox(void *, int title, int text, int kind) {
    return ghostMBoxOpen(dnaStrGetPtr(title), dnaStrGetPtr(text), kind, gMain.window);
}

void draw() {
    if (!gMain.window || ghostActivateWindowDrawingContext(gMain.window) != 0) return;
    glClearColor(0.16f, 0.17f, 0.19f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ghostGraphicsFinish(gMain.window);
}

int mainInit(void *) {
    if (gMain.window) return 0;
    int x = 0, y = 0;
    if (!userGetWinUtilityInit()) userGetWinUtility(&x, &y);
    gMain.window = ghostWindowCreate(L"KVB-RT Wave Manager", x, y, 800, 600, 800, 600, 800, 600, 0, 1, 0, 1, 1, 0);
    gMain.queue = evQInit();
    // The toolkit's message queue and its progress window, from the first
    // job (the card's scan) to the last (the save on closing).
    if (!G.gifQueue) G.gifQueue = gifQInit();
    if (!gMain.window || !gMain.queue || !G.gifQueue) return -1;
    editProgressBarSetView(gifProgressBarView());
    ghostWindowSetHandler(queueEvent, nullptr, gMain.window);
    for (int code : {1003, 1014, 1015, 1017}) ghostWindowSetMenuOnOff(gMain.window, code, 0);
    for (int code : {1002, 1016, 1018}) ghostWindowSetMenuOnOff(gMain.window, code, 1);
    draw();
    ghostWindowSetDraw(gMain.window, 0);
    ghostDlgOpen(nullptr, 0, gMain.window);
    ghostCursorSetShape(gMain.window, 0);
    return 0;
}

// The card the dialog (or the command line) named: opened, or the dialog again.
void openCard() {
    if (usiCardOpen(ghostDlgStorageRootPtr()) != 0) {
        messageBox(nullptr, DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_OPEN, 0);
        ghostDlgOpen(nullptr, 0, gMain.window);
        return;
    }
    ghostWindowSetDraw(gMain.window, 1);
    ghostWindowActivate(gMain.window);
    draw();
}

void mainStep(void *, int parentMode) {
    if (!gMain.window) return;
    if (evQcount(gMain.queue) == 0) ghostEventsProcess(0);
    intptr_t value = 0;
    bool redraw = false;
    while (uint16_t code = evQread(&value, nullptr, nullptr, 0, gMain.queue)) {
        if (parentMode) continue;
        switch (code) {
        case WEV_CLOSE_BOX:
        case 1006:
            if (usiClose(USI_CLOSE_ASK)) return;
            break;
        case WEV_STORAGE_SELECTED:
            if (value == 0) {
                usiClose(USI_CLOSE_CANCELLED);
                return;
            }
            openCard();
            break;
        case 1021: messageBox(nullptr, DNASTR_MENU_ABOUT, DNASTR_ABOUT_TEXT, 0); break;
        case WEV_MOVED: {
            int x = 0, y = 0;
            ghostWindowGetWindowPosition(&x, &y, gMain.window);
            userSetWinUtility(x, y);
            break;
        }
        default: break;
        }
        redraw = redraw || code == WEV_REDRAW;
    }
    if (redraw) draw();
}

void mainTerm(void *) {
    editProgressBarSetView(nullptr);
    gifQTerm(G.gifQueue);
    G.gifQueue = nullptr;
    evQTerm(gMain.queue);
    ghostWindowDispose(gMain.window);
    gMain = sStubMain{};
}

}  // namespace

void stubWindowsInstall(void) {
    sUsiControllers c{};
    c.mainInit = mainInit;
    c.mainStep = mainStep;
    c.mainTerm = mainTerm;
    c.messageBox = messageBox;
    c.ghost.forcingUpdate = [](void *, int on) { gMain.forcing += on ? 1 : -1; };
    c.ghost.forcingDraw = [](void *) { draw(); };
    usiSetControllers(&c);
}
