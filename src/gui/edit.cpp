// The short edit field. See edit.h.
#include "gui/edit.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "gui/bmfdraw.h"
#include "gui/current.h"
#include "gui/sjis.h"
#include "gui/sprite.h"
#include "gui/texture.h"
#include "platform/ghost.h"
#include "resource/pictures.h"

namespace {

constexpr int kKeyLeft = 137, kKeyRight = 139, kKeyReturn = 220, kKeyEnter = 163;
constexpr int kKeyBackspace = 223, kKeyDelete = 224, kKeySemicolon = 225, kKeyMinus = 230, kKeyPadMinus = 162;

// The pictures of the cell types (egifFontTexType order).
constexpr int kCellPictures[7] = {eFILE_DIGITS, eFILE_DIGITS_BOLD, eFILE_CELL_FONT, eFILE_DIGITS_SMALL,
                                  eFILE_LETTERS, eFILE_TEXTURE_FONT, eFILE_SYMBOLS};

// An optional sign, then digits; saturates at the int range.
int parseNumber(const char *p) {
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; p++)
        if (v <= INT_MAX) v = v * 10 + (*p - '0');
    if (negative) v = -v;
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

}  // namespace

int CgifUIEdit::init() {
    if (CgifUIObjBase::init(eFILE_EDIT_SMALL) < 0) return -1;
    sprite->setSize(34, 20);
    font.setSize(7);
    font.setAlign(GIF_ALIGN_CENTER);
    font.setProportional(0);
    font.setColor(gifGrey(0.0f));
    return 0;
}

int CgifUIEdit::init2(int cellType) {
    if (CgifUIObjBase::init(eFILE_EDIT_LARGE) < 0) return -1;
    sprite->setSize(50, 25);
    CgifTexMng *t = gifCurrentTextures();
    int type = cellType >= 0 && cellType < 7 ? cellType : GIF_CELL_DIGITS;
    cellFont.init(t ? t->getTexObject(kCellPictures[type]) : nullptr, type);
    cellFont.setSize(15);
    cellFont.setAlign(GIF_ALIGN_CENTER);
    cellFont.setColor(0, 0, 0, 1);
    font.setSize(15);
    font.setColor(gifGrey(0.0f));
    useCellFont = 1;
    return 0;
}

void CgifUIEdit::setBgTexObj(int picture) {
    CgifTexMng *t = gifCurrentTextures();
    if (sprite && t) sprite->setTexObj(t->getTexObject(picture));
}

int CgifUIEdit::getValue() const { return parseNumber(text); }

void CgifUIEdit::setValue(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", v);
    setMessageData(buf);
}

void CgifUIEdit::setMessageData(const char *t) {
    char buf[kGifEditTextMax];
    gifStrCopy(buf, sizeof buf, t);
    bool plus = textMode == EDIT_NUMERIC && !editing && (minValue < 0 || signedDisplay) && buf[0] != '+';
    if (plus && parseNumber(buf) > 0) {
        text[0] = '+';
        gifStrCopy(text + 1, sizeof text - 1, buf);
    } else {
        gifStrCopy(text, sizeof text, buf);
    }
    int len = int(std::strlen(text));
    if (cursor > len) cursor = len;
}

void CgifUIEdit::endEditing() {
    editing = 0;
    ended = 1;
    if (textMode == EDIT_NUMERIC) {
        // The clamped number as typed: no display "+" until the next setMessageData.
        int v = getValue();
        std::snprintf(text, sizeof text, "%d", v < minValue ? minValue : v > maxValue ? maxValue : v);
        cursor = int(std::strlen(text));
    }
    finishAction(true, getValue());
}

void CgifUIEdit::typeChar(char c) {
    int len = int(std::strlen(text));
    if (cursor < len) {
        // Over the character at the cursor: a pair gives way as a whole.
        int n = gifCharLen(text + cursor);
        std::memmove(text + cursor + 1, text + cursor + n, size_t(len - cursor - n + 1));
        text[cursor] = c;
    } else if (len < kGifEditTextMax - 1) {
        text[len] = c;
        text[len + 1] = 0;
    }
    cursor++;
}

int CgifUIEdit::onKey(int code) {
    const int len = int(std::strlen(text));
    const bool room = len < keyLimit;
    if (code >= 'a' && code <= 'z') {
        if (textMode == EDIT_TEXT && room) typeChar(char(code));
    } else if (code == kKeySemicolon) {
        if (textMode == EDIT_TEXT && room) typeChar(';');
    } else if (code >= '0' && code <= '9') {
        if (room) typeChar(char(code));
    } else if (code >= 150 && code <= 159) {
        if (room) typeChar(char('0' + code - 150));
    } else if (code == kKeyMinus || code == kKeyPadMinus) {
        if (len == 0) typeChar('-');
    } else if (code == kKeyBackspace) {
        if (cursor > 0) {
            int at = gifCharPrev(text, cursor);
            std::memmove(text + at, text + cursor, size_t(len - cursor + 1));
            cursor = at;
        }
    } else if (code == kKeyDelete) {
        if (cursor < len) {
            int n = gifCharLen(text + cursor);
            std::memmove(text + cursor, text + cursor + n, size_t(len - cursor - n + 1));
        }
    } else if (code == kKeyLeft) {
        cursor = gifCharPrev(text, cursor);
    } else if (code == kKeyRight) {
        cursor = gifCharNext(text, cursor);
    } else if (code == kKeyReturn || code == kKeyEnter) {
        endEditing();
    }
    return 1;
}

int CgifUIEdit::calc(int code, int value, int, sgifUISystem s) {
    ended = 0;
    if ((flags & OBJ_NO_INPUT) || !sprite) return 0;
    if (code == WEV_MOUSE_LEFT && (value == 1 || value == 2) && editable) {
        if (isHit(s.mouseX, s.mouseY)) {
            if (editing) return 0;
            editing = 1;
            // Editing shows the number as typed, without the display's "+".
            if (text[0] == '+') std::memmove(text, text + 1, std::strlen(text));
            cursor = int(std::strlen(text));
            flags |= OBJ_CHANGED;
            hold();
            return 1;
        }
        if (editing) {
            endEditing();
            return 1;
        }
        return 0;
    }
    if (editing && code >= 48 && value != 0) {
        flags |= OBJ_CHANGED;
        return onKey(code);
    }
    return 0;
}

void CgifUIEdit::draw() {
    if (!sprite || !sprite->getDraw()) return;
    if (background) sprite->drawPolygon();
    else sprite->draw();
    float cx, cy, left, top;
    sprite->getPos(&cx, &cy);
    sprite->getLeftTop(&left, &top);
    const bool centred = font.align == GIF_ALIGN_CENTER || font.align == 3;
    float x = centred ? cx : left + 2;
    int bmf = bmfSizeFor(font.size);
    if (useCellFont) {
        cellFont.draw(x, cy - float(cellFont.glyphHeight) / 2, text);
    } else {
        CgifFont f = font;
        f.setAlign(centred ? GIF_ALIGN_CENTER : GIF_ALIGN_LEFT);
        f.drawCentered(x, cy, text);
    }
    if (!editing || !editable) return;
    // The cursor bar sits where the text before it ends.
    int full = useCellFont ? cellFont.getStrWidth(text) : bmfGetStringW(bmf, text);
    int before = useCellFont ? cursor * (cellFont.pitch + cellFont.spacing) : bmfGetStringNumberW(bmf, text, cursor);
    float start = centred ? cx - float(full / 2) : x;
    CgifFont bar = font;
    bar.setAlign(GIF_ALIGN_CENTER);
    bar.drawCentered(start + float(before), cy, "|");
}
