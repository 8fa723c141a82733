// File-operation fault hook. See fault.h.
#include "fault.h"

#include <atomic>
#include <cerrno>

namespace {

std::atomic<long> gFaultAt{0};
std::atomic<long> gFaultSeen{0};
std::atomic<int> gFaultErr{0};
std::atomic<bool> gFaultSticky{false};
std::atomic<bool> gFaultFired{false};

}  // namespace

void rliFaultFileArm(long n, int err, bool sticky) {
    gFaultAt = n > 0 ? n : 0;
    gFaultErr = err ? err : EIO;
    gFaultSticky = sticky;
    gFaultSeen = 0;
    gFaultFired = false;
}

int rliFaultFileHit(void) {
    long at = gFaultAt.load();
    if (at == 0) return 0;
    long seen = ++gFaultSeen;
    if (seen < at) return 0;
    if (seen > at && !gFaultSticky) return 0;
    gFaultFired = true;
    errno = gFaultErr.load();
    return gFaultErr.load();
}

long rliFaultFileCount(void) { return gFaultSeen.load(); }

bool rliFaultFileFired(void) { return gFaultFired.load(); }
