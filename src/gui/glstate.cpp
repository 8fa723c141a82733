// GL state, projections and untextured primitives. See glstate.h.
#include "gui/glstate.h"

#include <cmath>

#include "gui/glinc.h"

namespace {

constexpr sGifColor kListLine = {142 / 255.0f, 198 / 255.0f, 254 / 255.0f, 1.0f};

// Runs `draw` with texturing off, restoring it afterwards.
template <typename F>
void untextured(sGifColor c, F draw) {
    glDisable(GL_TEXTURE_2D);
    glColor4f(c.r, c.g, c.b, c.a);
    draw();
    glEnable(GL_TEXTURE_2D);
}

}  // namespace

void gifGLSettingInit(void) {
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_SCISSOR_TEST);
}

void gifSetProjection(const float viewport[4], int windowW, int windowH, int clear) {
    (void)windowW;
    GLint left = static_cast<GLint>(viewport[0]), top = static_cast<GLint>(viewport[1]);
    GLsizei w = static_cast<GLsizei>(viewport[2]), h = static_cast<GLsizei>(viewport[3]);
    GLint bottom = windowH - h - top;  // GL counts rows from the bottom
    glViewport(left, bottom, w, h);
    glScissor(left, bottom, w, h);
    if (clear == 1) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1] + viewport[3], viewport[1], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
}

void gifDrawLineStrip(const float *points, int n) { gifDrawLineStrip(points, n, 2.0f, kListLine); }

void gifDrawLineStrip(const float *points, int n, float width, sGifColor color) {
    if (!points || n < 2) return;
    untextured(color, [&] {
        glLineWidth(width);
        glBegin(GL_LINE_STRIP);
        for (int i = 0; i < n; i++) glVertex2f(std::round(points[2 * i]), std::round(points[2 * i + 1]));
        glEnd();
    });
}

void gifDrawRect(float left, float top, float width, float height, sGifColor color) {
    untextured(color, [&] { glRectf(left, top, left + width, top + height); });
}

void gifDrawRectLine(float left, float top, float width, float height, float lineWidth, sGifColor color) {
    // Through pixel centres, so a one-pixel outline covers the rectangle's edge pixels.
    float l = left + 0.5f, t = top + 0.5f, r = left + width - 0.5f, b = top + height - 0.5f;
    untextured(color, [&] {
        glLineWidth(lineWidth);
        glBegin(GL_LINE_LOOP);
        glVertex2f(l, t);
        glVertex2f(r, t);
        glVertex2f(r, b);
        glVertex2f(l, b);
        glEnd();
    });
}
