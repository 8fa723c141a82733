// mem: the tracked allocator every record of the program is taken from.
//
// Each block carries a caller-given owner tag, guard words before and after its
// payload ("MEMO" ... "RYBL" | payload | "OCK!") and a link in one list of live
// blocks, so that double frees, foreign pointers and overrun tails are caught
// when the block is released and leaks can be listed at shutdown. One mutex
// guards the list and the counters; worker threads allocate freely.
//
// Test hooks: the live-block count (a test checks it is back where it started)
// and "fail the Nth allocation" for fault-injection runs.
#pragma once

#include <cstddef>
#include <cstdint>

// Block header, placed directly before the payload the caller receives. On
// 64-bit hosts it is 48 bytes, so payloads keep malloc's 16-byte alignment.
struct sMemHead {
    char frontTag[4];        // "MEMO" while live, "FREE" after release
    uint32_t length;         // payload length: requested size rounded up to 4
    sMemHead *next;          // next live block, in allocation order
    sMemHead *prev;          // previous live block
    const char *owner;       // caller's owner tag; static storage, not copied
    const char *nextOwner;   // owner of the following block as seen by the last unlink beside it
    uint32_t pad;            // keeps backTag adjacent to the payload
    char backTag[4];         // "RYBL" while live, "FREE" after release
};

typedef void (*memErrorFn)(const char *text);
typedef void (*memLockFn)(void);

// --- Life cycle -----------------------------------------------------------

// Prepares the allocator; safe to call more than once. Never fails.
void memInit(void);
// Ends the allocator's life; live blocks stay live. Never fails.
void memTerm(void);

// --- Allocation -----------------------------------------------------------

// Returns a payload of at least `size` bytes tagged `name`; null (and a line on
// stderr) when memory runs out, nothing allocated then.
void *memMalloc(size_t size, const char *name);
// As memMalloc with the payload zeroed; null on failure, nothing allocated.
void *memCalloc(size_t size, const char *name);
// Returns a new block with the old tag and the first min(size, old length)
// bytes, releasing `ptr`; null for a null `ptr` or on failure, and then `ptr`
// is left intact and still owned by the caller.
void *memRealloc(void *ptr, size_t size);
// Returns 0 when released, 2 when the tail guard was overwritten (block
// unlinked, kept from the system), -1 for a null, foreign, damaged or already
// freed pointer (nothing released then).
int memFree(void *ptr);

// --- Reports and settings -------------------------------------------------

// Reports every block still live through the error callback. Changes nothing.
void memPrintMemList(void);
// Installs the report sink; null restores the default (stderr). Never fails.
void memSetErrorCB(memErrorFn fn);
// Installs callbacks run right after the mutex is taken / right before release.
void memSetLockCB(memLockFn fn);
void memSetUnlockCB(memLockFn fn);
// Makes memMalloc fill new payloads with 0xFF. Never fails.
void memSetMemoryDebug(void);
// Formats a report and hands it to the error callback. Never fails.
void printError(const char *format, ...) __attribute__((format(printf, 1, 2)));

// --- Counters and test hooks ---------------------------------------------

// Number of live blocks (gTotBlock). Changes nothing.
long memGetBlockCount(void);
// Sum of live payload lengths (gMemInUse). Changes nothing.
size_t memGetInUse(void);
// Highest value memGetInUse has reached (gPeakMem). Changes nothing.
size_t memGetPeak(void);
// Makes the `n`th allocation from now fail (1 = the next one); with `sticky`
// every allocation after it fails too. `n` = 0 disarms. Never fails.
void memTestFailNth(long n, bool sticky);
// Number of allocations the armed hook has failed so far. Changes nothing.
long memTestFailCount(void);
