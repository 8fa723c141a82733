// `kvbrt demo`: the card it writes scans into the planned library, holds the
// synthesiser's sounds unchanged, is the same bytes on every run, and a
// folder that is not empty is refused untouched.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "cli/cli_text.h"
#include "cli_run.h"
#include "support/test_util.h"
#include "transfer/synth.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

// The commands load the string table for their messages; it is given back
// after each test, so the block count comes out even.
class CliDemo : public testing::Test {
protected:
    void TearDown() override { cliTextTerm(); }
};

std::string name(const char *bytes, size_t length) { return std::string(bytes, strnlen(bytes, length)); }

TEST_F(CliDemo, CardScansIntoThePlannedLibraryWithTheSoundsUnchanged) {
    ScratchDir dir, tmp;
    ScopedEnv env("TMPDIR", tmp.path().c_str());
    const std::string card = dir / "card";  // absent: demo makes it
    CliResult r = cliRun({"demo", card});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(testListDir(tmp.path()).empty()) << "the rendered sounds are removed";

    sWaveList *list = waveListCreateFromStorageWindowOpen(card.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->storage->notes.first, nullptr) << "the scan found nothing to report";
    ASSERT_EQ(waveListWaveCount(list), synthSoundCount());

    // Categories in the order made, with their members.
    std::map<std::string, int> members;
    std::string order;
    for (auto *t = static_cast<const sTag *>(list->tags.first); t; t = t->next) {
        order += name(t->name, kTagNameLen) + " ";
        members[name(t->name, kTagNameLen)] = waveTagHadWaveCount(t);
    }
    EXPECT_EQ(order, "DEFAULT KICK SNARE CYMBAL PERC BASS SYNTH FX ");
    EXPECT_EQ(members, (std::map<std::string, int>{{"DEFAULT", 3}, {"KICK", 3}, {"SNARE", 6}, {"CYMBAL", 5},
                                                   {"PERC", 5}, {"BASS", 3}, {"SYNTH", 5}, {"FX", 2}}));

    // Waves numbered in import order, each file the synthesiser's bytes.
    for (int i = 0; i < synthSoundCount(); ++i) {
        const sWave *w = waveListFindWaveNumber(list, i);
        ASSERT_NE(w, nullptr) << i;
        std::string file = synthSoundFileName(i);
        EXPECT_EQ(name(w->name, kWaveNameLen), file.substr(0, file.size() - 4));
        const sStorageWavePrm *node = wstorageFindWavePrm(list->storage, i);
        ASSERT_NE(node, nullptr);
        size_t size = 0;
        uint8_t *bytes = synthRenderWave(i, &size);
        EXPECT_EQ(testReadFile(node->audioPath), std::string(reinterpret_cast<char *>(bytes), size)) << file;
        synthFreeWave(bytes);
    }

    // Three kits with files, named, pads pointing at existing waves.
    EXPECT_EQ(waveListKitFileCount(list), 3);
    const char *kitNames[] = {"Acoustic", "Electro", "Tones"};
    for (int k = 0; k < 3; ++k) {
        const sKit *kit = waveListKitPtr(list, k);
        EXPECT_TRUE(kit->isFile);
        EXPECT_EQ(name(kit->name, kKitNameLen), kitNames[k]);
        int set = 0;
        for (auto *n = static_cast<const sListItem *>(kit->pads.first); n; n = n->next) {
            auto *pad = static_cast<const sPad *>(n->item);
            if (pad->waveNumber >= 0) {
                ++set;
                EXPECT_NE(waveListFindWaveNumber(list, pad->waveNumber), nullptr);
            }
            if (pad->subWaveNumber >= 0) {
                EXPECT_NE(waveListFindWaveNumber(list, pad->subWaveNumber), nullptr);
            }
        }
        EXPECT_GE(set, 12) << kitNames[k];
    }
    // Pad 1 of the first kit plays the first kick.
    auto *first = static_cast<const sListItem *>(waveListKitPtr(list, 0)->pads.first);
    EXPECT_EQ(static_cast<const sPad *>(first->item)->waveNumber, 0);
    waveListDispose(list);

    for (const char *listFile : {"wavelist_name.kvb", "wavelist_tagname.kvb", "wavelist_tagnum.kvb"})
        EXPECT_TRUE(testExists(card + "/Korvan/KVB-RT/SYSTEM/" + listFile)) << listFile;
    for (const auto &[path, bytes] : testTreeSnapshot(card))
        EXPECT_EQ(path.find("/."), std::string::npos) << "no temporary file left: " << path;
    CliResult check = cliRun({"check", card});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
}

TEST_F(CliDemo, TwoRunsGiveTheSameBytesInEveryFile) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "b");  // an empty folder is taken like an absent one
    ASSERT_EQ(cliRun({"demo", dir / "a"}).status, 0);
    ASSERT_EQ(cliRun({"demo", dir / "b"}).status, 0);
    auto a = testTreeSnapshot(dir / "a"), b = testTreeSnapshot(dir / "b");
    EXPECT_GT(a.size(), 70u);
    EXPECT_TRUE(a == b);
}

TEST_F(CliDemo, RefusesAFolderInUseAndTouchesNothing) {
    struct Case {
        const char *label;
        void (*setUp)(const std::string &target);
        int status;
    };
    const Case cases[] = {
        {"folder with a file", [](const std::string &t) { testWriteFile(t + "/mine.txt", "keep"); }, 1},
        {"folder with only a hidden file", [](const std::string &t) { testWriteFile(t + "/.x", ""); }, 1},
        {"a plain file", [](const std::string &t) { std::filesystem::remove(t), testWriteFile(t, "keep"); }, 1},
        {"parent folder missing", [](const std::string &t) { std::filesystem::remove(t); }, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        ScratchDir dir;
        std::string target = dir / "card";
        std::filesystem::create_directory(target);
        c.setUp(target);
        if (std::string(c.label) == "parent folder missing") target = dir / "none/card";
        auto before = testTreeSnapshot(dir.path());
        CliResult r = cliRun({"demo", target});
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(target), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(testTreeSnapshot(dir.path()) == before);
    }
    EXPECT_EQ(cliRun({"demo"}).status, 2);
}

}  // namespace
