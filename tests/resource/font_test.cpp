// The bitmap fonts: a glyph for every double-byte character the program's
// text can hold, the box for everything else, and glyphs kept inside the box
// a line of text is drawn into.
#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

#include "resource/bmfont.h"

namespace {

const int kSizes[] = {8, 10, 12, 16, 22};

bool hasPixels(const sBmfChar &c) {
    int bytes = (c.width + 7) / 8 * c.height;
    for (int i = 0; c.bits && i < bytes; ++i)
        if (c.bits[i]) return true;
    return false;
}

sBmfChar charOf(const sBmfFont *f, const std::string &text, int *taken = nullptr) {
    sBmfChar c{};
    int n = bmfCharAt(f, text.c_str(), &c);
    if (taken) *taken = n;
    return c;
}

}  // namespace

TEST(BitmapFonts, EveryGlyphStaysInsideItsLineAndEveryJisX0208CharacterHasItsOwn) {
    for (int size : kSizes) {
        const sBmfFont *f = bmfFontGet(size);
        // Text of size N is drawn with the raster position N pixels below its
        // top: a glyph may reach N pixels above the raster and `descent` below.
        auto inside = [&](int height, int yorig, const std::string &what) {
            if (!height) return;
            EXPECT_GE(-yorig, -f->descent) << "size " << size << " " << what;
            EXPECT_LE(-yorig + height, size) << "size " << size << " " << what;
        };
        for (int b = 0; b < 256; ++b) inside(f->glyphs[b].height, f->glyphs[b].yorig, "byte " + std::to_string(b));
        for (uint32_t i = 0; i < f->wideCount; ++i) inside(f->wide[i].height, f->wide[i].yorig, "pair " + std::to_string(i));
    }
    // Every JIS X 0208 character (the pairs CP932 maps in rows 1-8 and 16-84)
    // draws as its own glyph, not as the box.
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    const sBmfFont *f = bmfFontGet(12);
    int checked = 0;
    for (int lead = 0x81; lead <= 0xEA; ++lead) {
        if ((lead >= 0x85 && lead <= 0x87) || (lead > 0x9F && lead < 0xE0)) continue;  // not JIS X 0208
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)}, out[8];
            char *ip = in, *op = out;
            size_t il = 2, ol = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) continue;
            const sBmfWideGlyph *g = bmfGlyphPair(f, static_cast<uint8_t>(lead), static_cast<uint8_t>(trail));
            EXPECT_NE(g, &f->wide[0]) << std::hex << lead << " " << trail;
            ++checked;
        }
    }
    iconv_close(cd);
    EXPECT_GT(checked, 6800);
}

TEST(BitmapFonts, AnythingWithoutAGlyphDrawsTheBox) {
    const sBmfFont *f = bmfFontGet(16);
    sBmfChar box = charOf(f, "\x01");
    ASSERT_TRUE(hasPixels(box));
    for (const char *text : {"\x7F", "\x80", "\xA0", "\xFD", "\xFF", "\x81", "\x81\x20", "\x81\x7F"}) {
        int taken = 0;
        sBmfChar c = charOf(f, text, &taken);
        EXPECT_EQ(taken, 1) << text;
        EXPECT_EQ(c.bits, box.bits) << text;
    }
    // Well-formed pairs the fonts lack: an unassigned row, the user area.
    sBmfChar wideBox = charOf(f, "\x85\x40");
    EXPECT_TRUE(hasPixels(wideBox));
    int taken = 0;
    EXPECT_EQ(charOf(f, "\xF0\x40", &taken).bits, wideBox.bits);
    EXPECT_EQ(taken, 2);
    EXPECT_NE(charOf(f, "\x88\x9F").bits, wideBox.bits);  // a kanji
    EXPECT_EQ(bmfCharAt(f, "", &box), 0);
    EXPECT_EQ(bmfCharAt(nullptr, "A", &box), 0);
    EXPECT_EQ(bmfFontGet(11), nullptr);  // only the five sizes exist
    EXPECT_EQ(bmfFontGet(20), nullptr);
}
