// `kvbrt demo`: the card it writes scans into the planned library and holds
// the synthesiser's sounds unchanged, and a folder that is not empty is
// refused untouched. That two runs give the same bytes the window tests rely
// on: each compares a demo card edited there with one kvbrt edited.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli_run.h"
#include "support/card.h"
#include "support/library.h"
#include "support/test_util.h"
#include "transfer/synth.h"

namespace {

std::string name(const char *bytes, size_t length) { return std::string(bytes, strnlen(bytes, length)); }

TEST(CliDemo, CardScansIntoThePlannedLibraryAndAFolderInUseIsRefused) {
    ScratchDir dir, tmp;
    ScopedEnv env("TMPDIR", tmp.path().c_str());
    const std::string card = dir / "card";
    std::filesystem::create_directory(card);  // an empty folder is taken like an absent one
    CliResult r = cliRun({"demo", card});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(testListDir(tmp.path()).empty()) << "the rendered sounds are removed";

    TestLibrary lib(card);
    ASSERT_NE(lib.list, nullptr);
    ASSERT_EQ(waveListWaveCount(lib.list), synthSoundCount());
    EXPECT_EQ(lib.tags(),
              (std::vector<std::string>{"DEFAULT", "KICK", "SNARE", "CYMBAL", "PERC", "BASS", "SYNTH", "FX"}));
    std::map<std::string, int> members;
    for (int n : lib.waves()) members[lib.tagOf(n)]++;
    EXPECT_EQ(members, (std::map<std::string, int>{{"DEFAULT", 3}, {"KICK", 3}, {"SNARE", 6}, {"CYMBAL", 5},
                                                   {"PERC", 5}, {"BASS", 3}, {"SYNTH", 5}, {"FX", 2}}));

    // Waves numbered in import order, each file the synthesiser's bytes.
    for (int i = 0; i < synthSoundCount(); ++i) {
        std::string file = synthSoundFileName(i);
        ASSERT_NE(lib.wave(i), nullptr) << i;
        EXPECT_EQ(name(lib.wave(i)->name, kWaveNameLen), file.substr(0, file.size() - 4));
        const sStorageWavePrm *node = wstorageFindWavePrm(lib.list->storage, i);
        ASSERT_NE(node, nullptr);
        size_t size = 0;
        uint8_t *bytes = synthRenderWave(i, &size);
        EXPECT_EQ(testReadFile(node->audioPath), std::string(reinterpret_cast<char *>(bytes), size)) << file;
        synthFreeWave(bytes);
    }

    // Three kits with files, named, most pads set (the check finds none
    // pointing at a missing wave); pad 1 of the first kit plays the first kick.
    EXPECT_EQ(waveListKitFileCount(lib.list), 3);
    const char *kitNames[] = {"Acoustic", "Electro", "Tones"};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(name(waveListKitPtr(lib.list, k)->name, kKitNameLen), kitNames[k]);
        int set = 0;
        for (int p = 0; p < kKitPadCount; ++p) set += lib.pad(k, p)->waveNumber >= 0;
        EXPECT_GE(set, 12) << kitNames[k];
    }
    EXPECT_EQ(lib.pad(0, 0)->waveNumber, 0);

    for (const char *listFile : {"wavelist_name.kvb", "wavelist_tagname.kvb", "wavelist_tagnum.kvb"})
        EXPECT_TRUE(testExists(card + "/Korvan/KVB-RT/SYSTEM/" + listFile)) << listFile;
    for (const auto &[path, bytes] : testTreeSnapshot(card))
        EXPECT_EQ(path.find("/."), std::string::npos) << "no temporary file left: " << path;
    cliOut({"check", card});  // healthy: nothing the scan would note either

    // A folder that is not empty is refused untouched.
    testMakeDirs(dir / "used");
    testWriteFile(dir / "used/mine.txt", "keep");
    testMakeDirs(dir / "hidden");
    testWriteFile(dir / "hidden/.x", "");
    testWriteFile(dir / "file", "keep");
    auto before = testTreeSnapshot(dir.path());
    // The card just made, a folder with a file, one with only a hidden file, a
    // plain file, a missing parent folder.
    for (const std::string &target : {card, dir / "used", dir / "hidden", dir / "file", dir / "none/card"})
        EXPECT_TRUE(cliRefused({"demo", target}, 1, target));
    EXPECT_TRUE(testTreeSnapshot(dir.path()) == before);
    EXPECT_EQ(cliRun({"demo"}).status, 2);
}

}  // namespace
