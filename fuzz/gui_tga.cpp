// Fuzz target: the TGA reader the pack's pictures go through, fed with
// arbitrary files. A picture it decodes has every pixel read back.
#include <cstddef>
#include <cstdint>

#include "foundation/mem.h"
#include "gui/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = (memInit(), true);
    (void)ready;
    TARGA header;
    checktarga(&header, data, size);
    CgifTgaData picture;
    if (picture.init(data, size) == 0) {
        const sGifPixels &p = picture.get();
        volatile uint8_t sink = 0;
        size_t bytes = size_t(p.texWidth) * p.texHeight * p.bytesPerPixel;
        for (size_t i = 0; i < bytes; i += 61) sink = static_cast<uint8_t>(sink ^ p.pixels[i]);
        if (bytes) sink = static_cast<uint8_t>(sink ^ p.pixels[bytes - 1]);
    }
    return 0;
}
