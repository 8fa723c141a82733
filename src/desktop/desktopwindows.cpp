// The desktop program's window controllers. See desktopwindows.h.
#include "desktop/desktopwindows.h"

#include "windows/main/mainctl.h"
#include "windows/secondary.h"

void desktopWindowsInstall(void) {
    sMainSecondary secondary[MAIN_WINDOW_COUNT];
    editSecondaryWindows(secondary);
    editWaveUtilityInstall(secondary);
}
