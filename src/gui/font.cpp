// The texture font and the cell font. See font.h.
#include "gui/font.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "gui/bmfdraw.h"
#include "gui/glinc.h"
#include "gui/sjis.h"
#include "gui/texture.h"

namespace {

// Left and right trim of the characters 32 to 127, in tenths of the size.
constexpr uint8_t kTrim[96][2] = {
    {2, 2}, {3, 3}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {1, 1},
    {3, 3}, {1, 1}, {3, 3}, {1, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
    {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2},
    {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {3, 3}, {3, 3}, {2, 2}, {2, 2}, {2, 1}, {2, 2}, {2, 2},
    {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {0, 1}, {2, 2}, {2, 2}, {2, 2},
    {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {2, 2},
    {2, 2}, {3, 3}, {3, 3}, {2, 2}, {3, 3}, {1, 0}, {2, 2}, {2, 2}, {2, 2}, {2, 2}, {3, 2}, {2, 2},
    {3, 2}, {2, 2}, {2, 2}, {0, 0}, {2, 2}, {2, 2}, {2, 2}, {1, 1}, {0, 0}, {1, 1}, {3, 3}, {2, 2},
};

constexpr int kSymbols = 24;                // cells of picture 2
constexpr int kQuestion = '?' - 32;         // the cell drawn for bytes without one

bool isDescender(const sgifFontStrData &r) {
    if (r.kind != GIF_GLYPH_CHAR) return false;
    char c = char(r.glyph + 32);
    return c == 'g' || c == 'j' || c == 'p' || c == 'q' || c == 'y';
}

// Draws cell (col, row) of a grid laid over `pic` (first row at the
// picture's top) as the quad (x, y, w, h); only the cell's lower half when
// `lowerHalf`.
void drawCell(const CgifTexObj *pic, int cols, int rows, int col, int row, float x, float y, float w, float h,
              bool lowerHalf = false) {
    if (!pic || !pic->loaded) return;
    const float tw = pic->texWidth, th = pic->texHeight;
    const float cw = float(pic->width) / float(cols), ch = float(pic->height) / float(rows);
    const float u0 = col * cw / tw, u1 = (col + 1) * cw / tw;
    float vTop = (pic->height - row * ch) / th;
    const float vBottom = (pic->height - (row + 1) * ch) / th;
    if (lowerHalf) vTop = (vTop + vBottom) / 2;
    glBindTexture(GL_TEXTURE_2D, pic->name);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, vTop);
    glVertex2f(x, y);
    glTexCoord2f(u1, vTop);
    glVertex2f(x + w, y);
    glTexCoord2f(u1, vBottom);
    glVertex2f(x + w, y + h);
    glTexCoord2f(u0, vBottom);
    glVertex2f(x, y + h);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}

float alignShift(int align, int width) {
    return align == GIF_ALIGN_RIGHT ? float(width) : align == GIF_ALIGN_CENTER ? float(width / 2) : 0.0f;
}

}  // namespace

// --- Texture font -----------------------------------------------------------------

// Reads the glyph that starts at `p` into `r`; returns the bytes it takes (0 at the end).
static int splitOne(const char *p, sgifFontStrData *r) {
    auto c = static_cast<unsigned char>(*p);
    if (!c) return 0;
    if (c == '@' && p[1] >= '0' && p[1] <= '9' && p[2] >= '0' && p[2] <= '9') {
        int number = (p[1] - '0') * 10 + (p[2] - '0');
        if (number < kSymbols) {
            *r = sgifFontStrData{number < 8 ? GIF_GLYPH_WIDE : GIF_GLYPH_NARROW, number};
            return 3;
        }
    }
    int len = gifCharLen(p);
    *r = sgifFontStrData{GIF_GLYPH_CHAR, len == 1 && c >= 32 && c <= 127 ? c - 32 : kQuestion};
    return len;
}

int CgifFont::getStrData(sgifFontStrData *records, int cap, const char *text) {
    int n = 0;
    for (int k; text && n < cap && (k = splitOne(text, &records[n])) > 0; text += k) n++;
    return n;
}

void CgifFont::init(const CgifTexObj *p1, const CgifTexObj *p2) {
    picture1 = p1;
    picture2 = p2;
}

void CgifFont::setSize(int s) { setSize(s, s); }

void CgifFont::setSize(int w, int h) {
    size = glyphWidth = w;
    glyphHeight = h;
    pitch = int(float(w) * pitchFactor);
}

void CgifFont::draw(float x, float y, const char *text) const {
    int bmf = bmfSizeFor(size);
    if (!bmf || !text) return;
    float left = float(int(x)) - alignShift(align, bmfGetStringW(bmf, text));
    bmfDrawString(bmf, text, left, float(int(y) + bmf), color);
}

void CgifFont::drawCentered(float x, float y, const char *text) const {
    int bmf = bmfSizeFor(size);
    if (!bmf || !text) return;
    float left = float(int(x)) - alignShift(align, bmfGetStringW(bmf, text));
    bmfDrawString(bmf, text, left, bmfCenteredBaseline(bmf, y), color);
}

void CgifFont::print(float x, float y, const char *format, ...) const {
    char raw[128], text[128];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(raw, sizeof raw, format, ap);
    va_end(ap);
    gifStrCopy(text, sizeof text, raw);  // vsnprintf may have cut a pair
    draw(x, y, text);
}

int CgifFont::getBmfStrWidth(const char *text) const { return bmfGetStringW(bmfSizeFor(size), text); }

int CgifFont::trim(int glyph, int side) const { return kTrim[glyph][side] * size / 10; }

int CgifFont::advanceOf(const sgifFontStrData &r) const {
    if (r.kind == GIF_GLYPH_WIDE) return 2 * pitch;
    if (r.kind == GIF_GLYPH_NARROW || !proportional) return pitch;
    return pitch - trim(r.glyph, 0) - trim(r.glyph, 1);
}

int CgifFont::getStrWidth(const char *text) const {
    int width = 0;
    sgifFontStrData r;
    for (int k; text && (k = splitOne(text, &r)) > 0; text += k) width += advanceOf(r);
    return width;
}

void CgifFont::drawCells(float x, float y, const char *text, bool vertical) const {
    if (!text) return;
    glPushMatrix();
    glTranslatef(vertical ? x : x - alignShift(align, getStrWidth(text)), y, 0.0f);
    glColor4f(color.r, color.g, color.b, color.a);
    const float drop = float(size / 5);
    float at = 0.0f;  // along the line
    sgifFontStrData r;
    for (int k; (k = splitOne(text, &r)) > 0; text += k) {
        float gx = vertical ? 0.0f : at, gy = vertical ? at : 0.0f;
        if (r.kind == GIF_GLYPH_CHAR) {
            if (proportional && !vertical) gx -= float(trim(r.glyph, 0));
            if (isDescender(r)) gy += drop;
            drawCell(picture1, 16, 6, r.glyph % 16, r.glyph / 16, gx, gy, float(glyphWidth), float(glyphHeight));
        } else {
            bool wide = r.kind == GIF_GLYPH_WIDE;
            drawCell(picture2, 8, 3, r.glyph % 8, r.glyph / 8, gx, gy, float(wide ? 2 * glyphWidth : glyphWidth),
                     float(glyphHeight), wide);
        }
        at += float(advanceOf(r));
    }
    glPopMatrix();
}

// --- Cell font --------------------------------------------------------------------

namespace {

struct sCellGrid {
    int columns, rows;
};
constexpr sCellGrid kGrids[7] = {{12, 1}, {12, 1}, {16, 6}, {10, 1}, {8, 1}, {16, 6}, {8, 3}};

}  // namespace

int CgifFont2::glyphOf(int t, unsigned char c) {
    int g;
    switch (t) {
    case GIF_CELL_ASCII:
    case GIF_CELL_TEXT: g = c - 32; break;
    case GIF_CELL_LETTERS: g = c - 'A'; break;
    default: g = c == '+' ? 10 : c == '-' ? 11 : c - '0'; break;
    }
    int cells = t >= 0 && t < 7 ? kGrids[t].columns * kGrids[t].rows : 0;
    return g >= 0 && g < cells ? g : -1;
}

void CgifFont2::init(const CgifTexObj *pic, int t) {
    picture = pic;
    type = t >= 0 && t < 7 ? t : GIF_CELL_DIGITS;
    columns = kGrids[type].columns;
    rows = kGrids[type].rows;
}

void CgifFont2::setSize(int w, int h) {
    glyphWidth = pitch = w;
    glyphHeight = h;
}

int CgifFont2::getStrWidth(const char *text) const { return text ? int(std::strlen(text)) * (pitch + spacing) : 0; }

void CgifFont2::draw(float x, float y, const char *text) const {
    if (!text) return;
    glColor4f(color.r, color.g, color.b, color.a);
    float left = x - alignShift(align, getStrWidth(text));
    for (const char *p = text; *p; p++, left += float(pitch + spacing)) {
        int g = glyphOf(type, static_cast<unsigned char>(*p));
        if (g >= 0) drawCell(picture, columns, rows, g % columns, g / columns, left, y, float(glyphWidth), float(glyphHeight));
    }
}
