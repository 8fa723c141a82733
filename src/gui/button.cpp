// The push button. See button.h.
#include "gui/button.h"

#include "gui/current.h"
#include "gui/sjis.h"
#include "gui/sprite.h"
#include "gui/texture.h"
#include "resource/pictures.h"

int CgifUIButton::init() {
    const int pair[2] = {eFILE_BUTTON, eFILE_BUTTON + 1};
    return init(pair, 2);
}

int CgifUIButton::init(int picture) {
    imageCount = 0;
    captionFont.setSize(12);
    captionFont.setAlign(GIF_ALIGN_CENTER);
    return CgifUIObjBase::init(picture);
}

int CgifUIButton::init(const int *ids, int count) {
    if (init(ids && count > 0 ? ids[0] : -1) < 0) return -1;
    CgifTexMng *t = gifCurrentTextures();
    imageCount = count < 6 ? count : 6;
    for (int i = 0; i < imageCount; i++) pictures[i] = t ? t->getTexObject(ids[i]) : nullptr;
    // Pack pictures are stored bottom row first and so drawn unflipped.
    sprite->flipped = 0;
    sprite->inheritColor = 0;
    return 0;
}

void CgifUIButton::setType(int t) {
    type = t;
    stateCount = t == BUTTON_THREE_STATE ? 3 : 2;
    hasCaption = t == BUTTON_CAPTION ? 1 : 0;
    if (value >= stateCount) value = 0;
}

int CgifUIButton::calc(int code, int v, int, sgifUISystem s) {
    if ((flags & OBJ_NO_INPUT) || !sprite) return 0;
    const int in = isHit(s.mouseX, s.mouseY);
    if (isPress(code, v) && in && !pressed) {
        flags |= OBJ_CHANGED;
        flags = v == 2 ? flags | OBJ_DOUBLE_CLICK : flags & ~OBJ_DOUBLE_CLICK;
        pressed = hover = 1;
        hold();
        update();
        return 1;
    }
    if (isRelease(code, v) && pressed) {
        pressed = hover = 0;
        if (in) {
            value = (value + 1) % stateCount;
            if (valueData) *valueData = value;
        }
        update();
        finishAction(in, getValue());
        return 1;
    }
    if (pressed && buttonHeld(s) && in != hover) {
        hover = in;
        flags |= OBJ_CHANGED;
        update();
        return 1;
    }
    return 0;
}

void CgifUIButton::update() {
    if (valueData && *valueData >= 0 && *valueData < stateCount) value = *valueData;
    showPicture();
}

void CgifUIButton::showPicture() {
    if (!sprite || imageCount == 0) return;
    int i = imageCount == 2 ? hover : (value <= 2 ? 2 * value + hover : -1);
    if (i >= 0 && i < imageCount && pictures[i]) sprite->setTexObj(pictures[i]);
}

void CgifUIButton::setValue(int v) {
    if (v < 0 || v >= stateCount) return;
    value = v;
    showPicture();
}

void CgifUIButton::setColorIndex(int i) {
    if (sprite && i >= 0 && 2 * i < imageCount && pictures[2 * i]) sprite->setTexObj(pictures[2 * i]);
}

void CgifUIButton::setButtonStr(const char *text) { gifStrCopy(caption, sizeof caption, text); }

void CgifUIButton::draw() {
    if (!sprite || !sprite->getDraw()) return;
    sprite->draw();
    if (!hasCaption || !caption[0]) return;
    float cx, cy;
    sprite->getPos(&cx, &cy);
    const float shift = hover ? 1.0f : 0.0f;
    captionFont.setColor((flags & OBJ_NO_INPUT) ? gifGrey(0.3f) : gifGrey(0.0f));
    captionFont.drawCentered(cx + shift, cy + shift, caption);
}
