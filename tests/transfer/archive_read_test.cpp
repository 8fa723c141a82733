// The archive reader: every damaged or hostile archive is refused before
// anything is written, archives of other tar programs restore, and no failure
// leaves a partial file under a real name.
#include <gtest/gtest.h>

#include "foundation/fault.h"
#include "transfer/archive.h"
#include "transfer/archive_support.h"

namespace {

const std::string kGood = testTarEntry("/KVB-RT/SYSTEM/tag_list.kvb", testBytes(1000, 1)) +
                          testTarEntry("/KVB-RT/WAVE/a.wav", testBytes(512, 2)) +
                          testTarEntry("/KVB-RT/WAVE/b.wav", "") + testTarEnd();

// A card that must come out of a refused restore unchanged.
void makeCard(const std::string &base) {
    testPut(base, "KVB-RT/SYSTEM/tag_list.kvb", "old list");
    testPut(base, "KVB-RT/WAVE/a.wav", "old wave");
    testPut(base, "KVB-RT/notes.txt", "mine");
}

int extract(const std::string &base, const std::string &archive, std::string *error = nullptr) {
    CFileTarExtract x;
    int r = x.Extract(base.c_str(), archive.c_str());
    if (error) *error = x.GetError();
    return r;
}

TEST(ArchiveRead, RestoresOurArchiveAndCountsItAndAnEmptyOneRestoresNothing) {
    // Other programs sum the checksum of a name of non-ASCII bytes as signed bytes.
    std::string name = "/\xE3\x82\xAD.wav", signedSum = testTarHeader(name, '0', 0, true) + testTarEnd();
    ASSERT_NE(signedSum.substr(0, 512), testTarHeader(name, '0', 0, false));
    sTarVerifyInfo info;
    EXPECT_EQ(tarVerifyMemory(signedSum.data(), signedSum.size(), &info), 0) << info.error;

    ScratchDir dir;
    testWriteFile(dir / "a.kvb", kGood);
    ASSERT_EQ(tarVerifyFile((dir / "a.kvb").c_str(), nullptr, &info), 0) << info.error;
    EXPECT_EQ(info.files, 3);
    EXPECT_EQ(info.folders, 0);
    EXPECT_EQ(info.bytes, 1512u);
    makeCard(dir / "Korvan");
    ASSERT_EQ(extract(dir / "Korvan", dir / "a.kvb"), 1);
    EXPECT_EQ(testTreeSnapshot(dir / "Korvan"),
              (std::map<std::string, std::string>{
                  {"/KVB-RT", "<folder>"}, {"/KVB-RT/SYSTEM", "<folder>"}, {"/KVB-RT/WAVE", "<folder>"},
                  {"/KVB-RT/SYSTEM/tag_list.kvb", testBytes(1000, 1)}, {"/KVB-RT/WAVE/a.wav", testBytes(512, 2)},
                  {"/KVB-RT/WAVE/b.wav", ""}, {"/KVB-RT/notes.txt", "mine"}}));
    // One of only end blocks, padded as tar programs pad, restores nothing.
    testWriteFile(dir / "a.kvb", testTarEnd() + std::string(8192, '\0'));
    ASSERT_EQ(extract(dir / "base", dir / "a.kvb"), 1);
    EXPECT_TRUE(testListDir(dir / "base").empty());
}

struct Hostile {
    std::string label;
    std::string bytes;
    const char *why;  // a piece of the error text
};

TEST(ArchiveRead, HostileArchivesAreRefusedBeforeAnythingIsWritten) {
    std::string flipped = kGood;
    flipped[20] ^= 0x01;
    std::string badDigits = kGood;
    badDigits[150] = '9';
    const std::string x = "x" + std::string(511, '\0');
    std::vector<Hostile> all = {
        {"dot-dot", testTarEntry("/KVB-RT/../../evil.wav", "x") + testTarEnd(), ".."},
        {"dot-dot alone", testTarEntry("..", "", '5') + testTarEnd(), ".."},
        {"absolute", testTarEntry("//etc/evil.wav", "x") + testTarEnd(), "absolute"},
        {"symbolic link", testTarEntry("/KVB-RT/link", "", '2') + testTarEnd(), "symbolic link"},
        {"hard link", testTarEntry("/KVB-RT/hard", "", '1') + testTarEnd(), "hard link"},
        {"device", testTarEntry("/KVB-RT/dev", "", '3') + testTarEnd(), "device"},
        {"fifo", testTarEntry("/KVB-RT/fifo", "", '6') + testTarEnd(), "pipe"},
        {"extension without entry", testTarEntry("././@LongLink", "x", 'L') + testTarEnd(), "without its entry"},
        {"long link name", testTarEntry("././@LongLink", "x", 'K') + testTarEnd(), "long link name"},
        {"extended path with ..", testTarEntry("pax", "17 path=../x.wav\n", 'x') + testTarEntry("a.wav", "") + testTarEnd(),
         ".."},
        {"long name with ..", testTarEntry("././@LongLink", "a/../../x.wav", 'L') + testTarEntry("a.wav", "") +
                                  testTarEnd(), ".."},
        {"damaged extended header", testTarEntry("pax", "99 path=x\n", 'x') + testTarEntry("a.wav", "") + testTarEnd(),
         "damaged extended"},
        {"extended size past the end", testTarEntry("pax", "15 size=999999\n", 'x') + testTarEntry("a.wav", "") +
                                           testTarEnd(), "past the end"},
        {"good then link", kGood.substr(0, 2560) + testTarEntry("/x", "", '2') + testTarEnd(), "entry 3"},
        {"bad checksum", flipped, "checksum"},
        {"unreadable checksum", badDigits, "checksum"},
        {"no name", testTarEntry("", "x") + testTarEnd(), "no name"},
        {"size past the end", testTarHeader("/a.wav", '0', 1, false, "00000077777") + x + testTarEnd(), "past the end"},
        {"size not octal", testTarHeader("/a.wav", '0', 1, false, "0000000x001") + x + testTarEnd(), "size"},
        {"missing end blocks", kGood.substr(0, kGood.size() - 1024), "without its end blocks"},
        {"one end block", kGood.substr(0, kGood.size() - 512), "only one end block"},
        {"garbage after the end", kGood + std::string(511, '\0') + "G", "after its end"},
        {"data in second end block", kGood.substr(0, kGood.size() - 512) + std::string(511, '\0') + "x", "second end"},
        {"empty file", "", "without its end blocks"},
        {"file then folder", testTarEntry("/KVB-RT/a", "x") + testTarEntry("/KVB-RT/a/b.wav", "y") + testTarEnd(),
         "earlier entry put a file"},
        {"folder then file", testTarEntry("/KVB-RT/a/b.wav", "y") + testTarEntry("/KVB-RT/a", "x") + testTarEnd(),
         "earlier entry made a folder"},
        {"folder entry then file", testTarEntry("/KVB-RT/d/", "", '5') + testTarEntry("/KVB-RT/d", "x") + testTarEnd(),
         "earlier entry made a folder"},
    };
    // Cut anywhere: inside a header, inside data, at a block's edge.
    for (size_t cut = 100; cut < kGood.size(); cut += (cut % 512 == 0) ? 100 : 412)
        all.push_back({"cut at " + std::to_string(cut), kGood.substr(0, cut), ""});
    for (const auto &h : all) {
        SCOPED_TRACE(h.label);
        ScratchDir dir;
        testWriteFile(dir / "a.kvb", h.bytes);
        makeCard(dir / "Korvan");
        auto before = testTreeSnapshot(dir.path());
        sTarVerifyInfo info;
        EXPECT_EQ(extract(dir / "missing", dir / "a.kvb"), 0);
        EXPECT_EQ(tarVerifyMemory(h.bytes.data(), h.bytes.size(), &info), -1);
        EXPECT_NE(std::string(info.error).find(h.why), std::string::npos) << info.error;
        std::string error;
        EXPECT_EQ(extract(dir / "Korvan", dir / "a.kvb", &error), 0);
        EXPECT_EQ(error, info.error);
        EXPECT_EQ(testTreeSnapshot(dir.path()), before);
    }
}

// kGood and a file of many copy buffers.
const std::string kWithBig = kGood.substr(0, kGood.size() - 1024) +
                             testTarEntry("/KVB-RT/WAVE/big.wav", testBytes((1u << 20) + 3, 9)) + testTarEnd();

// After any failure every card file is either its old self or complete, and
// no temporary file is left behind.
void expectWholeFiles(const std::string &base) {
    for (const auto &[rel, data] : testTreeSnapshot(base)) {
        if (data == "<folder>") continue;
        if (rel == "/KVB-RT/SYSTEM/tag_list.kvb")
            EXPECT_TRUE(data == "old list" || data == testBytes(1000, 1)) << rel;
        else if (rel == "/KVB-RT/WAVE/a.wav")
            EXPECT_TRUE(data == "old wave" || data == testBytes(512, 2)) << rel;
        else if (rel == "/KVB-RT/WAVE/big.wav")
            EXPECT_EQ(data, testBytes((1u << 20) + 3, 9)) << rel;
        else
            EXPECT_TRUE(rel == "/KVB-RT/notes.txt" || rel == "/KVB-RT/WAVE/b.wav") << rel;
    }
}

TEST(ArchiveRead, EveryFailingStepLeavesOnlyWholeFiles) {
    bool completed = false;
    for (long n = 1; n < 300 && !completed; ++n) {
        SCOPED_TRACE(n);
        ScratchDir dir;
        testWriteFile(dir / "a.kvb", kWithBig);
        makeCard(dir / "Korvan");
        rliFaultFileArm(n, ENOSPC, false);
        std::string error;
        int r = extract(dir / "Korvan", dir / "a.kvb", &error);
        bool fired = rliFaultFileFired();
        rliFaultFileArm(0, 0, false);
        EXPECT_EQ(r, fired ? 0 : 1);
        EXPECT_TRUE(!fired || !error.empty());
        expectWholeFiles(dir / "Korvan");
        completed = !fired;
    }
    EXPECT_TRUE(completed);
}

}  // namespace
