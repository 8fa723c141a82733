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
// As scripts/test sets it, for test programs run by hand: the interceptor
// misreads some of Mesa's dynamic TLS blocks and the leak checker dies at exit.
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
