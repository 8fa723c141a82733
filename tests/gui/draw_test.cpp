// Pixels, where pixels carry the behaviour: pictures shown upright and by
// state, text glyphs where the font's metrics put them (a double-byte
// character as one glyph), and rows partly outside a frame drawn in part.
#include <gtest/gtest.h>

#include <set>

#include "foundation/str.h"
#include "gui/bmfdraw.h"
#include "gui/button.h"
#include "gui/label.h"
#include "gui/sprite.h"
#include "gui_fixture.h"
#include "resource/bmfont.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

class DrawTest : public GuiTest {
protected:
    // The window pixels (x, y down) `text` lights when its baseline starts
    // at (x, baseline): every glyph bitmap's set bits, from the font tables.
    Pixels glyphPixels(int size, const char *text, int x, int baseline) {
        Pixels out;
        const sBmfFont *f = bmfFontGet(size);
        sBmfChar c;
        for (int n; (n = bmfCharAt(f, text, &c)) > 0; text += n, x += c.advance) {
            if (!c.bits) continue;
            const int stride = (c.width + 7) / 8;
            for (int r = 0; r < c.height; r++)  // bottom row first
                for (int col = 0; col < c.width; col++)
                    if (c.bits[r * stride + col / 8] & (0x80 >> (col % 8)))
                        out.insert({x - c.xorig + col, baseline - 1 + c.yorig - r});
        }
        return out;
    }
    // The lit pixels of the window inside the rectangle.
    Pixels litPixels(int left, int top, int w, int h) {
        screen->setDrawAll();
        screen->draw();
        std::vector<uint8_t> rgba(size_t(w * h * 4));
        hlReadPixels(win, left, kH - top - h, w, h, rgba.data());
        Pixels out;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if (rgba[size_t(((h - 1 - y) * w + x) * 4)] > 128) out.insert({left + x, top + y});
        return out;
    }
    CgifUILabel *label(float left, float top, const char *text) {
        auto *l = screen->add<CgifUILabel>();
        l->setWorldLeftTopPos(left, top);  // 120 x 20, text 4 from the left
        l->setFontSize(12);
        l->setTextColor(gifGrey(1));
        l->setMessageData(text);
        return l;
    }
};

TEST_F(DrawTest, PicturesStandUprightAndFollowTheButtonsState) {
    const int pair[2] = {eFILE_OK, eFILE_OK + 1};
    auto *b = screen->add<CgifUIButton>(pair, 2);
    b->setWorldLeftTopPos(100, 100);  // 80 x 28
    const std::array<uint8_t, 3> white = {255, 255, 255};
    EXPECT_EQ(pixel(140, 100), white) << "the picture's top row at the top";
    EXPECT_EQ(pixel(140, 114), gtColor(eFILE_OK));
    EXPECT_EQ(pixel(140, 127), gtColor(eFILE_OK));
    EXPECT_EQ(pixel(140, 128), (std::array<uint8_t, 3>{0, 0, 0}));
    press(140, 114);
    run();
    EXPECT_EQ(pixel(140, 114), gtColor(eFILE_OK + 1));
    release(140, 114);
    run();
    EXPECT_EQ(pixel(140, 114), gtColor(eFILE_OK));
}

TEST_F(DrawTest, TextLightsTheGlyphsOfItsCharactersAtTheirAdvances) {
    // Latin letters and a double-byte character, which is one glyph.
    std::string text = "Ab" + strUtf8ToSjis("太") + "c";
    label(20, 40, text.c_str());
    int baseline = int(bmfCenteredBaseline(12, 50));
    Pixels want = glyphPixels(12, text.c_str(), 24, baseline);
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(litPixels(0, 20, 200, 50), want);
    // Widths and select positions count the pair as one character.
    const sBmfFont *f = bmfFontGet(12);
    sBmfChar a, b, k;
    bmfCharAt(f, "A", &a);
    bmfCharAt(f, "b", &b);
    bmfCharAt(f, text.c_str() + 2, &k);
    EXPECT_EQ(bmfGetStringW(12, text.c_str()), a.advance + b.advance + k.advance + bmfGetStringW(12, "c"));
    EXPECT_EQ(bmfGetStringNumberW(12, text.c_str(), 3), a.advance + b.advance);
    const int pairLeft = a.advance + b.advance;
    EXPECT_EQ(bmfGetSelectPosAfter(12, text.c_str(), pairLeft - 1), 1);
    EXPECT_EQ(bmfGetSelectPosAfter(12, text.c_str(), pairLeft + k.advance - 1), 2);
    EXPECT_EQ(bmfGetSelectPosAfter(12, text.c_str(), pairLeft + k.advance), 4);
    EXPECT_EQ(bmfGetSelectPosAfter(12, text.c_str(), 1000), 5);
    EXPECT_EQ(bmfGetSelectPosAfter(12, text.c_str(), -1), 0);
}

TEST_F(DrawTest, RowsPartlyOutsideAFrameShowTheirVisiblePart) {
    // A scrolling frame under the 112-row header, its content moved 10 up,
    // and starting at x 50: a row whose text begins left of the frame and
    // straddles its top edge still draws what lies inside.
    CgifFrame *list = new CgifFrame;
    screen->addFrame(list);
    screen->setManeger();
    list->setBackground(-1, 50, 40, 300, 200);
    list->flags |= FRAME_FIXED_X;
    screen->system.scrollY = -10;
    auto *row = new CgifUILabel;
    list->addObject(row);
    row->init();
    row->setWorldLeftTopPos(40, 112);  // drawn at 102, so its text straddles y 112
    row->setFontSize(12);
    row->setTextColor(gifGrey(1));
    row->setMessageData("MMMMMMMM");
    int baseline = int(bmfCenteredBaseline(12, 122)) - 10;
    Pixels all = glyphPixels(12, "MMMMMMMM", 44, baseline), want;
    for (auto &p : all)
        if (p.first >= 50 && p.second >= 112) want.insert(p);
    ASSERT_FALSE(want.empty());
    ASSERT_NE(want.size(), all.size());
    EXPECT_EQ(litPixels(0, 90, 200, 40), want);
}

}  // namespace
