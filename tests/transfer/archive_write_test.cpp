// The archive writer: exact bytes, the walk's choice of files, safe
// replacement of an older archive, and what other tar programs make of it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include "foundation/fault.h"
#include "transfer/archive.h"
#include "transfer/archive_support.h"

namespace {

int save(const std::string &archive, const std::string &base, std::string *error = nullptr,
         const sTarHooks *hooks = nullptr, int total = 10) {
    char text[kTarErrorMax];
    int r = tarBackupSave(archive.c_str(), base.c_str(), total, hooks, text, sizeof text);
    if (error) *error = text;
    return r;
}

TEST(ArchiveLayout, EveryFileIsAHeaderAndPaddedDataWithTwoEndBlocks) {
    ScratchDir dir;
    // Data of part of a block, none, one exact block, several and a byte.
    const size_t sizes[] = {1000, 0, 512, 3 * 512 + 1, 1};
    std::map<std::string, std::string> content;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        std::string name = "/f" + std::to_string(i) + ".wav";
        content[name] = testBytes(sizes[i], static_cast<unsigned>(i + 1));
        testPut(dir / "card", name.substr(1), content[name]);
    }
    ASSERT_EQ(save(dir / "a.kvb", dir / "card"), 0);
    // In whatever order the walk took them, each as the format's table lays it out.
    std::string bytes = testReadFile(dir / "a.kvb"), expected;
    std::vector<std::string> names = testTarNames(bytes);
    EXPECT_EQ(names.size(), std::size(sizes));
    for (const auto &name : names) expected += testTarEntry(name, content.at(name));
    EXPECT_EQ(bytes, expected + testTarEnd());
    // An empty folder gives the end blocks alone.
    std::filesystem::create_directories(dir / "empty");
    ASSERT_EQ(save(dir / "b.kvb", dir / "empty"), 0);
    EXPECT_EQ(testReadFile(dir / "b.kvb"), testTarEnd());
}

TEST(ArchiveWalk, TakesTheFourCardExtensionsSkipsHiddenFoldersAndTemporaryFilesAndRefusesTooLongANames) {
    ScratchDir dir;
    std::string card = dir / "Korvan";
    std::string longest = "/" + std::string(94, 'a') + ".wav";  // 99 bytes: the longest that fits
    for (const char *rel : {"KVB-RT/WAVE/.hidden.wav", "KVB-RT/WAVE/KICK.WAV", "KVB-RT/WAVE/snare.Aiff",
                            "KVB-RT/WAVE/hat.aif", "KVB-RT/SYSTEM/tag_list.kvb", "KVB-RT/notes.txt",
                            ".Trashes/lost.wav", "KVB-RT/.restore/x.kvb", "KVB-RT/WAVE/.a.wav.Ab12Cd.tmp",
                            "KVB-RT/WAVE/nowav", "Other/KIT/k.kvb"})
        testPut(card, rel, "x");
    testPut(card, longest.substr(1), "y");
    ASSERT_EQ(mkfifo((card + "/KVB-RT/pipe.wav").c_str(), 0600), 0);
    ASSERT_EQ(save(dir / "a.kvb", card), 0);
    EXPECT_EQ(sorted(testTarNames(testReadFile(dir / "a.kvb"))),
              (std::vector<std::string>{"/KVB-RT/SYSTEM/tag_list.kvb", "/KVB-RT/WAVE/.hidden.wav",
                                        "/KVB-RT/WAVE/KICK.WAV", "/KVB-RT/WAVE/hat.aif", "/KVB-RT/WAVE/snare.Aiff",
                                        "/Other/KIT/k.kvb", longest}));
    // A backup written into the card folder itself never takes in its older self.
    ASSERT_EQ(save(card + "/KVB-RT-BKUP-ALL.kvb", card), 0);
    ASSERT_EQ(save(card + "/KVB-RT-BKUP-ALL.kvb", card), 0);
    EXPECT_EQ(testTarNames(testReadFile(card + "/KVB-RT-BKUP-ALL.kvb")).size(), 7u);
    // One byte more refuses the backup and keeps the old one.
    std::string old = testReadFile(dir / "a.kvb"), tooLong = "/" + std::string(95, 'a') + ".wav";
    testPut(card, tooLong.substr(1), "z");
    std::string error;
    EXPECT_EQ(save(dir / "a.kvb", card, &error), -1);
    EXPECT_NE(error.find(tooLong), std::string::npos) << error;
    EXPECT_EQ(testReadFile(dir / "a.kvb"), old);
    EXPECT_EQ(testListDir(dir.path()), (std::vector<std::string>{"Korvan", "a.kvb"}));
}

// Progress comes after every buffer and every file, rising to one.
TEST(ArchiveWalk, EveryFailingStepLeavesTheOldBackupWholeAndProgressRisesToOne) {
    ScratchDir dir;
    std::string card = dir / "card";
    testPut(card, "KVB-RT/WAVE/a.wav", testBytes((1u << 20) + 100, 1));
    testPut(card, "KVB-RT/SYSTEM/s.kvb", "params");
    testPut(dir / "out", "a.kvb", "old backup");
    std::vector<float> seen;
    sTarHooks hooks{[](void *user, float r) { static_cast<std::vector<float> *>(user)->push_back(r); }, &seen, nullptr};
    bool completed = false;
    for (long n = 1; n < 200 && !completed; ++n) {
        SCOPED_TRACE(n);
        seen.clear();
        rliFaultFileArm(n, EIO, false);
        int r = save(dir / "out/a.kvb", card, nullptr, &hooks, 2);
        bool fired = rliFaultFileFired();
        rliFaultFileArm(0, 0, false);
        EXPECT_EQ(testListDir(dir / "out"), std::vector<std::string>{"a.kvb"});
        EXPECT_EQ(r, fired ? -1 : 0);
        EXPECT_TRUE(!fired || testReadFile(dir / "out/a.kvb") == "old backup");
        completed = !fired;
    }
    EXPECT_TRUE(completed);
    EXPECT_EQ(testTarNames(testReadFile(dir / "out/a.kvb")).size(), 2u);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_FLOAT_EQ(seen.back(), 1.0f);
}

// A name of many non-ASCII bytes whose signed byte sum is negative.
const std::string kJapanese = [] {
    std::string s = "/";
    for (int i = 0; i < 31; ++i) s += "\xE3\x82\xAD";
    return s + ".wav";
}();

// Ours read by the other programs, and theirs, in every format each writes,
// read by ours with their folders.
TEST(ArchiveCompat, GnuTarAndBsdtarReadOurArchivesAndWeReadTheirs) {
    ScratchDir dir;
    std::string card = dir / "Korvan";
    std::map<std::string, std::string> files = {
        {"KVB-RT/SYSTEM/tag_list.kvb", testBytes(1000, 1)}, {"KVB-RT/WAVE/empty.wav", ""},
        {"KVB-RT/WAVE/one.wav", testBytes(1, 2)},          {"KVB-RT/WAVE/block.wav", testBytes(512, 3)},
        {"KVB-RT/WAVE/odd.aif", testBytes(513, 4)},        {"KVB-RT/WAVE/big.wav", testBytes((1u << 20) + 7, 5)},
        {kJapanese.substr(1), testBytes(100, 6)},
    };
    std::vector<std::string> expect;
    for (const auto &[rel, data] : files) {
        testPut(card, rel, data);
        expect.push_back(rel);
    }
    ASSERT_EQ(save(dir / "a.kvb", card), 0);
    // Theirs also hold a folder and a name that needs a prefix field, a
    // long-name entry or an extended header.
    std::filesystem::create_directories(card + "/KVB-RT/EMPTY");
    testPut(card, "KVB-RT/WAVE/" + std::string(60, 'd') + "/" + std::string(50, 'f') + ".wav", "long");
    auto theirs = testTreeSnapshot(card);
    for (const char *tool : {"tar", "bsdtar"}) {
        SCOPED_TRACE(tool);
        if (!testHaveProgram(tool)) GTEST_SKIP() << tool << " is not installed";
        std::string listing;
        ASSERT_EQ(testRunProgramOutput({tool, "-tf", dir / "a.kvb"}, &listing), 0);
        std::vector<std::string> names;
        for (size_t at = 0, end; (end = listing.find('\n', at)) != std::string::npos; at = end + 1)
            names.push_back(listing.substr(at + (listing[at] == '/'), end - at - (listing[at] == '/')));
        EXPECT_EQ(sorted(names), expect);
        std::string out = dir / (std::string("x-") + tool);
        std::filesystem::create_directories(out);
        ASSERT_EQ(testRunProgram({tool, "-xf", dir / "a.kvb", "-C", out}), 0);
        std::map<std::string, std::string> got;
        for (const auto &[rel, data] : testTreeSnapshot(out))
            if (data != "<folder>") got[rel.substr(1)] = data;
        EXPECT_EQ(got, files);

        std::vector<std::vector<std::string>> writers = {{"bsdtar", "-cf"}};
        if (tool == std::string("tar"))
            writers = {{"tar", "--format=gnu", "-cf"}, {"tar", "--format=ustar", "-cf"}, {"tar", "--format=pax", "-cf"}};
        for (auto argv : writers) {
            SCOPED_TRACE(argv[1]);
            std::string archive = dir / "t.tar", back = dir / "back";
            argv.insert(argv.end(), {archive, "-C", card, "."});
            ASSERT_EQ(testRunProgram(argv), 0);
            std::filesystem::remove_all(back);
            sTarVerifyInfo info;
            ASSERT_EQ(tarVerifyFile(archive.c_str(), nullptr, &info), 0) << info.error;
            EXPECT_EQ(info.files, 8);
            CFileTarExtract x;
            ASSERT_EQ(x.Extract(back.c_str(), archive.c_str()), 1) << x.GetError();
            EXPECT_EQ(testTreeSnapshot(back), theirs);
        }
    }
}

}  // namespace
