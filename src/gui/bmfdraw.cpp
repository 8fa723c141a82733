// Bitmap-font text drawing. See bmfdraw.h.
#include "gui/bmfdraw.h"

#include <cmath>
#include <cstring>

#include "gui/glinc.h"
#include "resource/bmfont.h"

namespace {

// Window coordinates (origin bottom left) of drawing point (x, y).
void toWindow(float x, float y, GLint *wx, GLint *wy) {
    GLfloat m[16], p[16];
    GLint vp[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, vp);
    const float e[4] = {m[0] * x + m[4] * y + m[12], m[1] * x + m[5] * y + m[13], m[2] * x + m[6] * y + m[14],
                        m[3] * x + m[7] * y + m[15]};
    float c[4];
    for (int i = 0; i < 4; i++) c[i] = p[i] * e[0] + p[4 + i] * e[1] + p[8 + i] * e[2] + p[12 + i] * e[3];
    const float w = c[3] != 0.0f ? c[3] : 1.0f;
    *wx = GLint(std::lround(vp[0] + (c[0] / w + 1.0f) * 0.5f * vp[2]));
    *wy = GLint(std::lround(vp[1] + (c[1] / w + 1.0f) * 0.5f * vp[3]));
}

}  // namespace

int bmfSizeFor(int s) {
    if (s <= 9) return 8;
    if (s == 10 || s == 16 || s == 22) return s;
    if ((s >= 12 && s <= 15) || (s >= 17 && s <= 20)) return 12;
    return 0;
}

void bmfDrawString(int size, const char *text, float x, float y, sGifColor color) {
    const sBmfFont *font = bmfFontGet(size);
    if (!font || !text || !text[0]) return;
    // Bitmaps take the colour and texture state at the moment the raster
    // position is set; a texture would colour them.
    glDisable(GL_TEXTURE_2D);
    glColor4f(color.r, color.g, color.b, color.a);
    GLint wx, wy;
    toWindow(x, y, &wx, &wy);
    glWindowPos2i(wx, wy);
    GLint oldAlign = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlign);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    sBmfChar c;
    for (int n; (n = bmfCharAt(font, text, &c)) > 0; text += n) {
        if (c.bits)
            glBitmap(c.width, c.height, float(c.xorig), float(c.yorig), float(c.advance), 0.0f, c.bits);
        else
            glBitmap(0, 0, 0.0f, 0.0f, float(c.advance), 0.0f, nullptr);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlign);
    glEnable(GL_TEXTURE_2D);
}

float bmfCenteredBaseline(int size, float centreY) {
    const sBmfFont *f = bmfFontGet(size);
    return f ? float(int(centreY + float(f->ascent - f->descent) / 2.0f)) : centreY;
}

int bmfGetStringW(int size, const char *text) { return bmfTextWidth(bmfFontGet(size), text); }

int bmfGetStringNumberW(int size, const char *text, int n) {
    const sBmfFont *font = bmfFontGet(size);
    int width = 0, at = 0;
    sBmfChar c;
    for (int k; (k = bmfCharAt(font, text + at, &c)) > 0 && at + k <= n; at += k) width += c.advance;
    return width;
}

int bmfGetSelectPosAfter(int size, const char *text, int x) {
    if (x < 0 || !text) return 0;
    const sBmfFont *font = bmfFontGet(size);
    int left = 0, at = 0;
    sBmfChar c;
    for (int k; (k = bmfCharAt(font, text + at, &c)) > 0; at += k) {
        if (x < left + c.advance) return at;
        left += c.advance;
    }
    return font ? at : int(std::strlen(text));
}
