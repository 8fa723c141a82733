// `kvbrt volumes`, run in-process.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "cli/cli.h"
#include "cli_run.h"
#include "support/test_util.h"

namespace {

using CliRun = CliResult;
const auto kvbrt = cliRun;

size_t countOf(const std::string &text, const std::string &part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
    return n;
}

TEST(CliVolumes, JsonIsOneArrayWithTheSameVolumesAsText) {
    // Other tests mount and unmount scratch file systems in parallel: compare
    // only a JSON document taken while the text listing stayed the same.
    CliRun text{}, json{};
    for (int tries = 0; tries < 20; ++tries) {
        text = kvbrt({"volumes"});
        json = kvbrt({"volumes", "--json"});
        if (kvbrt({"volumes"}).out == text.out) break;
    }
    ASSERT_EQ(text.status, 0) << text.err;
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.front(), '[');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "]\n");
    size_t lines = countOf(text.out, "\n");
    EXPECT_EQ(countOf(json.out, "{\"name\":"), lines);
    EXPECT_EQ(countOf(json.out, "\"device_folder\":"), lines);
    EXPECT_EQ(countOf(json.out, "/\",\"fs\""), json.out.find("\"path\":\"/\",") != std::string::npos ? 1u : 0u)
        << "paths end without a slash (the root alone is \"/\")";
}

// A mount of our own, taken down again whatever happens.
class ScratchMount {
public:
    ScratchMount(const std::string &target, const char *source, const char *type, unsigned long flags) {
        ok_ = mount(source, target.c_str(), type, flags, nullptr) == 0;
        if (!ok_) why_ = std::strerror(errno);
        target_ = target;
    }
    ~ScratchMount() {
        if (ok_) umount2(target_.c_str(), MNT_DETACH);
    }
    bool ok() const { return ok_; }
    const std::string &why() const { return why_; }

private:
    bool ok_ = false;
    std::string why_, target_;
};

std::string entryFor(const std::string &json, const std::string &path) {
    size_t at = json.find("\"path\":\"" + path + "\"");
    if (at == std::string::npos) return "";
    size_t start = json.rfind('{', at), end = json.find('}', at);
    return json.substr(start, end - start + 1);
}

TEST(CliVolumes, MountHoldingADeviceTreeIsMarked) {
    if (!testIsRoot()) GTEST_SKIP() << "mounting a tmpfs needs root";
    ScratchDir dir;
    std::string card = dir / "card with space";
    std::string plain = dir / "plain";
    std::string bound = dir / "bound";
    ASSERT_EQ(mkdir(card.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(plain.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(bound.c_str(), 0755), 0);
    ScratchMount tmpfs(card, "kvbtest", "tmpfs", 0);
    if (!tmpfs.ok()) GTEST_SKIP() << "mount refused here: " << tmpfs.why();
    // The device writes the names in upper case; any case must be found.
    ASSERT_EQ(mkdir((card + "/KORVAN").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((card + "/KORVAN/kvb-rt").c_str(), 0755), 0);
    ASSERT_TRUE(testWriteFile(plain + "/Korvan", "a file, not a folder"));
    ScratchMount bind(bound, plain.c_str(), nullptr, MS_BIND);
    ASSERT_TRUE(bind.ok()) << bind.why();

    CliRun json = kvbrt({"volumes", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    std::string cardEntry = entryFor(json.out, card);
    ASSERT_FALSE(cardEntry.empty()) << json.out;
    EXPECT_NE(cardEntry.find("\"name\":\"card with space\""), std::string::npos) << cardEntry;
    EXPECT_NE(cardEntry.find("\"fs\":\"tmpfs\""), std::string::npos) << cardEntry;
    EXPECT_NE(cardEntry.find("\"device_folder\":true"), std::string::npos) << cardEntry;
    EXPECT_EQ(cardEntry.find("\"total_bytes\":0,"), std::string::npos) << cardEntry;
    std::string boundEntry = entryFor(json.out, bound);
    ASSERT_FALSE(boundEntry.empty()) << json.out;
    EXPECT_NE(boundEntry.find("\"device_folder\":false"), std::string::npos) << boundEntry;

    CliRun text = kvbrt({"volumes"});
    EXPECT_NE(text.out.find("card with space\t" + card + "\ttmpfs\t"), std::string::npos) << text.out;
}

}  // namespace
