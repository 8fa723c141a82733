// glstate: the fixed-function state and the projections all drawing assumes,
// and the few untextured primitives the widgets draw.
//
// Drawing coordinates are window pixels with y downward: gifSetProjection
// maps a rectangle of the window onto itself, and a frame translates the
// model-view matrix by its scroll offset. Every function needs the window's
// GL context current; main thread only.
#pragma once

#include <cstdint>

// A colour, components 0 to 1.
struct sGifColor {
    float r, g, b, a;
};

// Returns grey `v` (0 black, 1 white) with alpha `a`.
constexpr sGifColor gifGrey(float v, float a = 1.0f) { return sGifColor{v, v, v, a}; }
// Returns the colour of 0-255 components.
constexpr sGifColor gifRgb255(int r, int g, int b) { return sGifColor{r / 255.0f, g / 255.0f, b / 255.0f, 1.0f}; }

// --- State and projections ---------------------------------------------------

// Sets the state every screen draw starts from: alpha test, line smoothing,
// lighting and depth test off; 2D texturing on in modulate mode; blending
// with source alpha; scissor test on. Never fails.
void gifGLSettingInit(void);
// Makes `viewport` (left, top, width, height in window pixels, y down) the GL
// viewport and scissor box of a window of `windowW` x `windowH`, clears it to
// opaque black when `clear` is 1, and loads an orthographic projection in
// which drawing coordinates are window pixels. Never fails.
void gifSetProjection(const float viewport[4], int windowW, int windowH, int clear);

// --- Untextured primitives ---------------------------------------------------
// Each draws with texturing off and leaves it on, as gifGLSettingInit set it.

// Draws an open line strip through `n` points (x, y pairs), rounded to whole
// pixels, 2 pixels wide in the list colour (142, 198, 254); nothing for n < 2.
void gifDrawLineStrip(const float *points, int n);
// The same with a line width and a colour.
void gifDrawLineStrip(const float *points, int n, float width, sGifColor color);
// Fills the rectangle with top-left corner (left, top) in `color`.
void gifDrawRect(float left, float top, float width, float height, sGifColor color);
// Outlines the rectangle (a closed strip through its corners).
void gifDrawRectLine(float left, float top, float width, float height, float lineWidth, sGifColor color);
