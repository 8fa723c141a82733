// `kvbrt check` and `kvbrt duplicates` as a user or a script runs them: exit
// statuses, the JSON documents, a declined repair that changes nothing, a
// confirmed one after which the card checks clean, and a restore's staging
// folder rolled back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

TEST(CliCheck, ADeclinedRepairChangesNothingAConfirmedOneLeavesAHealthyCardAndDuplicatesNameWavesAndPads) {
    ScratchDir dir;
    // Two faults that can be repaired: a parameter file whose audio is gone, and a pad naming it.
    TestCard card = TestCard::withTree(dir.path());
    card.writeCategories({{"DEFAULT", 0}});
    card.addWave(1, "GOOD", "GOOD.wav");
    card.addWave(5, "GONE", "GONE.wav", 0, false);
    card.writeKit("kit000.kvb", "Kit", "", {{1, 5}});
    auto before = testTreeSnapshot(dir.path());
    CliResult r = cliRun({"check", dir.path(), "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    std::string prm = card.prm(0) + "05.kvb", kit = card.kit() + "kit000.kvb";
    EXPECT_TRUE(has(r.out, "\"healthy\":false,\"findings\":[{\"kind\":\"parameter_without_audio\",\"file\":\"" + prm +
                               "\",\"detail\":\"its audio file ")) << r.out;
    EXPECT_TRUE(has(r.out, "{\"kind\":\"pad_dangling\",\"file\":\"" + kit +
                               "\",\"detail\":\"sub-pad 1 names wave 5, which does not exist\",\"repair\":\"clear_pad\"}]}\n"))
        << r.out;
    r = cliRun({"--no", "check", dir.path(), "--fix"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.out, "repair plan:\n  remove_parameter: ")) << r.out;
    EXPECT_EQ(testTreeSnapshot(dir.path()), before);

    std::string fixed = cliOut({"--yes", "check", dir.path(), "--fix", "--json"});
    EXPECT_TRUE(has(fixed, "\"healthy\":true,")) << fixed;
    EXPECT_TRUE(has(fixed, "\"repaired\":[{\"repair\":\"remove_parameter\",\"file\":\"" + prm + "\"")) << fixed;
    EXPECT_TRUE(has(fixed, "{\"repair\":\"clear_pad\",\"file\":\"" + kit +
                               "\",\"detail\":\"cleared sub-pad 1\",\"ok\":true}],\"remaining\":[]}\n"))
        << fixed;
    EXPECT_TRUE(has(cliOut({"check", dir.path()}), "the card is healthy"));
    EXPECT_EQ(testReadFile(card.data(0) + "GOOD.wav"), testWavBytes(101));

    // A restore's staging folder left over. What the recovery does is the
    // restore's; the check finds it and says what it did.
    std::string staging = dir.path() + "/Korvan/.kvbrt-restore/";
    testMakeDirs(staging + "new/KVB-RT/SYSTEM");
    testWriteFile(staging + "new/KVB-RT/SYSTEM/tag_list.kvb", testTagListText({{"OTHER", 0}}));
    r = cliRun({"check", dir.path(), "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.out, "\"findings\":[{\"kind\":\"restore_staging\",\"file\":\"" + staging)) << r.out;
    EXPECT_TRUE(has(r.out, "\"repair\":\"recover_restore\"}")) << r.out;
    // Unpacking had not finished: the card was never touched, and the staging folder just goes.
    fixed = cliOut({"--yes", "check", dir.path(), "--fix"});
    EXPECT_TRUE(has(fixed, "repaired: " + staging + ": the restore was rolled back\n")) << fixed;
    EXPECT_FALSE(std::filesystem::exists(staging));
    EXPECT_EQ(testReadFile(card.system() + "tag_list.kvb"), testTagListText({{"DEFAULT", 0}}));

    // Duplicates on the repaired card: GOOD.wav's size is none of these.
    std::string kick = testWavBytes(400), other = kick;
    other.back() = '\x02';
    card.addWave(3, "KICK", "KICK.wav");
    card.addWave(150, "KICK COPY", "KICK.wav");
    card.addWave(4, "NOT SAME", "NS.wav");
    testWriteFile(card.data(0) + "KICK.wav", kick);
    testWriteFile(card.data(1) + "KICK.wav", kick);
    testWriteFile(card.data(0) + "NS.wav", other);
    card.writeKit("kit002.kvb", "K", "", {{3, -1}, {-1, -1}, {-1, -1}, {4, 150}});

    EXPECT_EQ(cliOut({"duplicates", dir.path(), "--json"}), "{\"groups\":[{\"size\":" + std::to_string(kick.size()) +
                         ",\"waves\":[{\"number\":3,\"name\":\"KICK\",\"file\":\"00/KICK.wav\",\"pads\":[{\"kit\":2,"
                         "\"pad\":1,\"sub\":false}]},{\"number\":150,\"name\":\"KICK COPY\",\"file\":\"01/KICK.wav\","
                         "\"pads\":[{\"kit\":2,\"pad\":4,\"sub\":true}]}]}]}\n");
    EXPECT_TRUE(has(cliOut({"duplicates", dir.path()}), "2 waves, " + std::to_string(kick.size()) + " bytes each:\n"));
    testWriteFile(card.data(1) + "KICK.wav", other + "x");
    EXPECT_EQ(cliOut({"duplicates", dir.path(), "--json"}), "{\"groups\":[]}\n");
}

}  // namespace
