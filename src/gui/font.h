// font: the texture font and the cell font.
//
// The texture font (CgifFont) knows a widget's text size: it draws with the
// bitmap font of that size (draw, print) or with the glyph cells of two pack
// pictures (drawH, drawV): picture 1 holds the characters 32 to 127 in 16 x 6
// cells, picture 2 holds 24 symbols in 8 x 3 cells, reached by "@NN" in a
// text (NN below 8: a wide symbol, 8 to 23: a narrow one). Lower-case g, j,
// p, q and y hang below the line; proportional spacing trims each character
// by a fixed table. Bytes without a cell (controls, Shift-JIS) show as "?",
// a double-byte character as one "?".
//
// The cell font (CgifFont2) draws digit and letter fields from one picture
// laid out as a grid of a fixed cell type (egifFontTexType).
//
// Main thread, with the window's GL context current for drawing.
#pragma once

#include <cstdint>

#include "gui/glstate.h"

class CgifTexObj;

// Alignment of a text about its x.
enum : int {
    GIF_ALIGN_LEFT = 0,
    GIF_ALIGN_RIGHT = 1,
    GIF_ALIGN_CENTER = 2,
};

// Kind of a split text's record.
enum : int {
    GIF_GLYPH_CHAR = 0,    // a character of picture 1
    GIF_GLYPH_WIDE = 1,    // a wide symbol of picture 2
    GIF_GLYPH_NARROW = 2,  // a narrow symbol of picture 2
};

// One glyph to draw.
struct sgifFontStrData {
    int kind;   // GIF_GLYPH_*
    int glyph;  // cell number in its picture
};

// The texture font.
class CgifFont {
public:
    // Splits `text` into at most `cap` records. Returns the number written.
    static int getStrData(sgifFontStrData *records, int cap, const char *text);

    // Records the two pictures (either may be null: nothing is drawn from it).
    void init(const CgifTexObj *picture1, const CgifTexObj *picture2);
    // Size, glyph width and height = `size`; pitch = size x pitch factor.
    void setSize(int size);
    // Glyph width `w` and height `h` (size `w`); pitch = w x pitch factor.
    void setSize(int w, int h);
    void setPitch(float factor) { pitchFactor = factor; }
    void setColor(float r, float g, float b, float a) { color = sGifColor{r, g, b, a}; }
    void setColor(sGifColor c) { color = c; }
    void setAlign(int a) { align = a; }
    void setProportional(int on) { proportional = on; }
    void setPos(float x, float y) {
        posX = x;
        posY = y;
    }
    int getSize() const { return size; }

    // Draws `text` with the bitmap font of the size (bmfSizeFor) in the
    // font's colour, its top at y (the baseline one bitmap-font size lower),
    // aligned about x. `draw(text)` and `print` draw at the position;
    // print formats first (at most 127 bytes, cut at a character boundary).
    void draw(float x, float y, const char *text) const;
    void draw(const char *text) const { draw(posX, posY, text); }
    // As draw, with the line centred vertically on y.
    void drawCentered(float x, float y, const char *text) const;
    void print(float x, float y, const char *format, ...) const __attribute__((format(printf, 4, 5)));
    // Returns the width of `text` in that bitmap font.
    int getBmfStrWidth(const char *text) const;
    // Draws `text` from the pictures, left to right / top to bottom.
    void drawH(float x, float y, const char *text) const { drawCells(x, y, text, false); }
    void drawV(float x, float y, const char *text) const { drawCells(x, y, text, true); }
    // Returns the width `text` takes when drawn from the pictures.
    int getStrWidth(const char *text) const;

    const CgifTexObj *picture1 = nullptr;  // characters 32-127
    const CgifTexObj *picture2 = nullptr;  // symbols
    float pitchFactor = 1.0f;
    int pitch = 18;               // advance per glyph
    int glyphWidth = 18, glyphHeight = 18;
    int size = 18;
    sGifColor color = {1, 1, 1, 1};
    int align = GIF_ALIGN_LEFT;
    int proportional = 1;
    float posX = 0, posY = 0;

private:
    void drawCells(float x, float y, const char *text, bool vertical) const;
    int trim(int glyph, int side) const;
    int advanceOf(const sgifFontStrData &r) const;
};

// Cell types of the cell font: grid and glyph numbering.
enum egifFontTexType : int {
    GIF_CELL_DIGITS = 0,        // 12 x 1: digits, "+" 10, "-" 11 (picture 91)
    GIF_CELL_DIGITS_BOLD = 1,   // as 0 (picture 93)
    GIF_CELL_ASCII = 2,         // 16 x 6: characters 32-127 (picture 1)
    GIF_CELL_DIGITS_SMALL = 3,  // 10 x 1: digits (picture 94)
    GIF_CELL_LETTERS = 4,       // 8 x 1: A to H (picture 95)
    GIF_CELL_TEXT = 5,          // 16 x 6: characters 32-127 (picture 2)
    GIF_CELL_SYMBOLS = 6,       // 8 x 3: numbered as the digits (picture 3)
};

// The cell font.
class CgifFont2 {
public:
    // Returns the cell of character `c` in a grid of `type`, -1 when it has none.
    static int glyphOf(int type, unsigned char c);

    // Records the picture and the grid of `type`.
    void init(const CgifTexObj *picture, int type);
    void setSize(int s) { setSize(s, s); }
    void setSize(int w, int h);
    void setPitch(int p) { pitch = p; }
    void setSpacing(int s) { spacing = s; }
    void setColor(float r, float g, float b, float a) { color = sGifColor{r, g, b, a}; }
    void setAlign(int a) { align = a; }
    // Draws every byte's cell, glyph width x height, advancing by pitch +
    // spacing, aligned about x, its top at y. A byte without a cell leaves a gap.
    void draw(float x, float y, const char *text) const;
    // Returns the width of `text`: its length x (pitch + spacing).
    int getStrWidth(const char *text) const;

    const CgifTexObj *picture = nullptr;
    int pitch = 15, spacing = 0;
    int glyphWidth = 15, glyphHeight = 15;
    sGifColor color = {1, 1, 1, 1};
    int align = GIF_ALIGN_LEFT;
    int columns = 12, rows = 1;
    int type = GIF_CELL_DIGITS;
};
