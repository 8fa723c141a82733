// `kvbrt import`, `export` and `copy` on card trees built here: audio onto,
// off and between cards. What they print, names and categories kept across
// cards, numbering on a target with gaps and clashes, a target with 20
// categories, refusals that change nothing, and a target that fails at every
// step; the cards pass `kvbrt check` after each.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "cli_run.h"
#include "foundation/fault.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

// "キック" and "ドラム" as the card keeps them.
const std::string kKickSjis = "\x83\x4c\x83\x62\x83\x4e", kDrumSjis = "\x83\x68\x83\x89\x83\x80";

class CliTransfer : public testing::Test {
protected:
    ScratchDir dir;
    std::string from = dir / "from", to = dir / "to", in = dir / "in", out = dir / "out";
    void SetUp() override {
        TestCard source = TestCard::withTree(from);
        source.writeCategories({{"DEFAULT", 0}, {"Kicks", 1}, {kDrumSjis, 2}});
        source.addWave(3, "Kick", "Kick.wav", 1);
        source.addWave(5, kKickSjis, "kik.wav", 2);
        source.addWave(7, "Hat", "Hat.wav");
        makeTarget(to, {{"DEFAULT", 0}, {"kicks", 1}});
        for (const auto &p : {in, out}) testMakeDirs(p);
        testWriteFile(in + "/Kick.wav", testWavBytes(20));
        testWriteFile(in + "/Hat 2.wav", testWavBytes(30, 44100, 16, 2));
        testWriteFile(in + "/fast.wav", testWavBytes(30, 48000));
    }
    // A card with waves 0 and 2 (a gap at 1), its "Kick.wav" taken.
    static void makeTarget(const std::string &root, const std::vector<std::pair<std::string, int>> &tags) {
        TestCard target = TestCard::withTree(root);
        target.writeCategories(tags);
        target.addWave(0, "Snare", "Snare.wav");
        target.addWave(2, "Kick", "Kick.wav", 1);
    }
};

// Import prints each new wave and names each file it refused; a file or wave
// the device cannot play is refused with the way to take it. With --convert
// it is converted, said so in the JSON, and the card stays healthy.
TEST_F(CliTransfer, ImportAndCopyTakeWhatTheDeviceCannotPlayOnlyWithConvert) {
    CliResult r = cliRun({"import", to, in + "/Kick.wav", in + "/fast.wav", in + "/Hat 2.wav", "--category", "KICKS"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0003\tKick\t00/Kick_01.wav\n0004\tHat 2\t00/Hat 2.wav\n");
    EXPECT_EQ(r.err, "kvbrt: " + in + "/fast.wav: 48000 Hz: the device plays only 44100 Hz; --convert would take it; "
                                      "not imported\n");
    EXPECT_NE(cliOut({"list", to}).find("0003\tKick\tkicks\t00/Kick_01.wav"), std::string::npos);

    EXPECT_EQ(cliOut({"import", to, in + "/Kick.wav", "--json"}),
              "{\"imported\":[{\"number\":5,\"name\":\"Kick\",\"file\":\"00/Kick_02.wav\",\"source\":\"" + in +
                  "/Kick.wav\"}],\"failed\":[]}\n");
    EXPECT_EQ(cliOut({"import", to, in + "/fast.wav", in + "/Kick.wav", "--convert", "--json"}),
              "{\"imported\":[{\"number\":6,\"name\":\"fast\",\"file\":\"00/fast.wav\",\"source\":\"" + in +
                         "/fast.wav\",\"action\":\"converted\",\"conversion\":\"resampled\",\"from\":{\"format\":"
                         "\"WAV\",\"encoding\":\"PCM\",\"bits\":16,\"rate\":48000,\"channels\":1},\"gain_db\":0.0},"
                         "{\"number\":7,\"name\":\"Kick\",\"file\":\"00/Kick_03.wav\",\"source\":\"" + in +
                         "/Kick.wav\",\"action\":\"copied\",\"from\":{\"format\":\"WAV\",\"encoding\":\"PCM\","
                         "\"bits\":16,\"rate\":44100,\"channels\":1},\"gain_db\":0.0}],\"failed\":[]}\n");

    TestCard(from).addWave(9, "Fast", "Fast.wav");
    testWriteFile(TestCard(from).data(0) + "Fast.wav", testWavBytes(300, 48000));
    r = cliRun({"copy", from, to, "fast", "7"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("0009 Fast: 48000 Hz: the device plays only 44100 Hz; --convert would take it; not copied"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "0007\t0008\tHat\tDEFAULT\t00/Hat.wav\n");

    std::string json = cliOut({"copy", from, to, "9", "--convert", "--json"});
    EXPECT_NE(json.find("{\"old\":9,\"new\":9,\"name\":\"Fast\",\"category\":\"DEFAULT\",\"file\":\"00/Fast_01.wav\","
                       "\"action\":\"converted\",\"conversion\":\"resampled\""),
              std::string::npos)
        << json;
    cliOut({"check", to});
}

TEST_F(CliTransfer, CopyKeepsNameBytesAndCategoriesAndExportPrintsThePaths) {
    const auto source = testTreeSnapshot(from);
    EXPECT_EQ(cliOut({"copy", from, to, "3", "キック", "hat"}),
              "0003\t0003\tKick\tkicks\t00/Kick_01.wav\n0005\t0004\tキック\tドラム\t00/_L_b_.wav\n"
              "0007\t0005\tHat\tDEFAULT\t00/Hat.wav\n");
    // The name's bytes as they were, the category made third on the target.
    TestCard target(to);
    EXPECT_EQ(testReadFile(target.prm(0) + "04.kvb"), testWavePrmText(kKickSjis, "00/_L_b_.wav", 2));
    EXPECT_EQ(testReadFile(target.data(0) + "Kick_01.wav"), testReadFile(TestCard(from).data(0) + "Kick.wav"));

    EXPECT_EQ(cliOut({"copy", from, to, "5", "--category", "KICKS", "--json"}),
              "{\"copied\":[{\"old\":5,\"new\":6,\"name\":\"キック\",\"category\":\"kicks\",\"file\":"
              "\"00/_L_b__01.wav\"}],\"failed\":[]}\n");
    EXPECT_EQ(testTreeSnapshot(from), source);
    for (const std::string &card : {from, to}) cliOut({"check", card});

    // Export prints the paths it wrote and reports the names it refused.
    TestCard(from).addWave(8, "A:B", "ab.wav");
    EXPECT_EQ(cliOut({"export", from, "kick", "0003", "--to", out}), out + "/Kick.wav\n" + out + "/Kick_1.wav\n");
    CliResult r = cliRun({"export", from, "8", "3", "--to", out, "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("{\"exported\":[{\"number\":3,\"name\":\"Kick\",\"path\":\"" + out + "/Kick_2.wav\"}],"), 0u)
        << r.out;
    EXPECT_NE(r.out.find("\"failed\":[{\"number\":8,\"name\":\"A:B\""), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("0008 A:B: "), std::string::npos) << r.err;
    EXPECT_EQ(testListDir(out), (std::vector<std::string>{"Kick.wav", "Kick_1.wav", "Kick_2.wav"}));
}

// A target already holding 20 categories takes the waves into DEFAULT and
// says so; refused command lines change no card and write no file.
TEST_F(CliTransfer, CopyFullCategoryListAndRefusals) {
    std::vector<std::pair<std::string, int>> twenty{{"DEFAULT", 0}};
    for (int i = 1; i < 20; ++i) twenty.push_back({"T" + std::to_string(i), i});
    std::string full = dir / "full";
    makeTarget(full, twenty);
    CliResult r = cliRun({"copy", from, full, "3"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0003\t0003\tKick\tDEFAULT\t00/Kick_01.wav\n");
    EXPECT_NE(r.err.find("category \"Kicks\": the target card holds 20 categories already"), std::string::npos);

    ASSERT_EQ(symlink(from.c_str(), (dir / "again").c_str()), 0);
    const auto before = testTreeSnapshot(dir.path());
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"copy", from, from + "/", "3"}, "is the same card as"},
        {{"copy", from, dir / "again", "3"}, "is the same card as"},
        {{"copy", dir / "again", from, "3"}, "is the same card as"},
        {{"copy", from, to, "3", "Nope"}, "Nope: no such wave on the card"},
        {{"copy", from, to, "3", "--category", "Snares"}, "Snares: no such category"},
        {{"import", to, in + "/Kick.wav", "--category", "Snares"}, "Snares: no such category"},
        {{"export", from, "3", "Nope", "--to", out}, "Nope: no such wave"}};
    for (const auto &[args, says] : refused) EXPECT_TRUE(cliRefused(args, 1, says));
    EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    cliOut({"check", full});
}

// The target fills up (or fails) at every file operation in turn: each wave
// is copied whole or not at all, the source stays as it was, and a run the
// fault stopped says so.
TEST_F(CliTransfer, CopyTargetFailingAtEveryStepStaysHealthy) {
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
        cliOut({"check", target});
        EXPECT_EQ(testTreeSnapshot(from), source);
        if (!fired) break;
    }
}

}  // namespace
