// The text editor. See textedit.h.
#include "gui/textedit.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/mem.h"
#include "foundation/str.h"
#include "gui/bmfdraw.h"
#include "gui/sjis.h"
#include "platform/ghost.h"

namespace {

constexpr int kKeyLeft = 137, kKeyRight = 139, kKeyReturn = 220, kKeyEnter = 163;
constexpr int kKeyBackspace = 223, kKeyDelete = 224;

int length(const _sgifTextEdit *e) { return int(std::strlen(e->text)); }

// Removes bytes [from, to) and puts cursor and anchor there.
void cut(_sgifTextEdit *e, int from, int to) {
    std::memmove(e->text + from, e->text + to, size_t(length(e) - to + 1));
    e->cursor = e->anchor = from;
    e->updated = 1;
}

bool deleteSelection(_sgifTextEdit *e) {
    if (e->cursor == e->anchor) return false;
    cut(e, std::min(e->cursor, e->anchor), std::max(e->cursor, e->anchor));
    return true;
}

// Inserts the whole characters of the `n` bytes at `s` that fit, in place of
// the selection. Returns the bytes inserted.
int insert(_sgifTextEdit *e, const char *s, int n) {
    deleteSelection(e);
    const int len = length(e);
    int take = 0;
    for (int k; take < n && (k = gifCharLen(s + take)) > 0 && take + k <= n && len + take + k <= e->capacity;)
        take += k;
    if (take == 0) return 0;
    std::memmove(e->text + e->cursor + take, e->text + e->cursor, size_t(len - e->cursor + 1));
    std::memcpy(e->text + e->cursor, s, size_t(take));
    e->cursor = e->anchor = e->cursor + take;
    e->updated = 1;
    return take;
}

int indexAt(const _sgifTextEdit *e, int x) {
    return bmfGetSelectPosAfter(e->fontSize, e->text, x - e->left - e->textOffset);
}

int onPointer(_sgifTextEdit *e, int x, int y, int code, int value) {
    const bool inside = x >= e->left && x <= e->left + e->width && y >= e->top && y <= e->top + e->height;
    int changed = 0;
    if (e->dragSelecting) {
        e->cursor = indexAt(e, x);
        e->updated = changed = 1;
    }
    if (code != WEV_MOUSE_LEFT) return changed;
    if (value == 2 && inside && !e->editing) {
        e->editing = 1;
        e->cursor = 0;
        e->anchor = length(e);
        return e->updated = 1;
    }
    if (value != 1) return changed;
    if (!inside) {
        e->editing = 0;
        return e->updated = 1;
    }
    if (!e->editing) return changed;
    if (!e->clicked) {
        e->clicked = 1;
        e->anchor = 0;
        e->cursor = length(e);
    } else {
        e->cursor = e->anchor = indexAt(e, x);
        e->dragSelecting = 1;
    }
    return e->updated = 1;
}

int onKey(_sgifTextEdit *e, uint32_t qualifiers, int code, int key) {
    switch (code) {
    case kKeyLeft:
    case kKeyRight:
        e->cursor = code == kKeyLeft ? gifCharPrev(e->text, e->cursor) : gifCharNext(e->text, e->cursor);
        // Shift alone extends the selection; anything else moves both ends.
        if (qualifiers != QUAL_SHIFT) e->anchor = e->cursor;
        return e->updated = 1;
    case kKeyReturn:
    case kKeyEnter:
        e->editing = 0;
        e->returned = 1;
        return e->updated = 1;
    case kKeyBackspace:
        if (!deleteSelection(e)) cut(e, gifCharPrev(e->text, e->cursor), e->cursor);
        return 1;
    case kKeyDelete:
        if (!deleteSelection(e)) cut(e, e->cursor, gifCharNext(e->text, e->cursor));
        return 1;
    default: break;
    }
    if (key < 0x20 || key > 0x7E || (e->digitsOnly && (key < '0' || key > '9'))) return 0;
    const char c = char(key);
    const bool hadSelection = e->cursor != e->anchor;
    return insert(e, &c, 1) > 0 || hadSelection ? 1 : 0;
}

}  // namespace

_sgifTextEdit *gifTextEditCreate(int left, int top, int width, int height, const char *text, int fontSize,
                                 int capacity, int digitsOnly, sGifColor textColor, sGifColor selColor) {
    if (capacity < 1) return nullptr;
    auto *e = static_cast<_sgifTextEdit *>(memCalloc(sizeof(_sgifTextEdit), "tedit"));
    if (!e) return nullptr;
    e->text = static_cast<char *>(memCalloc(size_t(capacity) + 1, "str"));
    if (!e->text) {
        memFree(e);
        return nullptr;
    }
    gifStrCopy(e->text, size_t(capacity) + 1, text);
    e->left = left;
    e->top = top;
    e->width = width;
    e->height = height;
    e->capacity = capacity;
    e->fontSize = fontSize;
    e->editing = 1;
    e->digitsOnly = digitsOnly ? 1 : 0;
    e->textColor = textColor;
    e->selColor = selColor;
    return e;
}

void gifTextEditDispose(_sgifTextEdit *e) {
    if (!e) return;
    memFree(e->text);
    memFree(e);
}

int gifTextEditDoCalc(_sgifTextEdit *e, int x, int y, uint32_t buttons, uint32_t qualifiers, int code, int value,
                      int key) {
    if (!e) return 0;
    if ((code == WEV_MOUSE_LEFT && value == 0) || code == WEV_ACTIVATION) e->dragSelecting = 0;
    if (buttons & BUT_LEFT) return onPointer(e, x, y, code, value);
    if (!e->editing || value == 0 || code < 25 || code > 255) return 0;
    return onKey(e, qualifiers, code, key);
}

int gifTextEditCommit(_sgifTextEdit *e, const char *text) {
    if (!e || !e->editing || !text) return -1;
    int lost = 0;
    std::string sjis = strUtf8ToSjis(text, &lost);
    if (lost) return -1;
    for (size_t i = 0; i < sjis.size(); i += size_t(gifCharLen(sjis.c_str() + i))) {
        auto c = static_cast<unsigned char>(sjis[i]);
        if (c < 0x20 || c == 0x7F || (e->digitsOnly && (c < '0' || c > '9'))) return -1;
    }
    return insert(e, sjis.data(), int(sjis.size()));
}

void gifTextEditDoDraw(_sgifTextEdit *e) {
    if (!e) return;
    const float x0 = float(e->left + e->textOffset);
    const float top = float(e->top + (e->height / 2 - e->fontSize / 2));
    if (e->editing) {
        // The selection goes under the text, so the text stays readable.
        int a = bmfGetStringNumberW(e->fontSize, e->text, std::min(e->cursor, e->anchor));
        int b = bmfGetStringNumberW(e->fontSize, e->text, std::max(e->cursor, e->anchor));
        sGifColor c = e->selColor;
        c.a = 0.7f;
        gifDrawRect(x0 + float(a), top, float(b - a + 1), float(e->fontSize), c);
    }
    if (e->text[0]) bmfDrawString(e->fontSize, e->text, x0, top + float(e->fontSize), e->textColor);
    e->updated = 0;
}

int gifTextEditIsEnd(const _sgifTextEdit *e) { return e && !e->editing ? 0 : -1; }

int gifTextEditIsUpdate(const _sgifTextEdit *e) { return e && e->updated ? 0 : -1; }

const char *gifTextEditGetTextPtr(const _sgifTextEdit *e) { return e ? e->text : nullptr; }
