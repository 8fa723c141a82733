// Fuzz target: splitting and measuring text the way the fonts do, fed with
// arbitrary bytes as a zero-terminated text: the texture font's records
// (escapes, bytes without a cell), the cell font's glyphs, Shift-JIS
// stepping and the bitmap fonts' widths and select positions.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/mem.h"
#include "gui/bmfdraw.h"
#include "gui/font.h"
#include "gui/sjis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = (memInit(), true);
    (void)ready;
    // Exactly the text and its zero: a read past the end is caught.
    std::vector<char> text(data, data + size);
    text.push_back(0);
    const char *t = text.data();
    volatile int sink = 0;

    sgifFontStrData records[16];
    for (int cap : {1, 3, 16}) sink = sink + CgifFont::getStrData(records, cap, t);
    CgifFont font;
    font.setSize(12);
    for (int proportional : {0, 1}) {
        font.setProportional(proportional);
        sink = sink + font.getStrWidth(t);
    }
    for (int type = 0; type < 7; type++)
        for (const char *p = t; *p; p++) sink = sink + CgifFont2::glyphOf(type, static_cast<unsigned char>(*p));

    int length = static_cast<int>(size);
    sink = sink + gifCharCount(t) + gifCharPrev(t, length) + gifCharFloor(t, length / 2);
    char copy[9];
    gifStrCopy(copy, sizeof copy, t);
    for (int bmf : {8, 12, 16}) {
        sink = sink + bmfGetStringW(bmf, t) + bmfGetStringNumberW(bmf, t, length / 2);
        sink = sink + bmfGetSelectPosAfter(bmf, t, length);
    }
    return 0;
}
