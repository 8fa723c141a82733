// The label. See label.h.
#include "gui/label.h"

#include "gui/sjis.h"
#include "gui/sprite.h"

int CgifUILabel::init() {
    if (init(-1) < 0) return -1;
    sprite->setSize(120, 20);
    return 0;
}

int CgifUILabel::init(int picture) {
    font.setSize(18);
    return CgifUIObjBase::init(picture);
}

int CgifUILabel::init(const int *ids, int count) { return init(ids && count > 0 ? ids[0] : -1); }

void CgifUILabel::setMessageData(const char *t) { gifStrCopy(text, sizeof text, t); }

int CgifUILabel::calc(int code, int v, int, sgifUISystem s) {
    if ((flags & OBJ_NO_INPUT) || !sprite) return 0;
    if (isPress(code, v) && !pressed && isHit(s.mouseX, s.mouseY)) {
        pressed = 1;
        flags = v == 2 ? flags | OBJ_DOUBLE_CLICK : flags & ~OBJ_DOUBLE_CLICK;
        flags |= OBJ_CHANGED;
        hold();
        return 1;
    }
    if (isRelease(code, v) && pressed) {
        pressed = 0;
        finishAction(isHit(s.mouseX, s.mouseY) != 0, 0);
        return 1;
    }
    return 0;
}

void CgifUILabel::draw() {
    if (!sprite || !sprite->getDraw()) return;
    if (plain) sprite->drawPolygon();
    else sprite->draw();
    if (!text[0]) return;
    float cx, cy, left, top;
    sprite->getPos(&cx, &cy);
    sprite->getLeftTop(&left, &top);
    float x = font.align == GIF_ALIGN_CENTER  ? cx
              : font.align == GIF_ALIGN_RIGHT ? left + sprite->width - textOffset
                                              : left + textOffset;
    font.drawCentered(x, cy, text);
}
