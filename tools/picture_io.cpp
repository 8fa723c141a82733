// What the picture tools share. See picture_io.h.
#include "picture_io.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "resource/bmfont.h"

void Canvas::fill(int x, int y, int w, int h, uint32_t rgb) {
    for (int yy = std::max(0, y); yy < std::min(height, y + h); ++yy)
        for (int xx = std::max(0, x); xx < std::min(width, x + w); ++xx) {
            uint8_t *p = at(xx, yy);
            p[0] = static_cast<uint8_t>(rgb >> 16);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb);
            p[3] = 255;
        }
}

void Canvas::blend(const Canvas &src, int x, int y) {
    for (int sy = 0; sy < src.height; ++sy)
        for (int sx = 0; sx < src.width; ++sx) {
            int dx = x + sx, dy = y + sy;
            if (dx < 0 || dy < 0 || dx >= width || dy >= height) continue;
            const uint8_t *s = src.rgba.data() + (static_cast<size_t>(sy) * src.width + sx) * 4;
            uint8_t *d = at(dx, dy);
            unsigned a = s[3];
            for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>((s[k] * a + d[k] * (255 - a) + 127) / 255);
            d[3] = static_cast<uint8_t>(std::max<unsigned>(d[3], a));
        }
}

void Canvas::tint(int x, int y, int w, int h, uint32_t rgb) {
    for (int yy = std::max(0, y); yy < std::min(height, y + h); ++yy)
        for (int xx = std::max(0, x); xx < std::min(width, x + w); ++xx) {
            uint8_t *p = at(xx, yy);
            for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>((p[k] * ((rgb >> (16 - 8 * k)) & 255) + 127) / 255);
        }
}

namespace {

// libpng reports errors by longjmp, so nothing the jump could clobber lives here.
bool pngEncode(FILE *f, const Canvas &c) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(c.width), static_cast<png_uint_32>(c.height), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < c.height; ++y)
        png_write_row(png, const_cast<png_bytep>(c.rgba.data() + static_cast<size_t>(y) * c.width * 4));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool pngWrite(const std::string &path, const Canvas &c, std::string *error) {
    std::string tmp = path + ".tmp";
    FILE *f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        *error = tmp + ": cannot be created";
        return false;
    }
    bool ok = pngEncode(f, c);
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(tmp.c_str(), path.c_str()) == 0) return true;
    std::remove(tmp.c_str());
    *error = path + ": cannot be written";
    return false;
}

int canvasText(Canvas &c, int size, int x, int y, const char *text, uint32_t rgb) {
    const sBmfFont *font = bmfFontGet(size);
    int start = x;
    sBmfChar ch;
    for (int n; (n = bmfCharAt(font, text, &ch)) > 0; text += n) {
        int stride = (ch.width + 7) / 8;
        for (int r = 0; ch.bits && r < ch.height; ++r)
            for (int col = 0; col < ch.width; ++col)
                if (ch.bits[r * stride + col / 8] & (0x80 >> (col % 8)))
                    c.fill(x - ch.xorig + col, y + ch.yorig - 1 - r, 1, 1, rgb);
        x += ch.advance;
    }
    return x - start;
}

namespace {

double luminance(uint32_t rgb) {
    auto channel = [](uint32_t v) {
        double c = v / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel((rgb >> 16) & 255) + 0.7152 * channel((rgb >> 8) & 255) + 0.0722 * channel(rgb & 255);
}

}  // namespace

double contrastRatio(uint32_t a, uint32_t b) {
    double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
