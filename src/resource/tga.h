// tga: the picture format of the resource pack's entries.
//
// The pack holds uncompressed true-colour TGA pictures (image type 2, no ID
// field, no colour map): 24 bits per pixel (blue, green, red) or 32 (blue,
// green, red, alpha), rows bottom first unless descriptor bit 5 says top
// first. The reader takes nothing else, and checks the data's length against
// the size before a pixel is read, since the pack comes from disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Size of the TGA header.
constexpr size_t kTgaHeaderSize = 18;

// A checked picture; `pixels` points into the data it was read from.
struct sTgaInfo {
    int width;              // 1 to 65535
    int height;
    int bits;               // 24 or 32
    bool topFirst;          // rows stored top first (descriptor bit 5)
    const uint8_t *pixels;  // width x height x bits / 8 bytes
};

// Checks the `size` bytes at `data` and fills `info`. Returns 0, or -1 with
// the reason in `reason` (capacity `cap`, may be null); `info` is then unchanged.
int tgaParse(const uint8_t *data, size_t size, sTgaInfo *info, char *reason, size_t cap);
// Returns the picture as red, green, blue, alpha bytes, top row first
// (alpha 255 for 24-bit pictures). Never fails for a parsed picture.
std::vector<uint8_t> tgaToRgba(const sTgaInfo &info);
// Returns the TGA bytes of a `width` x `height` picture given as red, green,
// blue, alpha bytes top row first: 24 bits (alpha dropped) or 32, bottom row
// first. Empty for a size outside 1 to 65535 or bits other than 24 and 32.
std::vector<uint8_t> tgaEncode(const uint8_t *rgba, int width, int height, int bits);
