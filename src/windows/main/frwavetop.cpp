// The header: the file count and the remaining space. See frames.h.
#include <cstdio>
#include <initializer_list>

#include "foundation/global.h"
#include "gui/button.h"
#include "resource/pictures.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"
#include "windows/main/frames.h"
#include "windows/main/wavutil.h"

int CgifFrWaveTop::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (setBackground(-1, 30, 15, 360, 48) < 0) return -1;
    newTag = new CgifUIButton;
    import = new CgifUIButton;
    for (CgifUIButton *b : {newTag, import})
        if (!b || addObject(b) < 0) return -1;
    const int tagPics[2] = {eFILE_NEW_CATEGORY, eFILE_NEW_CATEGORY + 1};
    const int importPics[2] = {eFILE_IMPORT, eFILE_IMPORT + 1};
    if (newTag->init(tagPics, 2) < 0 || import->init(importPics, 2) < 0) return -1;
    newTag->setWorldLeftTopPos(312, 23);
    import->setWorldLeftTopPos(352, 23);
    // The new category is made by the screen when the button is let go.
    newTag->setMessage(MW_MSG_TAG_SAVE, 0);
    newTag->clearFlags(OBJ_POSTS);
    import->setMessage(MW_MSG_OPEN_IMPORT, 0);
    return 0;
}

void CgifFrWaveTop::update() {
    text[0] = 0;
    sWaveList *list = G.currentWaveList;
    if (!list) return;
    char remain[48] = "";
    rliStorageDiskFreeSizeRatioString(remain, sizeof remain, G.volumeRoot);
    std::snprintf(text, sizeof text, "File:%d/10000 Remain:%s", waveListWaveCount(list), remain);
}

void CgifFrWaveTop::drawPrivate() {
    mwDrawPicture(eFILE_MAIN_BG, 0, 0);
    mwDrawPicture(eFILE_HEADER, 30, 15);
    drawObjects();
    mwDrawText(8, 42, 44, text, kMwText);
}
