// Waves copied between cards. See wavecopy.h.
#include "transfer/wavecopy.h"

#include "foundation/str.h"
#include "transfer/import.h"
#include "wavelib/names.h"
#include "wavelib/wavelist.h"

sTag *waveCopyTargetTag(sWaveList *to, const sTag *from, int *how) {
    int found = WAVECOPY_TAG_FOUND;
    sTag *tag = to ? to->defaultTag : nullptr;
    if (tag && from) {
        if (sTag *same = waveListTagFindName(to, from->name)) {
            tag = same;
        } else if (waveNameCheck(from->name, kTagListNameMax) != NAME_OK) {
            found = WAVECOPY_TAG_REFUSED;
        } else if (waveListTagCount(to) >= kTagCountMax) {
            found = WAVECOPY_TAG_FULL;
        } else {
            // Appended, so the category numbers the target's waves hold stay right.
            tag = waveTagCreate(to, from->name, nullptr, 1);
            found = WAVECOPY_TAG_MADE;
        }
    }
    if (how) *how = found;
    return tag;
}

int waveCopySetRequest(const sWaveList *from, const sWave *wave, int category, uint32_t flags) {
    char path[kRliPathMax];
    if (!wave || waveWaveAudioPath(from, wave, path, sizeof path) != 0) return -1;
    return waveImportSetRequestNamed(category, path, flags, wave->name);
}
