// The job runner on the scripted host: worker threads, the progress window's
// life cycle and questions asked from the worker.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "foundation/mem.h"
#include "host_fixture.h"
#include "support/job_probe.h"

namespace {

class JobTest : public HostTest {
protected:
    sJobProbe probe;
    std::vector<std::string> able;  // the main window's enable calls
    bool textOffMain = false;       // a text lookup came from another thread

    static JobTest &self(void *user) { return *static_cast<JobTest *>(user); }

    void SetUp() override {
        HostTest::SetUp();
        sProgressBarCallbacks cb{};
        cb.mainWindow = [](void *user) { return self(user).win; };
        cb.mainAble = [](void *user, int on) { self(user).able.push_back(on ? "on" : "off"); };
        cb.text = [](void *user, int id) -> const wchar_t * {
            static std::map<int, std::wstring> texts;
            if (std::this_thread::get_id() != self(user).probe.mainId) self(user).textOffMain = true;
            return (texts[id] = L"T" + std::to_wstring(id)).c_str();
        };
        cb.user = this;
        editProgressBarSetCallbacks(&cb);
        hlReset();
    }

    void TearDown() override {
        probe.gate = true;
        probe.cancelled = true;
        editProgressBarTerm();
        editProgressBarSetCallbacks(nullptr);
        HostTest::TearDown();
    }

    // Whether every line was recorded, each after the one before it.
    static bool loggedInOrder(std::initializer_list<std::string> lines) {
        auto at = hlCalls().begin();
        for (const std::string &line : lines)
            if ((at = std::find(at, hlCalls().end(), line)) == hlCalls().end()) return false;
        return true;
    }
};

// --- Worker thread --------------------------------------------------------------

TEST_F(JobTest, ThreadCallsTheJobUntilItReturnsNonZeroAndFailsCleanlyWithoutMemory) {
    probe.finishAt = 3;
    _sMyThread *t = threadCreate(jobCounting, &probe);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(jobSpinUntil([t] { return threadGetEnd(t) == 1; }));
    EXPECT_EQ(probe.calls, 3);
    threadDispose(t);

    // A job that never finishes runs until asked to end.
    probe.calls = 0;
    probe.finishAt = 0;
    t = threadCreate(jobCounting, &probe);
    ASSERT_NE(t, nullptr);
    ASSERT_TRUE(jobSpinUntil([this] { return probe.calls > 2; }));
    EXPECT_EQ(threadGetEnd(t), 0);
    threadDispose(t);  // returns only once the loop has ended
    threadDispose(nullptr);
    EXPECT_EQ(threadGetEnd(nullptr), 0);

    probe.calls = 0;
    memTestFailNth(1, false);
    EXPECT_EQ(threadCreate(jobCounting, &probe), nullptr);
    memTestFailNth(0, false);
    EXPECT_EQ(probe.calls, 0);
}

// --- Progress window ------------------------------------------------------------

TEST_F(JobTest, FinishedJobShowsAFullBarForTheHoldTime) {
    hlSetProgressHold(300);
    hlSetClock(1000);
    ASSERT_EQ(editProgressBarInit(jobCounting, &probe, nullptr, 0, "Saving"), 0);
    EXPECT_EQ(able, std::vector<std::string>{"off"});
    ASSERT_TRUE(jobSpinUntil([] { return hlProgressRatio() == 1.0f; }));
    EXPECT_EQ(probe.calls, 1);
    hlSetClock(1299);
    editProgressBarMain();
    EXPECT_TRUE(hlProgressShown());
    hlSetClock(1300);
    editProgressBarMain();
    EXPECT_EQ(editProgressBarGetIsWindow(), 0);
    EXPECT_EQ(able, (std::vector<std::string>{"off", "on"}));

    EXPECT_TRUE(loggedInOrder({"windowCreate KVB-RT Wave Manager - ProgressBar 300x100 menu=0 icon=0",
                               "progressOpen Saving cancel=0 parent=1", "progressRatio 1", "progressClose",
                               "windowDispose"}))
        << testing::PrintToString(hlCalls());
    // Back over the main window, which gets the keyboard again.
    EXPECT_EQ(hlCalls().back(), "windowActivate");
}

TEST_F(JobTest, WithoutAJobTheWindowIsPlacedLoadsAndShowsTheRatioItIsGiven) {
    struct Case {
        int noParent;
        int x, y, parent;
    };
    // Main window: client 320 x 240 at (100, 50); display 1920 x 1080.
    const Case cases[] = {{1, 810, 490, 0}, {0, 110, 120, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.noParent);
        ASSERT_EQ(editProgressBarInit(nullptr, nullptr, nullptr, c.noParent, nullptr), 0);
        int x = -1, y = -1;
        ghostWindowGetWindowPosition(&x, &y, editProgressBarGetWindow());
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(c.x, c.y));
        EXPECT_EQ(editProgressBarGetParent(), c.parent);
        // Without a job the window stays until it is asked to close.
        for (int i = 0; i < 3; i++) editProgressBarMain();
        EXPECT_EQ(editProgressBarGetIsWindow(), 1);
        editProgressBarSetWindowCloseRequest();
        editProgressBarMain();
        EXPECT_EQ(editProgressBarGetIsWindow(), 0);
    }
    // Until a job gives its message the window says it is loading.
    EXPECT_EQ(hlCallCount("progressOpen Now Loading .... cancel=0 parent=0"), 1);
    EXPECT_EQ(hlCallCount("progressOpen Now Loading .... cancel=0 parent=1"), 1);

    // The ratio shown: above one clamped, below zero kept.
    const std::pair<float, float> ratios[] = {{0.25f, 0.25f}, {1.5f, 1.0f}, {-0.2f, -0.2f}, {NAN, 0.0f}, {1.0f, 1.0f}};
    ASSERT_EQ(editProgressBarInit(nullptr, nullptr, nullptr, 1, "Import"), 0);
    for (const auto &[set, shown] : ratios) {
        SCOPED_TRACE(set);
        edtiProgressBarSetRatio(set);
        editProgressBarMain();
        EXPECT_FLOAT_EQ(hlProgressRatio(), shown);
    }
    // Counted steps: the share of the planned steps done.
    gnReadFile = 0;
    gReadFileMax = 4;
    for (int i = 0; i < 3; i++) pbarRatio();
    editProgressBarMain();
    EXPECT_FLOAT_EQ(hlProgressRatio(), 0.75f);
    gReadFileMax = 0;  // nothing planned: the ratio stays
    pbarRatio();
    editProgressBarMain();
    EXPECT_FLOAT_EQ(hlProgressRatio(), 0.75f);
    EXPECT_EQ(gnReadFile, 4);
    editProgressBarSetMessage("Second file");
    EXPECT_EQ(hlCallCount("progressMessage Second file"), 1);
}

TEST_F(JobTest, OpeningAgainKeepsTheWindowAndStartsTheNextJob) {
    probe.finishAt = 0;  // the first job runs until it is ended
    ASSERT_EQ(editProgressBarInit(jobCounting, &probe, nullptr, 0, "Saving"), 0);
    ASSERT_TRUE(jobSpinUntil([this] { return probe.calls > 0; }));
    probe.finishAt = 1;
    ASSERT_EQ(editProgressBarInit(jobCounting, &probe, nullptr, 0, "Other"), 0);
    ASSERT_TRUE(jobSpinUntilClosed());
    EXPECT_EQ(hlCallCount("windowCreate"), 1);
    EXPECT_EQ(hlCallCount("progressOpen"), 1);
    EXPECT_EQ(hlCallCount("windowDispose"), 1);
}

TEST_F(JobTest, EveryStartFailureClosesTheWindowAndReturnsMinusOne) {
    bool sawFailure = false;
    for (long n = 1; n < 40; n++) {
        SCOPED_TRACE(n);
        hlReset();
        able.clear();
        probe.calls = 0;
        long blocks = memGetBlockCount();
        hlFailAllocation(n);
        int r = editProgressBarInit(jobCounting, &probe, nullptr, 0, "Saving");
        bool failed = memTestFailCount() > 0;
        hlFailAllocation(0);
        if (r == 0) {
            // Pieces of the window may be missing; the job runs all the same.
            ASSERT_TRUE(jobSpinUntilClosed());
            EXPECT_EQ(probe.calls, 1);
            EXPECT_EQ(memGetBlockCount(), blocks);
            if (!failed) break;
            continue;
        }
        sawFailure = true;
        EXPECT_EQ(r, -1);
        EXPECT_EQ(editProgressBarGetIsWindow(), 0);
        EXPECT_FALSE(hlProgressShown());
        EXPECT_EQ(hlCallCount("windowCreate"), hlCallCount("windowDispose"));
        EXPECT_EQ(able, (std::vector<std::string>{"off", "on"}));
        EXPECT_EQ(probe.calls, 0);
        EXPECT_EQ(memGetBlockCount(), blocks);
    }
    EXPECT_TRUE(sawFailure);
}

// --- Questions ------------------------------------------------------------------

TEST_F(JobTest, QuestionsAreAskedByTheMainThreadAndClosingWaitsForTheJob) {
    hlPushMessageBoxAnswer(2);
    hlPushMessageBoxAnswer(4);
    ASSERT_EQ(editProgressBarInit(jobAsks, &probe, nullptr, 0, "Import"), 0);
    // The main thread goes on with its loop while the job is on its way, and a
    // close request leaves the window until the job has ended.
    editProgressBarSetWindowCloseRequest();
    for (int i = 0; i < 20; i++) editProgressBarMain();
    EXPECT_EQ(hlCallCount("messageBox"), 0);
    EXPECT_EQ(editProgressBarGetIsWindow(), 1);
    probe.gate = true;
    ASSERT_TRUE(jobSpinUntilClosed());
    EXPECT_EQ(probe.answer1, 2);
    EXPECT_EQ(probe.answer2, 4);
    EXPECT_FALSE(textOffMain);
    EXPECT_TRUE(loggedInOrder({"progressOpen Import cancel=0 parent=1", "messageBox 1 T55: T60",
                               "messageBox 2 T56: Disk full", "progressClose"}))
        << testing::PrintToString(hlCalls());
    // Shown modally, through the layer's bracketing.
    EXPECT_EQ(std::count(trail.begin(), trail.end(), "forcing+"), 2);
    EXPECT_EQ(forcing, 0);

    // Asked on the main thread, a question opens directly.
    hlPushMessageBoxAnswer(2);
    EXPECT_EQ(editProgressBarMboxOpen(55, 61, 1), 2);
    EXPECT_EQ(editProgressBarMboxOpenMsg(56, L"Gone", 0), 1);
    EXPECT_EQ(hlCallCount("messageBox 1 T55: T61"), 1);
    EXPECT_EQ(hlCallCount("messageBox 0 T56: Gone"), 1);

    // Closing at once blocks until the job ends, answering its questions.
    probe.done = false;
    hlPushMessageBoxAnswer(3);
    ASSERT_EQ(editProgressBarInit(jobAsks, &probe, nullptr, 0, "Import"), 0);
    editProgressBarTerm();
    EXPECT_TRUE(probe.done);
    EXPECT_EQ(probe.answer1, 3);
    EXPECT_EQ(probe.answer2, 4);  // unscripted: taken as cancel
    EXPECT_EQ(editProgressBarGetIsWindow(), 0);
}

}  // namespace
