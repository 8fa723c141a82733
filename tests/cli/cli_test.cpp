// The command frame: version, help, usage errors, and the texts, in the
// language the environment names, from the tables found beside the executable.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_text.h"
#include "cli_run.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

// Malformed command lines are usage errors that point at the help; the
// version and the help are output, not errors; sizes read as df prints them;
// the texts come from the table of the environment's language.
TEST(CliFrame, UsageErrorsVersionHelpSizesAndTextsInTheEnvironmentsLanguage) {
    for (const auto &args : std::vector<std::vector<std::string>>{{}, {"nonsense"}, {"--no-such-flag"}})
        EXPECT_TRUE(cliRefused(args, 2, "kvbrt --help"));
    ScratchDir dir;
    EXPECT_TRUE(cliRefused({"foo", dir.path()}, 2, "kvbrt: foo: no such command; the commands are: demo, init,"));
    EXPECT_TRUE(cliRefused({"category", dir.path(), "add"}, 2, "Run 'kvbrt category --help'"));
    // The answer flags go either side of the command, and exclude each other.
    cliOut({"--yes", "volumes"});
    cliOut({"volumes", "--no"});
    EXPECT_TRUE(cliRefused({"--yes", "volumes", "--no"}, 2, "excludes"));

    EXPECT_EQ(cliOut({"--version"}).rfind("kvbrt ", 0), 0u);
    EXPECT_NE(cliOut({"--help"}).find("\nExit status"), std::string::npos);
    // A command that takes no volume names none in its usage line.
    EXPECT_EQ(cliRun({"volumes", "--help"}).out.find("VOLUME"), std::string::npos);

    struct {
        uint64_t bytes;
        const char *text;
    } cases[] = {
        {0, "0"},           {1023, "1023"},       {1024, "1.0K"},     {1025, "1.1K"},
        {10 * 1024 - 1, "10K"}, {10 * 1024, "10K"}, {10 * 1024 + 1, "11K"}, {1048575, "1.0M"},
        {1536ull << 20, "1.5G"}, {226ull << 30, "226G"}, {(1ull << 40) - 1, "1.0T"}, {UINT64_MAX, "unknown"},
    };
    for (const auto &c : cases) EXPECT_EQ(cliSizeText(c.bytes), c.text) << c.bytes;

    // The card's size beside df's own figure, and the one spelling of the
    // volume in every JSON document, even where the folder name is bytes that
    // are not UTF-8: a Latin-1 name and a quote, as a card may carry.
    const std::string root = dir / "Kart\xe9 \"B\"";
    TestCard(root).makeTree();
    std::string df;
    if (testRunProgramOutput({"df", "-h", "--output=size", root}, &df) == 0) {
        std::string size = df.substr(df.find('\n') + 1);
        size = size.substr(size.find_first_not_of(' '));
        size = size.substr(0, size.find('\n'));
        EXPECT_NE(cliRun({"info", root}).out.find(" free of " + size + "\n"), std::string::npos) << size;
    }
    nlohmann::json info = nlohmann::json::parse(cliRun({"info", root, "--json"}).out);
    nlohmann::json check = nlohmann::json::parse(cliRun({"check", root, "--json"}).out);
    EXPECT_EQ(info["volume"], dir / "Kart\xEF\xBF\xBD \"B\"");
    EXPECT_EQ(check["volume"], info["volume"]);

    // The tables sit beside the test program in <build>/bin, where kvbrt lives.
    // Which variable names the language is the platform's to decide.
    {
        ScopedEnv language{"LANGUAGE", "ja_JP.UTF-8"};
        ASSERT_EQ(cliTextInit(), 0);
        EXPECT_EQ(cliText(DNASTR_TITLE_ERROR), "エラー");
        cliTextTerm();
    }
    // No French table: English, loaded on first use. Several lines become
    // one, so a message stays one line on stderr.
    ScopedEnv fr{"LANGUAGE", "fr"};
    EXPECT_EQ(cliText(DNASTR_TITLE_ERROR), "Error");
    std::string text = cliText(DNASTR_ERR_CARD_GONE);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find("  "), std::string::npos);
    EXPECT_NE(text.find("removed. KVB-RT"), std::string::npos);
    cliTextTerm();
}

}  // namespace
