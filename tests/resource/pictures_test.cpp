// The built resource pack: every picture as the entry table says, the same
// bytes from a second build, the drag cursors, and the pack tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource/pack.h"
#include "resource/pictures.h"
#include "resource/tga.h"
#include "support/test_util.h"

namespace {

const std::string kBuild = KVB_BUILD_ROOT;
const std::string kPack = kBuild + "/share/kvb-rt-wave-manager/resource/pack.bin";
const std::string kSheet = kBuild + "/doc/pictures.png";

std::vector<uint8_t> bytesOf(const std::string &path) {
    std::string s = testReadFile(path);
    return {s.begin(), s.end()};
}

}  // namespace

TEST(BuiltPack, EveryEntryIsThePictureTheTableDescribes) {
    std::vector<uint8_t> pack = bytesOf(kPack);
    CLinkManager link(pack.data(), pack.size());
    ASSERT_TRUE(link.IsBound());
    ASSERT_EQ(link.GetCount(), kPictureCount);
    for (const sPicture &p : kPictures) {
        SCOPED_TRACE(p.name);
        sTgaInfo info;
        ASSERT_EQ(tgaParse(link.GetBlockAddress(p.id), link.GetBlockSize(p.id), &info, nullptr, 0), 0);
        EXPECT_EQ(info.width, p.width);
        EXPECT_EQ(info.height, p.height);
        EXPECT_EQ(info.bits, p.bits);
        EXPECT_FALSE(info.topFirst);
        EXPECT_EQ(link.GetBlockSize(p.id), kTgaHeaderSize + p.width * p.height * p.bits / 8u);
        EXPECT_STREQ(reinterpret_cast<const char *>(link.GetFileNameAddress(p.id)), p.name);
    }
}

TEST(BuiltPack, TheDragCursorsHaveAlphaAndAnOpaqueHotSpot) {
    std::vector<uint8_t> pack = bytesOf(kPack);
    CLinkManager link(pack.data(), pack.size());
    for (int id : {eFILE_CURSOR_CATEGORY, eFILE_CURSOR_WAVE}) {
        sTgaInfo info;
        ASSERT_EQ(tgaParse(link.GetBlockAddress(id), link.GetBlockSize(id), &info, nullptr, 0), 0);
        std::vector<uint8_t> rgba = tgaToRgba(info);
        int transparent = 0;
        for (size_t i = 3; i < rgba.size(); i += 4) transparent += rgba[i] == 0;
        EXPECT_GT(transparent, info.width * info.height / 3) << id;
        EXPECT_EQ(rgba[(kCursorHotY * info.width + kCursorHotX) * 4 + 3], 255) << id;
    }
}

TEST(BuiltPack, ASecondBuildGivesTheSameBytes) {
    ScratchDir dir;
    ASSERT_EQ(testRunProgram({kBuild + "/tools/kvb-packgen", KVB_SOURCE_ROOT "/resources/pictures", dir / "pack.bin",
                              dir / "pictures.png"}),
              0);
    EXPECT_TRUE(bytesOf(dir / "pack.bin") == bytesOf(kPack));
    EXPECT_TRUE(bytesOf(dir / "pictures.png") == bytesOf(kSheet));
}

TEST(PackTool, ChecksListsAndExtracts) {
    ScratchDir dir;
    std::string tool = kBuild + "/bin/kvb-pack", out;
    EXPECT_EQ(testRunProgramOutput({tool, "check"}, &out), 0);  // the pack beside the program
    EXPECT_EQ(testRunProgramOutput({tool, "list", kPack}, &out), 0);
    EXPECT_NE(out.find("102 dialog_bg"), std::string::npos);
    ASSERT_EQ(testRunProgramOutput({tool, "extract", dir.path(), kPack}, &out), 0);
    EXPECT_EQ(testListDir(dir.path()).size(), static_cast<size_t>(kPictureCount));
    EXPECT_TRUE(testExists(dir / "063_cursor_wave.png"));

    // A pack cut short, and one whose first picture lost a row.
    std::string pack = testReadFile(kPack);
    testWriteFile(dir / "cut.bin", pack.substr(0, pack.size() - 1));
    EXPECT_EQ(testRunProgramOutput({tool, "check", dir / "cut.bin"}, &out), 1);
    std::vector<uint8_t> bytes(pack.begin(), pack.end());
    CLinkManager link(bytes.data(), bytes.size());
    size_t header = link.GetBlockAddress(0) - bytes.data();
    bytes[header + 14] = static_cast<uint8_t>(kPictures[0].height - 1);
    testWriteFile(dir / "short.bin", std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(testRunProgramOutput({tool, "check", dir / "short.bin"}, &out), 1);
    EXPECT_EQ(testRunProgramOutput({tool, "frobnicate"}, &out), 2);
}
