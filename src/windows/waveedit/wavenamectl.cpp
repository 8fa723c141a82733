// The wave edit window's controller. See wavenamectl.h.
#include "windows/waveedit/wavenamectl.h"

#include <cstring>
#include <vector>

#include "foundation/global.h"
#include "gui/gifqueue.h"
#include "platform/evqueue.h"
#include "platform/ghost.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "wavelib/player.h"
#include "wavelib/request.h"
#include "wavelib/wavelist.h"
#include "windows/dialog/dialog.h"
#include "windows/main/wavutil.h"
#include "windows/popup/cmbctl.h"
#include "windows/waveedit/wavenameui.h"

namespace {

struct sWaveName {
    sDlgWindow d;
    std::vector<sWave *> selection;  // the waves handed over, in list order
    char name[kWaveNameLen + 1];     // the working name
    sTag *tag;                       // the chosen category
    int tagChanged;
    int deleted;
};

sWaveName gWN{};

CgifUIWaveName *screen() { return static_cast<CgifUIWaveName *>(gWN.d.screen); }

void closeWindow() { gWN.d.closeRequest = 1; }

void deleteWaves() {
    if (editWaveNameMboxOpen(DNASTR_TITLE_QUESTION, DNASTR_ASK_DELETE_WAVES, MBOX_KIND_YES_NO) != MBOX_YES) return;
    closeWindow();
    if (dlgCardGone()) return;
    for (sWave *w : gWN.selection) waveWaveDisposeFileRequest(w, 0);
    waveWaveSelect(nullptr);
    editWaveUtilityResetWaveParameter();
    editWaveUtilityUpdateRequest();
    editWaveUtilityMenuOnOff(1003, 0);
    editWaveUtilityMenuWaveAndPadAble();
    gWN.deleted = 1;
}

void confirm() {
    closeWindow();
    if (dlgCardGone()) {
        evQenterExt(MW_REQ_WAVEEDIT_DONE, 0, 0, nullptr, editWaveUtilityGetReqEventPtr());
        return;
    }
    bool one = gWN.selection.size() == 1;
    for (sWave *w : gWN.selection) {
        if (gWN.tagChanged && gWN.tag) waveWaveTagChange(w, gWN.tag);
        if (one) waveWaveName(w, gWN.name);
        waveWaveSaveRequest(w, 1);
    }
    waveListOperationWaveDelete();
    editWaveUtilityUpdateRequest();
    waveListSortItAllRequest();
    evQenterExt(MW_REQ_WAVEEDIT_DONE, 1, 0, nullptr, editWaveUtilityGetReqEventPtr());
}

void messages(void *) {
    intptr_t value = 0;
    char text[64];
    while (int32_t msg = gifQread(&value, nullptr, text, sizeof text, G.gifQueue)) {
        if (gWN.d.closeRequest) continue;
        switch (msg) {
        case WN_MSG_OPEN_CHOOSER:
            editCmbSetInitializeFor(CMB_TYPE_TAG, 70, 82);
            editCmbSetParentWindow(gWN.d.window, gWN.d.req);
            editCmbSetWindowOpenRequest();
            break;
        case WN_MSG_DELETE: deleteWaves(); break;
        case WN_MSG_NAME:
            // A name the card cannot keep is refused; the field shows the last good one.
            if (dlgNameUsable(text)) dlgCopyName(gWN.name, sizeof gWN.name, text);
            screen()->setName(gWN.name);
            break;
        case WN_MSG_TAG:
            gWN.tag = reinterpret_cast<sTag *>(value);
            gWN.tagChanged = 1;
            break;
        case WN_MSG_NOT_POSSIBLE: editWaveNameMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_NOT_POSSIBLE, MBOX_KIND_OK); break;
        case WN_MSG_OK: confirm(); break;
        case WN_MSG_CANCEL: closeWindow(); break;
        default: break;
        }
    }
}

}  // namespace

void editWaveNameSetSelectWave(sWave *wave) {
    if (wave) gWN.selection.push_back(wave);
}

int editWaveNameInit(void) {
    gWN.deleted = 0;
    gWN.tagChanged = 0;
    if (gWN.selection.empty() && gpSelectWave) gWN.selection.push_back(gpSelectWave);
    if (gWN.selection.empty()) return -1;
    // The texts and the edit come from the same wave: the first handed over.
    sWave *first = gWN.selection.front();
    dlgCopyName(gWN.name, sizeof gWN.name, waveWaveNamePtr(first));
    gWN.tag = waveWaveTagPtr(first);
    auto *s = new CgifUIWaveName(int(gWN.selection.size()), gWN.name, gWN.tag);
    if (dlgOpen(&gWN.d, L"KVB-RT Wave Manager - Wave", 280, 170, 2, s, true) != 0) {
        gWN.selection.clear();
        return -1;
    }
    return 0;
}

void editWaveNameMain(void) {
    if (gWN.d.window && dlgStep(&gWN.d, messages, nullptr) != DLG_OPEN) editWaveNameTerm();
}

void editWaveNameTerm(void) {
    dlgClose(&gWN.d);
    gWN.selection.clear();
    editCmbSetParentWindow(nullptr, nullptr);
}

int editWaveNameGetIsWindow(void) { return gWN.d.window ? 1 : 0; }
_sWindow *editWaveNameWindowPtr(void) { return gWN.d.window; }
CgifUIWaveName *editWaveNameGetScreen(void) { return screen(); }
_sEvQueue *editWaveNameGetReqEventPtr(void) { return gWN.d.req; }
int editWaveNameGetDeleteEnd(void) { return gWN.deleted; }
void editWaveNameSetWindowCloseRequest(void) { gWN.d.closeRequest = 1; }
void edtiWaveNameAble(int on) { dlgAble(&gWN.d, on); }

int editWaveNameMboxOpen(int title, int message, int kind) {
    return ghostMBoxOpen(dnaStrGetPtr(title), dnaStrGetPtr(message), kind, gWN.d.window);
}

sMainSecondary editWaveNameSecondary(void) {
    sMainSecondary s{};
    s.window.name = "waveedit";
    s.window.step = [](void *) { editWaveNameMain(); };
    s.window.term = [](void *) { editWaveNameTerm(); };
    s.window.isOpen = [](void *) { return editWaveNameGetIsWindow(); };
    s.window.cancel = [](void *) { editWaveNameSetWindowCloseRequest(); };
    s.open = [](void *) { return editWaveNameInit(); };
    s.addSelectedWave = [](void *, sWave *w) { editWaveNameSetSelectWave(w); };
    s.endedByDelete = [](void *) { return editWaveNameGetDeleteEnd(); };
    s.getWindow = [](void *) { return editWaveNameWindowPtr(); };
    s.getReqQueue = [](void *) { return editWaveNameGetReqEventPtr(); };
    return s;
}
