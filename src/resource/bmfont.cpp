// Bitmap font lookups over the generated tables. See bmfont.h.
#include "resource/bmfont.h"

// The generated tables: sizes 8, 10, 12, 16 and 22, in this order.
extern const sBmfFont gBmfFonts[5];

namespace {

constexpr int kSizes[5] = {8, 10, 12, 16, 22};

// Slot of a valid pair in the double-byte index.
int wideSlot(uint8_t lead, uint8_t trail) {
    int l = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
    int t = trail < 0x7F ? trail - 0x40 : trail - 0x41;
    return l * kBmfWideTrails + t;
}

}  // namespace

const sBmfFont *bmfFontGet(int size) {
    for (int i = 0; i < 5; ++i)
        if (kSizes[i] == size) return &gBmfFonts[i];
    return nullptr;
}

const sBmfGlyph *bmfGlyph(const sBmfFont *font, uint8_t c) { return font ? &font->glyphs[c] : nullptr; }

const sBmfWideGlyph *bmfGlyphPair(const sBmfFont *font, uint8_t lead, uint8_t trail) {
    if (!font) return nullptr;
    if (!bmfIsLead(lead) || !bmfIsTrail(trail)) return &font->wide[0];
    uint16_t index = font->wideIndex[wideSlot(lead, trail)];
    return &font->wide[index < font->wideCount ? index : 0];
}

int bmfCharAt(const sBmfFont *font, const char *text, sBmfChar *out) {
    if (!font || !text || !out || !text[0]) return 0;
    auto lead = static_cast<uint8_t>(text[0]);
    auto trail = static_cast<uint8_t>(text[1]);
    if (bmfIsLead(lead) && bmfIsTrail(trail)) {
        const sBmfWideGlyph *g = bmfGlyphPair(font, lead, trail);
        *out = {g->width, g->height, g->xorig, g->yorig, g->advance, g->height ? font->wideBitmaps + g->offset : nullptr};
        return 2;
    }
    const sBmfGlyph *g = bmfGlyph(font, lead);
    *out = {g->width, g->height, g->xorig, g->yorig, g->advance,
            g->offset == kBmfNoBitmap ? nullptr : font->bitmaps + g->offset};
    return 1;
}

int bmfTextWidth(const sBmfFont *font, const char *text) {
    int width = 0;
    sBmfChar c;
    for (int n; (n = bmfCharAt(font, text, &c)) > 0; text += n) width += c.advance;
    return width;
}
