// kvbrt's texts: the language from the environment and the tables found
// beside the executable, as the built tree lays them out.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_text.h"
#include "support/test_util.h"

namespace {

// Clears the four language variables for a test and releases the tables after it.
class CliText : public testing::Test {
protected:
    ScopedEnv language_{"LANGUAGE", nullptr};
    ScopedEnv all_{"LC_ALL", nullptr};
    ScopedEnv messages_{"LC_MESSAGES", nullptr};
    ScopedEnv lang_{"LANG", nullptr};
    void TearDown() override { cliTextTerm(); }
};

TEST_F(CliText, LanguageComesFromTheFirstVariableThatNamesOne) {
    // The tables sit beside the test program in <build>/bin, where kvbrt lives.
    ScopedEnv lang{"LANG", "de_DE.UTF-8"};
    ScopedEnv messages{"LC_MESSAGES", "ja_JP.UTF-8"};
    ScopedEnv all{"LC_ALL", "C"};  // names no language: the next variable counts
    ASSERT_EQ(cliTextInit(), 0);
    EXPECT_EQ(cliText(DNASTR_TITLE_ERROR), "エラー");
}

TEST_F(CliText, TextsFollowTheLanguageAndFallBackToEnglish) {
    {
        ScopedEnv ja{"LANG", "ja_JP.UTF-8"};
        ASSERT_EQ(cliTextInit(), 0);
        EXPECT_EQ(cliText(DNASTR_TITLE_ERROR), "エラー");
        cliTextTerm();
    }
    ScopedEnv fr{"LANGUAGE", "fr"};
    EXPECT_EQ(cliText(DNASTR_TITLE_ERROR), "Error") << "loaded on first use";
    // Several lines become one, so a message stays one line on stderr.
    std::string text = cliText(DNASTR_ERR_CARD_GONE);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find("  "), std::string::npos);
    EXPECT_NE(text.find("removed. KVB-RT"), std::string::npos);
}

}  // namespace
