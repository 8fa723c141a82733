// The secondary windows' shared step. See dialog.h.
#include "windows/dialog/dialog.h"

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "app/usi.h"
#include "foundation/global.h"
#include "gui/gifqueue.h"
#include "gui/sjis.h"
#include "gui/ui.h"
#include "platform/evqueue.h"
#include "platform/ghost.h"
#include "resource/dnastr_ids.h"
#include "wavelib/request.h"
#include "wavelib/xml.h"
#include "windows/main/mainctl.h"

namespace {

// Room for an event's text: a dropped or chosen path.
constexpr size_t kTextCap = kRliPathMax;

void queueEvent(_sWindow *, void *user, uint16_t code, int32_t value, char key, const char *text) {
    evQenterExt(code, value, key, text, static_cast<sDlgWindow *>(user)->queue);
}

}  // namespace

int dlgOpen(sDlgWindow *d, const wchar_t *title, int w, int h, int icon, CgifUI *screen, bool withReq) {
    int cx = 0, cy = 0;
    editWaveUtilityWindowCenterPosition(&cx, &cy);
    return dlgOpenAt(d, title, cx - w / 2, cy - h / 2, w, h, 0, icon, screen, withReq);
}

int dlgOpenAt(sDlgWindow *d, const wchar_t *title, int x, int y, int w, int h, int flag, int icon, CgifUI *screen,
              bool withReq) {
    dlgClose(d);
    d->window = ghostWindowCreate(title, x, y, w, h, w, h, w, h, 0, 1, flag, 0, icon, 0);
    d->queue = evQInit();
    d->req = withReq ? evQInit() : nullptr;
    d->screen = screen;
    d->closeRequest = 0;
    if (!d->window || !d->queue || (withReq && !d->req) || !screen || ghostActivateWindowDrawingContext(d->window) != 0) {
        dlgClose(d);
        return -1;
    }
    ghostWindowSetHandler(queueEvent, d, d->window);
    ghostWindowSetDraw(d->window, 1);
    screen->setWindowSize(w, h);
    if (!screen->init()) {
        dlgClose(d);
        return -1;
    }
    screen->setInput(d->window);
    screen->calc(WEV_REDRAW, 1, 0, nullptr);
    dlgPresent(d);
    return 0;
}

void dlgClose(sDlgWindow *d) {
    if (d->screen && d->window) ghostActivateWindowDrawingContext(d->window);
    delete d->screen;
    evQTerm(d->req);
    evQTerm(d->queue);
    if (d->window) {
        ghostWindowSetDraw(d->window, 0);
        ghostWindowDispose(d->window);
    }
    dlgFilterFn filter = d->filter;
    *d = sDlgWindow{};
    d->filter = filter;
}

int dlgStep(sDlgWindow *d, dlgMessageFn messages, void *user) {
    if (!d->window) return DLG_OPEN;
    for (;;) {
        ghostActivateWindowDrawingContext(d->window);
        if (evQcount(d->queue) == 0) ghostEventsProcess(0);
        intptr_t value = 0;
        char key = 0;
        char text[kTextCap];
        text[0] = 0;
        uint16_t code = evQread(&value, &key, text, sizeof text, d->queue);
        if (code == WEV_CLOSE_BOX) return DLG_CLOSE_BOX;
        if (d->closeRequest) return DLG_CLOSED;
        if (code == WEV_RESIZED) {
            int w = 0, h = 0;
            ghostWindowGetSize(&w, &h, d->window);
            d->screen->setWindowSize(w, h);
        }
        uint16_t read = code;
        if (d->filter && d->filter(d, code, int32_t(value))) code = 0, value = 0, key = 0;
        d->screen->calc(code, int(value), key, code && text[0] ? text : nullptr);
        // The notifications first, so what the screen posts for them is read
        // in this step too.
        intptr_t v = 0;
        char t[kTextCap];
        if (d->req)
            while (uint16_t c = evQread(&v, nullptr, t, sizeof t, d->req)) d->screen->calcEvent(c, v, t);
        if (messages) messages(user);
        // Drop what the handler left unread: the main window's step, which
        // runs next, would read it as its own.
        while (gifQread(nullptr, nullptr, nullptr, 0, G.gifQueue)) {}
        if (!d->window) return DLG_OPEN;
        if (d->closeRequest) return DLG_CLOSED;
        dlgPresent(d);
        if (!read) return DLG_OPEN;
    }
}

void dlgPost(sDlgWindow *d, int code, intptr_t value, const char *text) {
    if (d->req) evQenterExt(uint16_t(code), value, 0, text, d->req);
}

void dlgPresent(sDlgWindow *d) {
    if (!d->window || !d->screen || ghostActivateWindowDrawingContext(d->window) != 0) return;
    d->screen->draw();
    if (d->screen->getGraphicsFinish()) {
        ghostWindowSwapBuffersRect(d->window, 0, 0, 0, 0);
        ghostGraphicsFinish(d->window);
    }
}

void dlgAble(sDlgWindow *d, int on) { ghostWindowSetAble(d->window, on); }

bool dlgCardGone(void) {
    if (!usiCardGone()) return false;
    editWaveUtilityMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_CARD_GONE, MBOX_KIND_OK);
    editWaveUtilitySetWindowErrCloseRequest();
    return true;
}

bool dlgNameUsable(const char *name, bool mayBeEmpty) {
    bool blank = true;
    for (const char *p = name ? name : ""; *p; ++p) blank = blank && *p == ' ';
    if ((mayBeEmpty || !blank) && xmlValueIsWritable(name)) return true;
    editWaveUtilityMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_NOT_POSSIBLE, MBOX_KIND_OK);
    return false;
}

void dlgCopyName(char *dst, size_t cap, const char *text) { gifStrCopy(dst, cap, text); }

void dlgOpenHelp(void) {
    char folder[kRliPathMax];
    std::string path;
    if (ghostGetDataPath(folder, sizeof folder, "document") == 0)
        path = std::string(folder) + "/KVB-RT_Wave_Manager_" + osGetISO() + ".pdf";
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0 || ghostExecute(path.c_str()) != 0)
        editWaveUtilityMboxOpenMsg(DNASTR_TITLE_ERROR, strMessageAddFilename(DNASTR_ERR_NOT_POSSIBLE, path.c_str()),
                                   MBOX_KIND_OK);
}
