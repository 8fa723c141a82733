// The resource pack: the directory over packs built here, damaged packs,
// the accessors over the open-files list, the whole-file holders, and the
// built pack: every picture as the entry table says, the same bytes from a
// second build, the drag cursors, and the pack tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/global.h"
#include "resource/le.h"
#include "resource/pack.h"
#include "resource/pictures.h"
#include "resource/tga.h"
#include "support/test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::vector<Bytes> kEntries = {{1, 2, 3}, {}, {9, 8, 7, 6, 5}};

Bytes names(uint32_t width) {
    Bytes n(width * kEntries.size());
    for (size_t i = 0; i < n.size(); ++i) n[i] = static_cast<uint8_t>('a' + i % 26);
    return n;
}

const uint32_t kParams[] = {100, 200, 300};

const std::string kBuild = KVB_BUILD_ROOT;
const std::string kPack = kBuild + "/share/kvb-rt-wave-manager/resource/pack.bin";
const std::string kSheet = kBuild + "/doc/pictures.png";

Bytes bytesOf(const std::string &path) {
    std::string s = testReadFile(path);
    return {s.begin(), s.end()};
}

// The open-files list as start-up leaves it, emptied again afterwards.
class Accessors : public testing::Test {
protected:
    ScratchDir dir;
    Bytes pack = rkePackBuild(kEntries, 0, nullptr, nullptr);

    void SetUp() override {
        rkeGlobalInit();
        std::wcsncpy(G.currentDir, testWide(dir.path()).c_str(), kGlobalDirMax - 1);
    }
    void TearDown() override {
        rkeFileDisposeAll();
        rkeGlobalTerm();
    }
    void put(const std::string &name, const Bytes &bytes) {
        testWriteFile(dir / name, std::string(bytes.begin(), bytes.end()));
    }
};

}  // namespace

TEST(PackDirectory, FlagsPlaceTheOptionalTables) {
    // flags, name width, user parameters present
    const struct {
        uint32_t flags, width;
        bool params;
    } cases[] = {{0x00, 0, false}, {0x20, 0, true}, {0x21, 8, true}, {0x01, 8, false}, {0x02, 16, false},
                 {0x24, 24, true}, {0x08, 32, false}, {0x18, 64, false}, {0x3F, 64, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.flags);
        Bytes n = names(c.width);
        Bytes pack = rkePackBuild(kEntries, c.flags, n.data(), kParams);
        ASSERT_FALSE(pack.empty());
        CLinkManager link(pack.data(), pack.size());
        ASSERT_TRUE(link.IsBound());
        ASSERT_EQ(link.GetCount(), 3);
        const uint8_t *tables = pack.data() + 16 + 8 * 3;
        for (int id = 0; id < 3; ++id) {
            ASSERT_EQ(link.GetBlockSize(id), kEntries[id].size());
            EXPECT_TRUE(std::equal(kEntries[id].begin(), kEntries[id].end(), link.GetBlockAddress(id)));
            EXPECT_EQ(link.GetFileNameAddress(id), c.width ? tables + c.width * id : nullptr);
            EXPECT_EQ(link.GetFileUserParam(id), c.params ? kParams[id] : 0u);
        }
        if (c.params) {
            EXPECT_EQ(leGet32(tables + 3 * c.width), kParams[0]);
        }
        // Outside the range nothing is stored and nothing is found.
        const uint8_t *address = pack.data();
        uint32_t size = 77;
        EXPECT_EQ(link.GetBlock(3, &address, &size), 0);
        EXPECT_EQ(link.GetBlock(-1, &address, &size), 0);
        EXPECT_EQ(address, pack.data());
        EXPECT_EQ(size, 77u);
        EXPECT_EQ(link.GetBlockAddress(3), nullptr);
        EXPECT_EQ(link.GetFileNameAddress(-1), nullptr);
        EXPECT_EQ(link.GetFileUserParam(3), 0u);
        // A copy answers the same.
        CLinkManager copy(link);
        EXPECT_EQ(copy.GetBlockAddress(2), link.GetBlockAddress(2));
    }
}

TEST(PackDirectory, DamagedPacksAreRefusedWithoutReadingOutside) {
    Bytes good = rkePackBuild(kEntries, 0x21, names(8).data(), kParams);
    auto patched = [&](size_t at, uint32_t value) {
        Bytes b = good;
        lePut32(b.data() + at, value);
        return b;
    };
    const struct {
        const char *what;
        Bytes pack;
    } cases[] = {
        {"shorter than the header", Bytes(good.begin(), good.begin() + 15)},
        {"count past the file", patched(8, 1000)},
        {"count whose tables wrap 32 bits", patched(8, 0x20000000)},
        {"name table past the file", patched(12, 0x30)},
        {"bit 31 set", patched(12, 0x80000021)},
        {"block past the end", patched(16 + 8 * 2 + 4, 6)},
        {"block offset past the end", patched(16 + 8 * 2, static_cast<uint32_t>(good.size()))},
        {"block whose end wraps", patched(16 + 8 * 2 + 4, 0xFFFFFFF0)},
        {"block over the tables", patched(16, 20)},
        {"cut inside the last block", Bytes(good.begin(), good.end() - 1)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        // An exact-size heap copy, so that the sanitizer sees any read past it.
        std::unique_ptr<uint8_t[]> data(new uint8_t[c.pack.size()]);
        std::memcpy(data.get(), c.pack.data(), c.pack.size());
        char why[160] = "";
        EXPECT_LT(rkePackCheck(data.get(), c.pack.size(), why, sizeof why), 0);
        EXPECT_NE(why[0], 0);
        CLinkManager link;
        EXPECT_EQ(link.SetLink(data.get(), c.pack.size()), 0);
        EXPECT_FALSE(link.IsBound());
        EXPECT_EQ(link.GetCount(), 0);
        EXPECT_EQ(link.GetBlockAddress(0), nullptr);
        EXPECT_EQ(link.GetFileNameAddress(0), nullptr);
        EXPECT_EQ(link.GetFileUserParam(0), 0u);
    }
    EXPECT_EQ(rkePackCheck(good.data(), good.size(), nullptr, 0), 0);
    EXPECT_TRUE(rkePackBuild(kEntries, 0x80000000u, nullptr, nullptr).empty());
    EXPECT_TRUE(rkePackBuild(kEntries, 0x01, nullptr, nullptr).empty());
}

TEST_F(Accessors, TheFirstLookupBindsOnceNeverWritesThePackAndTheStringTableNeedsNone) {
    put("pack.bin", pack);
    put("table.zar", {'z', 'a', 'r'});
    ASSERT_NE(rkePackLoad(L"pack.bin", nullptr, 0), nullptr);
    EXPECT_EQ(fileGetPtr(103), nullptr);  // the string table, not loaded yet
    ASSERT_NE(rkeFileAlloc(L"table.zar", cRLIFILE_MODE_READ_BINARY, -1), nullptr);
    ASSERT_NE(fileGetPtr(103), nullptr);
    EXPECT_EQ(std::memcmp(fileGetPtr(103), "zar", 3), 0);
    EXPECT_EQ(fileGetSize(103), 3u);
    EXPECT_FALSE(fileLinkGet()->IsBound());

    const uint8_t *first = fileGetPtr(0);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(fileLinkGet()->IsBound());
    EXPECT_EQ(fileGetPtr(0), first);
    EXPECT_EQ(fileGetSize(2), 5u);
    EXPECT_EQ(fileGetPtr(3), nullptr);
    EXPECT_EQ(fileGetSize(-1), 0u);
    // The loaded bytes are still those of the file.
    const auto *record = static_cast<const sRkeFile *>(G.files.first);
    EXPECT_EQ(0, std::memcmp(rkeFileGetDataAddr(record), pack.data(), pack.size()));
}

TEST_F(Accessors, AMissingOrDamagedPackLeavesEveryLookupEmpty) {
    char why[160];
    EXPECT_EQ(rkePackLoad(L"pack.bin", why, sizeof why), nullptr);
    Bytes cut(pack.begin(), pack.end() - 1);
    put("pack.bin", cut);
    EXPECT_EQ(rkePackLoad(L"pack.bin", why, sizeof why), nullptr);
    EXPECT_NE(std::string(why).find("outside"), std::string::npos) << why;
    EXPECT_EQ(G.files.first, nullptr);
    EXPECT_EQ(fileGetPtr(0), nullptr);
    EXPECT_EQ(fileGetSize(0), 0u);
    // A pack read only in part binds to the part that is there.
    put("pack.bin", pack);
    ASSERT_NE(rkeFileAlloc(L"pack.bin", cRLIFILE_MODE_READ_BINARY, 20), nullptr);
    EXPECT_EQ(fileGetPtr(0), nullptr);
    rkeFileDisposeAll();
    // A pack that appears later is bound by the next lookup.
    put("pack.bin", pack);
    ASSERT_NE(rkePackLoad(L"pack.bin", nullptr, 0), nullptr);
    EXPECT_NE(fileGetPtr(0), nullptr);
}

TEST_F(Accessors, RecordsAreOfOneKindAndDisposedWhole) {
    EXPECT_EQ(rkeIDCreate(&G.files, 0x1234, "file"), nullptr);
    EXPECT_EQ(rkeFileAlloc(L"missing", cRLIFILE_MODE_READ_BINARY, -1), nullptr);
    EXPECT_EQ(G.files.first, nullptr);
    put("a.bin", {1, 2});
    sRkeFile *record = rkeFileAlloc(L"a.bin", cRLIFILE_MODE_READ_BINARY, -1);
    ASSERT_NE(record, nullptr);
    rkeFileFree(record);
    EXPECT_EQ(rkeFileGetDataAddr(record), nullptr);
    EXPECT_EQ(rkeFileGetDataSize(record), 0u);
    EXPECT_EQ(G.files.first, record);  // freed, still listed
    {
        CgifFileKe holder;
        ASSERT_NE(holder.init(L"a.bin"), nullptr);
        EXPECT_EQ(holder.getFilePt()[1], 2);
    }
    EXPECT_EQ(G.files.last, record);  // the holder took its record with it
}

TEST(WholeFiles, FailuresAreReturnedNotFatal) {
    ScratchDir dir;
    std::string path = dir / "data";
    uint8_t buffer[8] = {0};
    EXPECT_EQ(CgifFile::readData(buffer, sizeof buffer, path.c_str()), -1);
    EXPECT_EQ(CgifFile::writeData("abc", 3, (dir / "no/such/folder").c_str()), -1);

    ASSERT_EQ(CgifFile::writeData("abcdef", 6, path.c_str()), 0);
    EXPECT_EQ(CgifFile::readData(buffer, 4, path.c_str()), 0);
    EXPECT_EQ(std::memcmp(buffer, "abcd", 4), 0);
    EXPECT_EQ(CgifFile::readData(buffer, sizeof buffer, path.c_str()), -2);

    CgifFile holder;
    EXPECT_EQ(holder.init((dir / "missing").c_str()), nullptr);
    uint8_t *held = holder.init(path.c_str());
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(holder.getSize(), 6u);
    EXPECT_EQ(holder.init((dir / "missing").c_str()), held);  // keeps what it holds
    holder.term();
    EXPECT_EQ(holder.getBuffer(), nullptr);
}

// Every entry's size and format is what `kvb-pack check` checks below.
TEST(BuiltPack, EveryEntryIsNamedAsTheTableSaysTheDragCursorsHaveAlphaAndASecondBuildIsTheSame) {
    Bytes pack = bytesOf(kPack);
    CLinkManager link(pack.data(), pack.size());
    ASSERT_EQ(link.GetCount(), kPictureCount);
    for (const sPicture &p : kPictures) {
        SCOPED_TRACE(p.name);
        EXPECT_STREQ(reinterpret_cast<const char *>(link.GetFileNameAddress(p.id)), p.name);
        if (p.id != eFILE_CURSOR_CATEGORY && p.id != eFILE_CURSOR_WAVE) continue;
        // A drag cursor: mostly transparent, opaque at its hot spot.
        sTgaInfo info;
        ASSERT_EQ(tgaParse(link.GetBlockAddress(p.id), link.GetBlockSize(p.id), &info, nullptr, 0), 0);
        std::vector<uint8_t> rgba = tgaToRgba(info);
        int transparent = 0;
        for (size_t i = 3; i < rgba.size(); i += 4) transparent += rgba[i] == 0;
        EXPECT_GT(transparent, info.width * info.height / 3);
        EXPECT_EQ(rgba[(kCursorHotY * info.width + kCursorHotX) * 4 + 3], 255);
    }
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
