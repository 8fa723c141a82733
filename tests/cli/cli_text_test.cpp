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
    ScopedEnv language{"LANGUAGE", nullptr};
    ScopedEnv all{"LC_ALL", nullptr};
    ScopedEnv messages{"LC_MESSAGES", nullptr};
    ScopedEnv lang{"LANG", nullptr};
    void TearDown() override { cliTextTerm(); }
};

TEST_F(CliText, LanguageComesFromTheFirstVariableSet) {
    EXPECT_STREQ(cliLanguageEntry(), "");
    ScopedEnv a{"LANG", "de_DE.UTF-8"};
    EXPECT_STREQ(cliLanguageEntry(), "de_DE.UTF-8");
    ScopedEnv b{"LC_MESSAGES", "fr_FR.UTF-8"};
    EXPECT_STREQ(cliLanguageEntry(), "fr_FR.UTF-8");
    ScopedEnv c{"LC_ALL", "ja_JP.UTF-8"};
    EXPECT_STREQ(cliLanguageEntry(), "ja_JP.UTF-8");
    ScopedEnv d{"LANGUAGE", ""};
    EXPECT_STREQ(cliLanguageEntry(), "ja_JP.UTF-8") << "an empty variable does not count";
    ScopedEnv e{"LANGUAGE", "en:ja"};
    EXPECT_STREQ(cliLanguageEntry(), "en:ja");
}

TEST_F(CliText, TablesAreFoundBesideTheExecutable) {
    EXPECT_EQ(cliLanguageFolder("/opt/kvb/bin/kvbrt"), "/opt/kvb/bin/../share/kvb-rt-wave-manager/language");
    EXPECT_EQ(cliLanguageFolder("kvbrt"), "");
    // The test program runs from <build>/bin, where kvbrt itself lives.
    EXPECT_EQ(cliLanguageFolder(nullptr), std::string(KVB_BUILD_ROOT) + "/bin/../share/kvb-rt-wave-manager/language");
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
