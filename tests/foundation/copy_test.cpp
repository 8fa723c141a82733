// In-process copy and move: progress, cancel, and never a half file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "foundation/copy.h"
#include "foundation/fault.h"
#include "foundation/file.h"
#include "support/test_util.h"

namespace {

std::vector<float> gProgress;
void recordProgress(float r) { gProgress.push_back(r); }
void cancelOnFirstChunk(float r) {
    gProgress.push_back(r);
    rliFileCopyAsyncSetCancel();
}

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131) ^ (i >> 9));
    return s;
}

class CopyTest : public testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override { gProgress.clear(); }
    void TearDown() override { rliFaultFileArm(0, 0, false); }
};

TEST_F(CopyTest, CopyReportsProgressPerMebibyteKeepsModeAndTimeAndCancelLeavesNoTarget) {
    std::string src = dir / "src.wav", dst = dir / "dst.wav";
    std::string data = pattern(5u << 20);
    testWriteFile(src, data);
    chmod(src.c_str(), 0604);
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, src.c_str(), times, 0);

    EXPECT_EQ(rliFileCopyAsync(src.c_str(), dst.c_str(), recordProgress), 0);
    EXPECT_EQ(testReadFile(dst), data);
    EXPECT_THAT(gProgress, testing::Pointwise(testing::FloatNear(1e-6f), std::vector<float>{0.2f, 0.4f, 0.6f, 0.8f, 1.0f}));
    struct stat st;
    stat(dst.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(testListDir(dir.path()), (std::vector<std::string>{"dst.wav", "src.wav"}));

    // An empty file is copied without progress.
    gProgress.clear();
    testWriteFile(dir / "empty", "");
    EXPECT_EQ(rliFileCopyAsync((dir / "empty").c_str(), (dir / "copy").c_str(), recordProgress), 0);
    EXPECT_EQ(testReadFile(dir / "copy"), "");
    EXPECT_TRUE(gProgress.empty());

    // Cancelled, the copy leaves no new file, and an existing one as it was.
    EXPECT_EQ(rliFileCopyAsync(src.c_str(), (dir / "new.wav").c_str(), cancelOnFirstChunk), -2);
    EXPECT_THAT(gProgress, testing::Pointwise(testing::FloatNear(1e-6f), std::vector<float>{0.2f}));
    EXPECT_FALSE(testExists(dir / "new.wav"));
    testWriteFile(dst, "previous");
    EXPECT_EQ(rliFileCopyAsync(src.c_str(), dst.c_str(), cancelOnFirstChunk), -2);
    EXPECT_EQ(testReadFile(dst), "previous");
    EXPECT_EQ(rliFileCopyAsyncIsCancel(), 1);
    // The next copy starts with the flag cleared.
    EXPECT_EQ(rliFileCopyAsync(src.c_str(), (dir / "new.wav").c_str(), nullptr), 0);
    EXPECT_EQ(rliFileCopyAsync((dir / "gone").c_str(), (dir / "dst").c_str(), nullptr), -1);
    EXPECT_EQ(rliFileCopyAsync(src.c_str(), (dir / "no/such/dst").c_str(), nullptr), -1);
    EXPECT_EQ(rliFileCopy(dir.path().c_str(), (dir / "dst").c_str()), -1);  // a folder is no audio file
    EXPECT_EQ(testListDir(dir.path()), (std::vector<std::string>{"copy", "dst.wav", "empty", "new.wav", "src.wav"}));
}

// A failure at any step (full card, pulled card) leaves the target as it was
// and the source untouched.
TEST_F(CopyTest, FailureAtEveryStepKeepsSourceAndTarget) {
    std::string data = pattern((2u << 20) + 123);
    testWriteFile(dir / "src", data);
    bool ranClean = false;
    for (long n = 1; n < 30 && !ranClean; ++n) {
        SCOPED_TRACE("operation " + std::to_string(n));
        testWriteFile(dir / "dst", "old");
        rliFaultFileArm(n, ENOSPC, false);
        int r = rliFileCopy((dir / "src").c_str(), (dir / "dst").c_str());
        bool fired = rliFaultFileFired();
        rliFaultFileArm(0, 0, false);
        EXPECT_EQ(testReadFile(dir / "src"), data);
        EXPECT_EQ(testListDir(dir.path()), (std::vector<std::string>{"dst", "src"}));
        if (fired) {
            EXPECT_EQ(r, -1);
            EXPECT_EQ(testReadFile(dir / "dst"), "old");
        } else {
            EXPECT_EQ(r, 0);
            EXPECT_EQ(testReadFile(dir / "dst"), data);
            ranClean = true;
        }
    }
    EXPECT_TRUE(ranClean);
}

TEST_F(CopyTest, MoveWithinAFolderAndWithoutReplacing) {
    testWriteFile(dir / "a", "A");
    EXPECT_EQ(rliFileMove((dir / "a").c_str(), (dir / "b").c_str()), 0);
    EXPECT_EQ(testListDir(dir.path()), std::vector<std::string>{"b"});
    // Onto its own path: nothing happens, nothing is lost.
    EXPECT_EQ(rliFileMove((dir / "b").c_str(), (dir / "b").c_str()), 0);
    EXPECT_EQ(testReadFile(dir / "b"), "A");
    // A vanished source fails and creates nothing.
    EXPECT_EQ(rliFileMove((dir / "gone").c_str(), (dir / "c").c_str()), -1);
    EXPECT_FALSE(testExists(dir / "c"));

    // Without replacing, another file is never overwritten.
    testWriteFile(dir / "a", "A");
    testWriteFile(dir / "b", "B");
    EXPECT_EQ(rliFileMoveEx((dir / "a").c_str(), (dir / "b").c_str(), RLI_MOVE_NOREPLACE), -3);
    EXPECT_EQ(testReadFile(dir / "a"), "A");
    EXPECT_EQ(testReadFile(dir / "b"), "B");
    EXPECT_EQ(rliFileMoveEx((dir / "a").c_str(), (dir / "c").c_str(), RLI_MOVE_NOREPLACE), 0);
    EXPECT_EQ(rliFileMoveEx((dir / "c").c_str(), (dir / "c").c_str(), RLI_MOVE_NOREPLACE), 0);
    EXPECT_EQ(rliFileMove((dir / "c").c_str(), (dir / "b").c_str()), 0);  // plain move replaces
    EXPECT_EQ(testReadFile(dir / "b"), "A");
    // A failed move keeps the source.
    rliFaultFileArm(1, EIO, false);
    EXPECT_EQ(rliFileMove((dir / "b").c_str(), (dir / "d").c_str()), -1);
    rliFaultFileArm(0, 0, false);
    EXPECT_EQ(testListDir(dir.path()), std::vector<std::string>{"b"});
}

// Across file systems a move is a copy, a size check, then removal of the
// source; a full target must leave the source in place, and a file written
// there whole or not at all.
TEST_F(CopyTest, AFullFileSystemKeepsTheSourceAndTheOldFile) {
    if (!testIsRoot()) GTEST_SKIP() << "needs root to mount a tmpfs for a second file system";
    std::string mnt = dir / "other";
    rliDirCreate(mnt.c_str());
    ScratchMount other(mnt, "tmpfs", "tmpfs", 0, "size=1m");
    if (!other.ok()) GTEST_SKIP() << "tmpfs mount refused here: " << other.why();
    std::string data = pattern(300000);
    testWriteFile(dir / "a.wav", data);
    EXPECT_EQ(rliFileMove((dir / "a.wav").c_str(), (mnt + "/a.wav").c_str()), 0);
    EXPECT_EQ(testReadFile(mnt + "/a.wav"), data);
    EXPECT_FALSE(testExists(dir / "a.wav"));
    EXPECT_EQ(rliFileDelete((mnt + "/a.wav").c_str()), 0);

    // A full target keeps the source and leaves no partial file.
    data = pattern(2u << 20);  // twice the target's size
    testWriteFile(dir / "big.wav", data);
    EXPECT_EQ(rliFileMove((dir / "big.wav").c_str(), (mnt + "/big.wav").c_str()), -1);
    EXPECT_EQ(testReadFile(dir / "big.wav"), data);
    EXPECT_TRUE(testListDir(mnt).empty());
    EXPECT_EQ(rliFileCopy((dir / "big.wav").c_str(), (mnt + "/big.wav").c_str()), -1);
    EXPECT_TRUE(testListDir(mnt).empty());
    testWriteFile(mnt + "/kit.kvb", "old");
    EXPECT_EQ(rliFileWriteAll((mnt + "/kit.kvb").c_str(), data.data(), data.size()), -1);
    EXPECT_EQ(testReadFile(mnt + "/kit.kvb"), "old");
    EXPECT_EQ(testListDir(mnt), std::vector<std::string>{"kit.kvb"});
}

}  // namespace
