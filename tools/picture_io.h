// picture_io: what the picture tools share: PNG files, painting into RGBA
// canvases and drawing text with the program's own bitmap fonts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture of red, green, blue, alpha bytes, top row first.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Canvas() = default;
    Canvas(int w, int h, uint32_t rgb = 0) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4) { fill(0, 0, w, h, rgb); }
    uint8_t *at(int x, int y) { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
    // Fills a rectangle with an opaque colour 0xRRGGBB (clipped).
    void fill(int x, int y, int w, int h, uint32_t rgb);
    // Draws `src` with its top-left corner at x, y, blending by its alpha (clipped).
    void blend(const Canvas &src, int x, int y);
    // Multiplies a rectangle's colour by 0xRRGGBB / 255 (clipped).
    void tint(int x, int y, int w, int h, uint32_t rgb);
};

// Writes `c` as an 8-bit RGBA PNG with no time stamp. Returns false with the
// reason in `error`; no file is left behind then.
bool pngWrite(const std::string &path, const Canvas &c, std::string *error);

// Draws Shift-JIS `text` with the bitmap font of `size` (8, 10, 12, 16, 22),
// the raster position at x, y (y down, as the toolkit places it), in 0xRRGGBB.
// Returns the advance.
int canvasText(Canvas &c, int size, int x, int y, const char *text, uint32_t rgb);

// Returns the contrast ratio of two colours 0xRRGGBB (1 to 21).
double contrastRatio(uint32_t a, uint32_t b);
