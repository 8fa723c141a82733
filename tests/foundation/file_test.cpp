// Whole-file reads, safe writes and the file tests.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/fault.h"
#include "foundation/file.h"
#include "foundation/mem.h"
#include "support/test_util.h"

namespace {

class FileTest : public testing::Test {
protected:
    ScratchDir dir;
    std::wstring wdir{dir.path().begin(), dir.path().end()};
    void TearDown() override {
        rliFaultFileArm(0, 0, false);
        memTestFailNth(0, false);
    }
    // The folder holds only these names: no temporary file was left behind.
    void expectOnly(const std::vector<std::string> &names) { EXPECT_EQ(testListDir(dir.path()), names); }
};

TEST_F(FileTest, ReadingTakesAtMostMaxSizeButReportsTheWholeLength) {
    testWriteFile(dir / "ten.bin", "0123456789");
    _sRliFile *f = rliFileOpenA((dir / "ten.bin").c_str(), cRLIFILE_MODE_READ_BINARY, 4);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(rliFileGetDataSize(f), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(rliFileGetDataAddr(f))), "0123");
    EXPECT_EQ(rliFileSeek(f, 0), -2);  // read modes keep no stream
    EXPECT_EQ(rliFileClose(f), 0);

    f = rliFileOpen(L"ten.bin", "r", -1, wdir.c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(rliFileGetDataAddr(f))), "0123456789");
    EXPECT_EQ(std::wstring(rliFileGetFilenamePtr(f)), wdir + L"/ten.bin");
    rliFileClose(f);
}

TEST_F(FileTest, FailedOpensLeaveNothingBehind) {
    long blocks = memGetBlockCount();
    EXPECT_EQ(rliFileOpenA((dir / "missing").c_str(), "rb", -1), nullptr);
    EXPECT_EQ(rliFileOpenA("", "rb", -1), nullptr);
    EXPECT_EQ(rliFileOpen(L"", "rb", -1, nullptr), nullptr);
    EXPECT_EQ(rliFileOpenA(dir.path().c_str(), "rb", -1), nullptr);  // a folder is not a file
    EXPECT_EQ(rliFileOpenA((dir / "no/such/folder/x").c_str(), "wb", -1), nullptr);
    testWriteFile(dir / "x", "data");
    for (long n = 1; n <= 4; ++n) {  // out of memory at each allocation of an open
        memTestFailNth(n, false);
        _sRliFile *f = rliFileOpenA((dir / "x").c_str(), "rb", -1);
        if (f) rliFileClose(f);
    }
    memTestFailNth(0, false);
    EXPECT_EQ(memGetBlockCount(), blocks);
    expectOnly({"x"});
}

TEST_F(FileTest, WritingReplacesTheFileOnlyWhenCompleteAndAWriteErrorFailsItForGood) {
    std::string path = dir / "kit.kvb";
    testWriteFile(path, "old content");
    chmod(path.c_str(), 0640);
    _sRliFile *f = rliFileOpenA(path.c_str(), cRLIFILE_MODE_WRITE_BINARY, -1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(rliFileWriteBinary(f, "new ", 4), 0);
    // Until it is closed, the old file is what a reader (or the device) sees.
    EXPECT_EQ(testReadFile(path), "old content");
    EXPECT_EQ(rliFileWriteBinary(f, "content", 7), 0);
    EXPECT_EQ(rliFileClose(f), 0);
    EXPECT_EQ(testReadFile(path), "new content");
    struct stat st;
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
    expectOnly({"kit.kvb"});

    f = rliFileOpenA(path.c_str(), "wb", -1);
    rliFileWriteBinary(f, "discarded", 9);
    rliFileAbort(f);
    EXPECT_EQ(testReadFile(path), "new content");
    expectOnly({"kit.kvb"});

    f = rliFileOpenA(path.c_str(), "wb", -1);
    rliFaultFileArm(1, ENOSPC, false);
    EXPECT_EQ(rliFileWriteBinary(f, "abc", 3), -3);
    rliFaultFileArm(0, 0, false);
    EXPECT_EQ(rliFileWriteBinary(f, "def", 3), -3);  // later writes cannot heal a hole
    EXPECT_EQ(rliFileClose(f), -1);
    EXPECT_EQ(testReadFile(path), "new content");
    EXPECT_EQ(rliFileWriteBinary(nullptr, "x", 1), -1);
    EXPECT_EQ(rliFileSeek(nullptr, 0), -1);
}

// Every step of a write can fail (a full or pulled card): whichever it is, the
// old file is whole, the failure is reported, and no temporary file remains.
TEST_F(FileTest, AFailureAtAnyStepKeepsTheOldFileAndReportsFailure) {
    std::string path = dir / "wave.kvb";
    std::string big(300000, 'n');  // more than one stream buffer, so data reaches the card mid-write
    for (int err : {ENOSPC, EIO}) {
        bool ranClean = false;
        for (long n = 1; n < 20 && !ranClean; ++n) {
            SCOPED_TRACE("operation " + std::to_string(n));
            testWriteFile(path, "old");
            rliFaultFileArm(n, err, false);
            int r = rliFileWriteAll(path.c_str(), big.data(), big.size());
            if (!rliFaultFileFired()) {
                EXPECT_EQ(r, 0);
                EXPECT_EQ(testReadFile(path), big);
                ranClean = true;
            } else {
                EXPECT_EQ(r, -1);
                EXPECT_EQ(testReadFile(path), "old");
            }
            rliFaultFileArm(0, 0, false);
            expectOnly({"wave.kvb"});
        }
        EXPECT_TRUE(ranClean);
    }
}

TEST_F(FileTest, SyncBatchesNestAndSyncOnceAtTheOutermostEnd) {
    EXPECT_FALSE(rliFileSyncInBatch());
    rliFileSyncBegin();
    rliFileSyncBegin();
    EXPECT_TRUE(rliFileSyncInBatch());
    EXPECT_EQ(rliFileWriteAll((dir / "a").c_str(), "1", 1), 0);
    rliFaultFileArm(1, EIO, false);
    EXPECT_EQ(rliFileSyncEnd(dir.path().c_str()), 0);  // inner end: no sync, nothing to fail
    EXPECT_FALSE(rliFaultFileFired());
    EXPECT_EQ(rliFileSyncEnd(dir.path().c_str()), -1);  // the one sync fails: the job must say so
    rliFaultFileArm(0, 0, false);
    EXPECT_FALSE(rliFileSyncInBatch());
    rliFileSyncBegin();
    EXPECT_EQ(rliFileSyncEnd(dir.path().c_str()), 0);
}

TEST_F(FileTest, ExistenceSizeAndFolderTests) {
    testWriteFile(dir / "f", "12345");
    EXPECT_EQ(rliFileGetReadOnly(L"f", wdir.c_str()), 0);
    EXPECT_EQ(rliFileGetReadOnly(L"g", wdir.c_str()), -1);
    EXPECT_EQ(rliFileGetReadOnly(L"", wdir.c_str()), -1);
    EXPECT_EQ(rliFileGetDirExist(L"/", nullptr), 0);
    EXPECT_EQ(rliFileGetDirExist(wdir.c_str(), nullptr), 0);
    EXPECT_EQ(rliFileGetDirExist(L"f", wdir.c_str()), -1);
    EXPECT_EQ(rliFileGetDirExist(L"", nullptr), -1);
    EXPECT_EQ(rliFileGetSize((wdir + L"/f").c_str()), 5u);
    EXPECT_EQ(rliFileGetSize((wdir + L"/none").c_str()), 0xFFFFFFFFu);
    EXPECT_EQ(rliFileGetSizeA((dir / "none").c_str()), 0xFFFFFFFFu);

    EXPECT_EQ(rliDirCreate((dir / "sub").c_str()), 0);
    EXPECT_EQ(rliDirCreate((dir / "sub").c_str()), 0);  // already there is fine
    EXPECT_EQ(rliDirCreate((dir / "f").c_str()), -1);    // a file is in the way
    EXPECT_EQ(rliFileDelete((dir / "f").c_str()), 0);
    EXPECT_EQ(rliFileDelete((dir / "f").c_str()), -1);
}

TEST_F(FileTest, FolderChainsGrowOnlyInsideAnExistingBase) {
    EXPECT_EQ(rliDirCreateChain(dir.path().c_str(), "a/b//c/", 0), 0);
    EXPECT_EQ(rliDirCreateChain(dir.path().c_str(), "a/b/c", 0), 0);  // all there already
    struct stat st;
    ASSERT_EQ(stat((dir / "a/b/c").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777 & ~0755u, 0u);

    // A base that is gone (a pulled card's mount folder) is never made, nor
    // anything above it, and nothing may climb out of the base.
    const struct {
        std::string base, relative;
        int err;
    } refused[] = {
        {dir / "gone", "Korvan/KVB-RT", ENOENT},
        {dir / "gone/deeper", "x", ENOENT},
        {dir / "a", "../escape", EINVAL},
        {dir / "a", "b/./c", EINVAL},
    };
    for (const auto &r : refused) {
        errno = 0;
        EXPECT_EQ(rliDirCreateChain(r.base.c_str(), r.relative.c_str(), 0), -1) << r.relative;
        EXPECT_EQ(errno, r.err) << r.relative;
    }
    EXPECT_FALSE(testExists(dir / "gone"));
    EXPECT_FALSE(testExists(dir / "escape"));

    // A file in the way fails; a link is followed unless links are refused.
    testWriteFile(dir / "a/file", "x");
    EXPECT_EQ(rliDirCreateChain((dir / "a").c_str(), "file/sub", 0), -1);
    EXPECT_EQ(errno, ENOTDIR);
    ASSERT_EQ(symlink((dir / "a/b").c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(rliDirCreateChain(dir.path().c_str(), "link/viaLink", RLI_DIR_NO_LINKS), -1);
    EXPECT_EQ(errno, ELOOP);
    EXPECT_EQ(rliDirCreateChain(dir.path().c_str(), "link/viaLink", 0), 0);
    EXPECT_TRUE(testExists(dir / "a/b/viaLink"));
}

TEST_F(FileTest, TemporaryNamesAreHiddenBesideTheirTargetAndRecognised) {
    char tmp[4096];
    std::string longName(250, 'L');
    int fd = rliFileMakeTemp((dir / longName).c_str(), tmp, sizeof tmp);
    ASSERT_GE(fd, 0);
    close(fd);
    std::string made(tmp);
    EXPECT_EQ(made.rfind(dir.path() + "/.", 0), 0u);
    EXPECT_LT(made.size() - dir.path().size(), 255u);  // fits any file system's name limit
    EXPECT_TRUE(rliFileIsTempName(tmp));
    EXPECT_FALSE(rliFileIsTempName("0001.kvb"));
    EXPECT_FALSE(rliFileIsTempName(".tmp"));
    EXPECT_TRUE(rliFileIsTempName("/x/.a.kvb.Ab12Cd.tmp"));
    unlink(tmp);
}

}  // namespace
