// Feeds arbitrary bytes to the archive verify walk, the gate every archive
// passes before anything is extracted.
#include <cstddef>
#include <cstdint>

#include "transfer/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    sTarVerifyInfo info;
    tarVerifyMemory(data, size, &info);
    return 0;
}
