// le: little-endian fields of the resource files, read and written byte by
// byte so that neither alignment nor the host's byte order matters.
#pragma once

#include <cstdint>

inline uint16_t leGet16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t leGet32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline void lePut32(uint8_t *p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
