// tga: the pictures of the resource pack, read from their TGA form.
//
// The pack's pictures are uncompressed true-colour TGA files (image type 2,
// 24 bits blue-green-red or 32 bits blue-green-red-alpha, bottom row first).
// A picture comes from a file on disk and may be damaged, so the decoder
// takes nothing on trust: it decodes only that kind, and only when every
// pixel is inside the data. Pure CPU work; any thread.
#pragma once

#include <cstddef>
#include <cstdint>

// The 18-byte TGA header as read (16-bit fields little-endian in the file).
struct TARGA {
    uint8_t idLength;       // bytes of the ID field after the header
    uint8_t colorMapType;   // 0 none, 1 present
    uint8_t imageType;      // 2 uncompressed true colour; others are not decoded
    uint16_t colorMapStart;
    uint16_t colorMapLength;  // entries
    uint8_t colorMapBits;     // bits per entry
    uint16_t xOrigin, yOrigin;
    uint16_t width, height;
    uint8_t bitsPerPixel;
    uint8_t descriptor;     // bit 5: rows stored top row first
};

// Bytes of the TGA header.
constexpr size_t kTgaHeaderSize = 18;

// A picture converted for a texture: red-green-blue(-alpha) rows, bottom row
// first, in a buffer whose sides are the picture's rounded up to powers of
// two (the rest zero, so transparent for 32-bit pictures).
struct sGifPixels {
    uint8_t *pixels;         // texWidth x texHeight x bytesPerPixel ("texPix"); null when empty
    uint16_t width, height;  // the picture's size
    uint16_t texWidth, texHeight;
    uint8_t bytesPerPixel;   // 3 or 4
};

// Fills `header` from the first 18 of the `size` bytes at `data` and returns
// whether it describes a picture at all: colour-map type 0 or 1, image type
// 1, 2, 3, 9, 10 or 11, colour-map entries of at most 32 bits, width and
// height 1 to 8191, 1 to 32 bits per pixel. False for fewer than 18 bytes
// (header zeroed then). Passing says nothing about the pixels; see gifTgaDecode.
bool checktarga(TARGA *header, const uint8_t *data, size_t size);

// Returns `n` rounded up to a power of two (1 for 0 and 1).
uint32_t gifPow2(uint32_t n);

// Decodes the TGA picture of `size` bytes at `data` into `out`. Returns 0;
// -1 when it is not an uncompressed true-colour picture of 24 or 32 bits,
// or its pixels run past the data; -2 when memory runs out. `out` is empty
// after any failure.
int gifTgaDecode(const uint8_t *data, size_t size, sGifPixels *out);
// Frees the pixels and empties `p`. Null is ignored.
void gifTgaRelease(sGifPixels *p);

// A picture converted as for a texture but kept in memory only (the drag
// cursors are made from such pixels).
class CgifTgaData {
public:
    CgifTgaData() = default;
    CgifTgaData(const CgifTgaData &) = delete;
    CgifTgaData &operator=(const CgifTgaData &) = delete;
    ~CgifTgaData() { term(); }

    // Converts the picture, replacing what was held. Returns as gifTgaDecode;
    // holds nothing after a failure.
    int init(const uint8_t *data, size_t size);
    // Frees the pixels. Never fails.
    void term() { gifTgaRelease(&pixels_); }
    // The converted picture; pixels null when nothing is held.
    const sGifPixels &get() const { return pixels_; }

private:
    sGifPixels pixels_{};
};
