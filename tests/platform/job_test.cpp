// The job runner on the scripted host: worker threads, the progress window's
// life cycle and questions asked from the worker. Then the terminal host:
// questions and the progress line on stderr, what Ctrl-C does to a job, and
// no windows.
#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "foundation/mem.h"
#include "host_fixture.h"
#include "platform/terminal/terminal.h"
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
        EXPECT_EQ(std::make_tuple(x, y, editProgressBarGetParent()), std::make_tuple(c.x, c.y, c.parent));
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
    EXPECT_EQ((std::pair<int, int>(probe.answer1, probe.answer2)), std::make_pair(2, 4));
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

// === The terminal host ==========================================================

// The terminal host installed, its messages caught in memory (not a
// terminal, so it draws no progress line unless told to).
class TerminalTest : public testing::Test {
protected:
    char *errText = nullptr;
    size_t errSize = 0;
    FILE *err = open_memstream(&errText, &errSize);
    FILE *in = nullptr;

    void SetUp() override {
        termInstall();
        termSetStreams(nullptr, err, 0);
    }
    void TearDown() override {
        termSetStreams(nullptr, nullptr, -1);
        termInstall();  // SIGINT back to its default
        ghostHostInstall(nullptr);
        if (in) std::fclose(in);
        std::fclose(err);
        std::free(errText);
    }
    std::string errOut() {
        std::fflush(err);
        return std::string(errText, errSize);
    }
    // Asks through the layer, as a command would, with `typed` waiting on the
    // input; returns what the box printed.
    std::string ask(int answer, int interactive, const char *typed, int kind, int *result) {
        if (in) std::fclose(in);
        static char empty[1];
        in = typed[0] ? fmemopen(const_cast<char *>(typed), std::strlen(typed), "r") : fmemopen(empty, 1, "r");
        if (!typed[0]) std::fgetc(in);  // an input already at its end
        termSetStreams(in, err, interactive);
        termSetAnswer(answer);
        termClearDeclined();
        size_t from = errOut().size();
        *result = ghostMBoxOpen(L"Question", L"Overwrite \u00e9 the backup?", kind, nullptr);
        return errOut().substr(from);
    }
};

// --- Questions ------------------------------------------------------------------

TEST_F(TerminalTest, AnswersFollowFlagsTerminalAndKindAndNothingElseIsShown) {
    ASSERT_EQ(ghostInit(), 0);
    struct Case {
        int kind, answer, interactive;
        const char *typed;
        int result;
        bool declined;
    };
    const Case cases[] = {
        {0, TERM_ANSWER_ASK, 0, "", 1, false},       {0, TERM_ANSWER_NO, 1, "n\n", 1, false},
        {1, TERM_ANSWER_YES, 0, "", 2, false},       {1, TERM_ANSWER_NO, 1, "y\n", 3, true},
        {1, TERM_ANSWER_ASK, 0, "y\n", 3, true},     {1, TERM_ANSWER_ASK, 1, "y\n", 2, false},
        {1, TERM_ANSWER_ASK, 1, " YES \n", 2, false}, {1, TERM_ANSWER_ASK, 1, "no\n", 3, true},
        {1, TERM_ANSWER_ASK, 1, "", 3, true},        {1, TERM_ANSWER_ASK, 1, "maybe\nyes\n", 2, false},
        {1, TERM_ANSWER_ASK, 1, "c\n?\nx\ny\n", 3, true},
        {2, TERM_ANSWER_YES, 0, "", 2, false},       {2, TERM_ANSWER_NO, 0, "", 3, true},
        {2, TERM_ANSWER_ASK, 0, "", 4, true},        {2, TERM_ANSWER_ASK, 1, "c\n", 4, true},
        {2, TERM_ANSWER_ASK, 1, "cancel\n", 4, true}, {2, TERM_ANSWER_ASK, 1, "n\n", 3, true},
        {2, TERM_ANSWER_ASK, 1, "y\n", 2, false},    {2, TERM_ANSWER_ASK, 1, "", 4, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " answer " << c.answer << " interactive "
                                        << c.interactive << " typed '" << c.typed << "'");
        int result = -1;
        std::string text = ask(c.answer, c.interactive, c.typed, c.kind, &result);
        EXPECT_EQ(std::make_pair(result, termQuestionDeclined()), std::make_pair(c.result, c.declined));
        EXPECT_EQ(text.rfind("Question: Overwrite \xc3\xa9 the backup?\n", 0), 0u) << text;
        bool asked = text.find("[y]es") != std::string::npos;
        EXPECT_EQ(asked, c.kind != 0 && c.answer == TERM_ANSWER_ASK && c.interactive == 1);
    }
    // No windows and no dialogs here.
    EXPECT_EQ(ghostWindowCreate(L"Main", 0, 0, 800, 600, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0), nullptr);
    EXPECT_EQ(ghostDlgOpen(nullptr, 0, nullptr), -1);
    int r = 0;  // sound it has: a missing file is reported as unreadable
    EXPECT_EQ(osWaveCreate(&r, "/nonexistent/x.wav"), nullptr);
    EXPECT_EQ(r, 2);
    EXPECT_GT(ghostGetTime(), 1600000000000LL);  // the real clock
    ghostTerm();
}

// --- Jobs -----------------------------------------------------------------------

// Presses Ctrl-C twice at the main thread, as a terminal would, then finishes
// its work regardless.
int jobInterruptedTwice(void *arg) {
    sJobProbe &p = jobProbe(arg);
    for (int i = 1; i <= 2; i++) {
        pthread_kill(p.mainThread, SIGINT);
        while (termInterruptCount() < i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    p.done = true;
    return 1;
}

bool sigintIsDefault() {
    struct sigaction now {};
    sigaction(SIGINT, nullptr, &now);
    return now.sa_handler == SIG_DFL;
}

class TerminalJob : public TerminalTest {
protected:
    sJobProbe probe;
    void TearDown() override {
        probe.gate = probe.cancelled = true;
        editProgressBarTerm();
        TerminalTest::TearDown();
    }
};

// --- Progress line --------------------------------------------------------------

TEST_F(TerminalJob, ProgressLineOnlyWhereItIsDrawnClearedForQuestionsCutByCharacters) {
    // Not a terminal (a memory stream): nothing at all.
    probe.gate = true;
    ASSERT_EQ(editProgressBarRun(jobGated, &probe, nullptr, 1, "Copying", nullptr), 0);
    EXPECT_TRUE(probe.done);
    EXPECT_EQ(errOut(), "");

    // Drawn: the message, the bar at half, the full bar, then the line cleared.
    probe.gate = probe.done = false;
    termSetProgressLine(1);
    ASSERT_EQ(editProgressBarInit(jobGated, &probe, nullptr, 1, "Copying"), 0);
    ASSERT_TRUE(jobSpinUntil([this] { return errOut().find("50%") != std::string::npos; }));
    probe.gate = true;
    ASSERT_TRUE(jobSpinUntilClosed());
    std::string out = errOut();
    size_t half = out.find("\rCopying [##########----------]  50%\033[K");
    size_t full = out.find("\rCopying [####################] 100%\033[K");
    EXPECT_NE(full, std::string::npos) << out;
    EXPECT_LT(half, full) << out;  // npos for a half bar never drawn
    EXPECT_EQ(out.substr(out.size() - 4), "\r\033[K");

    // A question from the job starts on a cleared line.
    size_t from = out.size();
    probe.gate = false;
    ASSERT_EQ(editProgressBarInit(jobAsks, &probe, nullptr, 1, "Import"), 0);
    ASSERT_TRUE(jobSpinUntil([&] { return errOut().find("0%", from) != std::string::npos; }));
    probe.gate = true;
    ASSERT_TRUE(jobSpinUntilClosed());
    out = errOut();
    size_t first = out.find("0%\033[K\r\033[KDUMMY: DUMMY\n", from);
    EXPECT_NE(first, std::string::npos) << out;
    EXPECT_NE(out.find("0%\033[K\r\033[KDUMMY: Disk full\n", first), std::string::npos) << out;

    // A long message is cut to the line by characters: 80 columns without a
    // terminal to ask leave 51 characters beside the bar and the percentage.
    std::string eAcute = "\xc3\xa9", message, cut;
    for (int i = 0; i < 100; i++) message += eAcute;
    for (int i = 0; i < 51; i++) cut += eAcute;
    ASSERT_EQ(editProgressBarInit(nullptr, nullptr, nullptr, 1, message.c_str()), 0);
    editProgressBarMain();
    editProgressBarSetWindowCloseRequest();
    editProgressBarMain();
    out = errOut();
    EXPECT_NE(out.find("\r" + cut + " [--------------------]   0%"), std::string::npos) << out;
    EXPECT_EQ(out.find(cut + eAcute), std::string::npos);
}

// --- Ctrl-C ---------------------------------------------------------------------

TEST_F(TerminalJob, CtrlCCancelsACancellableJobOncePerPress) {
    ASSERT_TRUE(sigintIsDefault());
    ASSERT_EQ(editProgressBarInit(jobUntilCancelled, &probe, jobCancel, 1, "Export"), 0);
    editProgressBarMain();
    raise(SIGINT);
    raise(SIGINT);
    EXPECT_EQ(probe.cancelCalls, 0);  // the handler only counts
    editProgressBarMain();
    EXPECT_EQ(probe.cancelCalls, 2);
    EXPECT_FALSE(probe.cancelOffMain);
    ASSERT_TRUE(jobSpinUntilClosed());
    EXPECT_EQ(termInterruptCount(), 2);
    EXPECT_NE(errOut().find("kvbrt: interrupted; cancelling\n"), std::string::npos);
    // A command that only reads gets the default back once the job is over.
    EXPECT_TRUE(sigintIsDefault());
}

TEST_F(TerminalJob, WritingJobWithoutCancelRunsToItsEnd) {
    termInterruptCatch(1);  // what a command that writes declares
    int presses = 0;
    ASSERT_EQ(editProgressBarRun(jobInterruptedTwice, &probe, nullptr, 1, "Saving", &presses), 0);
    EXPECT_TRUE(probe.done);
    EXPECT_EQ(presses, 2);
    EXPECT_NE(errOut().find("kvbrt: interrupted; finishing the files being written first\n"), std::string::npos);
    EXPECT_FALSE(sigintIsDefault());  // still caught until the command ends
    termInterruptCatch(0);
    EXPECT_TRUE(sigintIsDefault());
}

TEST_F(TerminalJob, ReadingCommandStopsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            termInstall();
            editProgressBarInit(jobGated, &probe, nullptr, 1, "Reading");
            editProgressBarMain();
            raise(SIGINT);
            std::exit(0);
        },
        testing::KilledBySignal(SIGINT), "");
}

}  // namespace
