// The editing commands of kvbrt on card trees: names refused rather than cut,
// usage errors, each edit checked on disk with a fresh scan, deletion asked
// and declined, the renumbering dry run against the real run, and a failed
// write reported with its file or wave.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <cerrno>
#include <string>
#include <vector>

#include "cli_run.h"
#include "foundation/fault.h"
#include "foundation/global.h"
#include "support/card.h"
#include "support/library.h"
#include "support/test_util.h"

namespace {

class CliEditTest : public testing::Test {
protected:
    ScratchDir dir;
    TestCard card{dir.path()};
    std::string root() const { return dir.path(); }

    void SetUp() override {
        card.makeTree();
        card.writeCategories({{"DEFAULT", 0}, {"SNARE", 2}, {"KICK", 1}});
        card.addWave(3, "Kick", "kick.wav", 2);
        card.addWave(4, "Snare", "snare.wav", 1);
        card.addWave(250, "Hat", "hat.wav", 0);
        card.writeKit("kit001.kvb", "Rock", "Sub", {{250, 3}, {4, 99}});
    }
    CliResult run(std::vector<std::string> args) {
        args.insert(args.begin() + 1, root());
        return cliRun(args);
    }
};

TEST_F(CliEditTest, RefusedNamesAndMalformedCommandLinesChangeNothing) {
    auto before = testTreeSnapshot(root());
    const std::vector<std::vector<std::string>> refused = {
        {"rename", "3", "ABCDEFGHIJKLM"},                // 13 bytes
        {"rename", "3", "あいうえおかき"},               // 14 bytes in Shift-JIS
        {"rename", "3", "Kick\xF0\x9F\x8E\xB5"},         // a character Shift-JIS lacks
        {"rename", "3", "Bad\xFF"},                      // not UTF-8
        {"rename", "3", "x/y"},                          // breaks list and export
        {"rename", "3", ""}, {"rename", "3", "   "}, {"rename", "3", "a\tb"},
        {"category", "add", "a<b"}, {"kit", "name", "1", "a\nb"},
        {"rename", "5", "Nobody"},                       // no such wave
        {"category", "add", "ABCDEFGHIJKLM"},            // the category list keeps 12
        {"category", "add", "snare"},                    // in use (any case)
        {"category", "rename", "KICK", "Snare"},
        {"category", "rename", "DEFAULT", "Other"},
        {"category", "delete", "DEFAULT"}, {"category", "delete", "NOPE"},
        {"category", "move", "KICK", "--before", "KICK"},
        {"category", "move", "KICK", "--to", "4"},       // three categories
        {"category", "assign", "3", "77", "SNARE"},      // no wave 77: no wave moves
        {"kit", "name", "1", "ABCDEFGHI"},               // 9 bytes
        {"kit", "name", "1", "Rock", "--sub", "ABCDEFGHIJKLMNOPQ"},
        {"kit", "set", "1", "2", "77"},
        {"kit", "set", "1", "2", "3", "--sub", "77"},
        {"delete", "3", "77"},
    };
    // Malformed command lines are usage errors.
    const std::vector<std::vector<std::string>> malformed = {
        {"rename", "x", "Name"}, {"kit", "set", "100", "1", "3"}, {"kit", "set", "1", "0", "3"}, {"kit", "show", "100"},
        {"kit", "clear", "1", "16"}, {"kit", "swap", "1", "7", "16"}, {"kit", "swap", "1", "7x", "2"}, {"delete"},
        {"category", "assign", "3", "x", "SNARE"}, {"category", "assign", "SNARE"}, {"category", "move", "KICK"},
        {"category", "move", "KICK", "--before", "SNARE", "--after", "DEFAULT"}, {"category", "frobnicate", "KICK"},
        {"category", "move", "KICK", "--to", "0"}, {"category", "move", "KICK", "--to", "2", "--after", "SNARE"},
    };
    for (int status : {1, 2})
        for (const auto &args : status == 1 ? refused : malformed) {
            CliResult r = run(args);
            EXPECT_EQ(r.status, status) << args[0] << " " << args.back() << "\n" << r.err;
            EXPECT_NE(r.err, "") << args[0];
            EXPECT_EQ(testTreeSnapshot(root()), before) << args[0] << " " << args.back();
        }
}

TEST_F(CliEditTest, RenameAndCategoryEditsReachTheCard) {
    ASSERT_EQ(run({"rename", "4", "スネア"}).status, 0);
    EXPECT_EQ(TestLibrary(root()).name(4), "\x83X\x83l\x83\x41");
    // add: on top of the display order, and saying so.
    EXPECT_EQ(run({"category", "add", "TOMS"}).out, "category added: TOMS, shown at position 1 of 4\n");
    // assign, then delete SNARE: its wave goes to DEFAULT and KICK's wave,
    // whose category number shifts down, is rewritten too.
    ASSERT_EQ(run({"category", "assign", "250", "4", "snare"}).status, 0);
    ASSERT_EQ(run({"category", "delete", "SNARE"}).status, 0);
    {
        TestLibrary s(root());
        EXPECT_EQ(s.tagOf(250), "DEFAULT");
        EXPECT_EQ(s.tagOf(4), "DEFAULT");
        EXPECT_EQ(s.tagOf(3), "KICK");
    }
    // rename, and moves by neighbour and by position: each line says where it
    // stands (TOMS BASS DEFAULT, BASS DEFAULT TOMS, BASS TOMS DEFAULT, then the last).
    ASSERT_EQ(run({"category", "rename", "KICK", "BASS"}).status, 0);
    const std::pair<std::vector<std::string>, int> moves[] = {
        {{"BASS", "--after", "TOMS"}, 2}, {{"TOMS", "--to", "3"}, 3}, {{"TOMS", "--to", "2"}, 2},
        {{"DEFAULT", "--to", "1"}, 1}};
    for (const auto &[args, at] : moves)
        EXPECT_EQ(run({"category", "move", args[0], args[1], args[2]}).out,
                  "category moved: " + args[0] + ", now shown at position " + std::to_string(at) + " of 3\n");
    EXPECT_EQ(TestLibrary(root()).tagOrder(), (std::vector<std::string>{"DEFAULT", "BASS", "TOMS"}));
    EXPECT_EQ(TestLibrary(root()).tagOf(3), "BASS");
    EXPECT_EQ(run({"category", "move", "BASS", "--to", "2"}).out, "category BASS stays at position 2 of 3\n");
    for (int i = 3; i < 20; ++i) ASSERT_EQ(run({"category", "add", "C" + std::to_string(i)}).status, 0) << i;
    EXPECT_TRUE(cliRefused({"category", root(), "add", "ONEMORE"}, 1, "a card holds at most 20 categories"));
}

TEST_F(CliEditTest, KitEditsWriteTheKitFileAndShowReadsItBack) {
    auto before = testTreeSnapshot(root());
    std::string kit1 = "kit 1: Rock / Sub\npad 1\t0250 Hat\t0003 Kick\npad 2\t0004 Snare\t0099 (not on the card)\n";
    for (int pad = 3; pad <= 15; ++pad) kit1 += "pad " + std::to_string(pad) + "\t-\t-\n";
    EXPECT_EQ(run({"kit", "show", "1"}).out, kit1);
    EXPECT_EQ(run({"kit", "show"}).out, kit1);  // without a number: the kits that have a file
    EXPECT_EQ(run({"kit", "show", "7"}).out.substr(0, 30), "kit 7: New Kit  (no kit file)\n");
    EXPECT_EQ(testTreeSnapshot(root()), before);

    ASSERT_EQ(run({"kit", "name", "7", "Jazz", "--sub", "ブラシ"}).status, 0);
    ASSERT_EQ(run({"kit", "set", "7", "2", "3", "--sub", "250"}).status, 0);
    ASSERT_EQ(run({"kit", "set", "7", "15", "4"}).status, 0);
    ASSERT_EQ(run({"kit", "clear", "1", "1"}).status, 0);
    ASSERT_EQ(run({"kit", "swap", "7", "2s", "15"}).status, 0);
    EXPECT_EQ(run({"kit", "show", "1"}).out.substr(0, 38), "kit 1: Rock / Sub\npad 1\t-\t-\npad 2\t0004");
    nlohmann::json kit7 = nlohmann::json::parse(run({"kit", "show", "7", "--json"}).out)["kits"][0];
    EXPECT_EQ(kit7["name"], "Jazz");
    EXPECT_EQ(kit7["subname"], "ブラシ");
    EXPECT_EQ(kit7["has_file"], true);
    EXPECT_EQ(kit7["pads"][1], nlohmann::json::parse(R"({"pad":2,"wave":3,"wave_name":"Kick","subwave":4,
                                                          "subwave_name":"Snare"})"));
    EXPECT_EQ(kit7["pads"][2]["wave_name"], nullptr);
    EXPECT_EQ(kit7["pads"][14]["wave"], 250);
}

TEST_F(CliEditTest, DeleteAsksAndADeclinedAnswerDeletesNothing) {
    auto before = testTreeSnapshot(root());
    for (const auto &args : {std::vector<std::string>{"delete", root(), "250", "--no"}, {"delete", root(), "250"}}) {
        EXPECT_EQ(cliRun(args).status, 1) << args.back();
        EXPECT_EQ(testTreeSnapshot(root()), before) << args.back();
    }
    EXPECT_EQ(cliOut({"delete", root(), "250", "4", "250", "--yes", "--json"}), "{\"deleted\":[{\"number\":250,\"name\":\"Hat\"},{\"number\":4,\"name\":\"Snare\"}]}\n");
    EXPECT_FALSE(testExists(card.data(2) + "hat.wav"));
    EXPECT_FALSE(testExists(card.prm(2) + "50.kvb"));
    TestLibrary s(root());
    EXPECT_EQ(waveListWaveCount(s.list), 1);
    // The kit names neither number any more, so a later wave 250 cannot play there.
    EXPECT_EQ(s.pad(1, 0)->waveNumber, -1);
    EXPECT_EQ(s.pad(1, 0)->subWaveNumber, 3);
    EXPECT_EQ(s.pad(1, 1)->waveNumber, -1);
}

// The plan itself is the library's; the command prints it, as text or JSON,
// and the real run prints the plan the dry run showed.
TEST_F(CliEditTest, RenumberDryRunChangesNothingAndPrintsThePlanTheRealRunFollows) {
    auto before = testTreeSnapshot(root());
    CliResult plan = run({"renumber", "--dry-run"}), json = run({"renumber", "--dry-run", "--json"});
    ASSERT_EQ(plan.status, 0) << plan.err;
    EXPECT_EQ(json.out.rfind("{\"dry_run\":true,\"steps\":[", 0), 0u) << json.out;
    EXPECT_EQ(testTreeSnapshot(root()), before);
    EXPECT_NE(plan.out.find("renumber 250 -> 2 \"Hat\""), std::string::npos) << plan.out;
    EXPECT_NE(plan.out.find("clear kit 1 pad 2 sub-wave: wave 99"), std::string::npos) << plan.out;
    EXPECT_EQ(cliOut({"renumber", root()}).substr(0, plan.out.size()), plan.out);
    EXPECT_EQ(TestLibrary(root()).waves(), (std::set<int>{0, 1, 2}));
}

// Each file operation of a rename, then of a renumbering, fails in turn, on a
// fresh card each time, until a run gets through untouched: the failure is
// reported (a rename names its file, a renumbering the wave it stopped at)
// and no wave or audio file is lost.
TEST_F(CliEditTest, AFailedFileOperationAnywhereIsReportedAndLosesNothing) {
    for (const std::string command : {"rename", "renumber"}) {
        SCOPED_TRACE(command);
        bool named = false;
        for (long n = 1; n < 300; ++n) {
            ScratchDir each;
            TestCard c = TestCard::withTree(each.path());
            c.addWave(4, "Snare", "snare.wav");
            c.addWave(250, "Hat", "hat.wav");
            std::vector<std::string> args = {command, each.path()};
            if (command == "rename") args.insert(args.end(), {"4", "Other"});
            rliFaultFileArm(n, EIO, false);
            CliResult r = cliRun(args);
            bool fired = rliFaultFileFired();
            rliFaultFileArm(0, 0, false);
            if (!fired) {
                EXPECT_EQ(r.status, 0) << r.err;
                break;
            }
            const std::string names = command == "rename" ? c.prm(0) + "04.kvb: cannot write" : "renumbering stopped at wave";
            bool says = r.err.find(names) != std::string::npos;
            named = named || says;
            TestLibrary s(each.path());
            EXPECT_EQ(waveListWaveCount(s.list), 2) << n << ": " << r.err;
            EXPECT_TRUE(testExists(c.data(0) + "snare.wav")) << n;
            EXPECT_TRUE(testExists(c.data(2) + "hat.wav") || testExists(c.data(0) + "hat.wav")) << n;
            if (r.status == 0) {
                // Done despite the fault: a rename is then on the card.
                EXPECT_TRUE(command != "rename" || std::string(waveWaveNamePtr(s.wave(4))) == "Other") << n;
                continue;
            }
            // A renumbering that stopped says on which card.
            EXPECT_TRUE(!says || r.err.find(each.path()) != std::string::npos) << r.err;
            // Told once, as a kvbrt line, not again as the desktop's message box.
            EXPECT_EQ(r.err.find("Error:"), std::string::npos) << r.err;
            // No result line for a rename that was not written.
            EXPECT_TRUE(command != "rename" || r.out.empty()) << n << ": " << r.out;
        }
        EXPECT_TRUE(named);
    }
}

}  // namespace
