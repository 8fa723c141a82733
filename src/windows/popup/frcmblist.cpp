// The pop-up list's rows. See cmbui.h.
#include <algorithm>
#include <cstdio>

#include "foundation/global.h"
#include "foundation/mem.h"
#include "gui/sjis.h"
#include "gui/slider.h"
#include "platform/ghost.h"
#include "resource/pictures.h"
#include "wavelib/wavelist.h"
#include "windows/popup/cmbctl.h"
#include "windows/popup/cmbui.h"

namespace {

// The scroll bar's width, at the list's right edge.
constexpr int kBarW = 16;

}  // namespace

CgifFrCmbList::~CgifFrCmbList() { memFree(rows); }

int CgifFrCmbList::init(int t, int w, int h) {
    type = t;
    width = w;
    height = h;
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (setBackground(-1, 0, 0, float(w), float(h)) < 0) return -1;
    sWaveList *list = G.currentWaveList;
    int capacity = type == CMB_TYPE_KIT ? kKitCount : kTagCountMax + 1;
    rows = static_cast<sCmbRow *>(memCalloc(size_t(capacity) * sizeof(sCmbRow), "CmbRows"));
    if (!rows) return -1;
    if (type == CMB_TYPE_KIT) {
        for (int i = 0; gpSelectWave && i < waveWaveKitIsUsedCount(list, gpSelectWave) && rowCount < capacity; i++) {
            int kit = waveWaveKitIsUsedKitNumber(list, gpSelectWave, i);
            sCmbRow &r = rows[rowCount++];
            r.index = kit + 1;
            std::snprintf(r.text, sizeof r.text, "Kit %d", kit + 1);
        }
    } else {
        if (type == CMB_TYPE_IMPORT_TAG) {
            sCmbRow &r = rows[rowCount++];
            r.index = 0;
            gifStrCopy(r.text, sizeof r.text, cCMB_CREATE_NEW_TAG);
        }
        sListBase *order = waveListTagIterListOrderPtr(list);
        for (auto *it = order ? static_cast<sListItem *>(order->first) : nullptr; it && rowCount < capacity; it = it->next) {
            auto *tag = static_cast<sTag *>(it->item);
            sCmbRow &r = rows[rowCount++];
            r.tag = tag;
            r.index = waveTagNumber(list, tag) + (type == CMB_TYPE_IMPORT_TAG ? 1 : 0);
            gifStrCopy(r.text, sizeof r.text, waveTagNamePtr(tag));
        }
    }
    if (rowCount * kCmbRowH > height) {
        bar = new CgifUISlider2;
        if (!bar || addObject(bar) < 0) {
            delete bar;
            bar = nullptr;
            return -1;
        }
        const int ids[2] = {eFILE_SCROLL_TRACK_SHORT, eFILE_SLIDER_KNOB};
        if (bar->init(ids, 2) < 0) return -1;
        bar->setType(SLIDER_VERTICAL);
        bar->setSize(kBarW, float(height));
        bar->setWorldLeftTopPos(float(width - kBarW), 0);
        bar->setMinMax(0, rowCount * kCmbRowH - height);
        bar->setKnobLength(std::max(14.0f, float(height) * float(height) / float(rowCount * kCmbRowH)));
        bar->clearFlags(OBJ_POSTS);
    }
    return 0;
}

int CgifFrCmbList::offset() const { return bar ? bar->getValue() : 0; }

int CgifFrCmbList::rowAt(float y) const {
    if (y < 0 || y >= float(height)) return -1;
    int i = int(y + float(offset())) / kCmbRowH;
    return i >= 0 && i < rowCount ? i : -1;
}

int CgifFrCmbList::calcPrivate(int code, int value, int key, sgifUISystem s) {
    if (bar && (code == WEV_WHEEL_UP || code == WEV_WHEEL_DOWN)) {
        bar->setValue(bar->getValue() + (code == WEV_WHEEL_UP ? -kCmbRowH : kCmbRowH));
        return 1;
    }
    if (calcObjects(code, value, key, s)) return 1;
    bool onBar = bar && s.mouseX >= float(width - kBarW);
    int at = onBar ? -1 : rowAt(s.mouseY);
    int changed = 0;
    for (int i = 0; i < rowCount; i++) {
        int on = i == at ? 1 : 0;
        changed |= rows[i].highlighted != on;
        rows[i].highlighted = on;
    }
    if (code == WEV_MOUSE_LEFT && value == 1) pressRow = at;
    if (code == WEV_MOUSE_LEFT && value == 0) {
        if (at >= 0 && at == pressRow && chooser) chooser->choose(rows[at].index);
        pressRow = -1;
    }
    return changed;
}

void CgifFrCmbList::drawPrivate() {
    gifDrawRect(0, 0, float(width), float(height), gifGrey(1.0f));
    int top = -offset();
    for (int i = 0; i < rowCount; i++, top += kCmbRowH) {
        if (top + kCmbRowH <= 0 || top >= height) continue;
        const sCmbRow &r = rows[i];
        int picture = type == CMB_TYPE_KIT ? eFILE_POPUP_ROW_KIT
                      : type == CMB_TYPE_IMPORT_TAG && i == 0 ? eFILE_POPUP_ROW_NEW
                                                              : eFILE_POPUP_ROW;
        sGifColor tint = type == CMB_TYPE_KIT ? (r.highlighted ? kDlgKitHighlight : gifGrey(1.0f))
                                              : (r.highlighted ? kDlgHighlight : kDlgCategory);
        dlgDrawPicture(picture, 0, float(top), tint);
        bool light = r.highlighted && type != CMB_TYPE_KIT;
        float x = 4;
        if (r.tag && waveTagIsOpen(static_cast<sTag *>(r.tag))) {
            dlgDrawPicture(eFILE_POPUP_OPEN_MARK, 4, float(top + 5), light ? gifGrey(1.0f) : kDlgDark);
            x = 18;
        }
        dlgDrawText(r.text, x, float(top), kCmbRowH, light ? gifGrey(1.0f) : kDlgDark);
    }
    drawObjects();
}
