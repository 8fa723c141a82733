// The terminal host: questions on stderr, and no windows.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/terminal/terminal.h"

namespace {

// Message boxes through the layer, as a command would ask them.
class TerminalQuestions : public testing::Test {
protected:
    char *errText = nullptr;
    size_t errSize = 0;
    FILE *err = nullptr;
    FILE *in = nullptr;

    void SetUp() override {
        termInstall();
        ASSERT_EQ(ghostInit(), 0);
    }
    void TearDown() override {
        closeStreams();
        ghostTerm();
        ghostHostInstall(nullptr);
    }
    void closeStreams() {
        if (in) std::fclose(in);
        if (err) std::fclose(err);
        std::free(errText);
        in = err = nullptr;
        errText = nullptr;
    }
    std::string ask(int answer, int interactive, const char *typed, int kind, int *result) {
        closeStreams();
        err = open_memstream(&errText, &errSize);
        static char empty[1];
        in = typed[0] ? fmemopen(const_cast<char *>(typed), std::strlen(typed), "r") : fmemopen(empty, 1, "r");
        if (!typed[0]) std::fgetc(in);  // an input already at its end
        termSetStreams(in, err, interactive);
        termSetAnswer(answer);
        termClearDeclined();
        *result = ghostMBoxOpen(L"Question", L"Overwrite \u00e9 the backup?", kind, nullptr);
        std::fflush(err);
        return std::string(errText, errSize);
    }
};

TEST_F(TerminalQuestions, AnswersFollowFlagsTerminalAndKind) {
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
}

TEST_F(TerminalQuestions, NoWindowsNoGl) {
    EXPECT_EQ(ghostWindowCreate(L"Main", 0, 0, 800, 600, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0), nullptr);
    EXPECT_EQ(ghostDlgOpen(nullptr, 0, nullptr), -1);
    int r = 0;  // sound it has: a missing file is reported as unreadable
    EXPECT_EQ(osWaveCreate(&r, "/nonexistent/x.wav"), nullptr);
    EXPECT_EQ(r, 2);
    EXPECT_GT(ghostGetTime(), 1600000000000LL);  // the real clock
}

}  // namespace
