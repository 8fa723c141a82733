// The pop-up list window's controller. See cmbctl.h.
#include "windows/popup/cmbctl.h"

#include <algorithm>

#include "foundation/global.h"
#include "platform/evqueue.h"
#include "platform/ghost.h"
#include "wavelib/wavelist.h"
#include "windows/dialog/dialog.h"
#include "windows/popup/cmbui.h"

const char *const cCMB_CREATE_NEW_TAG = "Create New Category";

namespace {

// Escape's key code.
constexpr int kKeyEscape = 218;

struct sCmb {
    sDlgWindow d;
    int x, y, width, height, count, type;
    int select;              // the chosen row's index, -1 none
    _sWindow *parent;
    _sEvQueue *parentReq;
    int openRequest;
};

sCmb gCmb{{}, 0, 0, kCmbKitWidth, kCmbRowH, 0, CMB_TYPE_KIT, -1, nullptr, nullptr, 0};

// Escape, losing the keyboard (a click elsewhere) and Help act here; the
// screen sees every other event.
int filter(sDlgWindow *d, uint16_t code, int32_t value) {
    if (code == kKeyEscape || (code == WEV_ACTIVATION && value == 0)) {
        d->closeRequest = 1;
        return 1;
    }
    if (code == 1022) {
        dlgOpenHelp();
        return 1;
    }
    return 0;
}

void close() {
    editCmbTerm();
    if (gCmb.parentReq) evQenterExt(uint16_t(kCmbClosed), gCmb.select, 0, nullptr, gCmb.parentReq);
}

// The main window's kit jump: the kits using the selected wave, under the pointer.
int openKitJump(void *) {
    int x = 0, y = 0;
    ghostGetMousePos(&x, &y, gCmb.parent);
    editCmbSetInitializeFor(CMB_TYPE_KIT, x - kCmbKitWidth / 2, y + 8);
    return editCmbInit();
}

}  // namespace

void editCmbSetInitialize(int x, int y, int width, int height, int count, int type) {
    gCmb.x = x;
    gCmb.y = y;
    gCmb.width = width;
    gCmb.height = height;
    gCmb.count = count;
    gCmb.type = type;
}

void editCmbSetInitializeFor(int type, int x, int y) {
    sWaveList *list = G.currentWaveList;
    int count = type == CMB_TYPE_KIT ? waveWaveKitIsUsedCount(list, gpSelectWave)
                                     : waveListTagCount(list) + (type == CMB_TYPE_IMPORT_TAG ? 1 : 0);
    int height = std::min(count * kCmbRowH, kCmbMaxH);
    editCmbSetInitialize(x, y, type == CMB_TYPE_KIT ? kCmbKitWidth : kCmbTagWidth, height, count, type);
}

void editCmbSetInitializeString(int, const char *) {}

void editCmbSetParentWindow(_sWindow *window, _sEvQueue *requestQueue) {
    gCmb.parent = window;
    gCmb.parentReq = requestQueue;
}

void editCmbSetWindowOpenRequest(void) { gCmb.openRequest = 1; }
void editCmbSetWindowCloseRequest(void) { gCmb.d.closeRequest = 1; }
int editCmbGetIsWindow(void) { return gCmb.d.window ? 1 : 0; }
_sWindow *editCmbWindowPtr(void) { return gCmb.d.window; }
CgifUICmb *editCmbGetScreen(void) { return static_cast<CgifUICmb *>(gCmb.d.screen); }
int editCmbGetSelectIndex(void) { return gCmb.select; }
void editCmbSetSelectIndex(int index) { gCmb.select = index; }
int editCmbGetType(void) { return gCmb.type; }

sTag *editCmbTagForIndex(int index) {
    int i = gCmb.type == CMB_TYPE_IMPORT_TAG ? index - 1 : gCmb.type == CMB_TYPE_TAG ? index : -1;
    return i >= 0 ? waveListTagPtr(G.currentWaveList, i) : nullptr;
}

int editCmbInit(void) {
    gCmb.select = -1;
    if (gCmb.d.window) return 0;
    // Nothing to choose from: the opener hears at once that nothing was chosen.
    if (gCmb.count <= 0 || gCmb.height <= 0) {
        if (gCmb.parentReq) evQenterExt(uint16_t(kCmbClosed), -1, 0, nullptr, gCmb.parentReq);
        return -1;
    }
    int left = gCmb.x, top = gCmb.y;
    if (gCmb.parent) {
        left += gCmb.parent->frameLeft + ghostWindowGetFrameWidth(gCmb.parent);
        top += gCmb.parent->clientTop;
    }
    gCmb.d.filter = filter;
    auto *screen = new CgifUICmb(gCmb.type, gCmb.width, gCmb.height);
    return dlgOpenAt(&gCmb.d, L"KVB-RT Wave Manager - Commbo box", left, top, gCmb.width, gCmb.height, 1, 0, screen,
                     false);
}

void editCmbMain(void) {
    if (gCmb.openRequest) {
        gCmb.openRequest = 0;
        editCmbInit();
    }
    if (!gCmb.d.window) return;
    if (gCmb.d.closeRequest || dlgStep(&gCmb.d, nullptr, nullptr) != DLG_OPEN) close();
}

void editCmbTerm(void) { dlgClose(&gCmb.d); }

sMainSecondary editCmbSecondary(void) {
    sMainSecondary s{};
    s.window.name = "popup";
    s.window.step = [](void *) { editCmbMain(); };
    s.window.term = [](void *) { editCmbTerm(); };
    s.window.isOpen = [](void *) { return editCmbGetIsWindow(); };
    s.window.cancel = [](void *) { editCmbSetWindowCloseRequest(); };
    s.open = openKitJump;
    s.setParent = [](void *, _sWindow *w, _sEvQueue *q) { editCmbSetParentWindow(w, q); };
    return s;
}
