// The command frame: version, help, and usage errors.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli_run.h"

namespace {

using CliRun = CliResult;
const auto run = cliRun;

TEST(CliFrame, VersionAndHelpGoToStdoutWithStatusZero) {
    CliRun v = run({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out.rfind("kvbrt ", 0), 0u);
    EXPECT_TRUE(v.err.empty());
    CliRun h = run({"--help"});
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("Usage: kvbrt"), std::string::npos);
    EXPECT_NE(h.out.find("Exit status"), std::string::npos);
}

TEST(CliFrame, MalformedCommandLinesAreUsageErrors) {
    for (auto args : std::vector<std::vector<std::string>>{{}, {"nonsense"}, {"--no-such-flag"}}) {
        CliRun r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("kvbrt --help"), std::string::npos);
    }
}

TEST(CliFrame, JsonStringsAreEscaped) {
    EXPECT_EQ(cliJsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(cliJsonString("\xE3\x82\xAD"), "\"\xE3\x82\xAD\"");
}

}  // namespace
