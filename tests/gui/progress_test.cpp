// The progress window as the toolkit draws it for the job runner: the bar,
// the message, Cancel reaching the job on the main thread, and closing
// while the worker waits for an answer.
#include <gtest/gtest.h>

#include "gui/progressbar.h"
#include "gui_fixture.h"
#include "support/job_probe.h"

namespace {

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
    jobSpinUntil([&] { return barPixel(10 + 50, 60) == gtColor(eFILE_BAR_FILL); });
    // Half done: 100 of 200 pixels, the last 8 of them the leading edge.
    EXPECT_EQ(barPixel(10 + 50, 60), gtColor(eFILE_BAR_FILL));
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

TEST_F(ProgressTest, AJobWithoutCancelShowsNoButton) {
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
}

TEST_F(ProgressTest, ClosingWhileTheWorkerWaitsForAnAnswerEndsCleanly) {
    ASSERT_EQ(editProgressBarInit(jobAsks, &st, jobCancel, 0, "Importing"), 0);
    hlPostSimple(editProgressBarGetWindow(), OSEV_CLOSE_BOX);
    hlPushMessageBoxAnswer(MBOX_YES);
    st.gate = true;
    ASSERT_TRUE(jobSpinUntilClosed());
    EXPECT_EQ(st.answer1, MBOX_YES);
    EXPECT_EQ(st.cancelCalls, 0);
}

}  // namespace
