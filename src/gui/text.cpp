// The text widget. See text.h.
#include "gui/text.h"

#include "gui/bmfdraw.h"
#include "gui/glinc.h"
#include "gui/sjis.h"
#include "gui/sprite.h"
#include "gui/textedit.h"
#include "platform/ghost.h"

namespace {

// The text starts this far right of the widget's left edge, in the editor too.
constexpr float kInset = 3.0f;
constexpr sGifColor kFrameLine = {128 / 255.0f, 128 / 255.0f, 128 / 255.0f, 1.0f};

}  // namespace

CgifUIText::~CgifUIText() { CgifUIText::term(); }

int CgifUIText::init() {
    if (init(-1) < 0) return -1;
    sprite->setSize(100, 14);
    return 0;
}

int CgifUIText::init(int picture) {
    if (CgifUIObjBase::init(picture) < 0) return -1;
    sprite->setPos(0, 0);
    sprite->setColor(1, 1, 1, 1);
    sprite->inheritColor = 0;
    if (picture >= 0) flags |= TEXT_TEXTURED;
    capacity = 12;
    font.setSize(12);
    font.setAlign(GIF_ALIGN_CENTER);
    font.setColor(gifGrey(0.0f));
    return 0;
}

int CgifUIText::init(const int *ids, int count) { return init(ids && count > 0 ? ids[0] : -1); }

void CgifUIText::term() {
    if (editor) endEditing(false);
    CgifUIObjBase::term();
}

void CgifUIText::setMessageData(const char *t) { gifStrCopy(text, sizeof text, t); }

int CgifUIText::isHit(float x, float y) const {
    if (!sprite) return 0;
    return (flags & TEXT_TALL_HIT) ? sprite->isHitExtend(x, y, 0, 20) : sprite->isHit(x, y);
}

void CgifUIText::changeEditMode(int selectAll) {
    if (editing || !sprite) return;
    editor = gifTextEditCreate(0, 0, int(sprite->width - kInset), int(sprite->height), text, bmfSizeFor(font.size),
                               capacity, digitsOnly, gifGrey(0.0f), gifGrey(0.3f));
    if (!editor) return;
    if (selectAll) gifTextEditDoCalc(editor, 1, 1, BUT_LEFT, 0, WEV_MOUSE_LEFT, 1, 0);
    if (sgifUISystem *s = screenSystem()) s->textEditing = 1;
    editing = 1;
    hold();
    update();
}

void CgifUIText::endEditing(bool keep) {
    if (keep) gifStrCopy(text, sizeof text, gifTextEditGetTextPtr(editor));
    gifTextEditDispose(editor);
    editor = nullptr;
    editing = 0;
    if (sgifUISystem *s = screenSystem()) {
        s->textEditing = 0;
        s->endEdit = 0;
    }
    flags |= OBJ_CHANGED | OBJ_DONE;
}

int CgifUIText::calc(int code, int value, int key, sgifUISystem s) {
    if ((flags & OBJ_NO_INPUT) || !sprite) return 0;
    const bool in = isHit(s.mouseX, s.mouseY) != 0;
    if (!editing) {
        if (!isPress(code, value) || !in) return 0;
        changeEditMode(0);
        if (!editing) return 0;
    }
    // The press that opened the editor reaches it too: the first press selects all.
    float left, top;
    sprite->getLeftTop(&left, &top);
    if (code == WEV_TEXT_INPUT && s.inputText) {
        gifTextEditCommit(editor, s.inputText);
    } else {
        // The button state follows the events the screen has seen, not the
        // window's state now, which may already be past this event.
        uint32_t buttons = s.leftHeld ? uint32_t(BUT_LEFT) : 0u;
        gifTextEditDoCalc(editor, int(s.mouseX - left - kInset), int(s.mouseY - top), buttons, s.keyQual, code,
                          value, key);
    }
    const bool pressOutside = code == WEV_MOUSE_LEFT && value == 1 && !(flags & OBJ_SECOND_BUTTON) && !in;
    if (gifTextEditIsEnd(editor) == 0 || pressOutside || s.endEdit == 1) {
        endEditing(!(flags & TEXT_RETURN_ONLY) || editor->returned);
        return 1;
    }
    flags |= OBJ_CHANGED;
    update();
    return 1;
}

void CgifUIText::draw() {
    if (!sprite || !sprite->getDraw()) return;
    if (flags & TEXT_TEXTURED) sprite->draw();
    else sprite->drawPolygon();
    if (flags & TEXT_FRAME_LINE) sprite->drawFrameLine(1.0f, editing ? gifGrey(0.86f) : kFrameLine);
    float left, top, cx, cy;
    sprite->getLeftTop(&left, &top);
    sprite->getPos(&cx, &cy);
    if (editing) {
        glPushMatrix();
        glTranslatef(float(int(left + kInset)), float(int(top)), 0.0f);
        gifTextEditDoDraw(editor);
        glPopMatrix();
        return;
    }
    const int bmf = bmfSizeFor(font.size);
    if (bmf == 12) {
        bmfDrawString(bmf, text, left + kInset, bmfCenteredBaseline(bmf, cy), font.color);
    } else {
        float w = float(bmfGetStringW(bmf, text));
        bmfDrawString(bmf, text, float(int(cx - w / 2)), top + 7 + float(bmf), font.color);
    }
}
