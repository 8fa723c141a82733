// `kvbrt copy` between two card trees built here: names and categories kept,
// numbering on a target with gaps and clashes, a target with 20 categories,
// refusals that change nothing, and a target that fills up at every step.
// Both cards pass `kvbrt check` after each.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_text.h"
#include "cli_run.h"
#include "foundation/fault.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

// "キック" and "ドラム" as the card keeps them.
const std::string kKickSjis = "\x83\x4c\x83\x62\x83\x4e", kDrumSjis = "\x83\x68\x83\x89\x83\x80";

class CliCopy : public testing::Test {
protected:
    ScratchDir dir;
    std::string from = dir / "from", to = dir / "to";
    void SetUp() override {
        TestCard source = TestCard::withTree(from);
        source.writeCategories({{"DEFAULT", 0}, {"Kicks", 1}, {kDrumSjis, 2}});
        source.addWave(3, "Kick", "Kick.wav", 1);
        source.addWave(5, kKickSjis, "kik.wav", 2);
        source.addWave(7, "Hat", "Hat.wav");
        makeTarget(to, {{"DEFAULT", 0}, {"kicks", 1}});
    }
    void TearDown() override { cliTextTerm(); }
    // A target with waves 0 and 2 (a gap at 1), its "Kick.wav" taken.
    static void makeTarget(const std::string &root, const std::vector<std::pair<std::string, int>> &tags) {
        TestCard target = TestCard::withTree(root);
        target.writeCategories(tags);
        target.addWave(0, "Snare", "Snare.wav");
        target.addWave(2, "Kick", "Kick.wav", 1);
    }
    void expectHealthy(bool source = true) {
        for (const std::string &root : {from, to}) {
            if (root == from && !source) continue;
            CliResult check = cliRun({"check", root});
            EXPECT_EQ(check.status, 0) << root << "\n" << check.out << check.err;
        }
    }
};

TEST_F(CliCopy, KeepsNameBytesAndCategoriesNumberedAsImportDoes) {
    const auto source = testTreeSnapshot(from);
    CliResult r = cliRun({"copy", from, to, "3", "キック", "hat"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0003\t0003\tKick\tkicks\t00/Kick_01.wav\n0005\t0004\tキック\tドラム\t00/_L_b_.wav\n"
                     "0007\t0005\tHat\tDEFAULT\t00/Hat.wav\n");
    // The name's bytes as they were, the category made third on the target.
    TestCard target(to);
    EXPECT_EQ(testReadFile(target.prm(0) + "04.kvb"), testWavePrmText(kKickSjis, "00/_L_b_.wav", 2));
    CliResult list = cliRun({"list", to});
    EXPECT_NE(list.out.find("0004\tキック\tドラム\t00/_L_b_.wav"), std::string::npos) << list.out;
    EXPECT_EQ(testReadFile(target.data(0) + "Kick_01.wav"), testReadFile(TestCard(from).data(0) + "Kick.wav"));

    r = cliRun({"copy", from, to, "5", "--category", "KICKS", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"copied\":[{\"old\":5,\"new\":6,\"name\":\"キック\",\"category\":\"kicks\",\"file\":"
                     "\"00/_L_b__01.wav\"}],\"failed\":[]}\n");
    EXPECT_EQ(testTreeSnapshot(from), source);
    expectHealthy();
}

// What the device cannot play is refused as import refuses it, and taken
// with --convert.
TEST_F(CliCopy, UnplayableWaveNeedsConvert) {
    TestCard(from).addWave(9, "Fast", "Fast.wav");
    testWriteFile(TestCard(from).data(0) + "Fast.wav", testWavBytes(300, 48000));
    CliResult r = cliRun({"copy", from, to, "fast", "7"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("0009 Fast: 48000 Hz: the device plays only 44100 Hz; --convert would take it; not copied"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "0007\t0003\tHat\tDEFAULT\t00/Hat.wav\n");

    r = cliRun({"copy", from, to, "9", "--convert", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("{\"old\":9,\"new\":4,\"name\":\"Fast\",\"category\":\"DEFAULT\",\"file\":\"00/Fast.wav\","
                         "\"action\":\"converted\",\"conversion\":\"resampled\""),
              std::string::npos)
        << r.out;
    expectHealthy(false);
}

// A target already holding 20 categories takes the waves into DEFAULT and
// says so; refused command lines change neither card.
TEST_F(CliCopy, FullCategoryListAndRefusals) {
    std::vector<std::pair<std::string, int>> twenty{{"DEFAULT", 0}};
    for (int i = 1; i < 20; ++i) twenty.push_back({"T" + std::to_string(i), i});
    std::string full = dir / "full";
    makeTarget(full, twenty);
    CliResult r = cliRun({"copy", from, full, "3"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0003\t0003\tKick\tDEFAULT\t00/Kick_01.wav\n");
    EXPECT_NE(r.err.find("category \"Kicks\": the target card holds 20 categories already"), std::string::npos) << r.err;

    ASSERT_EQ(symlink(from.c_str(), (dir / "again").c_str()), 0);
    const auto before = testTreeSnapshot(dir.path());
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    for (const Case &c : {Case{{"copy", from, from + "/", "3"}, "is the same card as"},
                          Case{{"copy", from, dir / "again", "3"}, "is the same card as"},
                          Case{{"copy", dir / "again", from, "3"}, "is the same card as"},
                          Case{{"copy", from, to, "3", "Nope"}, "Nope: no such wave on the card"},
                          Case{{"copy", from, to, "3", "--category", "Snares"}, "Snares: no such category"}}) {
        r = cliRun(c.args);
        EXPECT_EQ(r.status, 1) << c.args[2];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    expectHealthy();
}

// The target fills up (or fails) at every file operation in turn: each wave
// is copied whole or not at all, the source stays as it was, and a run the
// fault stopped says so.
TEST_F(CliCopy, TargetFailingAtEveryStepStaysHealthy) {
    const auto source = testTreeSnapshot(from);
    for (long n = 1;; ++n) {
        SCOPED_TRACE("fault at file operation " + std::to_string(n));
        std::string target = dir / ("to" + std::to_string(n));
        makeTarget(target, {{"DEFAULT", 0}, {"kicks", 1}});
        rliFaultFileArm(n, ENOSPC, true);
        CliResult r = cliRun({"copy", from, target, "3", "5"});
        bool fired = rliFaultFileFired();
        rliFaultFileArm(0, 0, false);
        EXPECT_EQ(r.status, fired ? 1 : 0) << r.err;
        CliResult check = cliRun({"check", target});
        EXPECT_EQ(check.status, 0) << check.out << check.err;
        EXPECT_EQ(testTreeSnapshot(from), source);
        if (!fired) break;
    }
}

}  // namespace
