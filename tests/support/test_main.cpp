// Test entry point: every test must give back every tracked block it took.
#include <gtest/gtest.h>

#include "foundation/mem.h"

namespace {

class LeakCheck : public testing::EmptyTestEventListener {
    long before_ = 0;
    void OnTestStart(const testing::TestInfo &) override { before_ = memGetBlockCount(); }
    void OnTestEnd(const testing::TestInfo &info) override {
        long after = memGetBlockCount();
        if (after != before_ && !info.result()->Skipped())
            ADD_FAILURE() << "tracked blocks: " << before_ << " before the test, " << after << " after";
    }
};

}  // namespace

#if KVB_SANITIZE
// Mesa's software renderer, which the scripted host draws with, keeps a few
// blocks of its own past the end of a test that drew in a window closed
// before it (no frame of ours on their allocation stacks). Our own blocks are
// counted by the tracked allocator above; the leak checker keeps watching
// everything else.
extern "C" const char *__lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }
// The runtime's __tls_get_addr interceptor (GCC 12) takes a dynamic TLS block
// that happens to start 16 bytes into a page for an old glibc layout and reads
// the words before it; the leak checker's tracer then dies at exit, now and
// then, in a program that loaded Mesa, with every test passed. Without it the
// checker scans no dynamic TLS, in which only the suppressed Mesa blocks live.
extern "C" const char *__asan_default_options() { return "intercept_tls_get_addr=0"; }
#endif

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    memInit();
    testing::UnitTest::GetInstance()->listeners().Append(new LeakCheck);
    int r = RUN_ALL_TESTS();
    memTerm();
    return r;
}
