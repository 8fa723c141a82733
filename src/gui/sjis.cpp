// Shift-JIS stepping. See sjis.h.
#include "gui/sjis.h"

#include <cstdint>
#include <cstring>

#include "resource/bmfont.h"

int gifCharLen(const char *s) {
    if (!s || !s[0]) return 0;
    return bmfIsLead(static_cast<uint8_t>(s[0])) && bmfIsTrail(static_cast<uint8_t>(s[1])) ? 2 : 1;
}

int gifCharNext(const char *text, int at) { return at + gifCharLen(text + at); }

int gifCharPrev(const char *text, int at) {
    int prev = 0;
    for (int i = 0, n; i < at && (n = gifCharLen(text + i)) > 0; i += n) prev = i;
    return prev;
}

int gifCharFloor(const char *text, int at) {
    int i = 0;
    for (int n; (n = gifCharLen(text + i)) > 0 && i + n <= at; i += n) {
    }
    return i;
}

int gifCharCount(const char *text) {
    int count = 0;
    for (int n; (n = gifCharLen(text)) > 0; text += n) count++;
    return count;
}

size_t gifStrCopy(char *dst, size_t cap, const char *src) {
    if (!dst || cap == 0) return 0;
    size_t used = 0;
    for (int n; src && (n = gifCharLen(src + used)) > 0 && used + n < cap;) used += n;
    if (used) std::memmove(dst, src, used);
    dst[used] = 0;
    return used;
}
