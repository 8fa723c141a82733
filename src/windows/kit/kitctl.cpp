// The kit window's controller. See kitctl.h.
#include "windows/kit/kitctl.h"

#include "foundation/global.h"
#include "gui/gifqueue.h"
#include "gui/text.h"
#include "wavelib/request.h"
#include "wavelib/wavelist.h"
#include "windows/dialog/dialog.h"
#include "windows/kit/kitui.h"

namespace {

struct sKitWin {
    sDlgWindow d;
    sKit *kit;                          // the kit edited
    char name[kKitNameLen + 1];         // working texts, whole characters only
    char subName[kKitSubNameLen + 1];
};

sKitWin gKit{};

void confirm() {
    gKit.d.closeRequest = 1;
    if (dlgCardGone()) return;
    waveKitName(gKit.kit, gKit.name);
    waveKitSubName(gKit.kit, gKit.subName);
    waveKitIsFile(gKit.kit, 1);
    waveKitEdit(gKit.kit);
    waveKitSaveRequest();
    editWaveUtilityUpdateRequest();
}

// A field's text: kept when the card can hold it, else the field shows the last good one.
void takeText(char *dst, size_t cap, CgifUIText *field, const char *text) {
    if (dlgNameUsable(text, true)) dlgCopyName(dst, cap, text);
    if (field) field->setMessageData(dst);
}

void messages(void *) {
    intptr_t value = 0;
    char text[64];
    CgifUIKit *s = editKitGetScreen();
    while (int32_t msg = gifQread(&value, nullptr, text, sizeof text, G.gifQueue)) {
        if (gKit.d.closeRequest) continue;
        switch (msg) {
        case KIT_MSG_NAME: takeText(gKit.name, sizeof gKit.name, s->name, text); break;
        case KIT_MSG_SUBNAME: takeText(gKit.subName, sizeof gKit.subName, s->subName, text); break;
        case KIT_MSG_OK: confirm(); break;
        case KIT_MSG_CANCEL: gKit.d.closeRequest = 1; break;
        default: break;
        }
    }
}

}  // namespace

int editKitInit(void) {
    gKit.kit = waveKitSelectPtr();
    if (!gKit.kit) return -1;
    dlgCopyName(gKit.name, sizeof gKit.name, waveKitNamePtr(gKit.kit));
    dlgCopyName(gKit.subName, sizeof gKit.subName, waveKitSubNamePtr(gKit.kit));
    return dlgOpen(&gKit.d, L"KVB-RT Wave Manager - Kit", 280, 170, 2, new CgifUIKit(gKit.name, gKit.subName), false);
}

void editKitMain(void) {
    if (gKit.d.window && dlgStep(&gKit.d, messages, nullptr) != DLG_OPEN) editKitTerm();
}

void editKitTerm(void) { dlgClose(&gKit.d); }
int editKitGetIsWindow(void) { return gKit.d.window ? 1 : 0; }
_sWindow *editKitWindowPtr(void) { return gKit.d.window; }
CgifUIKit *editKitGetScreen(void) { return static_cast<CgifUIKit *>(gKit.d.screen); }
void editKitSetWindowCloseRequest(void) { gKit.d.closeRequest = 1; }
void edtiWaveKitAble(int on) { dlgAble(&gKit.d, on); }

sMainSecondary editKitSecondary(void) {
    sMainSecondary s{};
    s.window.name = "kit";
    s.window.step = [](void *) { editKitMain(); };
    s.window.term = [](void *) { editKitTerm(); };
    s.window.isOpen = [](void *) { return editKitGetIsWindow(); };
    s.window.cancel = [](void *) { editKitSetWindowCloseRequest(); };
    s.open = [](void *) { return editKitInit(); };
    return s;
}
