// The wave edit window's screen. See wavenameui.h.
#include "windows/waveedit/wavenameui.h"

#include <cstdio>

#include "gui/button.h"
#include "gui/label.h"
#include "gui/text.h"
#include "resource/pictures.h"
#include "wavelib/wavelist.h"
#include "windows/popup/cmbctl.h"
#include "windows/waveedit/wavenamectl.h"

int CgifUIWaveName::init() {
    if (!initDialog(eFILE_DIALOG_SMALL_BG)) return 0;
    panel->addCaption("Name", 14, 22);
    panel->addCaption("Category", 14, 60);
    name = addField(eFILE_TEXT_FIELD, 70, 20, int(kWaveNameLen), WN_MSG_NAME);
    chooser = panel->adopt(new CgifUILabel);
    if (!name || !chooser || chooser->init(eFILE_CHOOSER) < 0) return 0;
    chooser->setWorldLeftTopPos(70, 58);
    chooser->setFontSize(12);
    chooser->setTextColor(kDlgDark);
    chooser->setMessage(WN_MSG_OPEN_CHOOSER, 0);
    if (!addButton(eFILE_DELETE, 12, 128, "Delete", WN_MSG_DELETE) ||
        !addButton(eFILE_CANCEL, 104, 128, "Cancel", WN_MSG_CANCEL) ||
        !addButton(eFILE_OK, 188, 128, "OK", WN_MSG_OK))
        return 0;
    if (count == 1) {
        setName(startName);
    } else {
        // Several waves keep their own names: the field only says how many.
        char text[32];
        std::snprintf(text, sizeof text, "%d waves", count);
        name->setMessageData(text);
        name->setFlags(OBJ_NO_INPUT);
    }
    setTag(startTag);
    return 1;
}

void CgifUIWaveName::calcEvent(int code, intptr_t value, const char *) {
    if (code != kCmbClosed || value < 0) return;
    sTag *tag = editCmbTagForIndex(int(value));
    if (!tag) return;
    setTag(tag);
    sendEventID(WN_MSG_TAG, reinterpret_cast<intptr_t>(tag), 0, nullptr);
}

void CgifUIWaveName::setName(const char *text) {
    if (name) name->setMessageData(text);
    panel->setDirty();
}

void CgifUIWaveName::setTag(sTag *tag) {
    if (chooser) chooser->setMessageData(tag ? waveTagNamePtr(tag) : "");
    panel->setDirty();
}
