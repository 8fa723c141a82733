// The category window's screen. See tagui.h.
#include "windows/category/tagui.h"

#include "foundation/global.h"
#include "gui/button.h"
#include "gui/text.h"
#include "resource/pictures.h"
#include "wavelib/tagedit.h"
#include "wavelib/wavelist.h"
#include "windows/category/tagctl.h"

int CgifUITag::init() {
    if (!initDialog(eFILE_DIALOG_BG)) return 0;
    list = new CgifFrTagList(this);
    if (!list || addFrame(list) < 0) {
        delete list;
        list = nullptr;
        return 0;
    }
    if (list->init() < 0) return 0;
    panel->addCaption("Name", 236, 18);
    name = addField(eFILE_TEXT_FIELD, 280, 16, int(kTagListNameMax), TAG_MSG_RENAME);
    add = addPictureButton(eFILE_ADD, 1, 236, 56, -1);
    up = addPictureButton(eFILE_MOVE_UP, 1, 276, 56, -1);
    down = addPictureButton(eFILE_MOVE_DOWN, 1, 316, 56, -1);
    remove = addButton(eFILE_DELETE, 400, 56, "Delete", -1);
    if (!name || !add || !up || !down || !remove || !addButton(eFILE_CANCEL, 316, 128, "Cancel", TAG_MSG_CANCEL) ||
        !addButton(eFILE_OK, 408, 128, "OK", TAG_MSG_OK))
        return 0;
    select(list->rowCount ? list->rows[0] : nullptr);
    return 1;
}

void CgifUITag::select(sTag *tag) {
    selected = tag;
    if (name) {
        name->setMessageData(tag ? waveTagNamePtr(tag) : "");
        name->param = reinterpret_cast<intptr_t>(tag);
        if (tag) name->clearFlags(OBJ_NO_INPUT);
        else name->setFlags(OBJ_NO_INPUT);
    }
    int row = list ? list->rowOf(tag) : -1;
    if (row >= 0 && row < list->first) list->first = row;
    if (row >= list->first + kTagRowsShown) list->first = row - kTagRowsShown + 1;
    setDrawAll();
}

void CgifUITag::calcEvent(int code, intptr_t value, const char *) {
    list->update();
    if (code == TAG_REQ_CREATED) select(reinterpret_cast<sTag *>(value));
    else select(list->rowOf(selected) >= 0 ? selected : list->rowCount ? list->rows[0] : nullptr);
}

void CgifUITag::deleteFrameObject(CgifUIObjBase *widget) {
    if (widget == name) {
        CgifUIDialog::deleteFrameObject(widget);
        return;
    }
    if (!widget || !widget->isHit(system.mouseX, system.mouseY)) return;
    if (widget == add) {
        char free[kTagNameLen + 1];
        waveTagNameAbleToUse(free, G.currentWaveList, "NEW");
        sendEventID(TAG_MSG_CREATE, 0, 0, free);
        return;
    }
    int row = list->rowOf(selected);
    if (row < 0) return;
    if (widget == remove) sendEventID(TAG_MSG_REMOVE, reinterpret_cast<intptr_t>(selected), 0, nullptr);
    if (widget == up && row > 0)
        sendEventID(TAG_MSG_BEFORE, reinterpret_cast<intptr_t>(selected), reinterpret_cast<intptr_t>(list->rows[row - 1]),
                    nullptr);
    if (widget == down && row + 1 < list->rowCount)
        sendEventID(TAG_MSG_AFTER, reinterpret_cast<intptr_t>(selected), reinterpret_cast<intptr_t>(list->rows[row + 1]),
                    nullptr);
}
