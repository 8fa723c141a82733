// `kvbrt volumes`, run in-process.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_run.h"
#include "support/card.h"
#include "support/test_util.h"

namespace {

// The JSON document lists the volumes the text does; a mount holding a device
// tree is marked, and a bind mount of a folder holding a file of that name is
// not. Mounting needs root: without it only the listing is compared.
TEST(CliVolumes, JsonIsOneArrayWithTheSameVolumesAsTextAndMarksDeviceTrees) {
    ScratchDir dir;
    std::string card = dir / "card with space", plain = dir / "plain", bound = dir / "bound";
    for (const std::string &d : {card, plain, bound}) ASSERT_EQ(mkdir(d.c_str(), 0755), 0);
    ScratchMount tmpfs(card, "kvbtest", "tmpfs", 0);
    // The device writes the names in upper case; any case must be found.
    ASSERT_TRUE(!tmpfs.ok() || testMakeDirs(card + "/KORVAN/kvb-rt"));
    ASSERT_TRUE(testWriteFile(plain + "/Korvan", "a file, not a folder"));
    ScratchMount bind(bound, plain.c_str(), nullptr, MS_BIND);

    // Other tests mount and unmount scratch file systems in parallel: compare
    // only a JSON document taken while the text listing stayed the same.
    CliResult text{}, json{};
    for (int tries = 0; tries < 20; ++tries) {
        text = cliRun({"volumes"});
        json = cliRun({"volumes", "--json"});
        if (cliRun({"volumes"}).out == text.out) break;
    }
    ASSERT_EQ(text.status, 0) << text.err;
    ASSERT_EQ(json.status, 0) << json.err;
    nlohmann::json doc = nlohmann::json::parse(json.out), cardEntry, boundEntry;
    ASSERT_TRUE(doc.is_array());
    EXPECT_EQ(doc.size(), static_cast<size_t>(std::count(text.out.begin(), text.out.end(), '\n')));
    for (const nlohmann::json &v : doc) {
        // Paths end without a slash (the root alone is "/").
        std::string path = v["path"];
        EXPECT_TRUE(path == "/" || path.back() != '/') << path;
        EXPECT_TRUE(v["device_folder"].is_boolean()) << v;
        if (path == card) cardEntry = v;
        if (path == bound) boundEntry = v;
    }

    if (!tmpfs.ok() || !bind.ok()) GTEST_SKIP() << "mount refused here: " << tmpfs.why() << bind.why();
    ASSERT_FALSE(cardEntry.is_null()) << json.out;
    EXPECT_EQ(cardEntry["name"], "card with space");
    EXPECT_EQ(cardEntry["fs"], "tmpfs");
    EXPECT_EQ(cardEntry["device_folder"], true);
    EXPECT_GT(cardEntry["total_bytes"], 0);
    ASSERT_FALSE(boundEntry.is_null()) << json.out;
    EXPECT_EQ(boundEntry["device_folder"], false);
    EXPECT_NE(text.out.find("card with space\t" + card + "\ttmpfs\t"), std::string::npos) << text.out;
}

}  // namespace
