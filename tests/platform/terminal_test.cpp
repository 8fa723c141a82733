// The terminal host: questions and the progress line on stderr, what Ctrl-C
// does to a job, and no windows.
#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/terminal/terminal.h"
#include "support/job_probe.h"

namespace {

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

// --- Questions --------------------------------------------------------------------

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
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(termQuestionDeclined(), c.declined);
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

// --- Jobs -------------------------------------------------------------------------

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

// --- Progress line ----------------------------------------------------------------

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
    EXPECT_NE(half, std::string::npos) << out;
    EXPECT_NE(full, std::string::npos) << out;
    EXPECT_LT(half, full);
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

// --- Ctrl-C -----------------------------------------------------------------------

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
