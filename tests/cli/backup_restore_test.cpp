// `kvbrt backup` and `kvbrt restore`: what they print, the questions and what
// declining them leaves, and the messages that name the file and the reason.
// What an archive holds and restores is the backup and restore tests' to prove.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.h"
#include "support/card.h"
#include "support/test_util.h"
#include "transfer/backup.h"

namespace {

class CliBackup : public testing::Test {
protected:
    ScratchDir dir;
    std::string card = dir / "card", out = dir / "out", file = out + "/KVB-RT-BKUP-ALL.kvb";
    void SetUp() override {
        std::filesystem::create_directories(out);
        TestCard c = TestCard::withTree(card);
        c.writeCategories({{"DEFAULT", 0}, {"Kicks", 1}});
        c.addWave(3, "Kick", "kick.wav", 1);
        c.writeKit("kit000.kvb", "Kit", "", {{3, -1}});
    }
    void TearDown() override { waveBackupSetFreeSpaceProbe(nullptr); }
};

// A backup, and its restore onto an empty volume, print what they did;
// failures and declined questions then exit 1 (a usage error 2), name the file
// and the reason, and change nothing: not the card, not the backup there.
TEST_F(CliBackup, RoundTripAndFailuresThatNameTheFileAndChangeNothing) {
    CliResult b = cliRun({"backup", card, out, "--json"});
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(b.out, "{\"backup\":\"" + file + "\",\"files\":7,\"bytes\":" +
                         std::to_string(std::filesystem::file_size(file)) + "}\n");
    std::string fresh = dir / "fresh";
    std::filesystem::create_directories(fresh);
    std::string restored = cliOut({"--yes", "restore", fresh, out});
    EXPECT_EQ(restored.rfind("restored 7 files (", 0), 0u) << restored;
    EXPECT_NE(restored.find(" bytes) from " + file + "\n"), std::string::npos) << restored;
    const std::string kick = TestCard(card).data(0) + "kick.wav";
    EXPECT_EQ(testReadFile(TestCard(fresh).data(0) + "kick.wav"), testReadFile(kick));

    struct Case {
        const char *label;
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {"overwrite, nobody to ask", {"backup", card, out}, 1, file + ": a backup is already there"},
        {"restore declined", {"--no", "restore", card, out}, 1, file},
        {"no backup there", {"--yes", "restore", card, dir.path()}, 1,
         dir / "KVB-RT-BKUP-ALL.kvb: no backup can be read there"},
        {"damaged backup", {"--yes", "restore", card, dir / "bad.kvb"}, 1, "checksum"},
        {"no room to stage", {"--yes", "restore", card, out}, 1, "--no-staging"},
        {"volume missing", {"backup", dir / "none", out}, 1, dir / "none"},
        {"no device folder", {"backup", out, out}, 1, "no device folder"},
        {"usage", {"restore", card}, 2, "BACKUP"},
    };
    testWriteFile(dir / "bad.kvb", std::string(512, 'x') + std::string(1024, '\0'));
    waveBackupSetFreeSpaceProbe([](const char *) -> uint64_t { return 0; });
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        auto before = testTreeSnapshot(dir.path());
        EXPECT_TRUE(cliRefused(c.args, c.status, c.says));
        EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    }
    // Allowed to, it restores in place.
    EXPECT_NE(cliOut({"--yes", "restore", card, out, "--no-staging"}).find("in place"), std::string::npos);
}

}  // namespace
