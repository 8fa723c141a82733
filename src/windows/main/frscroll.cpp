// The wave list's scroll bar. See frames.h.
#include <algorithm>

#include "gui/slider.h"
#include "platform/ghost.h"
#include "resource/pictures.h"
#include "windows/main/frames.h"
#include "windows/main/wavutil.h"

namespace {

constexpr float kX = 374, kY = 75, kW = 16, kH = 440, kArrow = 16;

}  // namespace

int CgifFrScrollbar::init() {
    flags |= FRAME_FIXED_X | FRAME_FIXED_Y | FRAME_NO_BACKGROUND | FRAME_DIRTY;
    if (setBackground(-1, kX, kY, kW, kH) < 0) return -1;
    knob = new CgifUISlider2;
    if (!knob || addObject(knob) < 0) {
        delete knob;
        knob = nullptr;
        return -1;
    }
    const int ids[2] = {eFILE_SCROLL_TRACK, eFILE_SLIDER_KNOB};
    if (knob->init(ids, 2) < 0) return -1;
    knob->setType(SLIDER_VERTICAL);
    knob->setSize(kW, kH - 2 * kArrow);
    knob->setWorldLeftTopPos(kX, kY + kArrow);
    knob->setMinMax(0, 0);
    return 0;
}

void CgifFrScrollbar::update() { follow(); }

void CgifFrScrollbar::follow() {
    if (!knob || !screen->list) return;
    CgifFrWaveList *l = screen->list;
    int total = std::max(1, l->rowCount * kMwRowH);
    float travel = kH - 2 * kArrow;
    knob->setKnobLength(std::clamp(travel * kMwListH / float(total), 14.0f, travel));
    knob->setMinMax(0, l->maxScroll());
    if (!knob->pressed) knob->setValue(l->scroll);
    setDirty();
}

int CgifFrScrollbar::calcPrivate(int code, int value, int key, sgifUISystem s) {
    if (code == WEV_MOUSE_LEFT && value && (s.mouseY < kY + kArrow || s.mouseY >= kY + kH - kArrow)) {
        // The arrows step one row.
        screen->list->scrollBy(s.mouseY < kY + kArrow ? -kMwRowH : kMwRowH);
        follow();
        return 1;
    }
    if (code == WEV_WHEEL_UP || code == WEV_WHEEL_DOWN) {
        screen->list->scrollBy((code == WEV_WHEEL_UP ? -3 : 3) * kMwRowH);
        follow();
        return 1;
    }
    return calcObjects(code, value, key, s);
}

void CgifFrScrollbar::drawPrivate() {
    drawObjects();
    mwDrawPicture(eFILE_SCROLL_UP, kX, kY);
    mwDrawPicture(eFILE_SCROLL_DOWN, kX, kY + kH - kArrow);
}
