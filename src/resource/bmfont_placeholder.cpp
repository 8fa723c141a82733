// Stand-in font tables until the generated ones are built: every character
// draws as a box, so text stays visible and measurable.
#include <array>

#include "resource/bmfont.h"

namespace {

template <int Size>
struct Placeholder {
    static constexpr int kW = Size / 2 < 8 ? Size / 2 : 8, kH = Size * 3 / 4;
    static constexpr std::array<uint8_t, kH> bits = [] {
        std::array<uint8_t, kH> b{};
        for (int y = 0; y < kH; ++y)
            b[y] = static_cast<uint8_t>((y == 0 || y == kH - 1) ? (0xFF << (8 - kW)) : (0x80 | (0x80 >> (kW - 1))));
        return b;
    }();
    static constexpr std::array<sBmfGlyph, 256> glyphs = [] {
        std::array<sBmfGlyph, 256> g{};
        for (auto &r : g) r = {kW, kH, 0, 0, static_cast<int8_t>(kW + 1), 0, 0};
        g[' '] = {0, 0, 0, 0, static_cast<int8_t>(kW), 0, kBmfNoBitmap};
        return g;
    }();
    static constexpr sBmfWideGlyph wide[1] = {{kW, kH, 0, 0, static_cast<int8_t>(kW + 1), {0, 0, 0}, 0}};
    static constexpr std::array<uint16_t, kBmfWideSlots> index{};
    static constexpr sBmfFont font = {Size / 5, 0, Size - Size / 5, Size, Size, glyphs.data(), bits.data(),
                                      index.data(), wide, bits.data(), 1};
};

}  // namespace

extern const sBmfFont gBmfFonts[5] = {Placeholder<8>::font, Placeholder<10>::font, Placeholder<12>::font,
                                      Placeholder<16>::font, Placeholder<22>::font};
