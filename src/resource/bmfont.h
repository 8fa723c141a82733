// bmfont: the bitmap fonts the toolkit draws all its text with.
//
// Five sizes, 8, 10, 12, 16 and 22 pixels, generated at build time from free
// fonts (a Latin sans face for 0x20-0x7E, a Japanese face for the half-width
// katakana 0xA1-0xDF and the double-byte characters) and compiled in as
// constant tables. Text is Shift-JIS: a byte below 0x80 or from 0xA1 to 0xDF
// is one character; a lead byte (0x81-0x9F, 0xE0-0xFC) and the trail byte
// after it (0x40-0x7E, 0x80-0xFC) are one double-byte character.
//
// Bitmaps are one bit per pixel, most significant bit first, each row padded
// to whole bytes ((width + 7) / 8 bytes), bottom row first: the form
// glBitmap takes with an unpack alignment of 1. A glyph is drawn with its
// bitmap's lower-left corner at (raster x - xorig, raster y - yorig), y up,
// and moves the raster position right by its advance.
//
// Nothing is ever drawn as nothing: every byte without a glyph of its own
// (control bytes, 0x7F, 0x80, 0xA0, 0xE0-0xFF and a lead byte without a valid
// trail) and every pair the fonts lack resolve to a visible box glyph.
#pragma once

#include <cstddef>
#include <cstdint>

// A glyph of the single-byte table (the 8-byte record of the table format).
struct sBmfGlyph {
    int8_t width;     // bitmap width in pixels
    int8_t height;    // bitmap height in pixels
    int8_t xorig;     // bitmap origin, from its lower-left corner
    int8_t yorig;
    int8_t advance;   // raster move after the glyph
    uint8_t unused;
    uint16_t offset;  // into the font's `bitmaps`; kBmfNoBitmap: no pixels (the space)
};

// A glyph of the double-byte table: as sBmfGlyph, with room for a larger offset.
struct sBmfWideGlyph {
    int8_t width;
    int8_t height;
    int8_t xorig;
    int8_t yorig;
    int8_t advance;
    uint8_t unused[3];
    uint32_t offset;  // into the font's `wideBitmaps`
};

constexpr uint16_t kBmfNoBitmap = 0xFFFF;

// Double-byte slots: lead bytes 0x81-0x9F and 0xE0-0xFC (60), trail bytes
// 0x40-0x7E and 0x80-0xFC (188), in Shift-JIS order.
constexpr int kBmfWideLeads = 60;
constexpr int kBmfWideTrails = 188;
constexpr int kBmfWideSlots = kBmfWideLeads * kBmfWideTrails;

// One size.
struct sBmfFont {
    int32_t descent;     // header: pixels below the baseline
    int32_t flag;        // header: 0 or 1
    int32_t ascent;      // header: pixels above the baseline
    int32_t lineHeight;  // header: descent + ascent
    int32_t size;        // the nominal size: 8, 10, 12, 16 or 22
    const sBmfGlyph *glyphs;          // 256 records, one per byte value
    const uint8_t *bitmaps;           // their bitmaps
    const uint16_t *wideIndex;        // kBmfWideSlots entries: index into `wide`
    const sBmfWideGlyph *wide;        // the double-byte glyphs; entry 0 is the box
    const uint8_t *wideBitmaps;       // their bitmaps
    uint32_t wideCount;               // number of records in `wide`
};

// A glyph ready to draw, whichever table it came from.
struct sBmfChar {
    int width, height, xorig, yorig, advance;
    const uint8_t *bits;  // bottom row first; null for a glyph without pixels
};

// --- Fonts ----------------------------------------------------------------------

// Returns the font of `size` (8, 10, 12, 16 or 22), null for any other size.
const sBmfFont *bmfFontGet(int size);

// --- Lookups ------------------------------------------------------------------

// Returns whether `c` opens a double-byte character / may close one.
constexpr bool bmfIsLead(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
constexpr bool bmfIsTrail(uint8_t c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Returns the glyph of byte `c`; the box for a byte without one. Never null
// for a font of bmfFontGet.
const sBmfGlyph *bmfGlyph(const sBmfFont *font, uint8_t c);
// Returns the glyph of the pair `lead`, `trail`; the box when the pair is
// not valid Shift-JIS or the fonts lack it. Never null for a font of bmfFontGet.
const sBmfWideGlyph *bmfGlyphPair(const sBmfFont *font, uint8_t lead, uint8_t trail);
// Reads the character that starts at `text` into `out`. Returns the bytes it
// takes: 2 for a lead byte followed by a trail byte, 1 for any other byte,
// 0 at the terminating zero (or for null arguments; `out` unchanged then).
int bmfCharAt(const sBmfFont *font, const char *text, sBmfChar *out);
// Returns the width of `text` in pixels, the sum of its characters'
// advances; 0 for null arguments.
int bmfTextWidth(const sBmfFont *font, const char *text);
