// The kit window's screen. See kitui.h.
#include "windows/kit/kitui.h"

#include "gui/text.h"
#include "resource/pictures.h"
#include "wavelib/wave.h"
#include "windows/kit/kitctl.h"

int CgifUIKit::init() {
    if (!initDialog(eFILE_DIALOG_SMALL_BG)) return 0;
    panel->addCaption("Name", 14, 22);
    panel->addCaption("Sub name", 14, 60);
    name = addField(eFILE_NAME_FIELD, 90, 20, int(kKitNameLen), KIT_MSG_NAME);
    subName = addField(eFILE_SUBNAME_FIELD, 90, 58, int(kKitSubNameLen), KIT_MSG_SUBNAME);
    if (!name || !subName || !addButton(eFILE_CANCEL, 104, 128, "Cancel", KIT_MSG_CANCEL) ||
        !addButton(eFILE_OK, 188, 128, "OK", KIT_MSG_OK))
        return 0;
    name->setMessageData(startName);
    subName->setMessageData(startSubName);
    return 1;
}
