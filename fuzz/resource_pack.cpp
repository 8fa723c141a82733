// Fuzz target: the pack directory bound to arbitrary bytes, every lookup on
// what binds, each entry through the picture check, and the bytes read as
// Shift-JIS text through the font lookups.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "foundation/mem.h"
#include "resource/bmfont.h"
#include "resource/pack.h"
#include "resource/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = (memInit(), true);
    (void)ready;

    // An exact-size copy: a read past the pack is a read past the buffer.
    std::unique_ptr<uint8_t[]> pack(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(pack.get(), data, size);
    volatile uint32_t sink = 0;
    CLinkManager link;
    if (link.SetLink(pack.get(), size)) {
        for (int id = -1; id <= link.GetCount(); ++id) {
            const uint8_t *address = nullptr;
            uint32_t length = 0;
            if (link.GetBlock(id, &address, &length) && length) sink = sink + address[0] + address[length - 1];
            if (const uint8_t *name = link.GetFileNameAddress(id)) sink = sink + name[link.GetFileNameWidth() - 1];
            sink = sink + link.GetFileUserParam(id);
            sTgaInfo info;
            if (tgaParse(link.GetBlockAddress(id), link.GetBlockSize(id), &info, nullptr, 0) == 0 &&
                static_cast<uint64_t>(info.width) * info.height <= 1u << 16)
                sink = sink + tgaToRgba(info).back();
        }
    }

    std::unique_ptr<char[]> text(new char[size + 1]);
    if (size) std::memcpy(text.get(), data, size);
    text[size] = 0;
    for (int fontSize : {8, 22}) {
        const sBmfFont *font = bmfFontGet(fontSize);
        sBmfChar c;
        for (const char *p = text.get(); int n = bmfCharAt(font, p, &c); p += n) {
            int bytes = (c.width + 7) / 8 * c.height;
            if (c.bits && bytes) sink = sink + c.bits[bytes - 1];
        }
    }
    return 0;
}
