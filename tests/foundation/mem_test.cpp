// The tracked allocator: accounting, guard words, and failure behaviour.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "foundation/mem.h"

namespace {

std::vector<std::string> gReports;
void captureReport(const char *text) { gReports.emplace_back(text); }

// Routes the allocator's reports into gReports for the life of a test.
class MemTest : public testing::Test {
protected:
    void SetUp() override {
        gReports.clear();
        memSetErrorCB(captureReport);
    }
    void TearDown() override {
        memSetErrorCB(nullptr);
        memTestFailNth(0, false);
    }
    bool reported(const std::string &fragment) const {
        for (const auto &r : gReports)
            if (r.find(fragment) != std::string::npos) return true;
        return false;
    }
};

TEST_F(MemTest, LengthsRoundUpPayloadsAlignCountersFollowEveryBlockAndBadPointersAreRefused) {
    long blocks = memGetBlockCount();
    size_t inUse = memGetInUse();
    void *zero = memMalloc(0, "Test");
    void *five = memMalloc(5, "Test");
    ASSERT_NE(zero, nullptr);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ((static_cast<sMemHead *>(zero) - 1)->length, 0u);
    EXPECT_EQ((static_cast<sMemHead *>(five) - 1)->length, 8u);
    EXPECT_EQ(memGetBlockCount(), blocks + 2);
    EXPECT_EQ(memGetInUse(), inUse + 8);
    EXPECT_GE(memGetPeak(), inUse + 8);
    EXPECT_EQ(memFree(zero), 0);
    EXPECT_EQ(memFree(five), 0);
    EXPECT_EQ(memGetInUse(), inUse);

    // Payloads are 16-byte aligned; calloc zeroes the whole requested size.
    std::vector<void *> payloads;
    for (size_t size : {1u, 3u, 17u, 100u, 4096u}) {
        auto *p = static_cast<unsigned char *>(memCalloc(size, "Test"));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
        for (size_t i = 0; i < size; ++i) ASSERT_EQ(p[i], 0);
        std::memset(p, 0xAB, size);  // the whole requested size is ours to write
        payloads.push_back(p);
    }
    for (void *p : payloads) EXPECT_EQ(memFree(p), 0);
    EXPECT_TRUE(gReports.empty());

    EXPECT_EQ(memFree(nullptr), -1);
    EXPECT_TRUE(reported("attempt to free NULL pointer"));
    auto *p = static_cast<char *>(memMalloc(16, "Test"));
    blocks = memGetBlockCount();
    EXPECT_EQ(memFree(p + 1), -1);
    EXPECT_TRUE(reported("attempt to free illegal pointer"));
    EXPECT_EQ(memGetBlockCount(), blocks);
    EXPECT_EQ(memFree(p), 0);
}

TEST_F(MemTest, FailNthFailsExactlyThatAllocationUnlessStickyHugeSizesFailAndReallocKeepsTheOldBlock) {
    memTestFailNth(3, false);
    void *a = memMalloc(4, "T"), *b = memMalloc(4, "T"), *c = memMalloc(4, "T"), *d = memMalloc(4, "T");
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(c, nullptr);
    EXPECT_NE(d, nullptr);
    for (void *p : {a, b, d}) memFree(p);

    memTestFailNth(2, true);
    void *e = memMalloc(4, "T");
    EXPECT_NE(e, nullptr);
    EXPECT_EQ(memMalloc(4, "T"), nullptr);
    EXPECT_EQ(memCalloc(4, "T"), nullptr);
    EXPECT_EQ(memTestFailCount(), 2);
    memTestFailNth(0, false);
    memFree(e);

    long blocks = memGetBlockCount();
    EXPECT_EQ(memMalloc(SIZE_MAX, "Huge"), nullptr);
    EXPECT_EQ(memMalloc(static_cast<size_t>(UINT32_MAX), "Huge"), nullptr);
    EXPECT_EQ(memGetBlockCount(), blocks);

    // Realloc keeps content and tag and releases the old block, or on failure keeps it.
    EXPECT_EQ(memRealloc(nullptr, 10), nullptr);
    auto *p = static_cast<char *>(memMalloc(16, "Grow"));
    std::memcpy(p, "precious sample", 16);
    blocks = memGetBlockCount();
    memTestFailNth(1, false);
    EXPECT_EQ(memRealloc(p, 1 << 20), nullptr);
    EXPECT_EQ(memTestFailCount(), 1);
    EXPECT_EQ(memGetBlockCount(), blocks);
    EXPECT_STREQ(p, "precious sample");
    memTestFailNth(0, false);

    auto *q = static_cast<char *>(memRealloc(p, 64));
    ASSERT_NE(q, nullptr);
    EXPECT_STREQ(q, "precious sample");
    EXPECT_STREQ((reinterpret_cast<sMemHead *>(q) - 1)->owner, "Grow");
    EXPECT_EQ(memGetBlockCount(), blocks);
    auto *r = static_cast<char *>(memRealloc(q, 0));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ((reinterpret_cast<sMemHead *>(r) - 1)->length, 0u);
    EXPECT_EQ(memFree(r), 0);
}

// The remaining checks read guard words of released or foreign memory on
// purpose, which the address sanitizer rightly forbids; they run in the
// normal build only.
class MemGuardTest : public MemTest {
protected:
    void SetUp() override {
#if KVB_SANITIZE
        GTEST_SKIP() << "reads freed and foreign memory on purpose; normal build only";
#endif
        MemTest::SetUp();
    }
};

TEST_F(MemGuardTest, OverrunTailIsReportedAndTheBlockKeptFromTheSystem) {
    long blocks = memGetBlockCount();
    void *before = memMalloc(8, "Before");
    auto *p = static_cast<char *>(memMalloc(5, "Overrun"));
    void *after = memMalloc(8, "After");
    p[8] = 'X';  // one byte past the rounded payload: the tail guard
    EXPECT_EQ(memFree(p), 2);
    EXPECT_TRUE(reported("end corrupt"));
    EXPECT_EQ(memGetBlockCount(), blocks + 2);
    // The list stays walkable: its neighbours are released normally.
    EXPECT_EQ(memFree(before), 0);
    EXPECT_EQ(memFree(after), 0);
    EXPECT_EQ(memGetBlockCount(), blocks);
}

TEST_F(MemGuardTest, DoubleFreesForeignPointersAndDamagedHeadersAreReported) {
    alignas(16) unsigned char foreign[128] = {};
    long blocks = memGetBlockCount();
    // Keep a neighbour alive so a released block's memory is not reused at once.
    void *keep = memMalloc(64, "Keep");
    void *twice = memMalloc(64, "Twice");
    EXPECT_EQ(memFree(twice), 0);
    EXPECT_EQ(memFree(twice), -1);
    EXPECT_TRUE(reported("double free"));
    EXPECT_EQ(memFree(keep), 0);
    EXPECT_EQ(memGetBlockCount(), blocks);

    EXPECT_EQ(memFree(foreign + sizeof(sMemHead)), -1);
    EXPECT_TRUE(reported("pointer not in memlist"));
    EXPECT_EQ(memGetBlockCount(), blocks);

    // A damaged header is found in the list and unlinked.
    void *before = memMalloc(8, "Before");
    auto *p = static_cast<char *>(memMalloc(8, "Victim"));
    void *after = memMalloc(8, "After");
    std::memcpy((reinterpret_cast<sMemHead *>(p) - 1)->frontTag, "ZZZZ", 4);
    EXPECT_EQ(memFree(p), -1);
    EXPECT_TRUE(reported("error in header"));
    EXPECT_EQ(memFree(before), 0);
    EXPECT_EQ(memFree(after), 0);
    EXPECT_EQ(memGetBlockCount(), blocks);
}

TEST_F(MemTest, LeakListNamesEveryLiveBlockAndDebugFillMarksPayloads) {
    void *a = memMalloc(12, "LeakA");
    void *b = memMalloc(20, "LeakB");
    memPrintMemList();
    EXPECT_TRUE(reported("LeakA Size: 12"));
    EXPECT_TRUE(reported("LeakB Size: 20"));
    gReports.clear();
    memFree(a);
    memFree(b);
    memPrintMemList();
    EXPECT_FALSE(reported("LeakA"));
    EXPECT_FALSE(reported("LeakB"));

    // The debug fill marks fresh payloads.
    memSetMemoryDebug();
    auto *p = static_cast<unsigned char *>(memMalloc(7, "Fill"));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(p[i], 0xFF);
    memFree(p);
}

TEST_F(MemTest, ThreadsAllocatingTogetherKeepTheCountsExact) {
    long blocks = memGetBlockCount();
    size_t inUse = memGetInUse();
    auto churn = [] {
        std::vector<void *> mine;
        for (int i = 0; i < 2000; ++i) {
            mine.push_back(memMalloc(static_cast<size_t>(i % 50), "Thread"));
            if (i % 3 == 0) {
                memFree(mine.back());
                mine.pop_back();
            }
        }
        for (void *p : mine) memFree(p);
    };
    std::thread t1(churn), t2(churn), t3(churn);
    t1.join();
    t2.join();
    t3.join();
    EXPECT_EQ(memGetBlockCount(), blocks);
    EXPECT_EQ(memGetInUse(), inUse);
    EXPECT_TRUE(gReports.empty());
}

}  // namespace
