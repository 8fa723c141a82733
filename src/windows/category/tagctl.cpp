// The category window's controller. See tagctl.h.
#include "windows/category/tagctl.h"

#include "foundation/global.h"
#include "gui/gifqueue.h"
#include "platform/ghost.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "wavelib/order.h"
#include "wavelib/request.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"
#include "windows/category/tagui.h"
#include "windows/dialog/dialog.h"

namespace {

sDlgWindow gTag{};
// 1 while an edit runs (from Init to its confirmation or undoing).
int gEditing = 0;

sWaveList *library() { return G.currentWaveList; }

// Ends the edit: confirmed, or undone with the names it started with.
void endEdit(bool confirm) {
    if (!gEditing) return;
    gEditing = 0;
    if (confirm) {
        waveTagEditEffective(library());
        waveTagSaveRequest();
    } else {
        waveTagEditCancel(library(), 0);
    }
    waveListSortItAllRequest();
    editWaveUtilityUpdateRequest();
}

void rename(sTag *tag, const char *text) {
    const sTag *clash = nullptr;
    if (!tag || tag == library()->defaultTag || !dlgNameUsable(text)) {
        if (tag && tag == library()->defaultTag) editTagMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_NOT_POSSIBLE, MBOX_KIND_OK);
        dlgPost(&gTag, TAG_REQ_REFUSED, 0);
        return;
    }
    int check = waveTagNameCheck(library(), text, tag, &clash);
    if (check != TAG_NAME_OK) {
        editTagMboxOpen(DNASTR_TITLE_ERROR, check == TAG_NAME_IN_USE ? DNASTR_ERR_TAG_NAME_USED : DNASTR_ERR_NOT_POSSIBLE,
                        MBOX_KIND_OK);
        dlgPost(&gTag, TAG_REQ_REFUSED, 0);
        return;
    }
    waveTagName(tag, text);
    dlgPost(&gTag, TAG_REQ_RENAMED, 0);
}

void messages(void *) {
    intptr_t value = 0, param = 0;
    char text[64];
    sWaveList *list = library();
    while (int32_t msg = gifQread(&value, &param, text, sizeof text, G.gifQueue)) {
        if (gTag.closeRequest) continue;
        auto *tag = reinterpret_cast<sTag *>(value);
        switch (msg) {
        case TAG_MSG_CREATE:
            if (sTag *made = waveTagCreate(list, text, editTagMboxOpen, 1)) {
                waveTagIsTmpCreate(made, 1);
                dlgPost(&gTag, TAG_REQ_CREATED, reinterpret_cast<intptr_t>(made));
            } else {
                dlgPost(&gTag, TAG_REQ_FAILED, 0);
            }
            break;
        case TAG_MSG_REMOVE:
            // The default category receives the waves of the others: it stays.
            if (tag == list->defaultTag || waveTagIsTmpDispose(list, tag) != 0)
                editTagMboxOpen(DNASTR_TITLE_ERROR, DNASTR_ERR_NOT_POSSIBLE, MBOX_KIND_OK);
            dlgPost(&gTag, TAG_REQ_CHANGED, 0);
            break;
        case TAG_MSG_RENAME: rename(tag, text); break;
        case TAG_MSG_BEFORE:
        case TAG_MSG_AFTER:
            if (msg == TAG_MSG_BEFORE) waveTagReplacementBefore(list, reinterpret_cast<sTag *>(param), tag);
            else waveTagReplacementAfter(list, reinterpret_cast<sTag *>(param), tag);
            dlgPost(&gTag, TAG_REQ_CHANGED, 0);
            break;
        case TAG_MSG_OK:
            gTag.closeRequest = 1;
            endEdit(!dlgCardGone());
            break;
        case TAG_MSG_CANCEL:
            gTag.closeRequest = 1;
            endEdit(false);
            break;
        default: break;
        }
    }
}

}  // namespace

int editTagInit(void) {
    if (!library()) return -1;
    waveTagEditInitialize(library());
    gEditing = 1;
    if (dlgOpen(&gTag, L"KVB-RT Wave Manager - Category", 512, 170, 2, new CgifUITag, true) != 0) {
        endEdit(false);
        return -1;
    }
    return 0;
}

void editTagMain(void) {
    if (gTag.window && dlgStep(&gTag, messages, nullptr) != DLG_OPEN) editTagTerm();
}

void editTagTerm(void) {
    // However the window ends, an edit still running is undone: categories it
    // made must not keep their mark.
    endEdit(false);
    dlgClose(&gTag);
}

int editTagGetIsWindow(void) { return gTag.window ? 1 : 0; }
_sWindow *editTagWindowPtr(void) { return gTag.window; }
CgifUITag *editTagGetScreen(void) { return static_cast<CgifUITag *>(gTag.screen); }
void editTagSetWindowCloseRequest(void) { gTag.closeRequest = 1; }
void edtiWaveTagAble(int on) { dlgAble(&gTag, on); }

int editTagMboxOpen(int title, int message, int kind) {
    return ghostMBoxOpen(dnaStrGetPtr(title), dnaStrGetPtr(message), kind, gTag.window);
}

sMainSecondary editTagSecondary(void) {
    sMainSecondary s{};
    s.window.name = "category";
    s.window.step = [](void *) { editTagMain(); };
    s.window.term = [](void *) { editTagTerm(); };
    s.window.isOpen = [](void *) { return editTagGetIsWindow(); };
    s.window.cancel = [](void *) { editTagSetWindowCloseRequest(); };
    s.open = [](void *) { return editTagInit(); };
    return s;
}
