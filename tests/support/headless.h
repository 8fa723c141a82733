// A test on the scripted host, with a scratch folder: the host is installed
// before the test, and its script and records cleared, the language override
// dropped and the host removed after it. Only for test programs that link the
// scripted host.
#pragma once

#include <gtest/gtest.h>

#include "platform/ghost.h"
#include "platform/headless/headless.h"
#include "support/test_util.h"

class HeadlessTest : public testing::Test {
protected:
    ScratchDir dir;
    void SetUp() override { hlInstall(); }
    void TearDown() override {
        hlReset();
        osSetISO(nullptr);
        ghostHostInstall(nullptr);
    }
};
