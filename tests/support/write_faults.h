// The failed-write loop the file writers share: a file step, then an
// allocation, fails at each position in turn, and every failure must be
// reported and leave the old file whole with nothing beside it.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include "foundation/fault.h"
#include "foundation/mem.h"
#include "support/test_util.h"

// Runs `write` (given the target's path) over a file holding `old`, with the
// file fault hook firing at step 1, 2, ... and then with allocation failures,
// until a run completes unfaulted; that run must succeed and leave `written`
// (or, when `written` is empty, anything but `old`).
inline void testWriteFailures(const std::string &what, const std::string &old,
                              const std::function<int(const char *)> &write, const std::string &written = "") {
    ScratchDir dir;
    std::string path = dir / "target.kvb";
    for (int kind = 0; kind < 2; ++kind) {
        // The bound only stops a writer that never finishes; reaching it is a failure.
        long n = 1;
        for (; n < 5000; ++n) {
            ASSERT_TRUE(testWriteFile(path, old));
            if (kind == 0) rliFaultFileArm(n, n % 2 ? ENOSPC : EIO, false);
            else memTestFailNth(n, false);
            int r = write(path.c_str());
            bool fired = kind == 0 ? rliFaultFileFired() : memTestFailCount() > 0;
            rliFaultFileArm(0, 0, false);
            memTestFailNth(0, false);
            if (!fired) {
                EXPECT_EQ(r, 0) << what;
                if (written.empty()) {
                    EXPECT_NE(testReadFile(path), old) << what;
                } else {
                    EXPECT_EQ(testReadFile(path), written) << what;
                }
                break;
            }
            EXPECT_EQ(r, -1) << what << (kind ? " allocation " : " file step ") << n;
            EXPECT_EQ(testReadFile(path), old) << what << " step " << n;
            EXPECT_EQ(testListDir(dir.path()).size(), 1u) << what << " step " << n;
        }
        EXPECT_LT(n, 5000) << what << (kind ? ": allocations" : ": file steps") << " never ran out";
    }
}
