// kvb-fontgen: renders the bitmap font tables (resource/bmfont.h) from free
// fonts with FreeType and writes them as one C++ source.
//
//   kvb-fontgen CONFIG OVERRIDE OUTPUT
//
// CONFIG names the two faces and, per size, how to render it:
//   latin PATH             the face of 0x21-0x7E
//   japanese PATH          the face of 0xA1-0xDF and the double-byte characters
//   size N latin X Y tracking T shift S japanese P header D F A L
// Latin glyphs render at X by Y pixels per em (a narrower X condenses them),
// each advance widened by T; the baseline lies S pixels above the raster
// position; Japanese glyphs render at P pixels per em; D F A L are the
// header (descent, flag, ascent, line height). Every glyph is clipped to the
// band from D pixels below the raster position to N pixels above it, the box
// the toolkit draws a line of text into.
//
// OVERRIDE holds the facts the program's text layout depends on:
//   header N D F A L                                  sets the header
//   glyph N CODE [width W] [height H] [xorig X] [yorig Y] [advance V]
// An advance is set; width, height and the origins are the rendering's own
// and are checked. After rendering, the tables must agree with every line,
// and every glyph of 0x21-0x7E and 0xA1-0xDF must have pixels, or the tool
// fails (exit 1) and writes nothing.
//
// Rendering is monochrome with the faces' hinting, so the output depends only
// on the font files and FreeType: two runs give the same bytes.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "resource/bmfont.h"
#include "tool_util.h"

namespace {

struct SizeConfig {
    int size = 0;
    int latinX = 0, latinY = 0, tracking = 0, shift = 0, japanese = 0;
    int header[4] = {0, 0, 0, 0};
};

struct GlyphFact {
    int size = 0;
    int code = 0;
    std::map<std::string, int> fields;
    int line = 0;
};

struct Config {
    std::string latin, japanese;
    std::string mode = "mono";  // hinting: mono, auto (FreeType's own hinter), light (anti-aliased, then halved)
    std::vector<SizeConfig> sizes;
};

// One rendered glyph: metrics and rows packed bottom row first.
struct Glyph {
    int width = 0, height = 0, xorig = 0, yorig = 0, advance = 0;
    std::vector<uint8_t> bits;
};

constexpr int kSizes[5] = {8, 10, 12, 16, 22};

int parseInt(const std::string &word, const std::string &where) {
    try {
        size_t used = 0;
        int v = std::stoi(word, &used, 0);
        if (used == word.size()) return v;
    } catch (...) {
    }
    fail(where + ": not a number: " + word);
}

std::vector<std::vector<std::string>> readLines(const std::string &path, std::vector<int> *numbers) {
    std::ifstream in(path);
    if (!in) fail(path + ": cannot be read");
    std::vector<std::vector<std::string>> lines;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty()) continue;
        lines.push_back(w);
        numbers->push_back(n);
    }
    return lines;
}

Config readConfig(const std::string &path) {
    Config c;
    std::vector<int> numbers;
    auto lines = readLines(path, &numbers);
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto &w = lines[i];
        std::string where = path + ":" + std::to_string(numbers[i]);
        if ((w[0] == "latin" || w[0] == "japanese") && w.size() == 2) {
            (w[0] == "latin" ? c.latin : c.japanese) = w[1];
        } else if (w[0] == "hinting" && w.size() == 2 && (w[1] == "mono" || w[1] == "auto" || w[1] == "light")) {
            c.mode = w[1];
        } else if (w[0] == "size" && w.size() == 16) {
            SizeConfig s;
            s.size = parseInt(w[1], where);
            if (w[2] != "latin" || w[5] != "tracking" || w[7] != "shift" || w[9] != "japanese" || w[11] != "header")
                fail(where + ": expected size N latin X Y tracking T shift S japanese P header D F A L");
            s.latinX = parseInt(w[3], where);
            s.latinY = parseInt(w[4], where);
            s.tracking = parseInt(w[6], where);
            s.shift = parseInt(w[8], where);
            s.japanese = parseInt(w[10], where);
            for (int k = 0; k < 4; ++k) s.header[k] = parseInt(w[12 + k], where);
            c.sizes.push_back(s);
        } else {
            fail(where + ": not understood");
        }
    }
    for (int size : kSizes)
        if (std::none_of(c.sizes.begin(), c.sizes.end(), [&](const SizeConfig &s) { return s.size == size; }))
            fail(path + ": no line for size " + std::to_string(size));
    if (c.latin.empty() || c.japanese.empty()) fail(path + ": both faces must be named");
    return c;
}

void readOverride(const std::string &path, Config &config, std::vector<GlyphFact> &facts) {
    std::vector<int> numbers;
    auto lines = readLines(path, &numbers);
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto &w = lines[i];
        std::string where = path + ":" + std::to_string(numbers[i]);
        int size = w.size() > 1 ? parseInt(w[1], where) : 0;
        auto s = std::find_if(config.sizes.begin(), config.sizes.end(),
                              [&](const SizeConfig &c) { return c.size == size; });
        if (s == config.sizes.end()) fail(where + ": no such size");
        if (w[0] == "header" && w.size() == 6) {
            for (int k = 0; k < 4; ++k) s->header[k] = parseInt(w[2 + k], where);
        } else if (w[0] == "glyph" && w.size() >= 3 && w.size() % 2 == 1) {
            GlyphFact f{size, parseInt(w[2], where), {}, numbers[i]};
            for (size_t k = 3; k < w.size(); k += 2) {
                static const char *const kFields[] = {"width", "height", "xorig", "yorig", "advance"};
                if (std::find(std::begin(kFields), std::end(kFields), w[k]) == std::end(kFields))
                    fail(where + ": unknown field " + w[k]);
                f.fields[w[k]] = parseInt(w[k + 1], where);
            }
            if (f.code < 0 || f.code > 255) fail(where + ": code outside 0-255");
            facts.push_back(f);
        } else {
            fail(where + ": not understood");
        }
    }
}

// Renders `code` of `face` (already sized) into a glyph clipped to the band
// from `below` pixels under the baseline to `above` pixels over it.
std::string gMode = "mono";

// Converts an anti-aliased bitmap to one bit per pixel in place of `b`'s
// buffer: a pixel is set when at least half covered.
void threshold(FT_Bitmap &b, std::vector<uint8_t> &store) {
    int stride = (static_cast<int>(b.width) + 7) / 8;
    store.assign(static_cast<size_t>(stride) * b.rows, 0);
    for (unsigned r = 0; r < b.rows; ++r)
        for (unsigned x = 0; x < b.width; ++x)
            if (b.buffer[static_cast<ptrdiff_t>(r) * b.pitch + x] >= 128)
                store[r * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    b.buffer = store.data();
    b.pitch = stride;
    b.pixel_mode = FT_PIXEL_MODE_MONO;
}

bool render(FT_Face face, uint32_t code, int shift, int below, int above, int tracking, Glyph &g) {
    FT_UInt index = FT_Get_Char_Index(face, code);
    FT_Int32 flags = gMode == "light" ? FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT
                     : gMode == "auto" ? FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_FORCE_AUTOHINT
                                       : FT_LOAD_RENDER | FT_LOAD_TARGET_MONO;
    if (!index || FT_Load_Glyph(face, index, flags)) return false;
    FT_GlyphSlot slot = face->glyph;
    FT_Bitmap b = slot->bitmap;
    std::vector<uint8_t> store;
    if (b.pixel_mode == FT_PIXEL_MODE_GRAY) threshold(b, store);
    if (b.pixel_mode != FT_PIXEL_MODE_MONO && b.rows) return false;
    g = Glyph();
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6) + tracking;
    // Rows relative to the baseline, top row first: top = bitmap_top - 1.
    int top = slot->bitmap_top, rows = static_cast<int>(b.rows);
    int first = std::max(0, top - above), last = std::min(rows, top + below);
    if (first >= last || b.width == 0) return true;  // no pixels: a space
    g.width = static_cast<int>(b.width);
    g.height = last - first;
    g.xorig = -slot->bitmap_left;
    g.yorig = -(top - last) - shift;
    int stride = (g.width + 7) / 8;
    for (int r = last - 1; r >= first; --r) {
        const uint8_t *src = b.buffer + static_cast<ptrdiff_t>(r) * b.pitch;
        g.bits.insert(g.bits.end(), src, src + stride);
    }
    if (std::all_of(g.bits.begin(), g.bits.end(), [](uint8_t v) { return v == 0; })) {
        g.bits.clear();
        g.width = g.height = 0;
    }
    return true;
}

// A hollow box standing on the baseline.
Glyph box(int width, int height, int shift, int advance) {
    Glyph g;
    g.width = width;
    g.height = height;
    g.yorig = -shift;
    g.advance = advance;
    int stride = (width + 7) / 8;
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x)
            if (r == 0 || r == height - 1 || x == 0 || x == width - 1) {
                g.bits.resize(static_cast<size_t>(stride) * height);
                g.bits[static_cast<size_t>(r) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
    return g;
}

struct FontTables {
    SizeConfig config;
    Glyph single[256];
    bool own[256] = {};           // the byte has a glyph of its own
    std::vector<Glyph> wide;      // [0] the box
};

// Unicode of every Shift-JIS pair the program's text can hold, in slot order
// (0 for a slot without a character).
std::vector<uint32_t> pairCodes() {
    std::vector<uint32_t> codes(kBmfWideSlots, 0);
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) fail("iconv cannot convert from CP932");
    for (int slot = 0; slot < kBmfWideSlots; ++slot) {
        int l = slot / kBmfWideTrails, t = slot % kBmfWideTrails;
        char in[2] = {static_cast<char>(l < 31 ? 0x81 + l : 0xE0 + l - 31),
                      static_cast<char>(t < 63 ? 0x40 + t : 0x41 + t)};
        char out[8];
        char *ip = in, *op = out;
        size_t il = 2, ol = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0 && ol == 4)
            codes[slot] = static_cast<uint8_t>(out[0]) | static_cast<uint8_t>(out[1]) << 8 |
                          static_cast<uint32_t>(static_cast<uint8_t>(out[2])) << 16;
    }
    iconv_close(cd);
    return codes;
}

void setSize(FT_Face face, int x, int y, const std::string &what) {
    if (FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(x), static_cast<FT_UInt>(y)))
        fail(what + ": cannot be set to " + std::to_string(x) + "x" + std::to_string(y) + " pixels");
}

FontTables renderSize(FT_Face latin, FT_Face japanese, const SizeConfig &c, const std::vector<uint32_t> &codes) {
    FontTables t;
    t.config = c;
    int below = c.header[0] + c.shift, above = c.size - c.shift;  // the band, from the baseline
    setSize(latin, c.latinX, c.latinY, "latin face");
    for (int ch = 0x20; ch <= 0x7E; ++ch)
        t.own[ch] = render(latin, static_cast<uint32_t>(ch), c.shift, below, above, c.tracking, t.single[ch]);
    setSize(japanese, c.japanese, c.japanese, "japanese face");
    for (int ch = 0xA1; ch <= 0xDF; ++ch)  // half-width katakana
        t.own[ch] = render(japanese, 0xFF61u + (ch - 0xA1), c.shift, below, above, 0, t.single[ch]);

    int capHeight = std::max(3, t.single[int{'H'}].height);
    Glyph narrowBox = box(std::max(3, c.size / 2 - 1), capHeight, c.shift, std::max(4, c.size / 2 + 1));
    for (int ch = 0; ch < 256; ++ch)
        if (!t.own[ch]) t.single[ch] = narrowBox;

    t.wide.push_back(box(std::max(4, c.size - 3), capHeight, c.shift, c.size));
    for (uint32_t code : codes) {
        if (!code) continue;
        Glyph g;
        if (!render(japanese, code, c.shift, below, above, 0, g))
            fail("size " + std::to_string(c.size) + ": character " + std::to_string(code) + " cannot be rendered");
        t.wide.push_back(g);
    }
    return t;
}

void check(const FontTables &t, const std::vector<GlyphFact> &facts) {
    int size = t.config.size;
    for (int ch = 0x21; ch <= 0xDF; ++ch) {
        if (ch > 0x7E && ch < 0xA1) continue;
        if (!t.own[ch] || t.single[ch].bits.empty())
            fail("size " + std::to_string(size) + ": no glyph for byte " + std::to_string(ch));
    }
    for (const auto &f : facts) {
        if (f.size != size) continue;
        const Glyph &g = t.single[f.code];
        const std::map<std::string, int> have = {
            {"width", g.width}, {"height", g.height}, {"xorig", g.xorig}, {"yorig", g.yorig}, {"advance", g.advance}};
        for (const auto &[name, want] : f.fields)
            if (have.at(name) != want)
                fail("override line " + std::to_string(f.line) + ": size " + std::to_string(size) + " code " +
                     std::to_string(f.code) + " has " + name + " " + std::to_string(have.at(name)) + ", not " +
                     std::to_string(want));
    }
}

void applyAdvances(FontTables &t, const std::vector<GlyphFact> &facts) {
    for (const auto &f : facts)
        if (f.size == t.config.size && f.fields.count("advance")) t.single[f.code].advance = f.fields.at("advance");
}

// Appends `bytes` to a C++ string literal body.
void literal(std::ostream &out, const std::vector<uint8_t> &bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string line;
    out << "    \"";
    for (size_t i = 0; i < bytes.size(); ++i) {
        line += "\\x";
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 15];
        if (line.size() >= 128) {
            out << line << "\"\n    \"";
            line.clear();
        }
    }
    out << line << "\"";
}

int8_t s8(int v, const std::string &what) {
    if (v < -128 || v > 127) fail(what + " does not fit a signed byte");
    return static_cast<int8_t>(v);
}

void writeSource(std::ostream &out, const std::vector<FontTables> &fonts, const std::vector<uint16_t> &index) {
    out << "// Generated by kvb-fontgen from the fonts and override files; do not edit.\n"
           "#include \"resource/bmfont.h\"\n\nnamespace {\n\n";
    out << "const uint16_t kWideIndex[" << kBmfWideSlots << "] = {";
    for (size_t i = 0; i < index.size(); ++i) out << (i % 24 ? "" : "\n    ") << index[i] << ",";
    out << "\n};\n\n";
    for (const auto &t : fonts) {
        std::string n = std::to_string(t.config.size);
        std::vector<uint8_t> bits;
        out << "const sBmfGlyph kGlyphs" << n << "[256] = {\n";
        std::map<std::vector<uint8_t>, size_t> shared;  // the box appears many times
        for (int ch = 0; ch < 256; ++ch) {
            const Glyph &g = t.single[ch];
            size_t offset = kBmfNoBitmap;
            if (!g.bits.empty()) {
                auto [it, added] = shared.emplace(g.bits, bits.size());
                if (added) bits.insert(bits.end(), g.bits.begin(), g.bits.end());
                offset = it->second;
            }
            if (offset >= kBmfNoBitmap && !g.bits.empty()) fail("size " + n + ": single-byte bitmaps pass 64 KiB");
            std::string what = "size " + n + " byte " + std::to_string(ch);
            out << "    {" << int{s8(g.width, what)} << ", " << int{s8(g.height, what)} << ", "
                << int{s8(g.xorig, what)} << ", " << int{s8(g.yorig, what)} << ", " << int{s8(g.advance, what)}
                << ", 0, " << offset << "},\n";
        }
        out << "};\nconst uint8_t kBits" << n << "[] =\n";
        literal(out, bits);
        out << ";\n";
        std::vector<uint8_t> wideBits;
        out << "const sBmfWideGlyph kWide" << n << "[" << t.wide.size() << "] = {\n";
        for (size_t i = 0; i < t.wide.size(); ++i) {
            const Glyph &g = t.wide[i];
            std::string what = "size " + n + " wide glyph " + std::to_string(i);
            out << "    {" << int{s8(g.width, what)} << ", " << int{s8(g.height, what)} << ", "
                << int{s8(g.xorig, what)} << ", " << int{s8(g.yorig, what)} << ", " << int{s8(g.advance, what)}
                << ", {0, 0, 0}, " << wideBits.size() << "u},\n";
            wideBits.insert(wideBits.end(), g.bits.begin(), g.bits.end());
        }
        out << "};\nconst uint8_t kWideBits" << n << "[] =\n";
        literal(out, wideBits);
        out << ";\n\n";
    }
    out << "}  // namespace\n\nextern const sBmfFont gBmfFonts[5] = {\n";
    for (const auto &t : fonts) {
        std::string n = std::to_string(t.config.size);
        const int *h = t.config.header;
        out << "    {" << h[0] << ", " << h[1] << ", " << h[2] << ", " << h[3] << ", " << n << ", kGlyphs" << n
            << ", kBits" << n << ", kWideIndex, kWide" << n << ", kWideBits" << n << ", " << t.wide.size()
            << "},\n";
    }
    out << "};\n";
}

int run(int argc, char **argv) {
    if (argc != 4) {
        std::cerr << "usage: kvb-fontgen CONFIG OVERRIDE OUTPUT\n";
        return 2;
    }
    Config config = readConfig(argv[1]);
    gMode = config.mode;
    std::vector<GlyphFact> facts;
    readOverride(argv[2], config, facts);

    FT_Library ft;
    if (FT_Init_FreeType(&ft)) fail("FreeType cannot start");
    FT_Face latin, japanese;
    if (FT_New_Face(ft, config.latin.c_str(), 0, &latin)) fail(config.latin + ": cannot be opened");
    if (FT_New_Face(ft, config.japanese.c_str(), 0, &japanese)) fail(config.japanese + ": cannot be opened");

    // The double-byte characters are the pairs CP932 maps that the Japanese
    // face has; one index serves every size.
    std::vector<uint32_t> codes = pairCodes();
    std::vector<uint16_t> index(kBmfWideSlots, 0);
    uint16_t next = 1;
    for (int slot = 0; slot < kBmfWideSlots; ++slot) {
        if (codes[slot] && FT_Get_Char_Index(japanese, codes[slot]))
            index[slot] = next++;
        else
            codes[slot] = 0;
    }
    std::vector<FontTables> fonts;
    for (int size : kSizes) {
        const SizeConfig &c = *std::find_if(config.sizes.begin(), config.sizes.end(),
                                            [&](const SizeConfig &s) { return s.size == size; });
        fonts.push_back(renderSize(latin, japanese, c, codes));
        applyAdvances(fonts.back(), facts);
        check(fonts.back(), facts);
    }
    FT_Done_Face(latin);
    FT_Done_Face(japanese);
    FT_Done_FreeType(ft);

    std::ostringstream source;
    writeSource(source, fonts, index);
    std::string text = source.str();
    writeReplacing(argv[3], text.data(), text.size());
    std::cerr << "kvb-fontgen: " << index.size() - std::count(index.begin(), index.end(), 0)
              << " double-byte characters\n";
    return 0;
}

}  // namespace

int main(int argc, char **argv) { return toolMain("kvb-fontgen", run, argc, argv); }
