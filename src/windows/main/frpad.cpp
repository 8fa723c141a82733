// The pads of the selected kit. See frames.h.
#include <cstdio>

#include "foundation/global.h"
#include "platform/ghost.h"
#include "resource/pictures.h"
#include "wavelib/wavelist.h"
#include "windows/main/frames.h"
#include "windows/main/mainctl.h"
#include "windows/main/wavutil.h"

namespace {

constexpr sGifColor kNumber = gifRgb255(160, 168, 180);

}  // namespace

int CgifFrPad::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    bool ex = first >= 9;
    return setBackground(-1, 410, ex ? 315 : 75, 360, ex ? 104 : 228);
}

void CgifFrPad::padRect(int i, float *x, float *y, float *w, float *h) const {
    bool ex = first >= 9;
    *x = float(410 + i % 3 * 124);
    *y = ex ? float(315 + i / 3 * 58) : float(75 + i / 3 * 80);
    *w = 112;
    *h = ex ? 46 : 68;
}

int CgifFrPad::slotAt(float px, float py) const {
    for (int i = 0; i < count; i++) {
        float x, y, w, h;
        padRect(i, &x, &y, &w, &h);
        if (px < x || px >= x + w || py < y || py >= y + h) continue;
        // The lower part of a pad is its sub layer; the further pads have none.
        bool sub = first < 9 && py >= y + 42;
        return (first + i) * 2 + (sub ? 1 : 0);
    }
    return -1;
}

int CgifFrPad::calcPrivate(int code, int value, int, sgifUISystem s) {
    if (!G.currentWaveList || !value) return 0;
    int slot = slotAt(s.mouseX, s.mouseY);
    if (slot < 0) return 0;
    if (code == WEV_MOUSE_LEFT) {
        screen->selectPad(slot);
        screen->screenFlags |= MWF_PAD_FOCUS;
        pressSlot = slot;
        return 1;
    }
    if (code == WEV_MOUSE_RIGHT) {
        screen->selectPad(slot);
        const int codes[] = {1031, 1032};
        editWaveUtilityPopupMenuCreate(2, codes);
        return 1;
    }
    return 0;
}

void CgifFrPad::drawPrivate() {
    mwDrawPicture(eFILE_MAIN_BG, 0, 0);
    sWaveList *list = G.currentWaveList;
    sKit *kit = waveListKitPtr(list, screen->kitIndex);
    bool ex = first >= 9;
    for (int i = 0; i < count; i++) {
        float x, y, w, h;
        padRect(i, &x, &y, &w, &h);
        int pad = first + i;
        bool selected = screen->padSlot >= 0 && screen->padSlot / 2 == pad;
        mwDrawPicture(ex ? eFILE_EXPAD : eFILE_PAD, x, y);
        if (selected) mwDrawPicture(ex ? eFILE_EXPAD_SELECTED : eFILE_PAD_SELECTED, x, y);
        char number[16];
        std::snprintf(number, sizeof number, "%d", pad + 1);
        mwDrawText(10, x + 8, y + 14, number, kNumber);
        sPad *p = kit ? waveKitPadPtr(kit, pad) : nullptr;
        sWave *main = p ? wavePadWavePtr(list, p) : nullptr;
        sWave *sub = p ? wavePadSubWavePtr(list, p) : nullptr;
        bool subSel = selected && (screen->padSlot & 1);
        if (main) mwDrawText(12, x + 8, y + (ex ? 30 : 36), main->name, selected && !subSel ? kMwSelected : kMwNewWave);
        if (sub && !ex) mwDrawText(12, x + 8, y + 56, sub->name, subSel ? kMwSelected : kMwText);
        if (selected && (screen->screenFlags & MWF_PAD_FOCUS)) mwDrawPicture(eFILE_PAD_FOCUS, x - 2, y - 2);
    }
}
