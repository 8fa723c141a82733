// `kvbrt import` and `kvbrt export` on card trees built here: what they print,
// their exit status, and that a refused command line changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli_run.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

class CliTransfer : public testing::Test {
protected:
    ScratchDir dir;
    std::string root, in, out;
    void SetUp() override {
        root = dir / "card";
        in = dir / "in";
        out = dir / "out";
        for (const auto &p : {root, in, out}) testMakeDirs(p);
        TestCard card = TestCard::withTree(root);
        card.writeCategories({{"DEFAULT", 1}, {"Kicks", 0}});
        card.addWave(3, "Old", "Old.wav");
        testWriteFile(in + "/Kick.wav", testWavBytes(20));
        testWriteFile(in + "/Hat 2.wav", testWavBytes(30, 44100, 16, 2));
        testWriteFile(in + "/fast.wav", testWavBytes(30, 48000));
    }
    // The commands load the string table for their messages.
    void TearDown() override { cliTextTerm(); }
    std::vector<std::string> data() { return testListDir(TestCard(root).data(0)); }
};

TEST_F(CliTransfer, ImportPrintsTheNewWavesAndNamesRefusedFiles) {
    CliResult r = cliRun({"import", root, in + "/Kick.wav", in + "/fast.wav", in + "/Hat 2.wav", "--category", "kicks"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0004\tKick\t00/Kick.wav\n0005\tHat 2\t00/Hat 2.wav\n");
    EXPECT_NE(r.err.find(in + "/fast.wav: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Kick.wav:"), std::string::npos) << r.err;

    CliResult list = cliRun({"list", root});
    EXPECT_NE(list.out.find("0004\tKick\tKicks\t00/Kick.wav"), std::string::npos) << list.out;

    r = cliRun({"import", root, in + "/Kick.wav", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"imported\":[{\"number\":6,\"name\":\"Kick\",\"file\":\"00/Kick_01.wav\",\"source\":\"" + in +
                         "/Kick.wav\"}],\"failed\":[]}\n");
}

// A file the device cannot play is refused with the way to take it; with
// --convert it is converted, said so in the JSON, and the card stays healthy.
TEST_F(CliTransfer, ConvertTakesWhatTheDeviceCannotPlay) {
    CliResult r = cliRun({"import", root, in + "/fast.wav"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(in + "/fast.wav: 48000 Hz: the device plays only 44100 Hz; --convert would take it; not "
                                "imported\n"),
              std::string::npos)
        << r.err;

    r = cliRun({"import", root, in + "/fast.wav", in + "/Kick.wav", "--convert", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"imported\":[{\"number\":4,\"name\":\"fast\",\"file\":\"00/fast.wav\",\"source\":\"" + in +
                         "/fast.wav\",\"action\":\"converted\",\"conversion\":\"resampled\",\"from\":{\"format\":"
                         "\"WAV\",\"encoding\":\"PCM\",\"bits\":16,\"rate\":48000,\"channels\":1},\"gain_db\":0.0},"
                         "{\"number\":5,\"name\":\"Kick\",\"file\":\"00/Kick.wav\",\"source\":\"" + in +
                         "/Kick.wav\",\"action\":\"copied\",\"from\":{\"format\":\"WAV\",\"encoding\":\"PCM\","
                         "\"bits\":16,\"rate\":44100,\"channels\":1},\"gain_db\":0.0}],\"failed\":[]}\n");
    EXPECT_EQ(cliRun({"check", root}).status, 0);
}

TEST_F(CliTransfer, UnknownCategoryOrWaveChangesNothing) {
    std::vector<std::string> before = data();
    CliResult r = cliRun({"import", root, in + "/Kick.wav", "--category", "Snares"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Snares"), std::string::npos);
    EXPECT_EQ(data(), before);

    r = cliRun({"export", root, "3", "Nope", "--to", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Nope: no such wave"), std::string::npos) << r.err;
    EXPECT_EQ(testListDir(out), std::vector<std::string>{});
}

TEST_F(CliTransfer, ExportPrintsThePathsAndReportsRefusedNames) {
    TestCard(root).addWave(8, "A:B", "ab.wav");
    CliResult r = cliRun({"export", root, "old", "0003", "--to", out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, out + "/Old.wav\n" + out + "/Old_1.wav\n");

    r = cliRun({"export", root, "8", "3", "--to", out, "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("{\"exported\":[{\"number\":3,\"name\":\"Old\",\"path\":\"" + out + "/Old_2.wav\"}],"), 0u)
        << r.out;
    EXPECT_NE(r.out.find("\"failed\":[{\"number\":8,\"name\":\"A:B\""), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("0008 A:B: "), std::string::npos) << r.err;
    EXPECT_EQ(testListDir(out), (std::vector<std::string>{"Old.wav", "Old_1.wav", "Old_2.wav"}));
}

}  // namespace
