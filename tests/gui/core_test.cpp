// The toolkit's parts that need no window: the message queue, TGA decoding,
// texture-font splitting, Shift-JIS copying and sprite geometry.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "gui/font.h"
#include "gui/gifqueue.h"
#include "gui/sjis.h"
#include "gui/sprite.h"
#include "gui/tga.h"
#include "gui_fixture.h"

namespace {

TEST(GifQueue, MatchesAQueueModelUnderRandomOperationsAndDropsTheNewestWhenFull) {
    _sGifQueue *q = gifQInit();
    ASSERT_NE(q, nullptr);
    struct Rec { int32_t m; intptr_t v, p; std::string t; };
    std::deque<Rec> model;
    std::mt19937 rng(7);
    // Pointer-sized values: a wave's address must come back whole.
    const intptr_t wave = reinterpret_cast<intptr_t>(&model) | (intptr_t(1) << 40);
    for (int step = 0; step < 30000; step++) {
        int op = int(rng() % 4);
        int32_t m = int32_t(rng() % 50);  // 0 is never entered
        std::string t = rng() % 3 ? "" : "name" + std::to_string(step);
        if (op <= 1) {
            bool ok = gifQenterExt(m, wave + step, -step, t.c_str(), q) == 0;
            EXPECT_EQ(ok, m != 0 && model.size() < kGifQueueCapacity);
            if (ok) model.push_back({m, wave + step, -step, t});
        } else if (op == 2 && step % 7 == 0) {
            bool ok = gifQpushBack(m, 1, 2, t.c_str(), q) == 0;
            if (ok) model.push_front({m, 1, 2, t});
        } else {
            intptr_t v = 99, p = 99;
            char text[8] = "junk";
            int32_t got = gifQread(&v, &p, text, sizeof text, q);
            if (model.empty()) {
                EXPECT_EQ(got, 0);
                EXPECT_EQ(v, 99);
                continue;
            }
            Rec r = model.front();
            model.pop_front();
            ASSERT_EQ(got, r.m);
            EXPECT_EQ(v, r.v);
            EXPECT_EQ(p, r.p);
            EXPECT_EQ(std::string(text), r.t.substr(0, 7));
        }
        ASSERT_EQ(gifQcount(q), model.size());
        ASSERT_EQ(gifQtest(q), model.empty() ? 0 : model.front().m);
    }
    // Full, the queue drops the newest and takes nothing pushed back; after a
    // read, a record pushed back is read next.
    while (gifQcount(q) < kGifQueueCapacity) ASSERT_EQ(gifQenter(1 + int32_t(gifQcount(q) % 9), 0, 0, q), 0);
    EXPECT_EQ(gifQenter(5, 0, 0, q), -1);
    EXPECT_EQ(gifQpushBack(5, 0, 0, nullptr, q), -1);
    gifQread(nullptr, nullptr, nullptr, 0, q);
    EXPECT_EQ(gifQpushBack(42, 0, 0, nullptr, q), 0);
    EXPECT_EQ(gifQtest(q), 42);
    gifQTerm(q);  // frees the texts still queued
}

TEST(Sjis, CopiesAndStepsNeverSplitAPair) {
    // "ア" in Shift-JIS is 83 41; 0x83 also looks like a lead byte after it.
    const char name[] = "A\x83\x41\x83\x83Z";
    char out[8];
    struct { size_t cap; const char *want; } cases[] = {{1, ""}, {2, "A"}, {3, "A"}, {4, "A\x83\x41"}, {5, "A\x83\x41"},
                                                          {6, "A\x83\x41\x83\x83"}, {8, name}};
    for (auto &c : cases) {
        gifStrCopy(out, c.cap, name);
        EXPECT_STREQ(out, c.want) << "capacity " << c.cap;
    }
    EXPECT_EQ(gifCharCount(name), 4);
    EXPECT_EQ(gifCharPrev(name, 5), 3);
    EXPECT_EQ(gifCharFloor(name, 4), 3);
    EXPECT_EQ(gifCharNext(name, 1), 3);
}

// A TGA header with the given fields and `payload` bytes after it (the ID field's included).
std::vector<uint8_t> tga(int type, int w, int h, int bits, size_t payload, int cmapType = 0, int idLength = 0) {
    std::vector<uint8_t> t(18 + payload, 0x11);
    std::fill(t.begin(), t.begin() + 18, 0);
    t[0] = uint8_t(idLength), t[1] = uint8_t(cmapType), t[2] = uint8_t(type);
    t[12] = uint8_t(w), t[13] = uint8_t(w >> 8), t[14] = uint8_t(h), t[15] = uint8_t(h >> 8), t[16] = uint8_t(bits);
    return t;
}

TEST(Tga, DecodesOnlyWholeUncompressedTrueColourBottomRowFirst) {
    // The header check looks at the first 18 bytes only.
    // Decoded: texture width and height (powers of two) and bytes per pixel.
    struct { std::vector<uint8_t> data; bool header; int rc; std::array<int, 3> tex = {}; } cases[] = {
        {tga(2, 100, 30, 24, 100 * 30 * 3), true, 0, {128, 32, 3}},
        {tga(2, 64, 64, 32, 64 * 64 * 4), true, 0, {64, 64, 4}},
        {tga(2, 3, 2, 24, 5 + 3 * 2 * 3, 0, 5), true, 0, {4, 2, 3}},  // an ID field is skipped
        {tga(2, 100, 30, 24, 100 * 30 * 3 - 1), true, -1},  // one byte short
        {tga(2, 3, 2, 24, 3 * 2 * 3, 0, 200), true, -1},    // the ID field eats the pixels
        {tga(10, 4, 4, 24, 4 * 4 * 3), true, -1},           // run-length coded
        {tga(1, 4, 4, 8, 4 * 4), true, -1},                 // colour-mapped
        {tga(2, 4, 4, 16, 4 * 4 * 2), true, -1},            // 16 bits
        {tga(2, 10, 10, 24, 0, 2), false, -1},              // colour-map type 2
        {tga(4, 10, 10, 24, 0), false, -1},
        {tga(2, 0, 10, 24, 0), false, -1},
        {tga(2, 8192, 10, 24, 0), false, -1},
        {tga(2, 10, 10, 0, 0), false, -1},
        {tga(2, 100, 30, 24, 0), true, -1},
    };
    for (auto &c : cases) {
        TARGA h;
        EXPECT_EQ(checktarga(&h, c.data.data(), 18), c.header);
        EXPECT_FALSE(checktarga(&h, c.data.data(), 17));
        sGifPixels p;
        EXPECT_EQ(gifTgaDecode(c.data.data(), c.data.size(), &p), c.rc);
        EXPECT_EQ(p.pixels != nullptr, c.rc == 0);
        if (c.rc == 0) {
            EXPECT_EQ((std::array<int, 3>{p.texWidth, p.texHeight, p.bytesPerPixel}), c.tex);
        }
        gifTgaRelease(&p);
    }
    sGifPixels p;

    // Rows end bottom first whichever way they are stored. A 1 x 2 picture:
    // the top pixel red, the bottom one blue.
    for (bool topFirst : {false, true}) {
        auto t = gtTga(1, 2, 24, [](int, int y) {
            return y == 0 ? std::array<uint8_t, 4>{0, 0, 255, 255} : std::array<uint8_t, 4>{255, 0, 0, 255};
        });
        if (topFirst) {
            t[17] = 0x20;
            std::swap_ranges(t.begin() + 18, t.begin() + 21, t.begin() + 21);
        }
        ASSERT_EQ(gifTgaDecode(t.data(), t.size(), &p), 0);
        EXPECT_EQ(p.pixels[2], 255) << "bottom row first, as blue";
        EXPECT_EQ(p.pixels[p.texWidth * 3 + 0], 255) << "then the red top row";
        gifTgaRelease(&p);
    }
}

TEST(TextureFont, SplitsEscapesNeverReadsPastTheTextAndMeasures) {
    struct { const char *text; std::vector<std::pair<int, int>> want; } cases[] = {
        {"@03", {{GIF_GLYPH_WIDE, 3}}},
        {"@12x", {{GIF_GLYPH_NARROW, 12}, {GIF_GLYPH_CHAR, 'x' - 32}}},
        {"@", {{GIF_GLYPH_CHAR, '@' - 32}}},
        {"@1", {{GIF_GLYPH_CHAR, '@' - 32}, {GIF_GLYPH_CHAR, '1' - 32}}},
        {"@99", {{GIF_GLYPH_CHAR, '@' - 32}, {GIF_GLYPH_CHAR, '9' - 32}, {GIF_GLYPH_CHAR, '9' - 32}}},
        {"\x01\xFF", {{GIF_GLYPH_CHAR, '?' - 32}, {GIF_GLYPH_CHAR, '?' - 32}}},
        {"\x83\x41" "A", {{GIF_GLYPH_CHAR, '?' - 32}, {GIF_GLYPH_CHAR, 'A' - 32}}},  // a pair is one "?"
    };
    for (auto &c : cases) {
        sgifFontStrData rec[8];
        int n = CgifFont::getStrData(rec, 8, c.text);
        std::vector<std::pair<int, int>> got;
        for (int i = 0; i < n; i++) got.push_back({rec[i].kind, rec[i].glyph});
        EXPECT_EQ(got, c.want) << c.text;
    }
    sgifFontStrData one[1];
    EXPECT_EQ(CgifFont::getStrData(one, 1, "abc"), 1);

    CgifFont f;
    f.setSize(12);
    EXPECT_EQ(f.pitch, 12);
    f.setPitch(0.8f);
    f.setSize(12);
    EXPECT_EQ(f.pitch, 9);
    f.setSize(10);
    f.setPitch(1.0f);
    f.setSize(10);
    f.setProportional(0);
    EXPECT_EQ(f.getStrWidth("AB@03"), 10 + 10 + 20);
    f.setProportional(1);
    EXPECT_EQ(f.getStrWidth("A!0"), (10 - 2 - 2) + (10 - 3 - 3) + 10);
    EXPECT_EQ(CgifFont2::glyphOf(GIF_CELL_DIGITS, '+'), 10);
    EXPECT_EQ(CgifFont2::glyphOf(GIF_CELL_DIGITS, '-'), 11);
    EXPECT_EQ(CgifFont2::glyphOf(GIF_CELL_LETTERS, 'I'), -1);
}

TEST(Sprite, FollowsItsParentInPlaceColourAndVisibilityAndAFullManagerRefuses) {
    CgifSpriteMng m;
    ASSERT_EQ(m.init(2), 0);
    CgifSprite *parent = m.newSprite(nullptr), *child = m.newSprite(nullptr);
    parent->setPos(100, 50);
    child->setParent(parent);
    child->setPos(10, 0);
    float x, y;
    child->getPos(&x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(110.0f, 50.0f));
    parent->setColor(0.5f, 1, 1, 1);
    child->setColor(1, 1, 1, 0.5f);
    sGifColor c = child->getColor();
    EXPECT_EQ(c.r, 0.5f);
    EXPECT_EQ(c.a, 0.5f);
    parent->setDraw(0);
    EXPECT_EQ(child->getDraw(), 0);
    // Strictly inside: the edges of a 20 x 10 sprite at (110, 50) do not hit.
    child->setSize(20, 10);
    EXPECT_EQ((std::array<int, 4>{child->isHit(110, 50), child->isHit(100, 50), child->isHit(110, 45),
                                  child->isHitExtend(110, 45, 0, 2)}),
              (std::array<int, 4>{1, 0, 0, 1}));
    child->setWorldLeftTopPos(0, 0);
    child->getPos(&x, &y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(10.0f, 5.0f));

    // Full, the manager refuses rather than replace slot 0.
    EXPECT_EQ(m.setSprite(nullptr, -1), -1);
    EXPECT_EQ(m.newSprite(nullptr), nullptr);
    EXPECT_EQ(parent->x, 100);
    EXPECT_EQ(m.getCount(), 2);
    m.deleteSprite(child);
    EXPECT_EQ(m.setSprite(nullptr, -1), 1);  // the freed slot
}

}  // namespace
