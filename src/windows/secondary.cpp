// The secondary windows' table. See secondary.h.
#include "windows/secondary.h"

#include "windows/category/tagctl.h"
#include "windows/kit/kitctl.h"
#include "windows/popup/cmbctl.h"
#include "windows/waveedit/wavenamectl.h"
#include "windows/waveimport/importctl.h"

void editSecondaryWindows(sMainSecondary *out) {
    for (int i = 0; i < MAIN_WINDOW_COUNT; i++) out[i] = sMainSecondary{};
    out[MAIN_WINDOW_POPUP] = editCmbSecondary();
    out[MAIN_WINDOW_WAVEEDIT] = editWaveNameSecondary();
    out[MAIN_WINDOW_KIT] = editKitSecondary();
    out[MAIN_WINDOW_CATEGORY] = editTagSecondary();
    out[MAIN_WINDOW_IMPORT] = editWaveImportSecondary();
}
