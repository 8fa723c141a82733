// secondary: the table of the secondary windows the main window opens, so the
// desktop program and the tests register the same controllers.
#pragma once

#include "windows/main/mainctl.h"

// Fills `out` (MAIN_WINDOW_COUNT entries) with the pop-up list, wave import,
// category, kit and wave edit windows. Never fails.
void editSecondaryWindows(sMainSecondary *out);
