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

std::string padsJson(const std::vector<std::pair<int, int>> &pads) {
    std::string out = "[";
    for (size_t i = 0; i < 15; ++i) {
        int w = i < pads.size() ? pads[i].first : -1, s = i < pads.size() ? pads[i].second : -1;
        out += std::string(i ? "," : "") + "{\"wave\":" + std::to_string(w) + ",\"subwave\":" + std::to_string(s) + "}";
    }
    return out + "]";
}

std::string waveJson(int number, const std::string &name, const std::string &hex, const std::string &tag, int index,
                     const std::string &file) {
    return "{\"number\":" + std::to_string(number) + ",\"name\":\"" + name + "\",\"name_hex\":\"" + hex +
           "\",\"category\":\"" + tag + "\",\"category_index\":" + std::to_string(index) + ",\"file\":\"" + file +
           "\",\"size\":" + std::to_string(testWavBytes(100 + number).size()) +
           ",\"rate\":44100,\"bits\":16,\"channels\":1}";
}

// The card of the JSON test: DEFAULT added in front of SNARE and KICK.
TestCard exampleCard(const std::string &root) {
    TestCard card = TestCard::withTree(root);
    card.writeCategories({{"SNARE", 1}, {"KICK", 0}});
    card.addWave(5, "KICK", "KICK.wav", 1);
    card.addWave(101, "SN", "SN.wav", 0);
    card.addWave(7, "X\"\x82\xA0", "X.wav", 5);
    card.writeKit("kit003.kvb", "Rock", "Sub", {{5, -1}, {101, 7}});
    return card;
}

TEST(CliInfo, JsonDocument) {
    ScratchDir dir;
    exampleCard(dir.path());
    CliResult r = cliRun({"info", dir.path(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The sizes of the file system vary; they are checked for sense and taken over.
    size_t at = r.out.find("\"free_bytes\":"), mid = r.out.find(",\"total_bytes\":"), end = r.out.find(",\"waves\"");
    ASSERT_TRUE(at != std::string::npos && mid != std::string::npos && end != std::string::npos) << r.out;
    std::string freeBytes = r.out.substr(at + 13, mid - at - 13), total = r.out.substr(mid + 15, end - mid - 15);
    EXPECT_LE(std::stoull(freeBytes), std::stoull(total));
    EXPECT_GT(std::stoull(total), 0u);
    std::string expected = "{\"volume\":\"" + dir.path() + "\",\"free_bytes\":" + freeBytes +
                           ",\"total_bytes\":" + total + ",\"waves\":[" +
                           waveJson(5, "KICK", "4b49434b", "KICK", 2, "00/KICK.wav") + "," +
                           waveJson(7, "X\\\"あ", "582282a0", "DEFAULT", 0, "00/X.wav") + "," +
                           waveJson(101, "SN", "534e", "SNARE", 1, "01/SN.wav") + "],\"categories\":[" +
                           "{\"name\":\"DEFAULT\",\"name_hex\":\"44454641554c54\",\"order\":0,\"position\":2,\"waves\":[7]}," +
                           "{\"name\":\"SNARE\",\"name_hex\":\"534e415245\",\"order\":1,\"position\":1,\"waves\":[101]}," +
                           "{\"name\":\"KICK\",\"name_hex\":\"4b49434b\",\"order\":0,\"position\":3,\"waves\":[5]}],\"kits\":[";
    for (int k = 0; k < 100; ++k) {
        bool file = k == 3;
        expected += std::string(k ? "," : "") + "{\"number\":" + std::to_string(k) + ",\"name\":\"" +
                    (file ? "Rock" : "New Kit ") + "\",\"subname\":\"" + (file ? "Sub" : "") +
                    "\",\"has_file\":" + (file ? "true" : "false") + ",\"pads\":" +
                    padsJson(file ? std::vector<std::pair<int, int>>{{5, -1}, {101, 7}} : std::vector<std::pair<int, int>>{}) +
                    "}";
    }
    expected += "]}\n";
    EXPECT_EQ(r.out, expected);
}

TEST(CliInfo, ReadOnlyScanReportsAndChangesNothing) {
    ScratchDir dir;
    TestCard card = exampleCard(dir.path());
    std::string orphan = card.addWave(9, "GONE", "GONE.wav", 0, false);
    testWriteFile(card.prm(0) + "10.kvb", testWavePrmText("BAD", "00/../../x.wav", 0));
    testWriteFile(card.prm(0) + "11.kvb", "<WvPrm>");
    auto before = testTreeSnapshot(dir.path());
    for (const char *json : {"--json", ""}) {
        std::vector<std::string> args{"info", dir.path()};
        if (*json) args.push_back(json);
        CliResult r = cliRun(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("kvbrt: " + orphan + ": orphan parameter file"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(card.prm(0) + "10.kvb: damaged parameter file"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(card.prm(0) + "11.kvb: damaged parameter file"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
        CliResult l = cliRun({"list", dir.path()});
        EXPECT_EQ(l.status, 0);
        EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    }
    CliResult summary = cliRun({"info", dir.path()});
    EXPECT_NE(summary.out.find("waves       3 (highest number 101)"), std::string::npos) << summary.out;
    // Shown in the device's display order (the higher order key first), not the file's.
    EXPECT_NE(summary.out.find("categories  3: SNARE (1) DEFAULT (1) KICK (1)"), std::string::npos) << summary.out;
    EXPECT_NE(summary.out.find("kits        100, 1 with a kit file"), std::string::npos) << summary.out;
}

TEST(CliInfo, CardsThatCannotBeRead) {
    ScratchDir dir;
    testWriteFile(dir / "file", "x");
    struct Case {
        std::string volume;
        const char *reason;
    };
    const Case cases[] = {{dir.path(), "no device folder"}, {dir / "absent", "No such file"}, {dir / "file", "not a folder"}};
    for (const Case &c : cases)
        for (const char *command : {"info", "list", "check", "duplicates"}) {
            CliResult r = cliRun({command, c.volume});
            EXPECT_EQ(r.status, 1) << command << " " << c.volume;
            EXPECT_EQ(r.out, "") << command;
            EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        }
    EXPECT_EQ(cliRun({"check"}).status, 2);
}

TEST(CliList, OrdersCategoriesAndJson) {
    ScratchDir dir;
    exampleCard(dir.path());
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
        CliResult r = cliRun(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, out);
    }
    // The JSON waves are info's, each with its seconds.
    nlohmann::json info = nlohmann::json::parse(cliRun({"info", dir.path(), "--json"}).out), wave = info["waves"][2];
    wave["seconds"] = 0.005;
    CliResult json = cliRun({"list", dir.path(), "--json", "--category", "SNARE"});
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json({{"volume", dir.path()}, {"waves", {wave}}})) << json.out;
    EXPECT_EQ(cliRun({"list", dir.path(), "--sort", "size"}).status, 2);
    EXPECT_EQ(cliRun({"list", dir.path(), "--category", "NOPE"}).status, 1);
}

TEST(CliInit, SetsUpAnEmptyCard) {
    ScratchDir dir;
    CliResult r = cliRun({"init", dir.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir.path() + "/Korvan/KVB-RT/\n");
    TestCard card(dir.path());
    EXPECT_EQ(testReadFile(card.system() + "tag_list.kvb"), testTagListText({{"DEFAULT", 0}}));
    EXPECT_EQ(testListDir(card.device()), (std::vector<std::string>{"KIT", "SYSTEM", "WAVE"}));
    EXPECT_EQ(testListDir(card.device() + "WAVE"), (std::vector<std::string>{"DATA", "PRM"}));
    EXPECT_TRUE(testListDir(card.kit()).empty());
    EXPECT_EQ(testListDir(card.system()), std::vector<std::string>{"tag_list.kvb"});
    CliResult info = cliRun({"info", dir.path()});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("categories  1: DEFAULT (0)"), std::string::npos) << info.out;
}

TEST(CliInit, RefusesACardWithADeviceFolderAndChangesNothing) {
    for (TestTreeNames names : {TestTreeNames{}, TestTreeNames{"korvan", "kvb-rt"}}) {
        ScratchDir dir;
        TestCard card = TestCard::withTree(dir.path(), names);
        card.addWave(3, "A", "A.wav");
        auto before = testTreeSnapshot(dir.path());
        CliResult r = cliRun({"init", dir.path()});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("a device folder is already there"), std::string::npos) << r.err;
        EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    }
}

TEST(CliInit, UsesTheMakerFolderFoundInAnotherCase) {
    ScratchDir dir;
    testMakeDirs(dir / "korvan");
    testMakeDirs(dir / "Korvan.bak/KVB-RT");  // not the maker folder
    CliResult r = cliRun({"init", dir.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir.path() + "/korvan/KVB-RT/\n");
    EXPECT_EQ(testListDir(dir.path()), (std::vector<std::string>{"Korvan.bak", "korvan"}));
    EXPECT_EQ(cliRun({"init", dir / "absent"}).status, 1);
}

// Followed for a folder inside a card, the hint to run init would make a
// second device tree the device never reads; init names the card's root.
TEST(CliInit, RefusesAFolderInsideADeviceTree) {
    ScratchDir dir;
    TestCard(dir.path()).makeTree();
    for (const char *inside : {"Korvan", "Korvan/KVB-RT", "Korvan/KVB-RT/WAVE/DATA", "Korvan/other"}) {
        testMakeDirs(dir / inside);
        auto before = testTreeSnapshot(dir.path());
        CliResult r = cliRun({"init", dir / inside});
        EXPECT_EQ(r.status, 1) << inside;
        EXPECT_NE(r.err.find("inside the device tree of the card at " + dir.path() + "/"), std::string::npos) << r.err;
        EXPECT_TRUE(testTreeSnapshot(dir.path()) == before) << inside;
    }
}

}  // namespace
