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

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    memInit();
    testing::UnitTest::GetInstance()->listeners().Append(new LeakCheck);
    int r = RUN_ALL_TESTS();
    memTerm();
    return r;
}
