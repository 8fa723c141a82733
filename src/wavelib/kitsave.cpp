// Kit files and the volume check. See kitsave.h.
#include "wavelib/kitsave.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/str.h"
#include "platform/job.h"
#include "wavelib/card.h"
#include "resource/dnastr.h"
#include "resource/dnastr_ids.h"
#include "wavelib/card.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"

namespace {

bool wanted(const sKit *kit, int all) { return kit->isFile && (kit->edited || all); }

void report(waveMboxFn mbox, const sKit *kit) {
    std::string name(kit->name, strnlen(kit->name, kKitNameLen));
    if (mbox) {
        mbox(DNASTR_TITLE_ERROR, DNASTR_ERR_KIT_WRITE, strSjisToUtf8(name).c_str(), 0);
        return;
    }
    wchar_t wide[kKitNameLen + 1] = {};
    rliStringSjisToUtf16beN(wide, kKitNameLen + 1, name.c_str(), name.size());
    std::wstring text = dnaStrGetPtr(DNASTR_ERR_KIT_WRITE);
    text += L"\n\n";
    text += wide;
    editProgressBarMboxOpenMsg(DNASTR_TITLE_ERROR, text.c_str(), 0);
}

}  // namespace

// --- Volume check ------------------------------------------------------------------

int waveVolumeCheck(const char *root) {
    char device[kStoragePathMax];
    struct stat st;
    if (!root || !*root || wstorageDevicePath(device, sizeof device, root, cSTORAGE_DIR_DEVICE) != 0 ||
        stat(device, &st) != 0 || !S_ISDIR(st.st_mode))
        return KITSAVE_VOLUME_GONE;
    return 0;
}

int waveVolumeCheckCard(const sCard *card) {
    return cardCheck(card) != 0 ? KITSAVE_VOLUME_GONE : waveVolumeCheck(cardRoot(card));
}

// --- Kit files -------------------------------------------------------------------

int waveKitSaveCount(const sWaveList *list, int all) {
    int n = 0;
    for (auto *k = list ? static_cast<const sKit *>(list->kits.first) : nullptr; k; k = k->next) n += wanted(k, all);
    return n;
}

int waveKitSave(sWaveList *list, int all, waveMboxFn mbox) {
    if (!list || waveVolumeCheckCard(list->card) != 0) return KITSAVE_VOLUME_GONE;
    if (waveKitSaveCount(list, all) == 0) return 0;
    // Only inside the device folder found above; a failure shows per kit.
    cardMakeDir(list->card, cSTORAGE_DIR_KIT);
    int result = 0;
    for (auto *k = static_cast<sKit *>(list->kits.first); k; k = k->next) {
        if (!wanted(k, all)) continue;
        char relative[64], path[kStoragePathMax];
        std::snprintf(relative, sizeof relative, "%skit%03d.kvb", cSTORAGE_DIR_KIT, k->kitNumber);
        if (cardPath(list->card, path, sizeof path, relative) == 0 && waveFileKitPrmCreateToFile(k, path) == 0) {
            k->edited = 0;
            continue;
        }
        result = KITSAVE_FAIL_WRITE;
        report(mbox, k);
    }
    return result;
}
