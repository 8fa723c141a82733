// The spin field. See spin.h.
#include "gui/spin.h"

#include "gui/current.h"
#include "gui/edit.h"
#include "gui/sprite.h"
#include "gui/texture.h"
#include "resource/pictures.h"

namespace {

constexpr float kStepW = 18, kStepH = 14;

int digitsOf(int v) {
    int n = v < 0 ? 2 : 1;
    for (v = v < 0 ? -v : v; v >= 10; v /= 10) n++;
    return n;
}

}  // namespace

CgifUISpin::~CgifUISpin() { CgifUISpin::term(); }

int CgifUISpin::init() {
    const int ids[4] = {eFILE_SPIN_UP, eFILE_SPIN_UP + 1, eFILE_SPIN_DOWN, eFILE_SPIN_DOWN + 1};
    return init(ids, 4);
}

int CgifUISpin::init(const int *ids, int count) {
    term();
    CgifTexMng *t = gifCurrentTextures();
    for (int i = 0; i < 4; i++) pictures[i] = t && ids && i < count ? t->getTexObject(ids[i]) : nullptr;
    sprite = takeSprite(-1, "CgifUISpin");
    up = takeSprite(-1, "CgifUISpin");
    down = takeSprite(-1, "CgifUISpin");
    edit = new CgifUIEdit;
    if (!sprite || !up || !down || !edit || edit->init() < 0) {
        term();
        return -1;
    }
    sprite->setSize(34 + kStepW, 28);
    up->setParent(sprite);
    down->setParent(sprite);
    edit->setParent(sprite);
    edit->holder = this;
    edit->font.setSize(12);
    edit->setMinMax(minValue, maxValue);
    layout();
    showPictures();
    setValue(value);
    return 0;
}

void CgifUISpin::term() {
    delete edit;
    edit = nullptr;
    gifDeleteSprite(up);
    gifDeleteSprite(down);
    up = down = nullptr;
    CgifUIObjBase::term();
}

void CgifUISpin::layout() {
    if (!sprite || !edit) return;
    const float w = sprite->width, h = sprite->height;
    if (type == SPIN_STEPS_SIDES) {
        edit->setSize(w - 2 * kStepW, h);
        edit->setPos(0, 0);
        down->setPos(-w / 2 + kStepW / 2, 0);
        up->setPos(w / 2 - kStepW / 2, 0);
    } else {
        edit->setSize(w - kStepW, h);
        edit->setPos(-kStepW / 2, 0);
        up->setPos(w / 2 - kStepW / 2, -kStepH / 2);
        down->setPos(w / 2 - kStepW / 2, kStepH / 2);
    }
    up->setSize(kStepW, kStepH);
    down->setSize(kStepW, kStepH);
}

void CgifUISpin::setType(int t) {
    type = t;
    layout();
}

void CgifUISpin::setSize(float w, float h) {
    CgifUIObjBase::setSize(w, h);
    layout();
}

void CgifUISpin::setMinMax(int lo, int hi) {
    minValue = lo;
    maxValue = hi;
    if (edit) {
        edit->setMinMax(lo, hi);
        edit->setKeyLimit(digitsOf(lo) > digitsOf(hi) ? digitsOf(lo) : digitsOf(hi));
    }
    setValue(value);
}

void CgifUISpin::setValue(int v) {
    value = v < minValue ? minValue : v > maxValue ? maxValue : v;
    if (edit) edit->setValue(value);
}

void CgifUISpin::update() {
    if (valueData) setValue(*valueData);
    showPictures();
}

void CgifUISpin::showPictures() {
    if (!up || !down) return;
    up->setTexObj(pictures[pressedPart == 1 && hover ? 1 : 0]);
    down->setTexObj(pictures[pressedPart == 2 && hover ? 3 : 2]);
}

int CgifUISpin::partAt(float x, float y) const {
    if (up && up->isHit(x, y)) return 1;
    if (down && down->isHit(x, y)) return 2;
    return 0;
}

void CgifUISpin::finish(int newValue) {
    int old = value;
    setValue(newValue);
    if (value != old && valueData) *valueData = value;
    finishAction(value != old, value);
}

int CgifUISpin::calc(int code, int v, int key, sgifUISystem s) {
    if ((flags & OBJ_NO_INPUT) || !edit) return 0;
    if (!pressedPart) {
        int r = edit->calc(code, v, key, s);
        edit->flags &= ~(OBJ_CHANGED | OBJ_DONE);
        if (edit->isEnded()) {
            finish(edit->getValue());
            return 1;
        }
        if (r) {
            flags |= OBJ_CHANGED;
            return 1;
        }
        if (edit->isEditing()) return 0;
    }
    const int part = partAt(s.mouseX, s.mouseY);
    if (isPress(code, v) && part && !pressedPart) {
        pressedPart = part;
        hover = 1;
        hold();
        showPictures();
        flags |= OBJ_CHANGED;
        return 1;
    }
    if (isRelease(code, v) && pressedPart) {
        int step = part == pressedPart ? (pressedPart == 1 ? 1 : -1) : 0;
        pressedPart = hover = 0;
        showPictures();
        finish(value + step);
        return 1;
    }
    if (pressedPart && buttonHeld(s) && (part == pressedPart) != (hover != 0)) {
        hover = part == pressedPart;
        showPictures();
        flags |= OBJ_CHANGED;
        return 1;
    }
    return 0;
}

void CgifUISpin::draw() {
    if (!sprite || !sprite->getDraw()) return;
    edit->draw();
    if (up->getDraw()) up->draw();
    if (down->getDraw()) down->draw();
}
