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
    CliRun v = run({"--version"}), h = run({"--help"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(v.out.rfind("kvbrt ", 0), 0u);
    EXPECT_TRUE(v.err.empty());
    EXPECT_NE(h.out.find("Usage: kvbrt"), std::string::npos);
    EXPECT_NE(h.out.find("Exit status"), std::string::npos);
}

// A usage line copied from the help runs once its words are filled in.
TEST(CliFrame, UsageLinesWorkWhenCopied) {
    ScratchDir dir;
    TestCard(dir.path()).makeTree();
    // Each usage line as its help shows it, filled in (VOLUME: the card) and run.
    const std::pair<std::string, std::vector<std::string>> copied[] = {
        {"category VOLUME add [OPTIONS] NAME", {"category", "VOLUME", "add", "LOOPS"}},
        {"category VOLUME move [OPTIONS] NAME", {"category", "VOLUME", "move", "LOOPS", "--to", "2"}},
        {"kit VOLUME show [OPTIONS] [KIT]", {"kit", "VOLUME", "show", "0", "--json"}},
        {"list [OPTIONS] VOLUME", {"list", "VOLUME", "--category", "LOOPS", "--json"}},
    };
    for (auto [usage, args] : copied) {
        args.push_back("--help");
        std::string help = run(args).out;
        EXPECT_EQ(help.substr(help.find("Usage: kvbrt ") + 13, usage.size() + 1), usage + "\n");
        args.pop_back();
        args[1] = dir.path();
        CliRun r = run(args);
        EXPECT_EQ(r.status, 0) << usage << "\n" << r.err;
    }
    EXPECT_EQ(run({"volumes", "--help"}).out.find("VOLUME"), std::string::npos);
    CliRun unknown = run({"foo", dir.path()});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("kvbrt: foo: no such command; the commands are: demo, init,"), std::string::npos);
    EXPECT_NE(run({"category", dir.path(), "add"}).err.find("Run 'kvbrt category --help'"), std::string::npos);
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

TEST(CliFrame, SizesReadAsDfPrintsThem) {
    struct {
        uint64_t bytes;
        const char *text;
    } cases[] = {
        {0, "0"},           {1023, "1023"},       {1024, "1.0K"},     {1025, "1.1K"},
        {10 * 1024 - 1, "10K"}, {10 * 1024, "10K"}, {10 * 1024 + 1, "11K"}, {1048575, "1.0M"},
        {1536ull << 20, "1.5G"}, {226ull << 30, "226G"}, {(1ull << 40) - 1, "1.0T"}, {UINT64_MAX, "unknown"},
    };
    for (const auto &c : cases) EXPECT_EQ(cliSizeText(c.bytes), c.text) << c.bytes;

    // The card's size beside df's own figure, and the one spelling of the volume.
    ScratchDir dir;
    TestCard(dir.path()).makeTree();
    std::string df;
    if (testRunProgramOutput({"df", "-h", "--output=size", dir.path()}, &df) == 0) {
        std::string size = df.substr(df.find('\n') + 1);
        size = size.substr(size.find_first_not_of(' '));
        size = size.substr(0, size.find('\n'));
        EXPECT_NE(run({"info", dir.path()}).out.find(" free of " + size + "\n"), std::string::npos) << size;
    }
    nlohmann::json info = nlohmann::json::parse(run({"info", dir.path(), "--json"}).out);
    nlohmann::json check = nlohmann::json::parse(run({"check", dir.path(), "--json"}).out);
    EXPECT_EQ(info["volume"], dir.path());
    EXPECT_EQ(check["volume"], info["volume"]);
}

}  // namespace
