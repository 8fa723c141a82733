// The tracked allocator. See mem.h for the block layout and the contract.
#include "mem.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr char kFront[4] = {'M', 'E', 'M', 'O'};
constexpr char kBack[4] = {'R', 'Y', 'B', 'L'};
constexpr char kTail[4] = {'O', 'C', 'K', '!'};
constexpr char kFree[4] = {'F', 'R', 'E', 'E'};
// Header, payload, tail and four bytes of slack.
constexpr size_t kOverhead = sizeof(sMemHead) + 4 + 4;

static_assert(sizeof(sMemHead) % 16 == 0, "payloads must stay 16-byte aligned");

struct MemList {
    sMemHead *first = nullptr;
    sMemHead *last = nullptr;
};

MemList gMemBase;
long gTotBlock = 0;
size_t gMemInUse = 0;
size_t gPeakMem = 0;
bool gMallocDebugMemset = false;
memErrorFn gErrorCB = nullptr;
memLockFn gThreadLockCB = nullptr;
memLockFn gThreadUnlockCB = nullptr;
std::mutex gMutex;

long gFailAt = 0;        // allocations left before the injected failure; 0 = off
bool gFailSticky = false;
long gFailCount = 0;

// Takes the mutex and runs the lock callbacks around it, in the order the
// callbacks expect (after taking, before releasing).
class Locked {
public:
    Locked() {
        gMutex.lock();
        if (gThreadLockCB) gThreadLockCB();
    }
    ~Locked() {
        if (gThreadUnlockCB) gThreadUnlockCB();
        gMutex.unlock();
    }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
};

bool tagIs(const char *tag, const char (&want)[4]) { return std::memcmp(tag, want, 4) == 0; }

char *tailOf(sMemHead *h) { return reinterpret_cast<char *>(h + 1) + h->length; }

bool headValid(const sMemHead *h) { return tagIs(h->frontTag, kFront) && tagIs(h->backTag, kBack); }

void report(const char *block, const char *reason) { printError("Memory block %s: %s\n", block, reason); }

// Called with the mutex held. Decides whether an armed failure fires now.
bool injectFailure() {
    if (gFailAt <= 0) return false;
    if (gFailAt == 1) {
        if (!gFailSticky) gFailAt = 0;
        ++gFailCount;
        return true;
    }
    --gFailAt;
    return false;
}

void unlinkBetween(sMemHead *before, sMemHead *after) {
    if (before) {
        before->next = after;
        before->nextOwner = after ? after->owner : nullptr;
    } else {
        gMemBase.first = after;
    }
    if (after)
        after->prev = before;
    else
        gMemBase.last = before;
}

// Locates `block` (or the damage) in the live list. Returns the name to
// report, or null when the list is sound and `block` is not in it; unlinks
// `block` when it is found as the single damaged place (`*unlinked` says so).
const char *checkMemList(sMemHead *block, bool *unlinked) {
    *unlinked = false;
    sMemHead *fwdLastGood = nullptr, *fwdBad = nullptr;
    for (sMemHead *h = gMemBase.first; h; h = h->next) {
        if (!headValid(h)) {
            fwdBad = h;
            break;
        }
        fwdLastGood = h;
    }
    sMemHead *bwdLastGood = nullptr, *bwdBad = nullptr;
    for (sMemHead *h = gMemBase.last; h; h = h->prev) {
        if (!headValid(h)) {
            bwdBad = h;
            break;
        }
        bwdLastGood = h;
    }
    if (fwdBad != bwdBad) return "MORE THAN 1 MEMORYBLOCK CORRUPT";

    sMemHead *stop = fwdBad;
    sMemHead *before = fwdLastGood;
    sMemHead *after = bwdLastGood;
    if (!stop) {
        before = nullptr;
        for (sMemHead *h = gMemBase.first; h && h != block; h = h->next) before = h;
        if ((before ? before->next : gMemBase.first) != block) return nullptr;
        stop = block;
        after = block->next;
    }
    const char *name = (before && before->nextOwner) ? before->nextOwner : "No name found";
    if (stop != block) {
        report(name, "Header error");
        return "Header error";
    }
    unlinkBetween(before, after);
    *unlinked = true;
    return name;
}

void *allocate(size_t size, const char *name, bool zero) {
    void *raw = nullptr;
    size_t length = (size + 3) & ~static_cast<size_t>(3);
    bool fits = size <= UINT32_MAX - kOverhead - 3;
    {
        Locked lock;
        if (fits && !injectFailure()) raw = zero ? std::calloc(1, length + kOverhead) : std::malloc(length + kOverhead);
        if (!raw) {
            std::fputs("memCalloc(): Failed.\n", stderr);
            return nullptr;
        }
        auto *h = static_cast<sMemHead *>(raw);
        std::memcpy(h->frontTag, kFront, 4);
        h->length = static_cast<uint32_t>(length);
        h->owner = name;
        h->nextOwner = nullptr;
        h->pad = 0;
        std::memcpy(h->backTag, kBack, 4);
        std::memcpy(tailOf(h), kTail, 4);
        h->next = nullptr;
        h->prev = gMemBase.last;
        if (gMemBase.last) {
            gMemBase.last->next = h;
            gMemBase.last->nextOwner = name;
        } else {
            gMemBase.first = h;
        }
        gMemBase.last = h;
        ++gTotBlock;
        gMemInUse += length;
        if (gMemInUse > gPeakMem) gPeakMem = gMemInUse;
    }
    void *payload = static_cast<sMemHead *>(raw) + 1;
    if (!zero && gMallocDebugMemset && size) std::memset(payload, 0xFF, size);
    return payload;
}

}  // namespace

void memInit(void) {}

void memTerm(void) {}

void *memMalloc(size_t size, const char *name) { return allocate(size, name, false); }

void *memCalloc(size_t size, const char *name) { return allocate(size, name, true); }

void *memRealloc(void *ptr, size_t size) {
    if (!ptr) return nullptr;
    auto *old = static_cast<sMemHead *>(ptr) - 1;
    if (!headValid(old)) return nullptr;
    void *fresh = memMalloc(size, old->owner);
    if (!fresh) return nullptr;
    std::memcpy(fresh, ptr, size < old->length ? size : old->length);
    memFree(ptr);
    return fresh;
}

int memFree(void *ptr) {
    if (!ptr) {
        report("free", "attempt to free NULL pointer");
        return -1;
    }
    if (reinterpret_cast<uintptr_t>(ptr) % 4 != 0) {
        report("free", "attempt to free illegal pointer");
        return -1;
    }
    auto *h = static_cast<sMemHead *>(ptr) - 1;
    // Only the back tag is trusted here: once a block is given back, the system
    // allocator keeps its own links in the first bytes of it, over frontTag.
    if (tagIs(h->backTag, kFree)) {
        report(h->owner ? h->owner : "?", "double free");
        return -1;
    }
    Locked lock;
    if (headValid(h) && h->length % 4 == 0) {
        if (!tagIs(tailOf(h), kTail)) {
            report(h->owner, "end corrupt");
            bool unlinked;
            const char *other = checkMemList(h, &unlinked);
            if (other && std::strcmp(other, h->owner) != 0) report(other, "is also corrupt");
            // The damaged block stays out of the system's hands: whatever wrote
            // past it may still hold a pointer into it.
            if (unlinked) {
                --gTotBlock;
                gMemInUse -= h->length;
            }
            return 2;
        }
        std::memcpy(h->frontTag, kFree, 4);
        std::memcpy(h->backTag, kFree, 4);
        std::memcpy(tailOf(h), kFree, 4);
        unlinkBetween(h->prev, h->next);
        --gTotBlock;
        gMemInUse -= h->length;
        std::free(h);
        return 0;
    }
    bool unlinked;
    const char *name = checkMemList(h, &unlinked);
    if (!name) {
        // Not ours: the counters stay as they are.
        report("free", "pointer not in memlist");
        return -1;
    }
    report(name, "error in header");
    if (unlinked) --gTotBlock;
    return -1;
}

void memPrintMemList(void) {
    Locked lock;
    for (sMemHead *h = gMemBase.first; h; h = h->next) {
        if (!tagIs(h->frontTag, kFree) || !tagIs(h->backTag, kFree))
            printError("%s Size: %u, %p\n", h->owner ? h->owner : "?", h->length, static_cast<void *>(h + 1));
    }
}

void memSetErrorCB(memErrorFn fn) { gErrorCB = fn; }
void memSetLockCB(memLockFn fn) { gThreadLockCB = fn; }
void memSetUnlockCB(memLockFn fn) { gThreadUnlockCB = fn; }
void memSetMemoryDebug(void) { gMallocDebugMemset = true; }

void printError(const char *format, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    if (gErrorCB)
        gErrorCB(text);
    else
        std::fputs(text, stderr);
}

long memGetBlockCount(void) {
    Locked lock;
    return gTotBlock;
}

size_t memGetInUse(void) {
    Locked lock;
    return gMemInUse;
}

size_t memGetPeak(void) {
    Locked lock;
    return gPeakMem;
}

void memTestFailNth(long n, bool sticky) {
    Locked lock;
    gFailAt = n > 0 ? n : 0;
    gFailSticky = sticky;
    gFailCount = 0;
}

long memTestFailCount(void) {
    Locked lock;
    return gFailCount;
}
