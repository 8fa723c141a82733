// Helpers of the backup and restore tests.
#pragma once

#include <unistd.h>

#include <cstdlib>

// A folder for scratch trees where syncing costs nothing (a memory file
// system when there is one): the fault loops run hundreds of backups and
// restores, each syncing the volume a few times.
inline const char *testFastTempDir() {
    if (access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char *t = std::getenv("TMPDIR");
    return t && *t ? t : "/tmp";
}
