// dupes: waves whose audio files hold the same bytes.
//
// A card collects copies of one sample under different names and folders.
// Finding them must stay cheap on 10,000 waves, so files are compared in
// three steps: only files whose size another file shares are read at all;
// those are hashed (64-bit FNV-1a over the whole file); and files with equal
// size and hash are confirmed byte for byte, so a hash collision never joins
// two different files. Reads only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/list.h"

struct sWaveList;
struct sWave;

// One group of waves with identical audio files ("DGroup").
struct sDupeGroup {
    sDupeGroup *next;
    sDupeGroup *prev;
    uint64_t size;      // the size of each file in bytes
    sListBase waves;    // sListItem ("DWave") -> sWave, by wave number
};

// --- Finding ---------------------------------------------------------------------

// Fills `groups` (emptied first) with every group of two or more waves of
// `list` whose audio files are identical, ordered by the lowest wave number
// of each group. A file that cannot be read joins no group and is counted in
// `unreadable` (when given). Returns 0, or -1 when memory runs out (`groups`
// then empty). Reads the card only.
int waveDupesFind(sWaveList *list, sListBase *groups, int *unreadable);
// Frees the groups and their nodes; the waves stay. Null is ignored.
void waveDupesDispose(sListBase *groups);

// --- Hashing ---------------------------------------------------------------------

// The 64-bit FNV-1a hash of `size` bytes, continuing from `hash` (start with
// kDupesHashStart). Never fails.
constexpr uint64_t kDupesHashStart = 14695981039346656037ull;
uint64_t waveDupesHash(uint64_t hash, const void *data, size_t size);
// Hashes the whole file at `path` into `*hash`. Returns 0, or -1 (errno set)
// when it cannot be read.
int waveDupesHashFile(const char *path, uint64_t *hash);
// Returns 1 when the files at `a` and `b` hold the same bytes, 0 when they
// differ, -1 when either cannot be read.
int waveDupesSameFile(const char *a, const char *b);
