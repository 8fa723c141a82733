// Pack pictures: checking, decoding and encoding. See tga.h.
#include "resource/tga.h"

#include <cstdio>

#include "resource/le.h"

int tgaParse(const uint8_t *data, size_t size, sTgaInfo *info, char *reason, size_t cap) {
    auto refuse = [&](const char *why) {
        if (reason && cap) std::snprintf(reason, cap, "%s", why);
        return -1;
    };
    if (!data || !info || size < kTgaHeaderSize) return refuse("shorter than a picture header");
    if (data[0] != 0 || data[1] != 0) return refuse("has an ID field or a colour map");
    if (data[2] != 2) return refuse("is not uncompressed true colour");
    int width = leGet16(data + 12), height = leGet16(data + 14), bits = data[16];
    if (width == 0 || height == 0) return refuse("has no pixels");
    if (bits != 24 && bits != 32) return refuse("has neither 24 nor 32 bits per pixel");
    uint64_t need = kTgaHeaderSize + uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) * (bits / 8);
    if (need > size) return refuse("is shorter than its pixels");
    *info = {width, height, bits, (data[17] & 0x20) != 0, data + kTgaHeaderSize};
    return 0;
}

std::vector<uint8_t> tgaToRgba(const sTgaInfo &info) {
    size_t bpp = static_cast<size_t>(info.bits) / 8, w = static_cast<size_t>(info.width);
    std::vector<uint8_t> out(w * static_cast<size_t>(info.height) * 4);
    for (int row = 0; row < info.height; ++row) {
        int stored = info.topFirst ? row : info.height - 1 - row;
        const uint8_t *src = info.pixels + static_cast<size_t>(stored) * w * bpp;
        uint8_t *dst = out.data() + static_cast<size_t>(row) * w * 4;
        for (size_t x = 0; x < w; ++x, src += bpp, dst += 4) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            dst[3] = bpp == 4 ? src[3] : 255;
        }
    }
    return out;
}

std::vector<uint8_t> tgaEncode(const uint8_t *rgba, int width, int height, int bits) {
    if (!rgba || width < 1 || width > 65535 || height < 1 || height > 65535 || (bits != 24 && bits != 32))
        return {};
    size_t bpp = static_cast<size_t>(bits) / 8, w = static_cast<size_t>(width);
    std::vector<uint8_t> out(kTgaHeaderSize + w * static_cast<size_t>(height) * bpp);
    out[2] = 2;
    out[12] = static_cast<uint8_t>(width);
    out[13] = static_cast<uint8_t>(width >> 8);
    out[14] = static_cast<uint8_t>(height);
    out[15] = static_cast<uint8_t>(height >> 8);
    out[16] = static_cast<uint8_t>(bits);
    out[17] = bits == 32 ? 8 : 0;  // alpha bits; origin bottom left
    uint8_t *dst = out.data() + kTgaHeaderSize;
    for (int row = height - 1; row >= 0; --row) {
        const uint8_t *src = rgba + static_cast<size_t>(row) * w * 4;
        for (size_t x = 0; x < w; ++x, src += 4) {
            *dst++ = src[2];
            *dst++ = src[1];
            *dst++ = src[0];
            if (bpp == 4) *dst++ = src[3];
        }
    }
    return out;
}
