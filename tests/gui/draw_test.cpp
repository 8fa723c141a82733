// Pixels, where pixels carry the behaviour: text glyphs where the font's metrics put them (a double-byte
// character as one glyph), rows partly outside a frame drawn in part, and
// the progress window the toolkit draws for the job runner: the bar, the
// message, Cancel reaching the job on the main thread, and closing while the
// worker waits for an answer.
#include <gtest/gtest.h>

#include <set>

#include "foundation/str.h"
#include "gui/bmfdraw.h"
#include "gui/label.h"
#include "gui/progressbar.h"
#include "gui_fixture.h"
#include "resource/bmfont.h"
#include "support/job_probe.h"

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
    // A label of `frame` (default: the screen's one frame).
    CgifUILabel *label(float left, float top, const char *text, CgifFrame *frame = nullptr) {
        screen->setManeger();
        auto *l = new CgifUILabel;
        (frame ? frame : screen->frame)->addObject(l);
        EXPECT_EQ(l->init(), 0);
        l->setWorldLeftTopPos(left, top);  // 120 x 20, text 4 from the left
        l->setFontSize(12);
        l->setTextColor(gifGrey(1));
        l->setMessageData(text);
        return l;
    }
};

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
    label(40, 112, "MMMMMMMM", list);  // drawn at 102, so its text straddles y 112
    int baseline = int(bmfCenteredBaseline(12, 122)) - 10;
    Pixels all = glyphPixels(12, "MMMMMMMM", 44, baseline), want;
    for (auto &p : all)
        if (p.first >= 50 && p.second >= 112) want.insert(p);
    ASSERT_FALSE(want.empty());
    ASSERT_NE(want.size(), all.size());
    EXPECT_EQ(litPixels(0, 90, 200, 40), want);
}

class ProgressTest : public GuiTest {
protected:
    sJobProbe st;
    void SetUp() override {
        GuiTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        editProgressBarSetView(gifProgressBarView());
        sProgressBarCallbacks cb{};
        cb.mainWindow = [](void *user) { return static_cast<_sWindow *>(user); };
        cb.text = [](void *, int) { return L"text"; };
        cb.user = win;
        editProgressBarSetCallbacks(&cb);
    }
    void TearDown() override {
        editProgressBarTerm();
        editProgressBarSetView(nullptr);
        editProgressBarSetCallbacks(nullptr);
        GuiTest::TearDown();
    }
    std::array<uint8_t, 3> barPixel(int x, int y) {
        uint8_t p[4] = {};
        hlReadPixels(editProgressBarGetWindow(), x, 100 - 1 - y, 1, 1, p);
        return {p[0], p[1], p[2]};
    }
    // Pixels in the message line light enough to be its text.
    int messagePixels() {
        std::vector<uint8_t> rgba(280 * 20 * 4);
        hlReadPixels(editProgressBarGetWindow(), 10, 100 - 32, 280, 20, rgba.data());
        int n = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) n += rgba[i] > 200;
        return n;
    }
};

TEST_F(ProgressTest, TheBarTheMessageAndCancelReachTheJob) {
    ASSERT_EQ(editProgressBarInit(jobUntilCancelled, &st, jobCancel, 0, "Saving"), 0);
    _sWindow *pw = editProgressBarGetWindow();
    ASSERT_NE(pw, nullptr);
    // Half done: 100 of 200 pixels, the last 8 of them the leading edge.
    EXPECT_TRUE(jobSpinUntil([&] { return barPixel(10 + 50, 60) == gtColor(eFILE_BAR_FILL); }));
    EXPECT_EQ(barPixel(10 + 95, 60), gtColor(eFILE_BAR_EDGE));
    EXPECT_EQ(barPixel(10 + 101, 60), gtColor(eFILE_BAR_BACK));
    EXPECT_EQ(barPixel(214 + 40, 60), gtColor(eFILE_CANCEL));
    EXPECT_GT(messagePixels(), 0);
    editProgressBarSetMessage("");
    editProgressBarMain();
    EXPECT_EQ(messagePixels(), 0);
    hlPostMouse(pw, OSEV_BUTTON_DOWN, OS_BUTTON_LEFT, 254, 66);
    hlPostMouse(pw, OSEV_BUTTON_UP, OS_BUTTON_LEFT, 254, 66);
    ASSERT_TRUE(jobSpinUntilClosed());
    EXPECT_EQ(st.cancelCalls, 1);
    EXPECT_FALSE(st.cancelOffMain);
}

TEST_F(ProgressTest, AJobWithoutCancelShowsNoButtonAndClosingWhileAJobWaitsForAnAnswerEndsCleanly) {
    ASSERT_EQ(editProgressBarInit(jobAsks, &st, nullptr, 1, "Scanning"), 0);
    _sWindow *pw = editProgressBarGetWindow();
    editProgressBarMain();
    EXPECT_EQ(barPixel(214 + 40, 60), gtColor(eFILE_PROGRESS_BG));
    hlPostMouse(pw, OSEV_BUTTON_DOWN, OS_BUTTON_LEFT, 254, 66);
    hlPostMouse(pw, OSEV_BUTTON_UP, OS_BUTTON_LEFT, 254, 66);
    editProgressBarMain();
    EXPECT_EQ(gifQcount(G.gifQueue), 0u);
    st.gate = true;
    hlPushMessageBoxAnswer(MBOX_YES);
    ASSERT_TRUE(jobSpinUntilClosed());

    // The close box of a job that can be cancelled does not cancel it while
    // the job waits for its answer.
    st.gate = false;
    ASSERT_EQ(editProgressBarInit(jobAsks, &st, jobCancel, 0, "Importing"), 0);
    hlPostSimple(editProgressBarGetWindow(), OSEV_CLOSE_BOX);
    hlPushMessageBoxAnswer(MBOX_NO);
    st.gate = true;
    ASSERT_TRUE(jobSpinUntilClosed());
    EXPECT_EQ(st.answer1, MBOX_NO);
    EXPECT_EQ(st.cancelCalls, 0);
}

}  // namespace
