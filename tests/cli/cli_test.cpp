// The command frame: version, help, and usage errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/card.h"
#include "support/test_util.h"

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
    // The answer flags go either side of the command, and exclude each other.
    EXPECT_EQ(run({"--yes", "volumes"}).status, 0);
    EXPECT_EQ(run({"volumes", "--no"}).status, 0);
    CliRun both = run({"--yes", "volumes", "--no"});
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("excludes"), std::string::npos) << both.err;
}

TEST(CliFrame, AVolumePathThatIsNotUtf8StillGivesOneJsonDocument) {
    ScratchDir dir;
    // A folder name is bytes: a Latin-1 name and a quote, as a card may carry.
    const std::string root = dir / "Kart\xe9 \"B\"";
    ASSERT_TRUE(testMakeDirs(root));
    TestCard(root).makeTree();
    CliRun r = run({"info", root, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["volume"], dir / "Kart\xEF\xBF\xBD \"B\"");
    EXPECT_EQ(r.out.back(), '\n');
}

}  // namespace
