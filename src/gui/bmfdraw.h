// bmfdraw: text drawn with the bitmap fonts (resource/bmfont.h).
//
// Every label, list row and field text of the screens is drawn here, one GL
// bitmap per character. Text is Shift-JIS: a lead/trail pair is one
// character with one double-byte glyph, and widths, select positions and
// counts treat it as one. Indices into a text are byte indices on character
// boundaries.
//
// The raster position is set in window coordinates from the drawing point
// (through the current matrices and viewport), so a text starting outside
// the viewport still draws: the scissor box cuts it to the visible part,
// where a raster position in drawing coordinates would be discarded whole.
// Main thread, with the window's GL context current for drawing.
#pragma once

#include "gui/glstate.h"

// Returns the bitmap-font size (8, 10, 12, 16 or 22) that texts of font size
// `fontSize` are drawn with: up to 9 the 8-pixel font, 10, 16 and 22 their
// own, 12 to 15 and 17 to 20 the 12-pixel font; 0 (nothing is drawn) for
// 11, 21 and above 22.
int bmfSizeFor(int fontSize);
// Draws `text` with the bitmap font of `size` (8, 10, 12, 16 or 22) in
// `color`, its baseline starting at drawing point (x, y). Nothing for another
// size or a null text.
void bmfDrawString(int size, const char *text, float x, float y, sGifColor color);
// Returns the baseline that centres the font's line (ascent over descent) on
// `centreY`; `centreY` itself for another size.
float bmfCenteredBaseline(int size, float centreY);
// Returns the sum of the advances of `text`'s characters; 0 for another size.
int bmfGetStringW(int size, const char *text);
// Returns the sum of the advances of the characters within the first `n`
// bytes (a pair that `n` cuts does not count).
int bmfGetStringNumberW(int size, const char *text, int n);
// Returns the byte index of the character whose advance cell contains `x`
// (from the advances before it, inclusive, to that plus its own, exclusive);
// the text's length when `x` lies beyond the last cell; 0 for a negative `x`.
int bmfGetSelectPosAfter(int size, const char *text, int x);
