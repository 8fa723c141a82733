// The kit selector. See frames.h.
#include <cstring>
#include <initializer_list>

#include "foundation/global.h"
#include "gui/spin.h"
#include "gui/text.h"
#include "resource/pictures.h"
#include "wavelib/wavelist.h"
#include "windows/main/frames.h"
#include "windows/main/wavutil.h"

int CgifFrKit::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (setBackground(-1, 410, 15, 360, 48) < 0) return -1;
    spin = new CgifUISpin;
    name = new CgifUIText;
    subName = new CgifUIText;
    for (CgifUIObjBase *w : {static_cast<CgifUIObjBase *>(spin), static_cast<CgifUIObjBase *>(name),
                             static_cast<CgifUIObjBase *>(subName)})
        if (!w || addObject(w) < 0) return -1;
    if (spin->init() < 0 || name->init(eFILE_NAME_FIELD) < 0 || subName->init(eFILE_SUBNAME_FIELD) < 0) return -1;
    spin->setSize(64, 28);
    spin->setWorldLeftTopPos(418, 25);
    spin->setMinMax(1, kKitCount);
    spin->clearFlags(OBJ_POSTS);
    name->setWorldLeftTopPos(490, 27);
    subName->setWorldLeftTopPos(598, 27);
    // Each field takes exactly what its kit field holds: a longer text
    // would be cut when it is stored.
    name->setCapacity(int(kKitNameLen));
    subName->setCapacity(int(kKitSubNameLen));
    for (CgifUIText *t : {name, subName}) {
        t->setTextColor(gifGrey(0.0f));
        t->setFlags(TEXT_TEXTURED);
        t->clearFlags(OBJ_POSTS);
    }
    return 0;
}

void CgifFrKit::update() {
    sKit *kit = waveListKitPtr(G.currentWaveList, screen->kitIndex);
    if (spin) spin->setValue(screen->kitIndex + 1);
    if (!kit) return;
    if (name && !name->editing) name->setMessageData(waveKitNamePtr(kit));
    if (subName && !subName->editing) subName->setMessageData(waveKitSubNamePtr(kit));
    waveKitSelect(kit);
    setDirty();
}

void CgifFrKit::drawPrivate() {
    mwDrawPicture(eFILE_MAIN_BG, 0, 0);
    mwDrawPicture(eFILE_KIT_PANEL, 410, 15);
    mwDrawPicture(eFILE_NUMBER_FIELD, 418, 25);
    drawObjects();
}
