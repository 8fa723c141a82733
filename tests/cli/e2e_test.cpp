// End to end: the built `kvbrt` program driven as a user drives it, one
// process per command, over a demo card: import, rename, categories, kits,
// delete, renumber, check, backup, wipe, restore. After the restore the card
// equals, byte for byte, the card that was backed up; a copy of the program
// without its string table runs nothing. What each command prints is the
// in-process tests' to prove; here the edits add up.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/test_util.h"
#include "transfer/synth.h"

namespace {

const std::string kKvbrt = std::string(KVB_BUILD_ROOT) + "/bin/kvbrt";

// Runs the built `kvbrt ARGS...`, expecting exit `status`; returns its stdout.
std::string kvbrt(std::vector<std::string> args, int status = 0) {
    std::string out, err, shown = "kvbrt";
    for (const auto &a : args) shown += " " + a;
    args.insert(args.begin(), kKvbrt);
    EXPECT_EQ(testRunProgramOutput(args, &out, &err), status) << shown << "\n" << out << err;
    // The stand-in text of a string table that was not loaded.
    EXPECT_EQ((out + err).find("DUMMY"), std::string::npos) << shown << "\n" << out << err;
    return out;
}

TEST(CliEndToEnd, DemoEditBackupWipeRestoreGivesBackTheSameCard) {
    ScratchDir dir;
    const std::string card = dir / "card", backups = dir / "backups", exported = dir / "exported",
                      tone = dir / "Tone.wav";
    for (const std::string &folder : {backups, exported}) std::filesystem::create_directory(folder);
    kvbrt({"demo", card});
    size_t size = 0;
    uint8_t *bytes = synthRenderWave(synthSoundFind("Bell.wav"), &size);
    testWriteFile(tone, std::string(reinterpret_cast<char *>(bytes), size));
    synthFreeWave(bytes);

    const std::pair<std::vector<std::string>, int> steps[] = {
        {{"import", card, tone, "--category", "SYNTH"}, 0},
        {{"import", card, dir / "none.wav"}, 1},
        {{"import", card, backups}, 1},
        {{"export", card, "0", "--to", exported}, 0},
        {{"export", card, "999", "--to", exported}, 1},
        {{"duplicates", card}, 0},
        {{"rename", card, "0", "BigKick"}, 0},
        {{"category", card, "add", "LOOPS"}, 0},
        {{"category", card, "assign", "28", "29", "LOOPS"}, 0},
        {{"category", card, "move", "LOOPS", "--after", "KICK"}, 0},
        {{"category", card, "move", "LOOPS", "--to", "1"}, 0},
        {{"category", card, "rename", "LOOPS", "LOOPZ"}, 0},
        {{"category", card, "delete", "FX"}, 0},
        {{"kit", card, "set", "3", "1", "0", "--sub", "9"}, 0},
        {{"kit", card, "name", "3", "Mine", "--sub", "first kit"}, 0},
        {{"kit", card, "swap", "0", "1", "2s"}, 0},
        {{"kit", card, "clear", "1", "15"}, 0},
        {{"delete", card, "5", "7", "--yes"}, 0},
    };
    for (const auto &[args, status] : steps) kvbrt(args, status);

    // The renumbering closes the gaps.
    kvbrt({"renumber", card});
    // Every edit above left the wave list files as the device must read them.
    kvbrt({"check", card});
    kvbrt({"wavelist", card});
    std::string list = kvbrt({"list", card});
    EXPECT_NE(list.find("0000\tBigKick\t"), std::string::npos) << list;
    EXPECT_NE(list.find("0030\t"), std::string::npos) << list;  // 33 waves less 2, numbered 0..30
    EXPECT_EQ(list.find("0031\t"), std::string::npos) << list;

    // The backup writes the category list and wave list files first, so the
    // card to compare with is the one after it.
    kvbrt({"backup", card, backups, "--yes"});
    const auto edited = testTreeSnapshot(card);
    std::filesystem::remove_all(card + "/Korvan");
    kvbrt({"restore", card, backups + "/KVB-RT-BKUP-ALL.kvb", "--yes"});
    EXPECT_TRUE(testTreeSnapshot(card) == edited) << "the restored card differs from the one backed up";
    kvbrt({"check", card});

    // Without its string table beside it kvbrt says which file is missing and
    // runs nothing; its help needs none.
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::copy_file(kKvbrt, dir / "bin/kvbrt");
    std::string out, err;
    EXPECT_EQ(testRunProgramOutput({dir / "bin/kvbrt", "info", card}, &out, &err), 1);
    EXPECT_NE(err.find("/STRING_TABLE_en.zar: cannot be read"), std::string::npos) << err;
    EXPECT_EQ(out, "");
    EXPECT_EQ(testRunProgramOutput({dir / "bin/kvbrt", "--help"}, &out), 0);
}

}  // namespace
