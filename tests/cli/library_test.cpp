// `kvbrt init`, `info` and `list` on card trees built here: the exact JSON,
// the read-only scan, and init refusing a card that is already set up.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli_run.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

TEST(CliInfo, JsonDocumentListOrdersAndAReadOnlyScan) {
    ScratchDir dir;
    // DEFAULT is added in front of SNARE and KICK.
    TestCard card = TestCard::withTree(dir.path());
    card.writeCategories({{"SNARE", 1}, {"KICK", 0}});
    card.addWave(5, "KICK", "KICK.wav", 1);
    card.addWave(101, "SN", "SN.wav", 0);
    card.addWave(7, "X\"\x82\xA0", "X.wav", 5);
    card.writeKit("kit003.kvb", "Rock", "Sub", {{5, -1}, {101, 7}});
    CliResult r = cliRun({"info", dir.path(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // Ordered: the keys must come as written. The file system's sizes vary; they are checked for sense.
    using Json = nlohmann::ordered_json;
    Json doc = Json::parse(r.out);
    EXPECT_LE(doc["free_bytes"], doc["total_bytes"]);
    EXPECT_GT(doc["total_bytes"], 0u);
    auto wave = [](int number, const char *name, const char *hex, const char *tag, int index, const char *file) {
        return Json{{"number", number}, {"name", name},   {"name_hex", hex}, {"category", tag},
                    {"category_index", index}, {"file", file}, {"size", testWavBytes(100 + number).size()},
                    {"rate", 44100}, {"bits", 16}, {"channels", 1}};
    };
    Json kits = Json::array();
    for (int k = 0; k < 100; ++k) {
        Json pads = Json::array();
        for (int p = 0; p < 15; ++p)
            pads.push_back({{"wave", k == 3 && p < 2 ? (p ? 101 : 5) : -1}, {"subwave", k == 3 && p == 1 ? 7 : -1}});
        kits.push_back({{"number", k}, {"name", k == 3 ? "Rock" : "New Kit "}, {"subname", k == 3 ? "Sub" : ""},
                        {"has_file", k == 3}, {"pads", pads}});
    }
    Json expected = {{"volume", dir.path()}, {"free_bytes", doc["free_bytes"]}, {"total_bytes", doc["total_bytes"]},
                     {"waves", {wave(5, "KICK", "4b49434b", "KICK", 2, "00/KICK.wav"),
                                wave(7, "X\"あ", "582282a0", "DEFAULT", 0, "00/X.wav"),
                                wave(101, "SN", "534e", "SNARE", 1, "01/SN.wav")}},
                     {"categories", Json::parse(R"([
                         {"name":"DEFAULT","name_hex":"44454641554c54","order":0,"position":2,"waves":[7]},
                         {"name":"SNARE","name_hex":"534e415245","order":1,"position":1,"waves":[101]},
                         {"name":"KICK","name_hex":"4b49434b","order":0,"position":3,"waves":[5]}])")},
                     {"kits", kits}};
    EXPECT_EQ(doc, expected);
    EXPECT_EQ(r.out, doc.dump() + "\n");

    const std::string kick = "0005\tKICK\tKICK\t00/KICK.wav\t0.002\n", x = "0007\tX\"あ\tDEFAULT\t00/X.wav\t0.002\n",
                      sn = "0101\tSN\tSNARE\t01/SN.wav\t0.005\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, kick + x + sn},
        {{"--sort", "number"}, kick + x + sn},
        {{"--sort", "name"}, kick + sn + x},
        // Categories by display order: SNARE (key 1), then DEFAULT and KICK (key 0) in list order.
        {{"--sort", "category"}, sn + x + kick},
        {{"--category", "snare", "--sort", "name"}, sn},
        {{"--category", "KICK"}, kick},
    };
    for (const auto &[extra, out] : cases) {
        std::vector<std::string> args{"list", dir.path()};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(cliOut(args), out);
    }
    // The JSON waves are info's, each with its seconds.
    nlohmann::json snare = nlohmann::json::parse(r.out)["waves"][2];
    snare["seconds"] = 0.005;
    EXPECT_EQ(nlohmann::json::parse(cliOut({"list", dir.path(), "--json", "--category", "SNARE"})),
              nlohmann::json({{"volume", dir.path()}, {"waves", {snare}}}));
    EXPECT_EQ(cliRun({"list", dir.path(), "--sort", "size"}).status, 2);
    EXPECT_EQ(cliRun({"list", dir.path(), "--category", "NOPE"}).status, 1);

    // Files the read-only scan notes on stderr, changing nothing.
    std::string orphan = card.addWave(9, "GONE", "GONE.wav", 0, false);
    testWriteFile(card.prm(0) + "10.kvb", testWavePrmText("BAD", "00/../../x.wav", 0));
    testWriteFile(card.prm(0) + "11.kvb", "<WvPrm>");
    auto before = testTreeSnapshot(dir.path());
    for (const auto &args : {std::vector<std::string>{"info", dir.path(), "--json"}, {"info", dir.path()}}) {
        r = cliRun(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("kvbrt: " + orphan + ": orphan parameter file"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(card.prm(0) + "10.kvb: damaged parameter file"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(card.prm(0) + "11.kvb: damaged parameter file"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
        cliOut({"list", dir.path()});
        EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    }
    EXPECT_NE(r.out.find("waves       3 (highest number 101)"), std::string::npos) << r.out;
    // Shown in the device's display order (the higher order key first), not the file's.
    EXPECT_NE(r.out.find("categories  3: SNARE (1) DEFAULT (1) KICK (1)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("kits        100, 1 with a kit file"), std::string::npos) << r.out;
}

// The folders made and the maker folder's spelling are the storage layer's;
// the command prints the device folder and leaves a card that reads.
TEST(CliInit, NothingIsACardUntilInitSetsOneUpInTheMakerFolderThatIsThereAndACardOrAFolderInOneIsRefused) {
    ScratchDir dir;
    testWriteFile(dir / "file", "x");
    const std::pair<std::string, const char *> noCards[] = {
        {dir.path(), "no device folder"}, {dir / "absent", "No such file"}, {dir / "file", "not a folder"}};
    for (const auto &[volume, reason] : noCards)
        for (const char *command : {"info", "list", "check", "duplicates"})
            EXPECT_TRUE(cliRefused({command, volume}, 1, reason));
    EXPECT_EQ(cliRun({"check"}).status, 2);

    EXPECT_EQ(cliOut({"init", dir.path()}), dir.path() + "/Korvan/KVB-RT/\n");
    TestCard card(dir.path());
    EXPECT_EQ(testReadFile(card.system() + "tag_list.kvb"), testTagListText({{"DEFAULT", 0}}));
    EXPECT_EQ(testListDir(card.device()), (std::vector<std::string>{"KIT", "SYSTEM", "WAVE"}));
    EXPECT_NE(cliOut({"info", dir.path()}).find("categories  1: DEFAULT (0)"), std::string::npos);

    ScratchDir other;
    testMakeDirs(other / "korvan");
    testMakeDirs(other / "Korvan.bak/KVB-RT");  // not the maker folder
    EXPECT_EQ(cliOut({"init", other.path()}), other.path() + "/korvan/KVB-RT/\n");
    EXPECT_EQ(testListDir(other.path()), (std::vector<std::string>{"Korvan.bak", "korvan"}));
    EXPECT_EQ(cliRun({"init", dir / "absent"}).status, 1);

    // A card already set up, in either case, or a folder inside one (where the
    // hint to run init would make a second tree the device never reads): refused,
    // nothing changed.
    const std::pair<std::string, const char *> cases[] = {
        {"", "a device folder is already there"},
        {"korvan", "a device folder is already there"},
        {"Korvan", "inside the device tree of the card at "},
        {"Korvan/KVB-RT/WAVE/DATA", "inside the device tree of the card at "},
        {"Korvan/other", "inside the device tree of the card at "},
    };
    for (const auto &[inside, reason] : cases) {
        ScratchDir each;
        bool lower = inside == "korvan";
        TestCard::withTree(each.path(), lower ? TestTreeNames{"korvan", "kvb-rt"} : TestTreeNames{}).addWave(3, "A", "A.wav");
        std::string path = lower || inside.empty() ? each.path() : each / inside;
        testMakeDirs(path);
        auto before = testTreeSnapshot(each.path());
        EXPECT_TRUE(cliRefused({"init", path}, 1, std::string(reason) + (*reason == 'i' ? each.path() + "/" : "")));
        EXPECT_TRUE(testTreeSnapshot(each.path()) == before) << inside;
    }
}

}  // namespace
