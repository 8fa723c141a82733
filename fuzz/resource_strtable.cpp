// Fuzz target: the container reader and the string table built on it, fed
// with arbitrary files. Every lookup form is exercised on what maps.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/mem.h"
#include "resource/dnastr.h"
#include "resource/zanarray.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = (memInit(), true);
    (void)ready;

    // The reader on its own, on a copy it may rewrite; mapped twice.
    std::vector<uint8_t> copy(data, data + size);
    CzanArray view;
    volatile uint8_t sink = 0;
    if (view.Mapping(copy.data(), copy.size())) {
        int n = view.GetDataNum();
        for (int i = -1; i <= n; ++i)
            if (uint8_t *p = view.GetDataAddr(i)) sink = static_cast<uint8_t>(sink ^ *p);
        if (uint8_t *p = view.GetDataAddr()) sink = static_cast<uint8_t>(sink ^ *p);
        view.Mapping(copy.data(), copy.size());
    }

    // As a string table. Shift-JIS goes through iconv character by character,
    // so only the first strings and the edges get every form.
    if (dnaStrOpenBuffer(data, size, "fz") == 0) {
        int n = dnaStrCount();
        for (int id = -1; id <= n; ++id) {
            if (id > 64 && id < n - 2) continue;
            dnaStrGetPtr(id, L"a.wav");
            dnaStrGetUtf8Ptr(id);
            dnaStrGetSjisPtr(id);
        }
    }
    dnaStrClose();
    return 0;
}
