// Feeds arbitrary bytes to both header parsers.
#include <cstddef>
#include <cstdint>

#include "audio/audio.h"
#include "foundation/mem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    auto *ctx = static_cast<_sAudioContext *>(memCalloc(sizeof(_sAudioContext), "AC"));
    if (!ctx) return 0;
    if (size > kAudioHeaderMax) size = kAudioHeaderMax;
    audioParseHeader(ctx, AUDIO_FORMAT_RIFF, data, size);
    audioParseHeader(ctx, AUDIO_FORMAT_AIFF, data, size);
    memFree(ctx);
    return 0;
}
