// TGA reading. See tga.h.
#include "gui/tga.h"

#include <cstring>

#include "foundation/log.h"
#include "foundation/mem.h"

namespace {

uint16_t le16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

bool checktarga(TARGA *h, const uint8_t *d, size_t size) {
    *h = TARGA{};
    if (!d || size < kTgaHeaderSize) return false;
    *h = TARGA{d[0], d[1], d[2], le16(d + 3), le16(d + 5), d[7], le16(d + 8), le16(d + 10),
               le16(d + 12), le16(d + 14), d[16], d[17]};
    switch (h->imageType) {
    case 1: case 2: case 3: case 9: case 10: case 11: break;
    default: return false;
    }
    return h->colorMapType <= 1 && (h->colorMapLength == 0 || h->colorMapBits <= 32) && h->width >= 1 &&
           h->width <= 8191 && h->height >= 1 && h->height <= 8191 && h->bitsPerPixel >= 1 &&
           h->bitsPerPixel <= 32;
}

uint32_t gifPow2(uint32_t n) {
    uint32_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

int gifTgaDecode(const uint8_t *data, size_t size, sGifPixels *out) {
    *out = sGifPixels{};
    TARGA h;
    if (!checktarga(&h, data, size) || h.imageType != 2 || (h.bitsPerPixel != 24 && h.bitsPerPixel != 32))
        return -1;
    const size_t bpp = h.bitsPerPixel / 8;
    // The ID field and any colour map stand between the header and the pixels.
    size_t start = kTgaHeaderSize + h.idLength;
    if (h.colorMapType == 1) start += (size_t{h.colorMapLength} * h.colorMapBits + 7) / 8;
    const size_t row = size_t{h.width} * bpp;
    if (start > size || size - start < row * h.height) return -1;

    sGifPixels p{nullptr, h.width, h.height, static_cast<uint16_t>(gifPow2(h.width)),
                 static_cast<uint16_t>(gifPow2(h.height)), static_cast<uint8_t>(bpp)};
    const size_t texRow = size_t{p.texWidth} * bpp;
    p.pixels = static_cast<uint8_t *>(memCalloc(texRow * p.texHeight, "texPix"));
    if (!p.pixels) {
        rliDbgLog("ERROR: CgifTgaData::init NULL\n");
        return -2;
    }
    // Texture rows run bottom row first, as the pack stores them.
    const bool topFirst = (h.descriptor & 0x20) != 0;
    for (size_t r = 0; r < h.height; r++) {
        const uint8_t *src = data + start + row * (topFirst ? h.height - 1 - r : r);
        uint8_t *dst = p.pixels + texRow * r;
        for (size_t x = 0; x < h.width; x++, src += bpp, dst += bpp) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (bpp == 4) dst[3] = src[3];
        }
    }
    *out = p;
    return 0;
}

void gifTgaRelease(sGifPixels *p) {
    if (!p) return;
    if (p->pixels) memFree(p->pixels);
    *p = sGifPixels{};
}

int CgifTgaData::init(const uint8_t *data, size_t size) {
    term();
    return gifTgaDecode(data, size, &pixels_);
}
