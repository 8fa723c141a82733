// Jobs on the terminal host: the progress line on stderr and what Ctrl-C does.
#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/terminal/terminal.h"
#include "support/job_probe.h"

namespace {

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

class TerminalJob : public testing::Test {
protected:
    char *errText = nullptr;
    size_t errSize = 0;
    FILE *err = nullptr;
    sJobProbe probe;

    void SetUp() override {
        termInstall();
        err = open_memstream(&errText, &errSize);
        termSetStreams(nullptr, err, 0);
    }
    void TearDown() override {
        probe.gate = probe.cancelled = true;
        editProgressBarTerm();
        termSetStreams(nullptr, nullptr, -1);
        termInstall();  // SIGINT back to its default
        ghostHostInstall(nullptr);
        std::fclose(err);
        std::free(errText);
    }
    std::string errOut() {
        std::fflush(err);
        return std::string(errText, errSize);
    }
};

// --- Progress line ----------------------------------------------------------------

TEST_F(TerminalJob, ProgressLineOnlyWhereItIsDrawn) {
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
}

TEST_F(TerminalJob, LongMessageIsCutToTheLineByCharacters) {
    termSetProgressLine(1);
    std::string eAcute = "\xc3\xa9";
    std::string message;
    for (int i = 0; i < 100; i++) message += eAcute;
    ASSERT_EQ(editProgressBarInit(nullptr, nullptr, nullptr, 1, message.c_str()), 0);
    editProgressBarMain();
    editProgressBarSetWindowCloseRequest();
    editProgressBarMain();
    std::string out = errOut();
    // 80 columns without a terminal to ask: 51 characters, the bar and the percentage.
    std::string cut;
    for (int i = 0; i < 51; i++) cut += eAcute;
    EXPECT_NE(out.find("\r" + cut + " [--------------------]   0%"), std::string::npos) << out;
    EXPECT_EQ(out.find(cut + eAcute), std::string::npos);
}

TEST_F(TerminalJob, QuestionStartsOnAClearedLine) {
    termSetProgressLine(1);
    ASSERT_EQ(editProgressBarInit(jobAsks, &probe, nullptr, 1, "Import"), 0);
    ASSERT_TRUE(jobSpinUntil([this] { return errOut().find("0%") != std::string::npos; }));
    probe.gate = true;
    ASSERT_TRUE(jobSpinUntilClosed());
    std::string out = errOut();
    size_t first = out.find("0%\033[K\r\033[KDUMMY: DUMMY\n");
    EXPECT_NE(first, std::string::npos) << out;
    EXPECT_NE(out.find("0%\033[K\r\033[KDUMMY: Disk full\n", first), std::string::npos) << out;
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
    EXPECT_EQ(termInterruptCount(), 2);
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
