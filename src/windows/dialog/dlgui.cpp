// The secondary windows' screen. See dlgui.h.
#include "windows/dialog/dlgui.h"

#include "gui/button.h"
#include "gui/text.h"
#include "resource/pictures.h"

int CgifUIDialog::initDialog(int picture) {
    if (initManagers(512, 256) < 0 || loadPictures(kPictureCount) < 0) return 0;
    panel = new CgifFrDialog;
    if (!panel || addFrame(panel) < 0) {
        delete panel;
        panel = nullptr;
        return 0;
    }
    if (panel->init(picture) < 0) return 0;
    screenFlags |= UIF_REDRAW | UIF_CLEAR | UIF_REDRAW2;
    return 1;
}

CgifUIButton *CgifUIDialog::addButton(int picture, float x, float y, const char *caption, int32_t message) {
    CgifUIButton *b = addPictureButton(picture, 1, x, y, message);
    if (b) {
        b->setType(BUTTON_CAPTION);
        b->setButtonStr(caption);
    }
    return b;
}

CgifUIButton *CgifUIDialog::addPictureButton(int picture, int count, float x, float y, int32_t message) {
    CgifUIButton *b = panel ? panel->adopt(new CgifUIButton) : nullptr;
    int pictures[6];
    for (int i = 0; i < 2 * count && i < 6; i++) pictures[i] = picture + i;
    if (!b || b->init(pictures, 2 * count) < 0) return nullptr;
    b->setWorldLeftTopPos(x, y);
    b->setMessage(message, 0);
    return b;
}

CgifUIText *CgifUIDialog::addField(int picture, float x, float y, int capacity, int32_t message) {
    CgifUIText *t = panel ? panel->adopt(new CgifUIText) : nullptr;
    if (!t || t->init(picture) < 0) return nullptr;
    t->setWorldLeftTopPos(x, y);
    t->setCapacity(capacity);
    t->setTextColor(kDlgDark);
    t->setFlags(TEXT_TEXTURED);
    // The screen reports the text itself when the editing ends.
    t->setMessage(message, 0);
    t->clearFlags(OBJ_POSTS);
    return t;
}

void CgifUIDialog::deleteFrameObject(CgifUIObjBase *widget) {
    auto *t = dynamic_cast<CgifUIText *>(widget);
    if (t && t->message >= 0) sendEventID(t->message, t->param, 0, t->getMessageData());
    if (panel) panel->setDirty();
}
