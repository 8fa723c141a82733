// The wave import window's controller. See importctl.h.
#include "windows/waveimport/importctl.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "audio/sound.h"
#include "foundation/global.h"
#include "foundation/str.h"
#include "gui/gifqueue.h"
#include "platform/evqueue.h"
#include "platform/ghost.h"
#include "resource/dnastr_ids.h"
#include "transfer/import.h"
#include "wavelib/request.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"
#include "windows/dialog/dialog.h"
#include "windows/popup/cmbctl.h"
#include "windows/waveimport/importui.h"

namespace {

struct sImportWin {
    sDlgWindow d;
    _sSound *sound;  // the candidate being listened to, or null
    int loop;        // the loop flag, kept for the next candidate
    int editing;     // 1 while the window's category edit runs
};

sImportWin gWI{};

sWaveList *library() { return G.currentWaveList; }
CgifUIWaveImport *screen() { return static_cast<CgifUIWaveImport *>(gWI.d.screen); }

void release() {
    soundDispose(gWI.sound);
    gWI.sound = nullptr;
}

void load(const char *path) {
    release();
    if (!path[0]) return;
    gWI.sound = soundCreate(path);
    if (!gWI.sound) return;
    soundSetLoop(gWI.sound, gWI.loop);
    char total[32];
    std::snprintf(total, sizeof total, "%llu", static_cast<unsigned long long>(soundGetTotTime(gWI.sound)));
    dlgPost(&gWI.d, WI_REQ_LOADED, 0, total);
}

// Ends the category edit: confirmed, or undone keeping the names.
void endEdit(bool confirm) {
    if (!gWI.editing) return;
    gWI.editing = 0;
    if (confirm) {
        waveTagEditEffective(library());
        waveTagSaveRequest();
    } else {
        waveTagEditCancel(library(), 1);
    }
    editWaveUtilityUpdateRequest();
}

void confirm() {
    gWI.d.closeRequest = 1;
    if (dlgCardGone()) {
        waveImportSetRequestCancel();
        endEdit(false);
        return;
    }
    for (const sImportCandidate &c : screen()->candidates)
        waveImportSetRequestEx(waveTagNumber(library(), c.tag ? c.tag : library()->defaultTag), c.path.c_str(),
                               c.convert ? uint32_t{IMPORT_CONVERT} : 0u);
    endEdit(true);
    if (!screen()->candidates.empty()) waveListWaveImportSelectReqeust();
}

// The pop-up list's choice: a category, or a new one made for it.
void chooseTag(int index) {
    sTag *tag = editCmbTagForIndex(index);
    if (index == 0) {
        char name[kTagNameLen + 1];
        waveTagNameAbleToUse(name, library(), "NEW");
        tag = waveTagCreate(library(), name, [](int t, int m, int k) { return editWaveUtilityMboxOpen(t, m, k); }, 1);
        if (tag) waveTagIsTmpCreate(tag, 1);
    }
    if (tag) screen()->setTag(tag);
}

void readMessages() {
    intptr_t value = 0;
    std::string text(kRliPathMax, '\0');
    while (int32_t msg = gifQread(&value, nullptr, text.data(), text.size(), G.gifQueue)) {
        if (gWI.d.closeRequest) continue;
        switch (msg) {
        case WI_MSG_PLAY:
            if (!gWI.sound) break;
            if (value) {
                soundSetLoop(gWI.sound, gWI.loop);
                soundPlay(gWI.sound);
            } else {
                soundStop(gWI.sound);
                dlgPost(&gWI.d, WI_REQ_STOPPED, 0);
            }
            break;
        case WI_MSG_STOP:
            if (gWI.sound) soundStop(gWI.sound);
            dlgPost(&gWI.d, WI_REQ_STOPPED, 0);
            break;
        case WI_MSG_LOOP:
            gWI.loop = int(value);
            soundSetLoop(gWI.sound, gWI.loop);
            break;
        case WI_MSG_OPEN_CHOOSER:
            editCmbSetInitializeFor(CMB_TYPE_IMPORT_TAG, 332, 116);
            editCmbSetParentWindow(gWI.d.window, gWI.d.req);
            editCmbSetWindowOpenRequest();
            break;
        case WI_MSG_BROWSE:
            release();
            dlgPost(&gWI.d, WI_REQ_STOPPED, 0);
            {
                char first[kRliPathMax];
                ghostFileDlgOpen(first, sizeof first, nullptr, gWI.d.window);
            }
            dlgPost(&gWI.d, WI_REQ_DIALOG, 0);
            break;
        case WI_MSG_LOAD: load(text.c_str()); break;
        case WI_MSG_TAG: chooseTag(int(value)); break;
        case WI_MSG_DROP:
            for (int i = 0; i < ghostDragCount(); i++) {
                const char *path = ghostDragCount(i);
                // A path that would be cut names another file: refused by name.
                if (path && std::strlen(path) >= kRliPathMax - 1)
                    editWaveUtilityMboxOpenMsg(DNASTR_TITLE_ERROR, strMessageAddFilename(DNASTR_ERR_PATH, path), MBOX_KIND_OK);
                else if (path) dlgPost(&gWI.d, WI_REQ_PATH, 0, path);
            }
            break;
        case WI_MSG_REFUSED:
            editWaveUtilityMboxOpenMsg(DNASTR_TITLE_ERROR, strMessageAddFilename(int(value), text.c_str()), MBOX_KIND_OK);
            break;
        case WI_MSG_OK: confirm(); break;
        case WI_MSG_CANCEL:
            gWI.d.closeRequest = 1;
            endEdit(false);
            break;
        default: break;
        }
    }
}

void messages(void *) {
    for (;;) {
        readMessages();
        // Asked once the whole batch is in: a drop's files arrive together,
        // a dialog's one event at a time. The answer's messages are read too.
        if (gWI.d.closeRequest || screen()->convertible.empty() || evQcount(gWI.d.queue) != 0) return;
        screen()->takeConvertible(
            editWaveUtilityMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_CONVERT, MBOX_KIND_YES_NO) == MBOX_YES);
    }
}

}  // namespace

int editWaveImportInit(void) {
    sWaveList *list = library();
    if (!list) return -1;
    gWI.editing = 1;
    sTag *start = waveTagSelectPtr() ? waveTagSelectPtr() : list->defaultTag;
    if (dlgOpen(&gWI.d, L"KVB-RT Wave Manager - Wave Import", 512, 170, 3, new CgifUIWaveImport(start), true) != 0) {
        gWI.editing = 0;
        return -1;
    }
    return 0;
}

void editWaveImportMain(void) {
    if (!gWI.d.window) return;
    if (gWI.sound) {
        soundDoCalc(gWI.sound);
        if (soundGetIsEnd(gWI.sound) == 1) dlgPost(&gWI.d, WI_REQ_ENDED, 0);
    }
    // The close box does what Cancel does: the edit is undone in Term.
    if (dlgStep(&gWI.d, messages, nullptr) != DLG_OPEN) editWaveImportTerm();
}

void editWaveImportTerm(void) {
    release();
    // However the window ends, categories made in it and not confirmed go:
    // left marked, a later cancel elsewhere would delete them under the
    // waves that joined them since.
    endEdit(false);
    dlgClose(&gWI.d);
    editCmbSetParentWindow(nullptr, nullptr);
}

int editWaveImportGetIsWindow(void) { return gWI.d.window ? 1 : 0; }
_sWindow *editWaveImportWindowPtr(void) { return gWI.d.window; }
_sEvQueue *editWaveImportGetReqEventPtr(void) { return gWI.d.req; }
CgifUIWaveImport *editWaveImportGetScreen(void) { return screen(); }
void editWaveImportSetWindowCloseRequest(void) { gWI.d.closeRequest = 1; }
void edtiWaveImportAble(int on) { dlgAble(&gWI.d, on); }
int editWaveImportGetNowPlayingWave(void) { return gWI.sound && soundGetPlaying(gWI.sound) == 1 ? 0 : -1; }

sMainSecondary editWaveImportSecondary(void) {
    sMainSecondary s{};
    s.window.name = "waveimport";
    s.window.step = [](void *) { editWaveImportMain(); };
    s.window.term = [](void *) { editWaveImportTerm(); };
    s.window.isOpen = [](void *) { return editWaveImportGetIsWindow(); };
    s.window.cancel = [](void *) { editWaveImportSetWindowCloseRequest(); };
    s.open = [](void *) { return editWaveImportInit(); };
    s.getWindow = [](void *) { return editWaveImportWindowPtr(); };
    s.getReqQueue = [](void *) { return editWaveImportGetReqEventPtr(); };
    return s;
}
